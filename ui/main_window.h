#pragma once
// MainWindow: the program's only top-level window ("KRM-416X 3.1", opens maximized). It
// shows one device's services, which the program's composition root (app/program.*) built
// and hands it: the page switching (banks, views, editors, group views), the mute-group and
// control-group switches, the parameter readout, the system page, undo and redo, and the
// shutdown order. Its link controller takes the link's and the search's events.
//
// Threads: UI thread only. The session and the discovery worker queue their events onto
// the UI thread; the services' event relay passes the device's to this window and the
// link's and the search's to the link controller. Every edit goes through the edit
// service; its paced sends run on PacedSender workers: one for bulk sequences (mute groups,
// clear-all, names), one for linked members' frames.

#include "editors/presets/preset_list.h"
#include "link/discovery.h"
#include "model/device_session.h"
#include "model/edit_service.h"
#include "model/session_events.h"
#include "presets/setting_file.h"
#include "ui/page_state.h"
#include "ui/readout_model.h"
#include "ui/shell_layout.h"

#include <QTimer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>

class QAction;
class QMenu;
class QScrollArea;

namespace krm {
class DeviceServices;
class DeviceSettings;
class MicUnitService;
struct DynamicsServices;
class ModulePresets;
class PresetLibrary;
class SettingRecall;
class FactoryRecovery;
class ChannelStrip;
class InputStrip;
class OutputStrip;
class PacedSender;
class StripBank;
} // namespace krm

namespace krm::ui {

class HistoryList;
class HostSettings;
class LinkController;
class NavigationPanel;
class ReadoutPanel;
class MaintenanceSection;
class NoticeBanner;
class SettingsSection;
class SystemPage;
class VenueSection;
class TopBar;
class UnitsSection;
class ShowOptions;

// What the program is started with. The composition root builds the services from the
// settings file, the ports, the clock, the interfaces, the glyph renderer and the data
// folder; the window uses the rest.
struct MainWindowOptions {
    QString settingsPath;                  // empty: the per-user INI file
    std::optional<QString> deviceOverride; // --demo: where the session points; hostip untouched
    std::uint16_t devicePort = kDevicePort;
    std::uint16_t localPort = kDevicePort;
    Clock* clock = nullptr;                      // null: the steady clock
    bool startTimers = true;                     // tests run the timer bodies by hand
    DiscoveryWorker::InterfaceLister interfaces; // null: this computer's interfaces
    // Draws the bitmaps of the name frames; the program passes its Qt renderer.
    const GlyphRenderer* glyphs = nullptr;
    // Folder of the preset database "Lib5302.mdb" and the setting files; empty: presets and
    // stored settings are off (tests that do not need them).
    QString dataFolder;
    // Folder of the firmware files and the downloaded "upate1.bin"/"upate2.bin"; empty:
    // the data folder.
    QString firmwareFolder;
    // Address of the update page; empty: the remote update (UPDATE) stays hidden.
    QString updatePageUrl;
    // Asks for a setting file to open (save false) or to save to (save true), starting at
    // `current`; an empty answer cancels. Null: the desktop's file dialog.
    std::function<QString(bool save, const QString& current)> pickFile;
    // Asks for a rooms file to read into the DEVICES list; an empty answer cancels. Null: the
    // desktop's file dialog.
    std::function<QString()> pickRoomsFile;
};

class MainWindow : public QWidget, private DeviceEvents {
    Q_OBJECT
public:
    static constexpr int kRepaintTimerMs = 50;
    static constexpr int kCloseTimerMs = 100;

