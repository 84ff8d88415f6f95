#pragma once
// MainWindow: the program's only top-level window ("KRM-416X 3.1", opens maximized). It
// owns the device session, the stored device address, the 50 ms link timer, the page
// switching (banks, views, editors, group views), the mute-group and control-group
// switches, the parameter readout, the system page with discovery, and the shutdown order.
//
// Threads: UI thread only. The session and the discovery worker hand their events to it
// through a Post that queues the task onto this object's thread
// (QMetaObject::invokeMethod with Qt::QueuedConnection), so every SessionEvents and
// DiscoveryEvents call below runs on the UI thread. Every edit goes through the edit
// service; its paced sends run on PacedSender workers: one for bulk sequences (mute groups,
// clear-all, names), one for linked members' frames.

#include "editors/presets/preset_list.h"
#include "link/discovery.h"
#include "model/device_session.h"
#include "model/edit_service.h"
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

class QScrollArea;

namespace krm {
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
class NavigationPanel;
class PlaceholderPage;
class ReadoutPanel;
class MaintenanceSection;
class NoticeBanner;
class SettingsSection;
class SystemPage;
class TopBar;
class UnitsSection;

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
};

class MainWindow : public QWidget, private SessionEvents, private DiscoveryEvents {
    Q_OBJECT
public:
    static constexpr int kLinkTimerMs = 50;
    static constexpr int kRepaintTimerMs = 50;
    static constexpr int kCloseTimerMs = 100;

    explicit MainWindow(MainWindowOptions options = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    DeviceSession& session() { return *m_session; }
    DeviceImage& image() { return m_session->image(); }
    const PageState& pages() const { return m_pages; }
    const ShellMetrics& metrics() const { return m_metrics; }
    HostSettings& settings() { return *m_settings; }
    PacedSender& pacer() { return *m_pacer; }
    EditService& edits() { return *m_edits; }
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
    PresetLibrary* presetLibrary() const { return m_presets.get(); }
    ModulePresets* modulePresets() const { return m_modulePresets.get(); }
    SettingRecall* settingRecall() const { return m_recall.get(); }
    SettingsSection* settingsSection() const { return m_settingsSection; }
    // The system page's HELP section (firmware update, factory recovery).
    MaintenanceSection* maintenanceSection() const { return m_maintenance; }
    FactoryRecovery& factoryRecovery() { return *m_factory; }
    MicUnitService& micUnits() { return *m_units; }
    UnitsSection* unitsSection() const { return m_unitsSection; }
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
    // Body of the 50 ms timer and of the repaint timer.
    void linkTimerTick();
    void repaintTick();
    // Body of the shutdown timer: true when the window may close (no thread runs).
    bool closeTick();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // SessionEvents (UI thread, queued by the session).
    void linkIndicatorChanged(LinkIndicator indicator) override;
    void connectButtonChanged(bool connected) override;
    void connectFailed() override;
    void socketError() override;
    void statusUpdated() override;
    void levelsUpdated() override;
    void settingsReported(bool wholeDump) override;
    void deviceReconnected(const std::vector<ImageModule>& changed) override;
    // DiscoveryEvents (UI thread, queued by the worker).
    void searchStarted(int total) override;
    void searchProgress(int done, int total) override;
    void deviceFound(const Endpoint& device) override;
    void sweepFinished() override;
    void socketError(const std::string& reason) override;

    void buildChildren();
    void wireSignals();
    void applyMetrics();
    void hideStripArea();
    void applyContent();
    void fitContent();
    void refreshStrips();
    void wireStrip(ChannelStrip* strip);
    void pickDevice(const QString& ip);
    void startSearch();
    void pressConnect();
    // Before a connect: the box's address replaces the stored one when it differs; false
    // (and said so) when the box holds no valid address.
    bool takeTypedAddress();
    // True (and the busy message shown) while a firmware update holds the local port.
    bool refusedWhileUpdating();
    void beginShutdown();
    void showEditor(EditorPage* editor, const QRect& area, int channel, const Name16& name);
    void buildPresets();
    void buildUnits();
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
    // The undo keys, the buttons' and the list's wiring, the follower of every edit.
    void buildHistory();
    // The UNDO and REDO buttons show what they would take.
    void refreshHistory();
    // True (and the busy message shown) while a resend or an update must not be undercut.
    bool refusedWhileSending();
    // After undo or redo: the top bar's group switches and every shown control follow.
    void historyMoved(const EditService::UndoResult& result);

    MainWindowOptions m_options;
    Clock& m_clock;
    std::unique_ptr<HostSettings> m_settings;
    std::unique_ptr<DeviceSession> m_session;
    std::unique_ptr<DiscoveryWorker> m_discovery;
    std::unique_ptr<PacedSender> m_pacer;
    std::unique_ptr<PacedSender> m_linked; // the strips' linked-member frames
    std::unique_ptr<EditService> m_edits;
    std::unique_ptr<MicUnitService> m_units;
    // Refreshes the UNDO and REDO buttons after every edit; goes before the edit service.
    std::unique_ptr<EditListener> m_historyFollower;
    // The resend an undo or redo of a RECALL or RECOVERY plays (null when none did).
    std::shared_ptr<const SequenceProgress> m_historyResend;
    std::unique_ptr<PresetLibrary> m_presets;
    std::unique_ptr<ModulePresets> m_modulePresets;
    std::unique_ptr<DeviceSettings> m_deviceSettings;
    std::unique_ptr<SettingRecall> m_recall;
    std::unique_ptr<FactoryRecovery> m_factory;
    SettingsSection* m_settingsSection = nullptr;
    MaintenanceSection* m_maintenance = nullptr;
    UnitsSection* m_unitsSection = nullptr;
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
    // Pages and editors by kind; a kind without its own page yet has a placeholder.
    std::map<View, QWidget*> m_pageWidgets;
    std::map<InputEditorKind, EditorPage*> m_inputEditors;
    std::map<OutputEditorKind, EditorPage*> m_outputEditors;
    StripBank* m_bank = nullptr;
    std::array<InputStrip*, kInputCount> m_inputStrips{};
    std::array<OutputStrip*, kOutputCount> m_outputStrips{};
    InputStrip* m_largeInput = nullptr;   // beside the input editors
    OutputStrip* m_largeOutput = nullptr; // beside the output editors

    QTimer m_linkTimer;
    QTimer m_repaintTimer;
    QTimer m_closeTimer;
    bool m_levelsDirty = false;
    bool m_shuttingDown = false;
    bool m_closeAllowed = false;
};

} // namespace krm::ui
