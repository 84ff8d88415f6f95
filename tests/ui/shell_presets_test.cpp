// The stored device settings as the operator meets them in the program: the system page's
// settings section wired into the window (save, the confirmations, recall and delete),
// the section on its own (the 32 limit, quotes in names, a recall refused while one plays,
// a link lost mid-recall), and a broken preset database that leaves the program working.
#include "app/program.h"
#include "editors/presets/preset_list.h"
#include "editors/strips/input_strip.h"
#include "kit/popup_menu.h"
#include "kit/toggle_button.h"
#include "model/edit_service.h"
#include "model/frame_builders.h"
#include "presets/setting_file.h"
#include "tests/support/fake_clock.h"
#include "tests/support/held_clock.h"
#include "tests/support/offline_window.h"
#include "tests/support/qt_pump.h"
#include "tests/support/timed_sink.h"
#include "ui/compare_dialog.h"
#include "ui/main_window.h"
#include "ui/settings_section.h"
#include "ui/system_page.h"
#include "ui/top_bar.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace krm::ui {
namespace {

using namespace std::chrono_literals;

bool pumpUntil(const std::function<bool()>& done) {
    return test::PumpEventsUntil(done);
}

// Answers the open message box with OK (or Cancel) and returns its text.
QString answerBox(QWidget& owner, QMessageBox::StandardButton button) {
    QMessageBox* box = nullptr;
    pumpUntil([&] { return (box = owner.findChild<QMessageBox*>()) != nullptr; });
    if (!box)
        return {};
    const QString text = box->text();
    if (QAbstractButton* b = box->button(button))
        b->click();
    else
        box->button(QMessageBox::Ok)->click();
    pumpUntil([&] { return owner.findChild<QMessageBox*>() == nullptr; });
    return text;
}

class PresetWindowTest : public test::OfflineWindowTest {};

TEST_F(PresetWindowTest, SettingsSectionSavesRecallsAndDeletesThroughTheWindow) {
    app::Program program(options());
    MainWindow& w = program.window();
    w.resize(1920, 1080);
    w.show();
    w.showPage(1, View::System);
    w.systemPage()->showSection(2);
    SettingsSection* section = w.settingsSection();
    ASSERT_NE(section, nullptr);
    EXPECT_TRUE(section->isVisible());
    EXPECT_EQ(section->shownCount(), 0);

    w.image().inputs[1].gain = 33;
    QTest::mouseClick(section->saveButton(), Qt::LeftButton);
    w.image().inputs[1].gain = 12;
    QTest::mouseClick(section->saveButton(), Qt::LeftButton);
    ASSERT_EQ(section->shownCount(), 2);
    EXPECT_EQ(section->settingButton(0)->text(), QStringLiteral("1:SAVE1"));
    EXPECT_EQ(section->settingButton(1)->text(), QStringLiteral("2:SAVE2"));
    EXPECT_EQ(QFile(dir.filePath(QStringLiteral("SAVE1.dat"))).size(), 23240);

    // Recall asks first; Cancel leaves everything as it was.
    w.toggleControlGroup(1);
    ASSERT_TRUE(w.topBar()->controlGroupLit(1));
    section->recall(0);
    EXPECT_EQ(answerBox(w, QMessageBox::Cancel),
              QStringLiteral("Do you want to recall the setting？"));
    EXPECT_EQ(w.image().inputs[1].gain, 12);
    // OK: the file is loaded (offline: the image only), every control group goes off, and
    // the strips show the loaded values.
    section->recall(0);
    answerBox(w, QMessageBox::Ok);
    EXPECT_EQ(w.image().inputs[1].gain, 33);
    EXPECT_FALSE(w.topBar()->controlGroupLit(1));
    EXPECT_EQ(w.image().controlGroupActive[0], 0);
    EXPECT_FALSE(w.session().isOnline());

    section->remove(1);
    EXPECT_EQ(answerBox(w, QMessageBox::Ok), QStringLiteral("Do you want to delete the setting？"));
    EXPECT_EQ(section->shownCount(), 1);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("SAVE2.dat"))));
    // The freed highest ID comes back with its file name.
    QTest::mouseClick(section->saveButton(), Qt::LeftButton);
    EXPECT_EQ(section->settingButton(1)->text(), QStringLiteral("2:SAVE2"));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("SAVE2.dat"))));
}

