// The preset database on a real SQLite file: the statement texts it runs are the contract
// with files made by other installations, so they are checked character by character; a
// damaged, incomplete or write-protected file must give a clear message and lose nothing.
#include "presets/preset_library.h"
#include "presets/sql_dialect.h"

#include "tests/presets/preset_db_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

namespace krm {
namespace {

using Statement = std::pair<std::string, std::string>; // as written, as SQLite ran it

// One table's session as written; SQLite runs the same texts except the highest-ID query.
std::vector<Statement> sessionOf(const std::string& t, const std::string& payload,
                                 const std::string& deleteText) {
    const std::string same[] = {
        "insert into " + t + " values(1,'SAVE1','" + payload + "')",
        "select * from " + t + " order by ID",
        "select * from " + t + " where ID=1",
        "update " + t + " set NAME='O''Brien' where ID=1",
        "select * from " + t + " where ID=1",
        deleteText,
        "select * from " + t + " order by ID",
    };
    std::vector<Statement> session{{"select top 1 ID from " + t + " order by ID desc",
                                    "select ID from " + t + " order by ID desc limit 1"}};
    for (const std::string& s : same)
        session.emplace_back(s, s);
    return session;
}

// LIMIT is a word SQLite reserves: the limiter's table runs quoted.
const std::vector<Statement> kLimitSession = {
    {"select top 1 ID from LIMIT order by ID desc",
     "select ID from \"LIMIT\" order by ID desc limit 1"},
    {"insert into LIMIT values(1,'SAVE1','01281E0A1400')",
     "insert into \"LIMIT\" values(1,'SAVE1','01281E0A1400')"},
    {"select * from LIMIT order by ID", "select * from \"LIMIT\" order by ID"},
    {"select * from LIMIT where ID=1", "select * from \"LIMIT\" where ID=1"},
    {"update LIMIT set NAME='O''Brien' where ID=1",
     "update \"LIMIT\" set NAME='O''Brien' where ID=1"},
    {"select * from LIMIT where ID=1", "select * from \"LIMIT\" where ID=1"},
    {"delete from LIMIT  where ID=1", "delete from \"LIMIT\"  where ID=1"},
    {"select * from LIMIT order by ID", "select * from \"LIMIT\" order by ID"},
};

TEST(PresetLibraryTest, EveryTableRunsTheDatabaseStatementTextsAndKeepsQuotedNamesExactly) {
    test::TempFolder folder;
    PresetLibrary library(folder / "Lib5302.mdb");
    ASSERT_TRUE(library.open()) << library.lastError().en;
    std::vector<Statement> ran;
    library.setStatementObserver([&](std::string_view written, std::string_view run) {
        ran.emplace_back(std::string(written), std::string(run));
    });

    struct Case {
        PresetTable table;
        std::string payload;
        std::string deleteText;
    };
    const Case cases[] = {
        {PresetTable::Delay, "008500E8264E20", "delete from DELAY  where ID=1"},
        {PresetTable::Reverb, "3D302F32034E20", "delete from REV  where ID=1"},
        {PresetTable::Noise, "01283214", "delete from NOISE  where ID=1"},
        {PresetTable::Compressor, "01281E0A6400", "delete from Compressor  where ID=1"},
        {PresetTable::Peq,
         std::string(56, '0') + "," + std::string(12, '1') + "," + std::string(12, '2'),
         "delete from PEQ  where ID=1"},
        {PresetTable::Limit, "01281E0A1400", "delete from LIMIT  where ID=1"},
        {PresetTable::Geq, "0096", "delete from GEQ  where ID=1"},
        // The device-setting table's delete has a single blank before "where".
        {PresetTable::DeviceData, "/opt/krm416x/SAVE1.dat", "delete from DeviceDATA where ID=1"},
    };
    std::vector<Statement> expected;
    for (const Case& c : cases) {
        SCOPED_TRACE(TableInfo(c.table).table);
        const auto none = library.highestId(c.table);
        ASSERT_EQ(none, 0);
        ASSERT_TRUE(library.insert(c.table, {1, "SAVE1", c.payload})) << library.lastError().en;
        const auto rows = library.list(c.table);
        ASSERT_TRUE(rows);
        ASSERT_EQ(rows->size(), 1u);
        EXPECT_EQ((*rows)[0].id, 1);
        EXPECT_EQ((*rows)[0].name, "SAVE1");
        EXPECT_EQ((*rows)[0].payload, c.payload);
        ASSERT_TRUE(library.fetch(c.table, 1));
        ASSERT_TRUE(library.rename(c.table, 1, "O'Brien")) << library.lastError().en;
        EXPECT_EQ(library.fetch(c.table, 1)->name, "O'Brien");
        ASSERT_TRUE(library.remove(c.table, 1));
        EXPECT_TRUE(library.list(c.table)->empty());
        EXPECT_FALSE(library.failed());
        const auto session = c.table == PresetTable::Limit
                                 ? kLimitSession
                                 : sessionOf(TableInfo(c.table).table, c.payload, c.deleteText);
        expected.insert(expected.end(), session.begin(), session.end());
    }
    EXPECT_EQ(ran, expected);
}

TEST(PresetLibraryTest, DialectTranslatesOnlyTheTopFormAndQuotingDoublesQuotes) {
    EXPECT_EQ(ToSqliteDialect("select top 1 ID from GEQ order by ID desc"),
              "select ID from GEQ order by ID desc limit 1");
    EXPECT_EQ(ToSqliteDialect("SELECT TOP 12 ID, NAME from PEQ order by ID desc"),
              "select ID, NAME from PEQ order by ID desc limit 12");
    for (const char* unchanged :
         {"select * from DELAY order by ID", "select topaz from T", "select top x ID from T",
          "select top 3", "delete from DELAY  where ID=3"})
        EXPECT_EQ(ToSqliteDialect(unchanged), unchanged);
    EXPECT_EQ(ToSqliteDialect("update LIMIT set NAME='from LIMIT' where ID=2"),
              "update \"LIMIT\" set NAME='from LIMIT' where ID=2");
    EXPECT_EQ(ToSqliteDialect("insert into LIMIT values(3,'It''s from LIMIT','00')"),
              "insert into \"LIMIT\" values(3,'It''s from LIMIT','00')");
    EXPECT_EQ(SqlQuoted("O'Brien''"), "O''Brien''''");
    EXPECT_EQ(SqlQuoted("'); drop table PEQ; --"), "''); drop table PEQ; --");

    // A name built to end the statement early stays one literal.
    test::TempFolder folder;
    PresetLibrary library(folder / "Lib5302.mdb");
    ASSERT_TRUE(library.insert(PresetTable::Peq, {4, "x','y'); drop table PEQ; --", "P"}));
    ASSERT_TRUE(library.insert(PresetTable::Peq, {5, "SAVE5", "Q"}));
    const auto rows = library.list(PresetTable::Peq);
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->size(), 2u);
    EXPECT_EQ((*rows)[0].name, "x','y'); drop table PEQ; --");
    EXPECT_EQ(library.highestId(PresetTable::Peq), 5);
}

void expectMessage(const PresetLibrary& library, const std::string& en, const std::string& zh) {
    EXPECT_FALSE(library.isOpen());
    EXPECT_EQ(library.lastError().en, en);
    EXPECT_EQ(library.lastError().zh, zh);
}

TEST(PresetLibraryTest, UnusableFilesGiveAClearMessageAndAreLeftAsTheyWere) {
    test::TempFolder folder;
    const auto file = folder / "Lib5302.mdb";
    {
        std::mt19937 random(7);
        std::string bytes(4096, '\0');
        for (char& b : bytes)
            b = static_cast<char>(random());
        test::WriteBytes(file, bytes);
        PresetLibrary library(file);
        EXPECT_FALSE(library.open());
        expectMessage(library, "The preset database could not be read: file is not a database",
                      "无法读取预设数据库：file is not a database");
        // Operations try to open again and fail the same way; the file is never rewritten.
        EXPECT_FALSE(library.list(PresetTable::Delay));
        EXPECT_FALSE(library.insert(PresetTable::Delay, {1, "SAVE1", "00"}));
        EXPECT_TRUE(library.failed());
        EXPECT_EQ(test::FileBytes(file), bytes);
        std::filesystem::remove(file);
    }
    {
        PresetLibrary created(file);
        ASSERT_TRUE(created.insert(PresetTable::Reverb, {3, "HALL", "3D302F32034E20"}));
    }
    test::RawSql(file, "drop table GEQ");
    {
        PresetLibrary library(file);
        EXPECT_FALSE(library.open());
        expectMessage(library, "The preset database has no table: GEQ", "预设数据库缺少表：GEQ");
    }
    // A payload column spelt like the others' (DELAYDATA) is not the delay table's.
    test::RawSql(file, "create table GEQ (ID INTEGER PRIMARY KEY, NAME TEXT, GEQDATA TEXT);"
                       "drop table DELAY;"
                       "create table DELAY (ID INTEGER PRIMARY KEY, NAME TEXT, DELAYDATA TEXT)");
    {
        PresetLibrary library(file);
        EXPECT_FALSE(library.open());
        expectMessage(library, "The preset database has no column: DELAY.DELAYDTA",
                      "预设数据库缺少列：DELAY.DELAYDTA");
    }
    {
        // The rows of the tables that were there are still there.
        test::RawSql(file, "drop table DELAY;"
                           "create table delay (id INTEGER PRIMARY KEY, name TEXT, delaydta TEXT)");
        PresetLibrary library(file);
        ASSERT_TRUE(library.open()) << library.lastError().en;
        const auto rows = library.list(PresetTable::Reverb);
        ASSERT_TRUE(rows);
        ASSERT_EQ(rows->size(), 1u);
        EXPECT_EQ((*rows)[0].name, "HALL");
    }
    {
        // A data folder that does not exist yet is made, nested folders too.
        const auto fresh = folder / "new" / "data";
        PresetLibrary library(fresh / "Lib5302.mdb");
        EXPECT_FALSE(library.openNotice()) << library.lastError().en;
        EXPECT_TRUE(std::filesystem::is_regular_file(fresh / "Lib5302.mdb"));
    }
    {
        // Only a folder that cannot be made is told, by name (here a file holds its place).
        test::WriteBytes(folder / "taken", "");
        const auto blocked = folder / "taken" / "data";
        PresetLibrary library(blocked / "Lib5302.mdb");
        const auto notice = library.openNotice();
        ASSERT_TRUE(notice);
        EXPECT_TRUE(notice->en.starts_with("The data folder " + blocked.string() +
                                           " could not be created: "))
            << notice->en;
        EXPECT_TRUE(notice->zh.starts_with("无法创建数据文件夹 " + blocked.string() + "："))
            << notice->zh;
        EXPECT_FALSE(std::filesystem::exists(blocked));
    }
    {
        // An empty file (a creation cut short) gets the eight tables.
        const auto empty = folder / "empty.mdb";
        test::WriteBytes(empty, "");
        PresetLibrary library(empty);
        ASSERT_TRUE(library.open()) << library.lastError().en;
        for (int t = 0; t < kPresetTableCount; ++t)
            EXPECT_EQ(library.highestId(static_cast<PresetTable>(t)), 0);
    }
}

// Every operation on a file damaged at random either works or fails with a message in both
// languages; nothing crashes and nothing claims a success it did not have.
TEST(PresetLibraryTest, DamagedDatabaseFilesNeverCrashAndEveryFailureSaysWhy) {
    test::TempFolder folder;
    const auto good = folder / "good.mdb";
    {
        PresetLibrary library(good);
        for (int t = 0; t < kPresetTableCount; ++t)
            for (int id = 1; id <= 40; ++id)
                ASSERT_TRUE(
                    library.insert(static_cast<PresetTable>(t),
                                   {id, "SAVE" + std::to_string(id), std::string(124, 'A')}));
    }
    const std::string bytes = test::FileBytes(good);
    ASSERT_GT(bytes.size(), 8192u);
    std::mt19937 random(11);
    int failures = 0;
    for (int round = 0; round < 60; ++round) {
        std::string damaged = bytes;
        const int hits = 1 + static_cast<int>(random() % 40);
        for (int i = 0; i < hits; ++i)
            damaged[random() % damaged.size()] = static_cast<char>(random());
        if (round % 5 == 4)
            damaged.resize(random() % damaged.size()); // cut short as well
        const auto file = folder / ("damaged" + std::to_string(round) + ".mdb");
        test::WriteBytes(file, damaged);
        PresetLibrary library(file);
        auto check = [&](bool ok) {
            EXPECT_EQ(ok, !library.failed()) << "round " << round;
            if (!ok) {
                ++failures;
                EXPECT_NE(library.lastError().en.find("preset database"), std::string::npos)
                    << library.lastError().en;
                EXPECT_NE(library.lastError().zh.find("预设数据库"), std::string::npos);
            }
        };
        check(library.open());
        for (int t = 0; t < kPresetTableCount; ++t) {
            const auto table = static_cast<PresetTable>(t);
            check(library.list(table).has_value());
            check(library.highestId(table).has_value());
            const auto row = library.fetch(table, 7);
            check(row.has_value() || !library.failed());
            check(library.insert(table, {100, "NEW", "00"}));
            check(library.rename(table, 3, "R"));
            check(library.remove(table, 4));
        }
    }
    EXPECT_GT(failures, 0); // the damage did reach the engine's checks
}

// The file is write-protected. Root writes through file modes, so the check runs in a
// child that gives up root first.
TEST(PresetLibraryDeathTest, WriteProtectedFileReadsAndRefusesEveryWriteWithAMessage) {
    test::TempFolder folder;
    const auto file = folder / "Lib5302.mdb";
    {
        PresetLibrary library(file);
        ASSERT_TRUE(library.insert(PresetTable::Limit, {1, "SAVE1", "01281E0A1400"}));
    }
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    ASSERT_EQ(::chmod(folder.path().c_str(), 0755), 0);
    const std::string before = test::FileBytes(file);

    auto child = [&] {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            std::_Exit(3);
        PresetLibrary library(file);
        const bool opened = library.open();
        const auto rows = library.list(PresetTable::Limit);
        const bool inserted = library.insert(PresetTable::Limit, {2, "SAVE2", "00"});
        const std::string insertError = library.lastError().en + "|" + library.lastError().zh;
        const bool renamed = library.rename(PresetTable::Limit, 1, "X");
        const bool removed = library.remove(PresetTable::Limit, 1);
        std::fprintf(stderr, "open=%d ro=%d rows=%zu insert=%d rename=%d remove=%d msg=%s\n",
                     opened, library.readOnly(), rows ? rows->size() : 99u, inserted, renamed,
                     removed, insertError.c_str());
        std::_Exit(0);
    };
    EXPECT_EXIT(child(), ::testing::ExitedWithCode(0),
                "open=1 ro=1 rows=1 insert=0 rename=0 remove=0 msg=The preset database is "
                "read-only; nothing was changed: attempt to write a readonly database\\|"
                "预设数据库为只读，未作任何修改：attempt to write a readonly database");
    EXPECT_EQ(test::FileBytes(file), before);
}

// What the window reports once at start, as a user who is not root sees each case: a
// write-protected file or folder is told (naming the file) before the first SAVE fails.
TEST(PresetLibraryDeathTest, StartNoticeTellsAWriteProtectedFileOrFolderByName) {
    struct Case {
        mode_t file;
        mode_t folder;
        bool notice;
    };
    for (const Case c : {Case{0666, 0777, false}, Case{0444, 0777, true}, Case{0666, 0555, true}}) {
        test::TempFolder folder;
        const auto file = folder / "Lib5302.mdb";
        ASSERT_TRUE(PresetLibrary(file).insert(PresetTable::Limit, {1, "SAVE1", "01281E0A1400"}));
        ASSERT_EQ(::chmod(file.c_str(), c.file), 0);
        ASSERT_EQ(::chmod(folder.path().c_str(), c.folder), 0);
        auto child = [&] {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                std::_Exit(3);
            PresetLibrary library(file);
            const auto notice = library.openNotice();
            const bool named = notice && notice->en.find(file.string()) != std::string::npos &&
                               notice->zh.find(file.string()) != std::string::npos;
            std::fprintf(
                stderr, "notice=%d named=%d rows=%zu\n", notice.has_value(), named,
                library.list(PresetTable::Limit).value_or(std::vector<PresetRow>{}).size());
            std::_Exit(0);
        };
        EXPECT_EXIT(child(), ::testing::ExitedWithCode(0),
                    c.notice ? "notice=1 named=1 rows=1" : "notice=0 named=0 rows=1")
            << std::oct << c.file << " " << c.folder;
        ::chmod(folder.path().c_str(), 0755);
    }
}

} // namespace
} // namespace krm
