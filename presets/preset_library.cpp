#include "presets/preset_library.h"

#include "presets/sql_dialect.h"

#include <sqlite3.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace krm {

namespace {

// Texts of what failed; the engine's own message follows them.
struct Failure {
    const char* en;
    const char* zh;
};
constexpr Failure kCannotRead{"The preset database could not be read", "无法读取预设数据库"};
constexpr Failure kCannotCreate{"The preset database could not be created", "无法创建预设数据库"};
constexpr Failure kCannotMakeFolder{"The data folder %1 could not be created",
                                    "无法创建数据文件夹 %1"};
constexpr Failure kCannotChange{"The preset database could not be changed", "无法修改预设数据库"};
constexpr Failure kReadOnly{"The preset database is read-only; nothing was changed",
                            "预设数据库为只读，未作任何修改"};
constexpr Failure kReadOnlyAtStart{
    "The preset database %1 is read-only: presets and stored settings can be used, but "
    "nothing can be saved",
    "预设数据库 %1 为只读：可以使用预设和已存设置，但无法保存"};
constexpr Failure kNoTable{"The preset database has no table", "预设数据库缺少表"};
constexpr Failure kNoColumn{"The preset database has no column", "预设数据库缺少列"};
constexpr Failure kBadId{"The preset database holds an ID that is not a whole number",
                         "预设数据库中有非整数的编号"};

// A busy file (another copy of the program writing) is waited for this long, no longer:
// statements run on the window's thread.
constexpr int kBusyTimeoutMs = 500;

bool blank(std::string_view text) {
    for (const char c : text)
        if (!std::isspace(static_cast<unsigned char>(c)))
            return false;
    return true;
}

// The ID column as text: a whole number in decimal; a file made elsewhere may hold it as a
// real ("3.0"). Nothing for anything else.
std::optional<int> idFromText(std::string_view text) {
    const char* first = text.data();
    const char* last = text.data() + text.size();
    int id = 0;
    auto [end, error] = std::from_chars(first, last, id);
    if (error == std::errc{} && end == last)
        return id;
    double real = 0;
    auto [realEnd, realError] = std::from_chars(first, last, real);
    if (realError != std::errc{} || realEnd != last || !std::isfinite(real) ||
        real != std::trunc(real) || real < std::numeric_limits<int>::min() ||
        real > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(real);
}

std::string tableName(PresetTable table) {
    return TableInfo(table).table;
}

} // namespace

PresetLibrary::PresetLibrary(std::filesystem::path file) : m_file(std::move(file)) {}

PresetLibrary::~PresetLibrary() {
    close();
}

void PresetLibrary::close() {
    if (m_db != nullptr)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
    m_readOnly = false;
}

void PresetLibrary::fail(std::string_view en, std::string_view zh, std::string_view engineText) {
    m_error.en = en;
    m_error.zh = zh;
    if (!engineText.empty()) {
        m_error.en += ": ";
        m_error.en += engineText;
        m_error.zh += "：";
        m_error.zh += engineText;
    }
}

bool PresetLibrary::open() {
    m_error = {};
    if (m_db != nullptr)
        return true;
    std::error_code ec;
    const bool existed = std::filesystem::exists(m_file, ec);
    const Failure& openFailure = existed ? kCannotRead : kCannotCreate;
    // A data folder named on the command line may not exist yet: it is made, as the
    // per-user one is at start, and only a folder that cannot be made is worth a word.
    if (!existed && m_file.has_parent_path() && !makeFolder(m_file.parent_path()))
        return false;
    sqlite3* db = nullptr;
    // A write-protected file opens for reading only (sqlite3_db_readonly tells).
    const int rc = sqlite3_open_v2(m_file.string().c_str(), &db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        const std::string text = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close_v2(db);
        fail(openFailure.en, openFailure.zh, text);
        return false;
    }
    m_db = db;
    // The file comes from outside the program: its schema gets no say in what runs.
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    m_readOnly = sqlite3_db_readonly(m_db, "main") == 1;

    // Reading the schema is the first read of the file: a file that is not a database
    // fails here with the engine's "file is not a database".
    std::vector<Row> schema;
    std::string engineText;
    if (!run("select type, name from sqlite_master", &schema, engineText)) {
        fail(openFailure.en, openFailure.zh, engineText);
        close();
        return false;
    }
    if (schema.empty() && !createTables()) {
        close();
        return false;
    }
    if (!checkTables()) {
        close();
        return false;
    }
    return true;
}

bool PresetLibrary::makeFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec))
        return true;
    std::filesystem::create_directories(folder, ec);
    if (!ec && std::filesystem::is_directory(folder, ec))
        return true;
    const auto named = [&](std::string text) {
        text.replace(text.find("%1"), 2, folder.string());
        return text;
    };
    const std::string reason = ec ? ec.message() : std::string("not a folder");
    fail(named(kCannotMakeFolder.en), named(kCannotMakeFolder.zh), reason);
    return false;
}