TEST_F(PresetWindowTest, EveryEditorsPresetListWorksAgainstTheDatabase) {
    app::Program program(options());
    MainWindow& w = program.window();
    w.resize(1920, 1080);
    w.show();
    struct Case {
        std::function<void()> open;
        EditorPage* editor;
        std::function<std::int32_t&()> field; // a field the editor's module holds
    };
    const std::vector<Case> cases{
        {[&] { w.openInputEditor(1, InputEditorKind::Peq); }, w.inputEditor(InputEditorKind::Peq),
         [&]() -> std::int32_t& { return w.image().inputs[1].peq[2].gain; }},
        {[&] { w.openInputEditor(2, InputEditorKind::Dynamics); },
         w.inputEditor(InputEditorKind::Dynamics),
         [&]() -> std::int32_t& { return w.image().inputs[2].comp.threshold; }},
        {[&] { w.openOutputEditor(3, OutputEditorKind::Limiter); },
         w.outputEditor(OutputEditorKind::Limiter),
         [&]() -> std::int32_t& { return w.image().outputs[3].limiter.threshold; }},
        {[&] { w.openOutputEditor(4, OutputEditorKind::GraphicEq); },
         w.outputEditor(OutputEditorKind::GraphicEq),
         [&]() -> std::int32_t& { return w.image().outputs[4].geq[9].gain; }},
    };
    for (const Case& c : cases) {
        c.field() = 40;
        c.open();
        auto* list = c.editor->findChild<PresetList*>();
        ASSERT_NE(list, nullptr) << c.editor->metaObject()->className();
        ASSERT_TRUE(list->isVisible());
        list->activateRow(0); // SAVE PRESET
        ASSERT_EQ(list->count(), 2) << c.editor->metaObject()->className();
        EXPECT_EQ(list->item(1)->text(), QStringLiteral("1:SAVE1"));
        c.field() = 20;
        list->recall(1);
        EXPECT_EQ(c.field(), 40) << c.editor->metaObject()->className();
    }
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("Lib5302.mdb"))));
}

TEST_F(PresetWindowTest, BrokenDatabaseIsReportedAndTheProgramKeepsWorking) {
    {
        QFile junk(dir.filePath(QStringLiteral("Lib5302.mdb")));
        ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(4096, 'x'));
    }
    app::Program program(options());
    MainWindow& w = program.window();
    w.show();
    const QString told = answerBox(w, QMessageBox::Ok);
    EXPECT_FALSE(told.isEmpty());
    // Still a working program: an edit goes into the image, the section says why it is
    // empty, and a save is refused with a message instead of lost silently.
    w.image().inputs[0].gain = 40;
    w.showPage(1, View::System);
    w.systemPage()->showSection(2);
    EXPECT_EQ(w.settingsSection()->shownCount(), 0);
    EXPECT_FALSE(w.settingsSection()->statusLabel()->text().isEmpty());
    QTest::mouseClick(w.settingsSection()->saveButton(), Qt::LeftButton);
    EXPECT_FALSE(answerBox(w, QMessageBox::Ok).isEmpty());
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("SAVE1.dat"))));
}

class SectionTest : public ::testing::Test {
protected:
    SectionTest() {
        ResetToStartupValues(image);
        services.editName = [this](const QString&) { return nextName; };
        services.confirm = [](const QString&, std::function<void()> ok) { ok(); };
        services.showMessage = [this](const QString& text) { messages.push_back(text); };
    }
    ~SectionTest() override {
        clock.release();
        bulk.stop();
        linked.stop();
    }
    std::filesystem::path folder() const { return dir.path().toStdU16String(); }

    QTemporaryDir dir;
    test::HeldClock clock;
    DeviceImage image;
    test::TimedSink sink{clock};
    PacedSender linked{sink, clock};
    PacedSender bulk{sink, clock};
    EditService edits{image, sink, linked, bulk};
    PresetLibrary library{folder() / PresetLibrary::kFileName};
    DeviceSettings settings{library, folder()};
    SettingRecall recall{settings, edits};
    SettingsServices services;
    std::optional<QString> nextName;
    QStringList messages;
};

