#include "presets/device_settings.h"

#include "tests/presets/image_fixtures.h"
#include "tests/presets/preset_db_fixture.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <stdexcept>

namespace krm {
namespace {

using test::ExpectSameImage;
using test::RandomImage;
using test::RawSql;
using test::ReadAll;
using test::WriteAll;
namespace fs = std::filesystem;

// Points HOME and the data folder into the test's own folder for its duration, so that
// a file moved to the trash lands in a trash the test owns (and removes).
class OwnHome {
public:
    explicit OwnHome(const fs::path& home) {
        save("HOME");
        save("XDG_DATA_HOME");
        fs::create_directories(home / ".local/share");
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_DATA_HOME", (home / ".local/share").c_str(), 1);
    }
    ~OwnHome() {
        for (const auto& [name, value] : m_saved) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }
    OwnHome(const OwnHome&) = delete;
    OwnHome& operator=(const OwnHome&) = delete;

private:
    void save(const char* name) {
        const char* value = std::getenv(name);
        m_saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

std::vector<std::string> Entries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class DeviceSettingsTest : public ::testing::Test {
protected:
    DeviceSettingsTest()
        : m_root(), folder(fs::path(m_root.path().toStdString()) / "program"),
          home(fs::path(m_root.path().toStdString()) / "home"), m_home(home),
          db(folder / "Lib5302.mdb") {
        fs::create_directories(folder);
    }

    // The library opens on first use, after a test has shaped the file if it wants to.
    PresetLibrary& library() {
        if (!m_library) {
            m_library = std::make_unique<PresetLibrary>(db);
            EXPECT_TRUE(m_library->open()) << m_library->lastError().en;
        }
        return *m_library;
    }
    DeviceSettings& settings() {
        if (!m_settings)
            m_settings = std::make_unique<DeviceSettings>(library(), folder);
        return *m_settings;
    }
    std::vector<std::string> rows() {
        const auto r = settings().rows();
        EXPECT_TRUE(r.has_value()) << settings().lastError().en;
        return r.value_or(std::vector<std::string>{});
    }
    // The files of the settings folder, the database left out.
    std::vector<std::string> settingFiles() {
        auto names = Entries(folder);
        std::erase(names, "Lib5302.mdb");
        return names;
    }

    QTemporaryDir m_root;
    const fs::path folder;
    const fs::path home;
    OwnHome m_home;
    const fs::path db;
    std::unique_ptr<PresetLibrary> m_library;
    std::unique_ptr<DeviceSettings> m_settings;
};

LinkStateRecord Online() {
    LinkStateRecord link;
    link.online = true;
    link.connectTries = 2;
    link.lastReplyTime = {2025, 3, 4, 12, 8, 30, 15, 0};
    return link;
}

TEST_F(DeviceSettingsTest, SaveWritesTheFileBeforeItsRowAndLoadReadsItBack) {
    ASSERT_EQ(rows(), std::vector<std::string>{});
    const DeviceImage saved = RandomImage(31);
    const fs::path file1 = fs::absolute(folder / "SAVE1.dat");

    // At the moment the row goes in, the file must already be whole.
    std::vector<std::string> inserts;
    std::vector<std::size_t> sizeAtInsert;
    library().setStatementObserver([&](std::string_view written, std::string_view) {
        if (written.starts_with("insert")) {
            inserts.emplace_back(written);
            sizeAtInsert.push_back(ReadAll(file1).size());
        }
    });
    ASSERT_EQ(settings().save(saved, Online()), SaveOutcome::Saved) << settings().lastError().en;
    library().setStatementObserver({});
    ASSERT_EQ(inserts.size(), 1u);
    EXPECT_EQ(inserts[0], "insert into DeviceDATA values(1,'SAVE1','" + file1.string() + "')");
    EXPECT_EQ(sizeAtInsert[0], 23240u);
    EXPECT_EQ(ReadAll(file1), EncodeSettingFile(saved, Online()));
    EXPECT_EQ(rows(), std::vector<std::string>{"1:SAVE1"});
    EXPECT_EQ(settingFiles(), std::vector<std::string>{"SAVE1.dat"});

    DeviceImage image = RandomImage(32);
    const DeviceImage before = image;
    ASSERT_TRUE(settings().load("1:SAVE1", image)) << settings().lastError().en;
    DeviceImage expected = saved;
    expected.controlGroupActive = before.controlGroupActive;
    expected.activeMuteGroup = before.activeMuteGroup;
    ExpectSameImage(image, expected);

    // A new name changes the row only.
    ASSERT_TRUE(settings().rename("1:SAVE1", "Stage"));
    EXPECT_EQ(rows(), std::vector<std::string>{"1:Stage"});
    EXPECT_EQ(settings().fileOf("1:Stage"), file1);
    EXPECT_EQ(settingFiles(), std::vector<std::string>{"SAVE1.dat"});

    ASSERT_EQ(settings().save(RandomImage(33), {}), SaveOutcome::Saved);
    EXPECT_EQ(rows(), (std::vector<std::string>{"1:Stage", "2:SAVE2"}));
    EXPECT_EQ(settingFiles(), (std::vector<std::string>{"SAVE1.dat", "SAVE2.dat"}));
}

TEST_F(DeviceSettingsTest, NothingIsSavedAboveThirtyTwoEvenWithLowerIdsFree) {
    ASSERT_TRUE(library().insert(PresetTable::DeviceData, {5, "SAVE5", "/nowhere/SAVE5.dat"}));
    ASSERT_TRUE(library().insert(PresetTable::DeviceData, {32, "LAST", "/nowhere/SAVE32.dat"}));
    EXPECT_EQ(settings().save(RandomImage(41), {}), SaveOutcome::Full);
    EXPECT_TRUE(settings().lastError().empty()) << "a full list is not an error";
    EXPECT_EQ(rows(), (std::vector<std::string>{"5:SAVE5", "32:LAST"}));
    EXPECT_EQ(settingFiles(), std::vector<std::string>{});

    // Below the limit the next ID follows the highest, gaps stay.
    ASSERT_TRUE(library().remove(PresetTable::DeviceData, 32));
    EXPECT_EQ(settings().save(RandomImage(41), {}), SaveOutcome::Saved);
    EXPECT_EQ(rows(), (std::vector<std::string>{"5:SAVE5", "6:SAVE6"}));
    EXPECT_EQ(settingFiles(), std::vector<std::string>{"SAVE6.dat"});
}

TEST_F(DeviceSettingsTest, AFailedSaveLeavesNeitherAFileNorARow) {
    // The database refuses the row: the file written for it goes again.
    library();
    RawSql(db, "create trigger refuse before insert on DeviceDATA "
               "begin select raise(abort, 'refused by the test'); end;");
    EXPECT_EQ(settings().save(RandomImage(51), {}), SaveOutcome::Failed);
    EXPECT_NE(settings().lastError().en.find("refused by the test"), std::string::npos)
        << settings().lastError().en;
    EXPECT_EQ(settingFiles(), std::vector<std::string>{});
    EXPECT_EQ(rows(), std::vector<std::string>{});

    // The file cannot be written (a folder is in its place): no row is inserted.
    RawSql(db, "drop trigger refuse;");
    fs::create_directory(folder / "SAVE1.dat");
    EXPECT_EQ(settings().save(RandomImage(52), {}), SaveOutcome::Failed);
    EXPECT_NE(settings().lastError().en.find("SAVE1.dat"), std::string::npos)
        << settings().lastError().en;
    EXPECT_NE(settings().lastError().zh.find("SAVE1.dat"), std::string::npos);
    EXPECT_EQ(rows(), std::vector<std::string>{});
    EXPECT_TRUE(fs::is_directory(folder / "SAVE1.dat"));
    EXPECT_EQ(settingFiles(), std::vector<std::string>{"SAVE1.dat"});
}

TEST_F(DeviceSettingsTest, DeletingTheHighestLetsTheNextSaveReuseItsIdAndFile) {
    ASSERT_EQ(settings().save(RandomImage(61), {}), SaveOutcome::Saved);
    ASSERT_EQ(settings().save(RandomImage(62), {}), SaveOutcome::Saved);
    ASSERT_EQ(rows(), (std::vector<std::string>{"1:SAVE1", "2:SAVE2"}));
    const std::vector<std::uint8_t> deleted = ReadAll(folder / "SAVE2.dat");

    ASSERT_TRUE(settings().remove("2:SAVE2")) << settings().lastError().en;
    EXPECT_EQ(rows(), std::vector<std::string>{"1:SAVE1"});
    EXPECT_EQ(settingFiles(), std::vector<std::string>{"SAVE1.dat"});
    // Recoverable: the file went to the (test's own) trash.
    EXPECT_EQ(ReadAll(home / ".local/share/Trash/files/SAVE2.dat"), deleted);

    const DeviceImage third = RandomImage(63);
    ASSERT_EQ(settings().save(third, {}), SaveOutcome::Saved);
    EXPECT_EQ(rows(), (std::vector<std::string>{"1:SAVE1", "2:SAVE2"}));
    EXPECT_EQ(ReadAll(folder / "SAVE2.dat"), EncodeSettingFile(third, {}));

    // A file already gone does not keep its row.
    fs::remove(folder / "SAVE1.dat");
    ASSERT_TRUE(settings().remove("1:SAVE1")) << settings().lastError().en;
    EXPECT_EQ(rows(), std::vector<std::string>{"2:SAVE2"});
    // A row that is not there, or a text that names no row, changes nothing.
    EXPECT_FALSE(settings().remove("7:SAVE7"));
    EXPECT_FALSE(settings().lastError().empty());
    EXPECT_FALSE(settings().remove("SAVE2"));
    EXPECT_EQ(rows(), std::vector<std::string>{"2:SAVE2"});
    EXPECT_EQ(settingFiles(), std::vector<std::string>{"SAVE2.dat"});
}

TEST_F(DeviceSettingsTest, AMovedProgramFindsItsFilesInTheSettingsFolder) {
    const DeviceImage saved = RandomImage(71);
    ASSERT_TRUE(WriteSettingFile(folder / "SAVE3.dat", saved, {}));
    ASSERT_TRUE(library().insert(PresetTable::DeviceData,
                                 {3, "OLD", "/no/longer/installed/here/SAVE3.dat"}));
    ASSERT_TRUE(library().insert(PresetTable::DeviceData,
                                 {4, "LOST", "/no/longer/installed/here/SAVE4.dat"}));

    EXPECT_EQ(settings().fileOf("3:OLD"), folder / "SAVE3.dat");
    DeviceImage image = RandomImage(72);
    ASSERT_TRUE(settings().load("3:OLD", image)) << settings().lastError().en;
    DeviceImage expected = saved;
    expected.controlGroupActive = image.controlGroupActive;
    expected.activeMuteGroup = image.activeMuteGroup;
    ExpectSameImage(image, expected);

    // A file found nowhere: the image stays, the message names the stored file.
    const DeviceImage before = image;
    EXPECT_FALSE(settings().load("4:LOST", image));
    ExpectSameImage(image, before);
    EXPECT_NE(settings().lastError().en.find("/no/longer/installed/here/SAVE4.dat is missing"),
              std::string::npos)
        << settings().lastError().en;
    // A short file in the settings folder is refused just the same.
    WriteAll(folder / "SAVE4.dat", std::vector<std::uint8_t>(100, 7));
    EXPECT_FALSE(settings().load("4:LOST", image));
    ExpectSameImage(image, before);
    EXPECT_NE(settings().lastError().en.find("100 bytes long"), std::string::npos);
    EXPECT_FALSE(settings().load("9:GONE", image));
    EXPECT_FALSE(settings().load("no colon", image));
    ExpectSameImage(image, before);
}

TEST_F(DeviceSettingsTest, ExportThenImportStoresAByteIdenticalFileNamedAfterIt) {
    ASSERT_EQ(settings().save(RandomImage(61), Online()), SaveOutcome::Saved);
    // A file from elsewhere: CH1's pan (offset 356) out of range. A copy keeps it as it is,
    // where reading and writing the image again would hold it to its range.
    std::vector<std::uint8_t> original = ReadAll(folder / "SAVE1.dat");
    original[356] = 0x00, original[357] = 0x00, original[358] = 0x00, original[359] = 0x80;
    WriteAll(folder / "SAVE1.dat", original);

    fs::create_directories(home / "rooms");
    const fs::path exported = home / "rooms" / "room-204.dat";
    ASSERT_TRUE(settings().exportTo("1:SAVE1", exported)) << settings().lastError().en;
    EXPECT_EQ(ReadAll(exported), original);
    EXPECT_EQ(Entries(home / "rooms"), std::vector<std::string>{"room-204.dat"}); // no temp left

    ASSERT_EQ(settings().importFrom(exported), SaveOutcome::Saved) << settings().lastError().en;
    EXPECT_EQ(rows(), (std::vector<std::string>{"1:SAVE1", "2:room-204"}));
    EXPECT_EQ(settingFiles(), (std::vector<std::string>{"SAVE1.dat", "SAVE2.dat"}));
    EXPECT_EQ(ReadAll(folder / "SAVE2.dat"), original);

    // A row that is gone cannot be exported, and says so.
    EXPECT_FALSE(settings().exportTo("7:SAVE7", home / "rooms" / "x.dat"));
    EXPECT_NE(settings().lastError().en.find("7"), std::string::npos);
    EXPECT_FALSE(fs::exists(home / "rooms" / "x.dat"));
}

TEST_F(DeviceSettingsTest, ImportRefusesWhatIsNoSettingFileOrWhenAllSlotsAreUsed) {
    ASSERT_EQ(settings().save(RandomImage(62), {}), SaveOutcome::Saved);
    const std::vector<std::uint8_t> stored = ReadAll(folder / "SAVE1.dat");
    struct Case {
        const char* name;
        std::optional<std::size_t> size; // nothing: the file is missing
    };
    for (const Case& c : {Case{"short.dat", 23239}, Case{"long.dat", 23241}, Case{"empty.dat", 0},
                          Case{"missing.dat", std::nullopt}}) {
        SCOPED_TRACE(c.name);
        const fs::path file = home / c.name;
        if (c.size)
            WriteAll(file, std::vector<std::uint8_t>(*c.size, 0x11));
        EXPECT_EQ(settings().importFrom(file), SaveOutcome::Failed);
        EXPECT_NE(settings().lastError().en.find(c.name), std::string::npos)
            << settings().lastError().en;
        EXPECT_NE(settings().lastError().zh.find(c.name), std::string::npos)
            << settings().lastError().zh;
        EXPECT_EQ(rows(), std::vector<std::string>{"1:SAVE1"});
        EXPECT_EQ(settingFiles(), std::vector<std::string>{"SAVE1.dat"});
        EXPECT_EQ(ReadAll(folder / "SAVE1.dat"), stored);
    }

    // All 32 used: a good file is refused as a save is, and nothing is written.
    ASSERT_TRUE(library().insert(PresetTable::DeviceData, {32, "LAST", "/nowhere/SAVE32.dat"}));
    WriteAll(home / "good.dat", stored);
    EXPECT_EQ(settings().importFrom(home / "good.dat"), SaveOutcome::Full);
    EXPECT_EQ(rows(), (std::vector<std::string>{"1:SAVE1", "32:LAST"}));
    EXPECT_EQ(settingFiles(), std::vector<std::string>{"SAVE1.dat"});
}

} // namespace
} // namespace krm