    // The window builds no service: `services` and `settings` outlive it.
    MainWindow(MainWindowOptions options, DeviceServices& services, HostSettings& settings,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    DeviceServices& services() { return m_services; }
    DeviceSession& session() { return m_session; }
    DeviceImage& image() { return m_session.image(); }
    const PageState& pages() const { return m_pages; }
    const ShellMetrics& metrics() const { return m_metrics; }
    HostSettings& settings() { return m_settings; }
    PacedSender& pacer();
    EditService& edits() { return m_edits; }
    LinkController& link() { return *m_link; }
    TopBar* topBar() const { return m_topBar; }
    SystemPage* systemPage() const { return m_system; }
    NavigationPanel* navigationPanel() const { return m_navigation; }
    ReadoutPanel* readout() const { return m_readout; }
    InputStrip* inputStrip(int index) const;
    OutputStrip* outputStrip(int index) const;
    // The large strips beside the input and output editors.
    InputStrip* largeInputStrip() const { return m_largeInput; }
    OutputStrip* largeOutputStrip() const { return m_largeOutput; }
    StripBank& strips() { return *m_bank; }
    // The preset library's services (null when the window has no data folder).
    PresetLibrary* presetLibrary() const;
    ModulePresets* modulePresets() const;
    SettingRecall& settingRecall();
    SettingsSection* settingsSection() const { return m_settingsSection; }
    // The system page's HELP section (firmware update, factory recovery).
    MaintenanceSection* maintenanceSection() const { return m_maintenance; }
    FactoryRecovery& factoryRecovery();
    MicUnitService& micUnits();
    UnitsSection* unitsSection() const { return m_unitsSection; }
    ShowOptions* showOptions() const { return m_showOptions; }
    // The transient notice over the bottom of the window (the link healed itself).
    NoticeBanner* noticeBanner() const { return m_notice; }
    QWidget* pageWidget(View view) const;

    // Operations used by the buttons, the navigation panel, the system page and (later)
    // the strips, presets and recovery.
    void showPage(int bank, View view);
    void pressBank(int bank);
    // Pages and editors register by kind (a page of a view, an editor of a strip); the
    // widget becomes a child of the content area. Registering a kind again replaces it.
    void registerPage(View view, QWidget* page);
    void registerEditor(InputEditorKind kind, EditorPage* editor);
    void registerEditor(OutputEditorKind kind, EditorPage* editor);
    // The editor registered under a kind (null when none is).
    EditorPage* inputEditor(InputEditorKind kind) const;
    EditorPage* outputEditor(OutputEditorKind kind) const;
    void openInputEditor(int channel, InputEditorKind kind);
    void openOutputEditor(int output, OutputEditorKind kind);
    void showGroup(int group);
    void refreshAll();
    void applyLanguage();
    // Readout: the channel (0..19 inputs, 24..31 outputs) and kind last touched.
    void setSelection(int channel, int kind);
    void showReadout();
    void applyTypedValue(int box, const QString& text);
    // Main-window switches (toggle).
    void toggleMuteGroup(int group);
    void toggleControlGroup(int group);
    void clearAllMutes();
    void clearAllSolos();
    // MENU: shows the navigation panel (back to the channel view, main buttons) and keeps
    // it shown across page changes until the next press hides it.
    void toggleNavigationPanel();
    bool navigationOpen() const { return m_navigationOpen; }
    void showAbout();
    // Undo and redo (Ctrl+Z; Ctrl+Shift+Z and Ctrl+Y; the top bar's buttons): refused with
    // the busy message while a firmware update, a RECALL's or a RECOVERY's resend runs.
    // Every page, strip and the readout then show the image again.
    void undo();
    void redo();
    // Undoes `count` steps (count > 0) or redoes -count steps (the history list's click).
    void stepHistory(int count);
    // The HISTORY button's list of steps.
    void showHistory();
    HistoryList* historyList() const { return m_historyList; }
    // The document (FILE on the top bar; Ctrl+N, Ctrl+O, Ctrl+S, Ctrl+Shift+S). Each asks
    // first when the open file has unsaved changes (Save / Discard / Cancel). A file is
    // edited without the device: opening one while connected asks to disconnect.
    void newFile();
    void chooseFileToOpen();
    // Opens the file (the command line's file, OPEN…); false, and said why, when it was not.
    bool openFile(const QString& file);
    void saveFileCommand();
    void saveAsCommand();
    // Connects and sends the file's settings (the RECALL resend); the document then is the
    // device.
    void sendToDevice();
    // Connects and takes the device's settings as the document.
    void readFromDevice();
    // Connects as CONNECT does (demo mode at start): settings the device does not have are
    // offered against its dump.
    void connectDevice();
    QMenu* fileMenu() const { return m_fileMenu; }
    // The program's own close (Ctrl-C, a signal): nothing is asked.
    void closeWithoutQuestions();
    // Body of the repaint timer.
    void repaintTick();
    // Body of the shutdown timer: true when the window may close (no thread runs).
    bool closeTick();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // DeviceEvents (UI thread, queued by the session).
    void statusUpdated() override;
    void levelsUpdated() override;
    void settingsReported(bool wholeDump) override;
    void deviceReconnected(const std::vector<ImageModule>& changed) override;

    void buildChildren();
    void wireSignals();
    void applyMetrics();
    void hideStripArea();
    void applyContent();
    void fitContent();
    void refreshStrips();
    void wireStrip(ChannelStrip* strip);
    void beginShutdown();
    void showEditor(EditorPage* editor, const QRect& area, int channel, const Name16& name);
    void buildPresets();
    void buildLink();
    void buildUnits();
    // KEEP OFFSETS beside the stored settings; the stored option applies at start.
    void buildShowOptions();
    // What the editors' preset lists need: the library (asked on each opening) and the
    // window's NAME dialog and message box.
    std::function<ModulePresets*()> presetSource();
    PresetListServices presetListServices();
    DynamicsServices dynamicsServices();
    // An OK/Cancel question (warning icon, window-modal); `answer` gets true after OK.
    void ask(const QString& question, std::function<void(bool)> answer);
    // The same question; `onOk` runs after OK only.
    void confirm(const QString& question, std::function<void()> onOk);
    // Redraws everything from the image after a setting was loaded over it.
    void settingLoaded();
    // The link's state of the moment, as a saved setting records it.
    LinkStateRecord currentLinkState() const;
    void buildMaintenance();
    // The HELP section's backup before a firmware update: a stored setting named
    // "BEFORE UPDATE", or a file beside the firmware files when all 32 are in use.
    std::optional<QString> backupBeforeUpdate(QString& error);
    // After a factory recovery: groups off, the channel view, every strip redrawn.
    void factoryRecovered();
    void buildFileMenu();
    void retranslateFileMenu();
    // The about item of the top area's context menu.
    void retranslateAboutAction();
    // The DEVICES section: the venue's known devices, stored in the program's settings.
    void buildVenue();
    void refreshVenue();
    void storeVenue();
    void addRoomsFile();
    // The title names what the window edits: the file (with a star while it has unsaved
    // changes) or the connected device's address.
    void refreshTitle();
    QString pickFile(bool save);
    // Runs `next` when the open file has no unsaved changes, or after Save (when it saved)
    // or Discard; Cancel runs nothing.
    void whenChangesSettled(std::function<void()> next);
    bool saveFileCommandResult();
    bool saveAsCommandResult();
    // False (and said why) when the link cannot be taken down for a file now.
    bool takeLinkDownForFile();
    void connectStarting();
    void documentReplaced();
    // After a dump, once online: settings the window held that the device does not have are
    // sent (SEND TO DEVICE) or offered. A connect that failed after the dump puts them back.
    void settleDump();
    void sendSettings(const DeviceImage& settings);
    void offerOfflineChanges(DeviceImage kept);
    // The undo keys, the buttons' and the list's wiring, the follower of every edit.
    void buildHistory();
    // The UNDO and REDO buttons show what they would take.
    void refreshHistory();
    // True (and the busy message shown) while a resend or an update must not be undercut.
    bool refusedWhileSending();
    // After undo or redo: the top bar's group switches and every shown control follow.
    void historyMoved(const EditService::UndoResult& result);
    // The notice of a whole-setting resend (an undone or redone RECALL, SEND TO DEVICE): its
    // progress, then what arrived.
    void showResendProgress(const QString& stepName);

    MainWindowOptions m_options;
    DeviceServices& m_services;
    HostSettings& m_settings;
    Clock& m_clock;
    DeviceSession& m_session;
    EditService& m_edits;
    std::unique_ptr<LinkController> m_link;
    // Refreshes the UNDO and REDO buttons after every edit.
    std::unique_ptr<EditListener> m_historyFollower;
    // The resend an undo or redo of a RECALL or RECOVERY plays (null when none did).
    std::shared_ptr<const SequenceProgress> m_historyResend;
    // Shows that resend's progress on the notice banner, as RECALL shows its own.
    QTimer m_historyResendTimer;
    SettingsSection* m_settingsSection = nullptr;
    MaintenanceSection* m_maintenance = nullptr;
    UnitsSection* m_unitsSection = nullptr;
    VenueSection* m_venue = nullptr;
    ShowOptions* m_showOptions = nullptr;
    PageState m_pages;
    ShellMetrics m_metrics;
    bool m_initialized = false;
    bool m_navigationOpen = false; // MENU pressed: the panel stays until pressed again
    int m_selectedChannel = 0;
    int m_selectedKind = 1;

    QScrollArea* m_scroll = nullptr;
    QWidget* m_content = nullptr;
    TopBar* m_topBar = nullptr;
    ReadoutPanel* m_readout = nullptr;
    SystemPage* m_system = nullptr;
    NavigationPanel* m_navigation = nullptr;
    NoticeBanner* m_notice = nullptr;
    // The last dump dropped the undo history (said again by the healing notice).
    bool m_historyRestarted = false;
    HistoryList* m_historyList = nullptr;
    QMenu* m_fileMenu = nullptr;
    struct FileActions {
        QAction* newFile = nullptr;
        QAction* open = nullptr;
        QAction* save = nullptr;
        QAction* saveAs = nullptr;
        QAction* send = nullptr;
        QAction* read = nullptr;
    } m_fileActions;
    // SEND TO DEVICE connected: the file goes out once the device's dump has arrived.
    bool m_sendAfterConnect = false;
    bool m_closeWithoutQuestions = false;
    bool m_dumpArrived = false;
    // Pages and editors by kind.
    std::map<View, QWidget*> m_pageWidgets;
    std::map<InputEditorKind, EditorPage*> m_inputEditors;
    std::map<OutputEditorKind, EditorPage*> m_outputEditors;
    StripBank* m_bank = nullptr;
    std::array<InputStrip*, kInputCount> m_inputStrips{};
    std::array<OutputStrip*, kOutputCount> m_outputStrips{};
    InputStrip* m_largeInput = nullptr;   // beside the input editors
    OutputStrip* m_largeOutput = nullptr; // beside the output editors

    QTimer m_repaintTimer;
    QTimer m_closeTimer;
    bool m_levelsDirty = false;
    bool m_shuttingDown = false;
    bool m_closeAllowed = false;
};

} // namespace krm::ui