TEST_F(SectionTest, LimitQuotesAndARecallThatCannotOverlapOrFinishUnseen) {
    SettingsSection section(settings, recall, services);
    section.show();
    for (int i = 0; i < SettingsSection::kButtonCount; ++i)
        section.save();
    EXPECT_EQ(section.shownCount(), 32);
    EXPECT_TRUE(messages.isEmpty());
    section.save(); // the 33rd: nothing written, and the operator is told
    EXPECT_EQ(section.shownCount(), 32);
    EXPECT_EQ(messages.size(), 1);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("SAVE33.dat"))));

    nextName = QStringLiteral("O'Brien");
    section.rename(4);
    EXPECT_EQ(section.settingButton(4)->text(), QStringLiteral("5:O'Brien"));
    nextName.reset(); // Cancel in the dialog
    section.rename(4);
    EXPECT_EQ(section.settingButton(4)->text(), QStringLiteral("5:O'Brien"));

    // Online: the resend plays (held at its first pause); a second recall is refused.
    messages.clear();
    section.recall(0);
    ASSERT_TRUE(section.recallRunning());
    EXPECT_TRUE(section.progressBar()->isVisibleTo(&section));
    section.recall(1);
    EXPECT_EQ(messages.size(), 1); // "still being sent"
    // The link goes down mid-way: the rest is dropped and the operator learns how much.
    clock.waitHeld(1); // the first frame is out
    sink.online = false;
    clock.release();
    ASSERT_TRUE(pumpUntil([&] { return !section.recallRunning(); }));
    section.progressTick();
    EXPECT_FALSE(section.progressBar()->isVisibleTo(&section));
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(recall.dropped(), recall.total() - 1); // all but the first frame
    EXPECT_EQ(messages[1], QStringLiteral("The link went down while the setting was being sent: "
                                          "%1 of %2 frames did not reach the device. Connect and "
                                          "recall the setting again.")
                               .arg(recall.dropped())
                               .arg(recall.total()));
}

// A fader moved (here one of a control group) while a setting is being sent: the edit's
// frames take the place of the resend's older ones of those groups, so the device gets
// every group in its newest form and the recall ends as recalled, with no word of a link
// that never went down.
TEST_F(SectionTest, AFaderMovedDuringARecallEndsAsRecalled) {
    SettingsSection section(settings, recall, services);
    section.show();
    image.inputs[2].gain = 20;
    image.inputs[3].gain = 21;
    section.save();

    section.recall(0);
    ASSERT_TRUE(section.recallRunning()); // held at the pause after its first frame
    ControlGroup& group = image.controlGroups[0];
    group.input(2) = 1;
    group.input(3) = 1;
    group.link(LinkVol) = 1;
    edits.switchControlGroup(1, true);
    const std::string staleCh4 = BuildA(image, 4);
    EXPECT_EQ(edits.set(Param(ParamKind::InGain), Channel::input(2), 55).linked,
              std::vector<int>{3});
    clock.release();
    ASSERT_TRUE(pumpUntil([&] { return !section.recallRunning() && !linked.busy(); }));
    section.progressTick();

    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
    EXPECT_EQ(section.statusLabel()->text(), QStringLiteral("1:SAVE1 recalled."));
    EXPECT_EQ(recall.dropped(), 0);
    EXPECT_EQ(recall.superseded(), 2);
    const std::vector<std::string> sent = sink.frames();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), staleCh4), 0);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), BuildA(image, 4)), 1); // gain 55
}

