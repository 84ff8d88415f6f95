#pragma once
// PresetLibrary: the preset database "Lib5302.mdb", a SQLite file holding the eight tables
// of preset_tables.h. It runs the database's own statement texts ("select * from DELAY
// order by ID", "delete from DELAY  where ID=3", ...); the one statement SQLite does not
// speak ("select top 1 ID from T order by ID desc") is translated by sql_dialect.h. Names
// go into statements with their quotes doubled, so no text from an operator changes a
// statement's shape.
//
// Opening creates a missing file with the eight empty tables (an empty database file, such
// as one left by a creation that failed half way, gets them too). A file that is not a
// database, cannot be opened, or lacks a table leaves the library closed with a message
// (lastError()); the program keeps working without presets. A read-only file opens for
// reading; every write then fails with a message rather than silently.
//
// Every failure sets lastError() (English and Chinese, with the engine's own text) and
// returns false or nothing; nothing is thrown. Success clears it.
//
// Threading: one thread (the user-interface thread); statements run one at a time.

#include "model/message.h"
#include "presets/preset_tables.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace krm {

struct PresetRow {
    int id = 0;
    std::string name;    // UTF-8
    std::string payload; // the payload column's text (a file path in DeviceDATA)
};

class PresetLibrary {
public:
    static constexpr std::string_view kFileName = "Lib5302.mdb";

    explicit PresetLibrary(std::filesystem::path file);
    ~PresetLibrary();
    PresetLibrary(const PresetLibrary&) = delete;
    PresetLibrary& operator=(const PresetLibrary&) = delete;

    // Opens the file (creating it with the eight empty tables when missing) and checks
    // that every table is there. True when the library can be used. Operations open it
    // on first use when the caller did not.
    bool open();
    bool isOpen() const { return m_db != nullptr; }
    bool readOnly() const { return m_readOnly; }
    // Opens the library and says what the operator must know at start: why it cannot be
    // used, or that it (or its folder) cannot be written, so presets and stored settings
    // load but none can be saved. Nothing when the library is fully usable.
    std::optional<Message> openNotice();
    const std::filesystem::path& file() const { return m_file; }
    // The last failure; empty texts after a success.
    const Message& lastError() const { return m_error; }
    bool failed() const { return !m_error.empty(); }

    // Rows in ascending ID order; nothing on failure.
    std::optional<std::vector<PresetRow>> list(PresetTable table);
    // The row of that ID; nothing when it does not exist (failed() false) or on failure.
    std::optional<PresetRow> fetch(PresetTable table, int id);
    // The largest ID, 0 for an empty table; nothing on failure.
    std::optional<int> highestId(PresetTable table);
    bool insert(PresetTable table, const PresetRow& row);
    bool rename(PresetTable table, int id, std::string_view name);
    bool remove(PresetTable table, int id);

    // Told of every statement an operation runs, before it runs: the text as the program
    // wrote it and the text SQLite runs (they differ only where the dialect translates).
    // The checks and table set-up of opening are not reported. For tests and diagnostics.
    using StatementObserver = std::function<void(std::string_view written, std::string_view run)>;
    void setStatementObserver(StatementObserver observer) { m_observer = std::move(observer); }

private:
    struct Column {
        std::string name;
        std::string text;
    };
    using Row = std::vector<Column>;
    bool ensureOpen();
    // Runs a statement that returns no rows.
    bool execute(const std::string& statement);
    // Runs a select; every row with its columns as text.
    std::optional<std::vector<Row>> query(const std::string& statement);
    // Runs one SQLite statement, collecting its rows when `rows` is given; on failure
    // `engineText` holds the engine's message.
    bool run(const std::string& sqlite, std::vector<Row>* rows, std::string& engineText);
    // Opening: the eight tables in an empty file, then each table and column checked.
    bool createTables();
    // Makes the folder of the database file when it is missing; false (the failure kept)
    // when it cannot be made.
    bool makeFolder(const std::filesystem::path& folder);
    bool checkTables();
    // Sets lastError(): what failed, in both languages, then the engine's text.
    void fail(std::string_view en, std::string_view zh, std::string_view engineText);
    void close();

    std::filesystem::path m_file;
    sqlite3* m_db = nullptr;
    bool m_readOnly = false;
    Message m_error;
    StatementObserver m_observer;
};

} // namespace krm
