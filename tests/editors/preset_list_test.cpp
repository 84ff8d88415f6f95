// An editor's preset list against a real preset database: the save row, the stored rows,
// the menu of its kind, recall into the shown channel (and onto the wire while online),
// rename and delete refilling the list, and a database that cannot be used.
#include "editors/presets/preset_list.h"
#include "kit/popup_menu.h"
#include "tests/support/fake_clock.h"
#include "tests/support/timed_sink.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace krm {
namespace {

class PresetListTest : public ::testing::Test {
protected:
    PresetListTest() {
        ResetToStartupValues(image);
        services.editName = [this](const QString&) { return nextName; };
        services.showMessage = [this](const QString& text) { messages.push_back(text); };
        services.confirm = [this](const QString& question, std::function<void()> onOk) {
            questions.push_back(question);
            if (answerOk)
                onOk();
        };
    }
    std::filesystem::path file() const {
        return std::filesystem::path(dir.path().toStdU16String()) / PresetLibrary::kFileName;
    }
    QStringList rows(const PresetList& list) const {
        QStringList r;
        for (int i = 0; i < list.count(); ++i)
            r << list.item(i)->text();
        return r;
    }

    QTemporaryDir dir;
    test::FakeClock clock;
    DeviceImage image;
    test::TimedSink sink{clock};
    PacedSender linked{sink, clock};
    PacedSender bulk{sink, clock};
    EditService edits{image, sink, linked, bulk};
    PresetListServices services;
    std::optional<QString> nextName;
    QStringList messages;
    QStringList questions;
    bool answerOk = true;
};

TEST_F(PresetListTest, SaveRecallRenameAndDeleteKeepTheListInStep) {
    PresetLibrary library(file());
    ModulePresets presets(library, edits);
    PresetList list(presets, PresetTable::Compressor, PresetList::Menu::B, services);
    list.setChannel(Channel::input(4));
    list.show();
    EXPECT_EQ(rows(list), QStringList{QStringLiteral("SAVE PRESET")});
    // The second menu's command numbers, so that an editor with two lists tells them apart.
    std::vector<int> commands;
    for (const auto& item : list.menu()->items())
        commands.push_back(item.command);
    EXPECT_EQ(commands, (std::vector<int>{32775, 32776, 32777}));

    image.inputs[4].comp = {1, 30, 20, 100, 50, 40};
    list.activateRow(0);
    image.inputs[4].comp = {0, 60, 10, 200, 0, 10};
    list.activateRow(0);
    EXPECT_EQ(rows(list), (QStringList{"SAVE PRESET", "1:SAVE1", "2:SAVE2"}));

    // Recall the first into CH5 while online: the image and the wire take it.
    QSignalSpy recalled(&list, &PresetList::recalled);
    list.recall(1);
    EXPECT_EQ(image.inputs[4].comp.threshold, 30);
    EXPECT_EQ(image.inputs[4].comp.ratio, 40);
    EXPECT_EQ(recalled.count(), 1);
    ASSERT_EQ(sink.frames().size(), 1u);
    EXPECT_EQ(sink.frames()[0].substr(0, 9), "%C,01,05,");

    nextName = QStringLiteral("O'Brien");
    list.rename(2);
    EXPECT_EQ(rows(list), (QStringList{"SAVE PRESET", "1:SAVE1", "2:O'Brien"}));
    // DELETE asks first, naming the row (undo cannot bring a database row back).
    answerOk = false;
    list.remove(1);
    EXPECT_EQ(rows(list), (QStringList{"SAVE PRESET", "1:SAVE1", "2:O'Brien"}));
    answerOk = true;
    list.remove(1);
    EXPECT_EQ(rows(list), (QStringList{"SAVE PRESET", "2:O'Brien"}));
    ASSERT_EQ(questions.size(), 2);
    EXPECT_TRUE(questions[1].contains(QStringLiteral("\"1:SAVE1\"")));
    list.activateRow(0); // a freed ID below the largest is never reused
    EXPECT_EQ(rows(list), (QStringList{"SAVE PRESET", "2:O'Brien", "3:SAVE3"}));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(PresetListTest, UnusableDatabaseShowsWhyAndChangesNothing) {
    {
        QFile junk(QString::fromStdU16String(file().u16string()));
        ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(2048, '\x5a'));
    }
    PresetLibrary library(file());
    ModulePresets presets(library, edits);
    PresetList list(presets, PresetTable::Peq, PresetList::Menu::A, services);
    list.show();
    EXPECT_EQ(rows(list), QStringList{QStringLiteral("SAVE PRESET")});
    const DeviceImage before = image;
    list.activateRow(0);
    EXPECT_EQ(messages.size(), 1);
    EXPECT_EQ(rows(list), QStringList{QStringLiteral("SAVE PRESET")});
    EXPECT_EQ(image.inputs[0].peq[1].gain, before.inputs[0].peq[1].gain);
    EXPECT_EQ(image.inputs[0].hpf.freq, before.inputs[0].hpf.freq);
    EXPECT_TRUE(sink.frames().empty());
}

} // namespace
} // namespace krm
