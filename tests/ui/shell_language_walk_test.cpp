// Both interface languages as an operator meets them: the program started in one language
// is walked through every page, strip bank, editor, menu, list and dialog it shows without
// the device doing anything lasting; every line on the screen is read. The Chinese
// interface shows no line of English words only (abbreviations, units, the product's name
// and what the device or the operator named excepted), the English one no Chinese. Each
// run lists every offender at once.
#include "editors/pages/automix_page.h"
#include "editors/pages/groups_page.h"
#include "editors/presets/preset_list.h"
#include "editors/strips/input_strip.h"
#include "kit/texts.h"
#include "model/edit_service.h"
#include "model/parameters.h"
#include "presets/preset_library.h"
#include "tests/support/shown_texts.h"
#include "tests/support/window_on_device.h"
#include "ui/history_list.h"
#include "ui/link_controller.h"
#include "ui/maintenance_section.h"
#include "ui/navigation_panel.h"
#include "ui/settings_section.h"
#include "ui/system_page.h"
#include "ui/top_bar.h"
#include "ui/units_section.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace krm::ui {
namespace {

using test::ShownText;

// Words both interfaces read alike: channel, bus and stream abbreviations (CH3, AUX2, M01,
// D01, the Dante streams D1..D4), units, the product, its microphone units (TKU-700) and the
// networked audio it carries (Dante).
const QSet<QString> kSharedWords = {
    QStringLiteral("CH"),    QStringLiteral("AUX"), QStringLiteral("LR"),  QStringLiteral("L"),
    QStringLiteral("R"),     QStringLiteral("M"),   QStringLiteral("D"),   QStringLiteral("MIC"),
    QStringLiteral("LINE"),  QStringLiteral("dB"),  QStringLiteral("Oct"), QStringLiteral("Hz"),
    QStringLiteral("kHz"),   QStringLiteral("k"),   QStringLiteral("ms"),  QStringLiteral("s"),
    QStringLiteral("V"),     QStringLiteral("PEQ"), QStringLiteral("GEQ"), QStringLiteral("IP"),
    QStringLiteral("KRM"),   QStringLiteral("X"),   QStringLiteral("TKU"), QStringLiteral("DANTE"),
    QStringLiteral("Dante"),
};

// Lines the Chinese interface shows in English too, as the device's documentation has them.
const QSet<QString> kSameInBothLanguages = {
    QStringLiteral("FBK"),
    QStringLiteral("NOM"),
    QStringLiteral("Delay"),
    QStringLiteral("VIEW"),
    QStringLiteral("NULL"),
    QStringLiteral("Winsock error!"),
    QStringLiteral("Warming"),
    QStringLiteral("Update fail."),
    QStringLiteral("update fail"),
    QStringLiteral("Update successfully."),
    QStringLiteral("Resetting,please wait."),
};

// The window with its presets and stored settings, started in `language`.
class LanguageWalk {
public:
    // The language is set before the window is built, as the program's start sets it.
    explicit LanguageWalk(Language language)
        : m_set((setLanguage(language), 0)), m_device({1366, 768}, [this](MainWindowOptions& o) {
              o.dataFolder = m_data.path();
              o.pickFile = [this](bool, const QString&) {
                  return m_data.filePath(QStringLiteral("room.dat"));
              };
          }) {}
    ~LanguageWalk() { setLanguage(Language::English); }

    bool connected() const { return m_device.connected(); }
    MainWindow& window() { return m_device.window(); }

    // Reads every visible window of the program.
    void read(const QString& step) {
        QApplication::processEvents();
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->isVisible())
                for (ShownText& s : test::ShownTexts(*top, step))
                    m_shown.push_back(std::move(s));
    }

    // Reads the boxes open on the window, then closes them unanswered (Cancel, Esc).
    void readBoxes(const QString& step) {
        EXPECT_TRUE(test::PumpEventsUntil([&] {
            return window().findChild<QMessageBox*>() != nullptr;
        })) << step.toStdString();
        read(step);
        for (QMessageBox* box : window().findChildren<QMessageBox*>()) {
            box->reject();
            box->deleteLater();
        }
        QApplication::processEvents();
    }

    // Names from the device and the operator, and the addresses: read as they were written.
    QSet<QString> ownTexts() {
        QSet<QString> own;
        const DeviceImage& image = window().image();
        for (const auto& in : image.inputs)
            own << QString::fromStdString(in.name.toUtf8());
        for (const auto& out : image.outputs)
            own << QString::fromStdString(out.name.toUtf8());
        for (const auto& group : image.controlGroups)
            own << QString::fromStdString(group.name().toUtf8());
        own << QString::fromStdString(image.deviceText.toUtf8());
        if (PresetLibrary* library = window().presetLibrary())
            for (int t = 0; t < kPresetTableCount; ++t)
                for (const PresetRow& row :
                     library->list(PresetTable(t)).value_or(std::vector<PresetRow>{}))
                    own << QString::fromStdString(row.name);
        own << QStringLiteral("room.dat");
        return own;
    }