std::optional<Message> PresetLibrary::openNotice() {
    if (!open())
        return m_error;
    // SQLite opens a write-protected file for reading only; a file in a folder that cannot
    // be written opens read-write but fails at its first write (no journal can be made).
    const std::filesystem::path folder =
        m_file.has_parent_path() ? m_file.parent_path() : std::filesystem::path(".");
    if (!m_readOnly && ::access(folder.c_str(), W_OK) == 0)
        return std::nullopt;
    const auto fill = [&](std::string text) {
        const std::string path = m_file.string();
        text.replace(text.find("%1"), 2, path);
        return text;
    };
    return Message{fill(kReadOnlyAtStart.en), fill(kReadOnlyAtStart.zh)};
}

bool PresetLibrary::createTables() {
    std::string script = "begin immediate;";
    for (int i = 0; i < kPresetTableCount; ++i) {
        const PresetTableInfo& info = TableInfo(static_cast<PresetTable>(i));
        // Quoted: LIMIT is a word SQLite reserves.
        script += "create table if not exists \"";
        script += info.table;
        script += "\" (ID INTEGER PRIMARY KEY, NAME TEXT, ";
        script += info.payloadColumn;
        script += " TEXT);";
    }
    script += "commit;";
    char* message = nullptr;
    if (sqlite3_exec(m_db, script.c_str(), nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    const std::string engineText = message != nullptr ? message : sqlite3_errmsg(m_db);
    sqlite3_free(message);
    sqlite3_exec(m_db, "rollback", nullptr, nullptr, nullptr);
    fail(kCannotCreate.en, kCannotCreate.zh, engineText);
    return false;
}

bool PresetLibrary::checkTables() {
    std::vector<Row> tables;
    std::string engineText;
    if (!run("select name from sqlite_master where type='table'", &tables, engineText)) {
        fail(kCannotRead.en, kCannotRead.zh, engineText);
        return false;
    }
    for (int i = 0; i < kPresetTableCount; ++i) {
        const PresetTableInfo& info = TableInfo(static_cast<PresetTable>(i));
        bool found = false;
        for (const Row& row : tables)
            found = found || (!row.empty() && EqualNoCase(row.front().text, info.table));
        if (!found) {
            fail(kNoTable.en, kNoTable.zh, info.table);
            return false;
        }
        std::vector<Row> columns;
        if (!run(std::string("pragma table_info(\"") + info.table + "\")", &columns, engineText)) {
            fail(kCannotRead.en, kCannotRead.zh, engineText);
            return false;
        }
        for (const char* wanted : {"ID", "NAME", info.payloadColumn}) {
            bool has = false;
            for (const Row& column : columns)
                for (const Column& field : column)
                    has = has || (field.name == "name" && EqualNoCase(field.text, wanted));
            if (!has) {
                fail(kNoColumn.en, kNoColumn.zh, std::string(info.table) + "." + wanted);
                return false;
            }
        }
    }
    return true;
}

bool PresetLibrary::ensureOpen() {
    return m_db != nullptr || open();
}

bool PresetLibrary::run(const std::string& sqlite, std::vector<Row>* rows,
                        std::string& engineText) {
    sqlite3_stmt* statement = nullptr;
    const char* tail = nullptr;
    const char* const end = sqlite.data() + sqlite.size();
    if (sqlite3_prepare_v2(m_db, sqlite.data(), static_cast<int>(sqlite.size()), &statement,
                           &tail) != SQLITE_OK) {
        engineText = sqlite3_errmsg(m_db);
        sqlite3_finalize(statement);
        return false;
    }
    // One statement per call: text the engine did not take (a second statement, or what
    // follows a NUL character) is refused rather than silently dropped.
    if (statement == nullptr ||
        (tail != nullptr && tail < end &&
         !blank(std::string_view(tail, static_cast<std::size_t>(end - tail))))) {
        engineText = statement == nullptr ? "no statement" : "text after the statement";
        sqlite3_finalize(statement);
        return false;
    }
    int rc = SQLITE_OK;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        if (rows == nullptr)
            continue;
        Row row;
        const int count = sqlite3_column_count(statement);
        for (int i = 0; i < count; ++i) {
            const char* name = sqlite3_column_name(statement, i);
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
            const int bytes = sqlite3_column_bytes(statement, i);
            row.push_back({name != nullptr ? name : "",
                           text != nullptr ? std::string(text, static_cast<std::size_t>(bytes))
                                           : std::string()});
        }
        rows->push_back(std::move(row));
    }
    if (rc != SQLITE_DONE) {
        engineText = sqlite3_errmsg(m_db);
        sqlite3_finalize(statement);
        return false;
    }
    sqlite3_finalize(statement);
    return true;
}

bool PresetLibrary::execute(const std::string& statement) {
    const std::string sqlite = ToSqliteDialect(statement);
    if (m_observer)
        m_observer(statement, sqlite);
    std::string engineText;
    if (run(sqlite, nullptr, engineText))
        return true;
    const bool readOnly = (sqlite3_errcode(m_db) & 0xff) == SQLITE_READONLY;
    const Failure& f = readOnly ? kReadOnly : kCannotChange;
    fail(f.en, f.zh, engineText);
    return false;
}

std::optional<std::vector<PresetLibrary::Row>> PresetLibrary::query(const std::string& statement) {
    const std::string sqlite = ToSqliteDialect(statement);
    if (m_observer)
        m_observer(statement, sqlite);
    std::vector<Row> rows;
    std::string engineText;
    if (run(sqlite, &rows, engineText))
        return rows;
    fail(kCannotRead.en, kCannotRead.zh, engineText);
    return std::nullopt;
}

namespace {

// The result's column of that name; SQL compares names without regard to case.
template <typename Row> const std::string* columnText(const Row& row, std::string_view name) {
    for (const auto& column : row)
        if (EqualNoCase(column.name, name))
            return &column.text;
    return nullptr;
}

} // namespace

std::optional<std::vector<PresetRow>> PresetLibrary::list(PresetTable table) {
    m_error = {};
    if (!ensureOpen())
        return std::nullopt;
    const auto rows = query("select * from " + tableName(table) + " order by ID");
    if (!rows)
        return std::nullopt;
    const char* payloadColumn = TableInfo(table).payloadColumn;
    std::vector<PresetRow> presets;
    for (const Row& row : *rows) {
        const std::string* id = columnText(row, "ID");
        const std::string* name = columnText(row, "NAME");
        const std::string* payload = columnText(row, payloadColumn);
        if (id == nullptr || name == nullptr || payload == nullptr) {
            fail(kNoColumn.en, kNoColumn.zh,
                 tableName(table) + "." +
                     (id == nullptr     ? "ID"
                      : name == nullptr ? "NAME"
                                        : payloadColumn));
            return std::nullopt;
        }
        // A row whose ID is not a whole number cannot be named by a row text; it is left out
        // of the list rather than shown under a number it does not have.
        if (const auto value = idFromText(*id))
            presets.push_back({*value, *name, *payload});
    }
    return presets;
}

std::optional<PresetRow> PresetLibrary::fetch(PresetTable table, int id) {
    m_error = {};
    if (!ensureOpen())
        return std::nullopt;
    const auto rows =
        query("select * from " + tableName(table) + " where ID=" + std::to_string(id));
    if (!rows)
        return std::nullopt;
    const char* payloadColumn = TableInfo(table).payloadColumn;
    for (const Row& row : *rows) {
        const std::string* name = columnText(row, "NAME");
        const std::string* payload = columnText(row, payloadColumn);
        if (name == nullptr || payload == nullptr) {
            fail(kNoColumn.en, kNoColumn.zh,
                 tableName(table) + "." + (name == nullptr ? "NAME" : payloadColumn));
            return std::nullopt;
        }
        return PresetRow{id, *name, *payload};
    }
    return std::nullopt;
}

std::optional<int> PresetLibrary::highestId(PresetTable table) {
    m_error = {};
    if (!ensureOpen())
        return std::nullopt;
    const auto rows = query("select top 1 ID from " + tableName(table) + " order by ID desc");
    if (!rows)
        return std::nullopt;
    int highest = 0;
    for (const Row& row : *rows) {
        const std::string* id = columnText(row, "ID");
        const auto value = id != nullptr ? idFromText(*id) : std::nullopt;
        if (!value) {
            fail(kBadId.en, kBadId.zh, id != nullptr ? *id : std::string());
            return std::nullopt;
        }
        highest = *value; // the last row read wins; there is at most one
    }
    return highest;
}

bool PresetLibrary::insert(PresetTable table, const PresetRow& row) {
    m_error = {};
    if (!ensureOpen())
        return false;
    return execute("insert into " + tableName(table) + " values(" + std::to_string(row.id) + ",'" +
                   SqlQuoted(row.name) + "','" + SqlQuoted(row.payload) + "')");
}

bool PresetLibrary::rename(PresetTable table, int id, std::string_view name) {
    m_error = {};
    if (!ensureOpen())
        return false;
    return execute("update " + tableName(table) + " set NAME='" + SqlQuoted(name) +
                   "' where ID=" + std::to_string(id));
}

bool PresetLibrary::remove(PresetTable table, int id) {
    m_error = {};
    if (!ensureOpen())
        return false;
    // The device-setting table's statement has one blank before "where", the module
    // tables' two; both texts are kept as they are.
    const char* where = table == PresetTable::DeviceData ? " where ID=" : "  where ID=";
    return execute("delete from " + tableName(table) + where + std::to_string(id));
}

} // namespace krm