// EXPORT… and IMPORT… carry a stored setting out and back through the file dialog, byte for
// byte; a file that is no setting file is refused by name. COMPARE's chooser then compares
// the setting with the window, with the imported copy and with a file from disk.
TEST_F(SectionTest, ExportImportAndCompareWithAnotherSettingOrAFile) {
    std::optional<QString> nextFile;
    QStringList suggested;
    services.pickFile = [&](const QString&, const QString& start, bool forSaving) {
        suggested << start + (forSaving ? QStringLiteral(" (save)") : QString());
        return nextFile;
    };
    SettingsSection section(settings, recall, services);
    section.show();
    image.inputs[2].name = Name16::fromUtf8("Podium");
    Param(ParamKind::PeqGain, 1).set(image, Channel::input(2), 120); // -3.0 dB
    section.save();
    const QByteArray stored = [&] {
        QFile f(dir.filePath(QStringLiteral("SAVE1.dat")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    ASSERT_EQ(stored.size(), 23240);
    auto bytesOf = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };

    // EXPORT… from the setting's menu.
    const QString exported = dir.filePath(QStringLiteral("room-204.dat"));
    nextFile = exported;
    QTest::mouseClick(section.settingButton(0), Qt::LeftButton);
    emit section.menu()->commandChosen(PopupMenu::SettingExport);
    ASSERT_EQ(suggested.size(), 1);
    EXPECT_TRUE(suggested[0].endsWith(QStringLiteral("/SAVE1.dat (save)")))
        << suggested[0].toStdString();
    EXPECT_EQ(bytesOf(exported), stored);

    // IMPORT… stores it as a new setting named after the file.
    QTest::mouseClick(section.importButton(), Qt::LeftButton);
    ASSERT_EQ(section.shownCount(), 2);
    EXPECT_EQ(section.settingButton(1)->text(), QStringLiteral("2:room-204"));
    EXPECT_EQ(bytesOf(dir.filePath(QStringLiteral("SAVE2.dat"))), stored);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();

    // A short file: refused by name, nothing stored.
    const QString shortFile = dir.filePath(QStringLiteral("short.dat"));
    {
        QFile f(shortFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(stored.left(1000));
    }
    nextFile = shortFile;
    QTest::mouseClick(section.importButton(), Qt::LeftButton);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(QStringLiteral("short.dat"))) << messages[0].toStdString();
    EXPECT_EQ(section.shownCount(), 2);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("SAVE3.dat"))));
    messages.clear();

    // COMPARE setting 1: first with the window, which moved on since.
    Param(ParamKind::PeqGain, 1).set(image, Channel::input(2), 140); // -1.0 dB
    section.compare(0);
    auto* dialog = section.findChild<CompareDialog*>();
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(dialog->chooser()->count(), 3); // the window, 2:room-204, a file
    auto rows = [&] {
        QStringList texts;
        for (QTreeWidgetItemIterator it(dialog->tree()); *it; ++it)
            if ((*it)->childCount() == 0)
                texts << (*it)->text(0) + QStringLiteral(" | ") + (*it)->text(1);
        return texts;
    };
    EXPECT_EQ(rows(), QStringList{QStringLiteral(
                          "CH3 Podium · PEQ BAND2 GAIN · -1.0dB → -3.0dB | in3.peq2.gain")});
    // With the imported copy: the same bytes, no difference.
    dialog->choose(1);
    EXPECT_EQ(dialog->chooser()->currentIndex(), 1);
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_TRUE(dialog->summary()->text().startsWith(QStringLiteral("No difference")));
    // With a file whose CH3 gain differs; then a cancelled and a short file leave it shown.
    image.inputs[2].peq[1].gain = 150; // 0.0 dB
    const QString other = dir.filePath(QStringLiteral("other.dat"));
    ASSERT_TRUE(WriteSettingFile(other.toStdString(), image, {}));
    nextFile = other;
    dialog->choose(2);
    EXPECT_EQ(rows(), QStringList{QStringLiteral(
                          "CH3 Podium · PEQ BAND2 GAIN · 0.0dB → -3.0dB | in3.peq2.gain")});
    EXPECT_TRUE(dialog->tree()->headerItem()->text(0).contains(QStringLiteral("other.dat")));
    for (const std::optional<QString>& pick :
         {std::optional<QString>(), std::optional(shortFile)}) {
        nextFile = pick;
        dialog->choose(2);
        EXPECT_EQ(rows().size(), 1);
        EXPECT_TRUE(dialog->tree()->headerItem()->text(0).contains(QStringLiteral("other.dat")));
    }
    ASSERT_EQ(messages.size(), 1); // only the short file was refused, by name
    EXPECT_TRUE(messages[0].contains(QStringLiteral("short.dat")));
}

} // namespace
} // namespace krm::ui