    // Reads the items a context menu of the widget offers.
    void readActions(const QString& step, const QWidget& owner) {
        for (const QAction* action : owner.actions())
            m_shown.push_back({step, action->text()});
    }

    const std::vector<ShownText>& shown() const { return m_shown; }

private:
    int m_set;
    QTemporaryDir m_data;
    test::WindowOnDevice m_device;
    std::vector<ShownText> m_shown;
};

struct EditorStep {
    const char* name;
    bool input;
    int channel;
    int kind;
};

// Every page, bank, editor and section; then the menus, lists and dialogs over them.
void Walk(LanguageWalk& walk) {
    MainWindow& w = walk.window();
    for (int bank = 1; bank <= 4; ++bank) {
        w.showPage(bank, View::Channel);
        walk.read(QStringLiteral("bank %1").arg(bank));
    }
    w.toggleNavigationPanel();
    for (int mode = 1; mode <= 3; ++mode) { // main, group and mix buttons
        w.navigationPanel()->setMode(mode);
        walk.read(QStringLiteral("navigation %1").arg(mode));
    }
    emit w.navigationPanel()->mixRequested(3);
    walk.read(QStringLiteral("AUX1 mix"));
    emit w.navigationPanel()->mixRequested(1);
    w.navigationPanel()->setMode(1);
    w.toggleNavigationPanel();
    w.showPage(1, View::Groups);
    if (auto* groups = qobject_cast<GroupsPage*>(w.pageWidget(View::Groups))) {
        groups->pressControlSelector(1); // a group of two: its view shows their strips
        groups->pressControlMember(Channel::input(0));
        groups->pressControlMember(Channel::output(0));
    }
    w.showGroup(1);
    walk.read(QStringLiteral("group view"));
    w.showGroup(0);
    const std::pair<View, const char*> pages[] = {{View::Matrix, "matrix"},
                                                  {View::Mode, "auto-mixer"},
                                                  {View::Groups, "groups"},
                                                  {View::Phantom, "phantom"}};
    for (const auto& [view, name] : pages) {
        w.showPage(1, view);
        walk.read(QString::fromLatin1(name));
    }
    w.showPage(1, View::System);
    for (int section = 0; section < SystemPage::kSectionCount; ++section) {
        w.systemPage()->showSection(section);
        walk.read(QStringLiteral("system section %1").arg(section));
    }

    // Each editor, with its preset lists: a preset saved, its menu opened, the NAME dialog
    // with a name too long for the device.
    const EditorStep editors[] = {
        {"dynamics mic", true, 0, int(InputEditorKind::Dynamics)},
        {"dynamics line", true, 16, int(InputEditorKind::Dynamics)},
        {"PEQ mic", true, 1, int(InputEditorKind::Peq)},
        {"PEQ line", true, 17, int(InputEditorKind::Peq)},
        {"delay", true, 16, int(InputEditorKind::Effects)},
        {"reverb", true, 17, int(InputEditorKind::Effects)},
        {"aux sends", true, 4, int(InputEditorKind::AuxSends)},
        {"limiter", false, 1, int(OutputEditorKind::Limiter)},
        {"GEQ", false, 0, int(OutputEditorKind::GraphicEq)},
    };
    for (const EditorStep& e : editors) {
        const QString step = QString::fromLatin1(e.name);
        if (e.input)
            w.openInputEditor(e.channel, InputEditorKind(e.kind));
        else
            w.openOutputEditor(e.channel, OutputEditorKind(e.kind));
        walk.read(step);
        EditorPage* editor = e.input ? w.inputEditor(InputEditorKind(e.kind))
                                     : w.outputEditor(OutputEditorKind(e.kind));
        for (PresetList* list :
             editor ? editor->findChildren<PresetList*>() : QList<PresetList*>{}) {
            if (!list->isVisible())
                continue;
            list->activateRow(0);
            walk.read(step + QStringLiteral(" preset saved"));
            list->activateRow(1);
            walk.read(step + QStringLiteral(" preset menu"));
            list->menu()->hide();
            QTimer::singleShot(0, [&walk, step] {
                auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                walk.read(step + QStringLiteral(" NAME"));
                if (!dialog)
                    return;
                if (auto* edit = dialog->findChild<QLineEdit*>())
                    edit->setText(QStringLiteral("ABCDEFGHIJ"));
                dialog->accept(); // refused: the box says why
                walk.read(step + QStringLiteral(" NAME too long"));
                for (QMessageBox* box : dialog->findChildren<QMessageBox*>())
                    box->reject();
                dialog->reject();
            });
            list->rename(1);
        }
    }

    // A strip's name menu; a Dante stream taken twice.
    w.showPage(1, View::Channel);
    const int kept = w.image().inputs[0].source;
    EXPECT_FALSE(w.inputStrip(0)->chooseSource(1) && w.inputStrip(1)->chooseSource(1));
    walk.readBoxes(QStringLiteral("source taken twice"));
    w.inputStrip(0)->chooseSource(kept);
    if (InputStrip* strip = w.inputStrip(0)) {
        emit strip->nameButton()->clicked(0);
        walk.read(QStringLiteral("strip name menu"));
        for (auto* menu : strip->findChildren<PopupMenu*>())
            menu->hide();
    }

    // The auto-mixer's global list: "Set successfully.".
    w.showPage(1, View::Mode);
    if (auto* automix = qobject_cast<AutomixPage*>(w.pageWidget(View::Mode))) {
        automix->chooseGlobal(AutomixPage::GlobalList(0),
                              automix->globalList(AutomixPage::GlobalList(0))->selection());
        walk.readBoxes(QStringLiteral("auto-mixer set"));
    }

    // Stored settings: one saved, its menu, COMPARE.
    w.showPage(1, View::System);
    w.systemPage()->showSection(2);
    if (SettingsSection* settings = w.settingsSection()) {
        settings->save();
        walk.read(QStringLiteral("setting saved"));
        if (ToggleButton* first = settings->settingButton(0)) {
            emit first->clicked(0);
            walk.read(QStringLiteral("setting menu"));
            settings->menu()->hide();
        }
        w.edits().set(Param(ParamKind::InGain), Channel::input(2), 20);
        settings->compare(0);
        walk.read(QStringLiteral("COMPARE"));
        for (QDialog* dialog : w.findChildren<QDialog*>())
            if (dialog->isVisible() && !qobject_cast<QMessageBox*>(dialog))
                dialog->reject();
    }

    // The HELP section's questions, each cancelled.
    w.systemPage()->showSection(3);
    w.maintenanceSection()->pressRecovery();
    walk.readBoxes(QStringLiteral("recovery question"));
    w.maintenanceSection()->pressLocal();
    walk.readBoxes(QStringLiteral("local update"));

    // The microphone units: a channel taken twice, the reset question.
    w.systemPage()->showSection(4);
    if (UnitsSection* units = w.unitsSection()) {
        for (int unit : {0, 1}) {
            units->selectUnit(unit);
            units->chooseSlot(0, 1);
        }
        walk.readBoxes(QStringLiteral("unit taken twice"));
        units->resetAll();
        walk.readBoxes(QStringLiteral("units reset question"));
    }

    // The top bar's lists and boxes.
    w.showPage(1, View::Channel);
    w.edits().set(Param(ParamKind::InGain), Channel::input(3), 30);
    w.showHistory();
    walk.read(QStringLiteral("history"));
    w.historyList()->hide();
    walk.readActions(QStringLiteral("top bar's context menu"), *w.topBar());
    emit w.topBar()->filePressed();
    walk.read(QStringLiteral("FILE menu"));
    w.fileMenu()->hide();
    w.showAbout();
    walk.read(QStringLiteral("about"));
    for (QDialog* dialog : w.findChildren<QDialog*>())
        if (dialog->isVisible())
            dialog->reject();

    // An address that is none; searching while connected asks first.
    w.showPage(1, View::System);
    w.systemPage()->showSection(0);
    w.systemPage()->addressBox()->setText(QStringLiteral("127.0.0"));
    emit w.systemPage()->okButton()->clicked(0);
    walk.readBoxes(QStringLiteral("invalid address"));
    emit w.systemPage()->searchPressed();
    walk.readBoxes(QStringLiteral("search question"));

    // A room file edited without the device: the unsaved question, the connect question.
    w.saveAsCommand();
    w.session().disconnect();
    test::PumpEventsUntil([&] { return !w.session().isOnline(); });
    w.edits().set(Param(ParamKind::InGain), Channel::input(2), 10);
    w.showPage(1, View::Channel);
    walk.read(QStringLiteral("room file"));
    w.newFile();
    walk.readBoxes(QStringLiteral("unsaved question"));
    w.link().pressConnect();
    walk.readBoxes(QStringLiteral("connect question"));
}

TEST(LanguageWalk, TheChineseInterfaceShowsNoLineOfEnglishWordsOnly) {
    LanguageWalk walk(Language::Chinese);
    ASSERT_TRUE(walk.connected());
    Walk(walk);
    ASSERT_GT(walk.shown().size(), 500u);
    const QString offenders =
        test::Offenders(walk.shown(), walk.ownTexts(), [](const QString& line) {
            return !kSameInBothLanguages.contains(line.trimmed()) &&
                   test::EnglishOnly(line, kSharedWords);
        });
    EXPECT_TRUE(offenders.isEmpty()) << offenders.toStdString();
}

TEST(LanguageWalk, TheEnglishInterfaceShowsNoChinese) {
    LanguageWalk walk(Language::English);
    ASSERT_TRUE(walk.connected());
    Walk(walk);
    ASSERT_GT(walk.shown().size(), 500u);
    const QString offenders = test::Offenders(walk.shown(), walk.ownTexts(), &test::HasChinese);
    EXPECT_TRUE(offenders.isEmpty()) << offenders.toStdString();
}

} // namespace
} // namespace krm::ui
