#include "ui/main_window.h"

#include "editors/dynamics/dynamics_editor.h"
#include "editors/dynamics/limiter_editor.h"
#include "editors/geq/geq_editor.h"
#include "editors/pages/automix_page.h"
#include "editors/pages/effects_page.h"
#include "editors/pages/groups_page.h"
#include "editors/pages/matrix_page.h"
#include "editors/pages/phantom_page.h"
#include "editors/pages/sends_page.h"
#include "editors/peq/peq_editor.h"
#include "editors/strips/input_strip.h"
#include "editors/strips/output_strip.h"
#include "editors/strips/strip_bank.h"
#include "kit/kit_style.h"
#include "kit/texts.h"
#include "kit/toggle_button.h"
#include "link/network_settings.h"
#include "model/paced_sender.h"
#include "presets/device_settings.h"
#include "presets/link_state.h"
#include "presets/module_presets.h"
#include "presets/preset_library.h"
#include "presets/setting_recall.h"
#include "services/device_services.h"
#include "services/setting_document.h"
#include "ui/host_settings.h"
#include "ui/link_controller.h"
#include "ui/maintenance_section.h"
#include "ui/messages.h"
#include "ui/name_dialog.h"
#include "ui/navigation_panel.h"
#include "ui/notice_banner.h"
#include "ui/program_icon.h"
#include "ui/readout_panel.h"
#include "ui/settings_section.h"
#include "ui/show_options.h"
#include "ui/system_page.h"
#include "ui/top_bar.h"
#include "ui/units_section.h"
#include "ui/venue_section.h"
#include "units/mic_unit_service.h"
#include "update/factory_recovery.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>

#include <utility>

namespace krm::ui {

namespace {

// The page behind the scroll bars, under the top bar: the console's dark background.
class ContentArea : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), style::kWindow);
    }
};

// The size the window takes when it is not maximized, within the screen it opens on.
QSize normalSizeOn(const QScreen* screen) {
    QSize size = kNormalWindowSize;
    if (screen)
        size = size.boundedTo(screen->availableGeometry().size());
    return size.expandedTo(kMinimumWindowSize);
}

} // namespace

MainWindow::MainWindow(MainWindowOptions options, DeviceServices& services, HostSettings& settings,
                       QWidget* parent)
    : QWidget(parent), m_options(std::move(options)), m_services(services), m_settings(settings),
      m_clock(services.clock()), m_session(services.session()), m_edits(services.edits()) {
    setWindowTitle(QStringLiteral("KRM-416X 3.1"));
    setObjectName(QStringLiteral("mainWindow"));
    setWindowIcon(ProgramIcon());
    setMinimumSize(kMinimumWindowSize);

    buildChildren();
    buildPresets();
    buildShowOptions();
    buildMaintenance();
    buildUnits();
    buildLink();
    buildVenue();
    wireSignals();
    buildHistory();
    buildFileMenu();
    m_services.events().setDeviceListener(this);
    // Un-maximizing, or a start without a window manager, gives this size.
    resize(normalSizeOn(screen()));

    m_metrics = ShellMetrics::forClient(size());
    applyMetrics();
    applyLanguage();
    showPage(1, View::Channel);
    showReadout();
    refreshAll();

    m_repaintTimer.setInterval(kRepaintTimerMs);
    connect(&m_repaintTimer, &QTimer::timeout, this, &MainWindow::repaintTick);
    m_closeTimer.setInterval(kCloseTimerMs);
    connect(&m_closeTimer, &QTimer::timeout, this, [this] {
        if (closeTick()) {
            m_closeTimer.stop();
            close();
        }
    });
    if (m_options.startTimers) {
        m_link->startTimer();
        m_repaintTimer.start();
    }
    m_initialized = true;
}

MainWindow::~MainWindow() {
    // Workers first: nothing may reach this window once it is going.
    m_services.events().setDeviceListener(nullptr);
    m_services.events().setLinkListener(nullptr);
    m_services.events().setDiscoveryListener(nullptr);
    m_services.stopWorkers();
    m_session.shutdown();
    // The settings section refers to the recall and the stored settings; the maintenance
    // section joins its worker and refers to the recovery.
    delete m_settingsSection;
    m_settingsSection = nullptr;
    delete m_maintenance;
    m_maintenance = nullptr;
    // The strips and the strip bank listen to the edit service, which outlives the window;
    // they go while the window's members they use still exist.
    delete m_scroll;
    m_scroll = nullptr;
    delete m_bank;
    m_bank = nullptr;
}

PacedSender& MainWindow::pacer() {
    return m_services.pacer();
}

PresetLibrary* MainWindow::presetLibrary() const {
    return m_services.presets();
}

ModulePresets* MainWindow::modulePresets() const {
    return m_services.modulePresets();
}

SettingRecall& MainWindow::settingRecall() {
    return m_services.recall();
}

FactoryRecovery& MainWindow::factoryRecovery() {
    return m_services.factory();
}

MicUnitService& MainWindow::micUnits() {
    return m_services.units();
}

void MainWindow::buildLink() {
    LinkControllerServices services;
    services.ask = [this](const QString& question, std::function<void(bool)> answer) {
        ask(question, std::move(answer));
    };
    services.updating = [this] { return m_maintenance && m_maintenance->updating(); };
    services.connecting = [this] {
        connectStarting();
        showPage(1, View::Channel);
        m_navigation->setMode(NavigationPanel::MainButtons);
    };
    services.linkChanged = [this] {
        m_services.document().linkChanged();
        settleDump();
        refreshTitle();
        retranslateFileMenu();
    };
    services.watch = &m_services.watch();
    m_link = std::make_unique<LinkController>(m_session, m_services.discovery(), m_settings,
                                              *m_system, *m_topBar, *this, m_options.deviceOverride,
                                              m_options.devicePort, std::move(services));
    m_services.events().setLinkListener(m_link.get());
    m_services.events().setDiscoveryListener(m_link.get());
}

void MainWindow::buildChildren() {
    m_scroll = new QScrollArea(this);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(false);
    m_content = new ContentArea;
    m_scroll->setWidget(m_content);
    m_scroll->setStyleSheet(QStringLiteral(
        "QScrollArea { background: #181a1e; }"
        "QScrollBar { background: #16181c; border: 0; }"
        "QScrollBar:horizontal { height: 14px; } QScrollBar:vertical { width: 14px; }"
        "QScrollBar::handle { background: #3e434d; border-radius: 4px; margin: 2px; }"
        "QScrollBar::handle:horizontal { min-width: 40px; }"
        "QScrollBar::handle:vertical { min-height: 40px; }"
        "QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; }"
        "QScrollBar::add-page, QScrollBar::sub-page { background: none; }"));

    // Outside the scroll area: the link state, the readout, UNDO/REDO/FILE and the page
    // buttons stay in view however far the page below is scrolled.
    m_topBar = new TopBar(this);
    // The about item of the window's menu; the desktop offers no system menu to carry it,
    // so it sits in the context menu of the window's top area.
    auto* about = new QAction(m_topBar);
    about->setObjectName(QStringLiteral("aboutAction"));
    connect(about, &QAction::triggered, this, &MainWindow::showAbout);
    m_topBar->addAction(about);
    m_topBar->setContextMenuPolicy(Qt::ActionsContextMenu);
    retranslateAboutAction();
    m_readout = new ReadoutPanel(m_topBar);
    // Over the scroll area, so it stays in view whatever part of the console is scrolled to.
    m_notice = new NoticeBanner(this);

    m_bank = new StripBank(m_edits, this);
    for (int i = 0; i < kInputCount; ++i) {
        auto* strip = new InputStrip(m_edits, i, m_content);
        m_inputStrips[static_cast<std::size_t>(i)] = strip;
        wireStrip(strip);
    }
    for (int o = 0; o < kOutputCount; ++o) {
        auto* strip = new OutputStrip(m_edits, o, m_content);
        m_outputStrips[static_cast<std::size_t>(o)] = strip;
        wireStrip(strip);
    }
    m_largeInput = new InputStrip(m_edits, 0, m_content);
    m_largeOutput = new OutputStrip(m_edits, 0, m_content);
    wireStrip(m_largeInput);
    wireStrip(m_largeOutput);

    m_system = new SystemPage(m_content);
    registerPage(View::System, m_system);
    registerPage(View::Matrix, new MatrixPage(m_edits));
    registerPage(View::Mode, new AutomixPage(m_edits, [this](const QString& text) {
                     ShowMessage(this, QStringLiteral("KRM-416X 3.1"), text);
                 }));
    // A membership change of a switched-on control group releases its switch first.
    registerPage(View::Groups, new GroupsPage(m_edits, GroupsPageServices{[this](int group) {
                                                  if (m_topBar->controlGroupLit(group))
                                                      toggleControlGroup(group);
                                                  else
                                                      m_edits.switchControlGroup(group, false);
                                              }}));
    registerPage(View::Phantom, new PhantomPage(m_edits));
    registerEditor(InputEditorKind::Dynamics, new DynamicsEditor(dynamicsServices()));
    registerEditor(InputEditorKind::Peq,
                   new PeqEditor(m_edits, m_clock, presetSource(), presetListServices()));
    registerEditor(InputEditorKind::Effects,
                   new EffectsPage(m_edits, presetSource(), presetListServices()));
    registerEditor(InputEditorKind::AuxSends, new SendsPage(m_edits));
    registerEditor(OutputEditorKind::Limiter, new LimiterEditor(dynamicsServices()));
    registerEditor(OutputEditorKind::GraphicEq,
                   new GeqEditor(m_edits, m_clock, presetSource(), presetListServices()));
    m_navigation = new NavigationPanel(m_content);
    hideStripArea();
}

LinkStateRecord MainWindow::currentLinkState() const {
    return LinkStateOf(m_session, m_clock);
}

std::function<ModulePresets*()> MainWindow::presetSource() {
    // The editors are built before the library (buildPresets() runs after buildChildren()).
    return [this] { return modulePresets(); };
}

PresetListServices MainWindow::presetListServices() {
    return PresetListServices{
        [this](const QString& current) { return NameDialog::editName(current, this); },
        [this](const QString& text) {
            ShowMessage(this, QStringLiteral("KRM-416X 3.1"), text, QMessageBox::Warning);
        },
        [this](const QString& question, std::function<void()> onOk) {
            confirm(question, std::move(onOk));
        }};
}

DynamicsServices MainWindow::dynamicsServices() {
    return DynamicsServices{m_edits, m_clock, presetSource(), presetListServices()};
}

void MainWindow::buildPresets() {
    if (!m_services.deviceSettings())
        return;
    SettingsServices services;
    services.editName = [this](const QString& current) {
        return NameDialog::editName(current, this);
    };
    services.confirm = [this](const QString& question, std::function<void()> onOk) {
        confirm(question, std::move(onOk));
    };
    services.showMessage = [this](const QString& text) {
        ShowMessage(this, QStringLiteral("KRM-416X 3.1"), text, QMessageBox::Warning);
    };
    services.linkState = [this] { return currentLinkState(); };
    services.loaded = [this] { settingLoaded(); };
    m_settingsSection = new SettingsSection(*m_services.deviceSettings(), m_services.recall(),
                                            std::move(services), m_system);
    m_system->setSectionContent(2, m_settingsSection);

    if (const std::optional<Message> notice = m_services.presets()->openNotice()) {
        // The program goes on without presets, or without saving them; the operator
        // learns why once, at start.
        QTimer::singleShot(0, this, [this, error = *notice] {
            ShowMessage(this, QStringLiteral("KRM-416X 3.1"),
                        QString::fromStdString(currentLanguage() == Language::Chinese ? error.zh
                                                                                      : error.en),
                        QMessageBox::Warning);
        });
    }
}

void MainWindow::buildUnits() {
    UnitsServices services;
    services.confirm = [this](const QString& question, std::function<void()> onOk) {
        confirm(question, std::move(onOk));
    };
    services.showMessage = [this](const QString& text) {
        ShowMessage(this, QStringLiteral("KRM-416X 3.1"), text);
    };
    m_unitsSection = new UnitsSection(m_services.units(), std::move(services), m_system);
    m_system->setSectionContent(4, m_unitsSection);
}

void MainWindow::buildShowOptions() {
    m_edits.setKeepOffsets(m_settings.keepOffsets());
    m_showOptions = new ShowOptions(m_system);
    m_showOptions->setKeepOffsets(m_edits.keepOffsets());
    connect(m_showOptions, &ShowOptions::keepOffsetsChanged, this, [this](bool on) {
        m_settings.setKeepOffsets(on);
        m_edits.setKeepOffsets(on);
        m_showOptions->setKeepOffsets(on);
    });
    m_system->setSectionAside(2, m_showOptions);
}

void MainWindow::ask(const QString& question, std::function<void(bool)> answer) {
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("KRM-416X 3.1"), question,
                                QMessageBox::Ok | QMessageBox::Cancel, this);
    TranslateButtons(box);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setStyleSheet(style::dialogStyleSheet());
    connect(box, &QMessageBox::finished, this,
            [answer = std::move(answer)](int result) { answer(result == QMessageBox::Ok); });
    box->open();
}

void MainWindow::confirm(const QString& question, std::function<void()> onOk) {
    ask(question, [onOk = std::move(onOk)](bool ok) {
        if (ok)
            onOk();
    });
}

void MainWindow::settingLoaded() {
    m_session.touchLastReply();
    // The recall switched every control group off.
    for (int g = 1; g <= kGroupCount; ++g)
        m_topBar->setControlGroupLit(g,
                                     image().controlGroupActive[static_cast<std::size_t>(g - 1)]);
    refreshAll();
}

void MainWindow::wireStrip(ChannelStrip* strip) {
    m_bank->add(strip);
    strip->setServices(StripServices{
        [this](const QString& current) { return NameDialog::editName(current, this); },
        [this](const QString& text) { ShowMessage(this, QStringLiteral("KRM-416X 3.1"), text); }});
    const bool output = strip->isOutput();
    if (auto* in = qobject_cast<InputStrip*>(strip))
        connect(in, &InputStrip::editorRequested, this, &MainWindow::openInputEditor);
    if (auto* out = qobject_cast<OutputStrip*>(strip))
        connect(out, &OutputStrip::editorRequested, this, &MainWindow::openOutputEditor);
    connect(strip, &ChannelStrip::readoutRequested, this, &MainWindow::setSelection);
    // A strip changed a level, a mute or a name: the other strip of that channel (the
    // bank strip or the large one) and the readout follow.
    connect(strip, &ChannelStrip::overviewChanged, this, [this, output](int channel) {
        m_bank->reload(output, {channel});
        showReadout();
    });
    connect(strip, &ChannelStrip::nameChanged, this, [this, output](int channel) {
        m_bank->reload(output, {channel});
        showReadout();
    });
}

void MainWindow::wireSignals() {
    connect(m_topBar, &TopBar::bankPressed, this, &MainWindow::pressBank);
    connect(m_topBar, &TopBar::viewPressed, this,
            [this](View view) { showPage(m_pages.bank(), view); });
    connect(m_topBar, &TopBar::muteGroupPressed, this, &MainWindow::toggleMuteGroup);
    connect(m_topBar, &TopBar::controlGroupPressed, this, &MainWindow::toggleControlGroup);
    connect(m_topBar, &TopBar::linkIndicatorPressed, this,
            [this] { showPage(m_pages.bank(), View::System); });
    connect(m_topBar, &TopBar::navigationPressed, this, &MainWindow::toggleNavigationPanel);
    connect(m_topBar, &TopBar::aboutPressed, this, &MainWindow::showAbout);
    connect(m_readout, &ReadoutPanel::valueTyped, this, &MainWindow::applyTypedValue);

    connect(m_navigation, &NavigationPanel::viewRequested, this,
            [this](View view) { showPage(m_pages.bank(), view); });
    connect(m_navigation, &NavigationPanel::channelViewWanted, this, [this] {
        if (m_pages.view() != View::Channel || m_pages.displayMode() != DisplayMode::Page)
            showPage(m_pages.bank(), View::Channel);
    });
    connect(m_navigation, &NavigationPanel::mixRequested, this, [this](int mix) {
        m_pages.setMixSelection(mix);
        showPage(m_pages.bank(), View::Channel);
    });
    connect(m_navigation, &NavigationPanel::groupRequested, this, &MainWindow::showGroup);
    connect(m_navigation, &NavigationPanel::clearMutesRequested, this, &MainWindow::clearAllMutes);
    connect(m_navigation, &NavigationPanel::clearSolosRequested, this, &MainWindow::clearAllSolos);

    connect(m_system, &SystemPage::offlinePressed, this, [this] {
        showPage(1, View::Channel);
        m_navigation->setMode(NavigationPanel::MainButtons);
    });
}

void MainWindow::showAbout() {
    auto* box = new AboutBox(this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void MainWindow::applyLanguage() {
    m_topBar->retranslate();
    m_notice->retranslate();
    m_system->retranslate();
    m_unitsSection->retranslate();
    m_showOptions->retranslate();
    if (m_settingsSection)
        m_settingsSection->retranslate();
    if (m_maintenance)
        m_maintenance->retranslate();
    m_venue->retranslate();
    refreshVenue();
    m_navigation->retranslate();
    m_bank->applyLanguage();
    for (const auto& [view, page] : m_pageWidgets)
        if (auto* editorLike = qobject_cast<EditorPage*>(page))
            editorLike->applyLanguage();
    for (const auto& [kind, editor] : m_inputEditors)
        editor->applyLanguage();
    for (const auto& [kind, editor] : m_outputEditors)
        editor->applyLanguage();
    showReadout();
    refreshHistory();
    retranslateFileMenu();
    retranslateAboutAction();
    refreshTitle();
    update();
}

void MainWindow::retranslateAboutAction() {
    if (auto* about = m_topBar->findChild<QAction*>(QStringLiteral("aboutAction")))
        about->setText(text("ABOUT KRM-416X 3.1(&A)...", "关于 KRM-416X 3.1(&A)..."));
}

// ---- device events ----

void MainWindow::statusUpdated() {
    // Nothing to do per report: the shown strips move their meters and auto-mixer
    // indicators from the image on their own 50 ms timer, repainting only what changed.
}

void MainWindow::settingsReported(bool wholeDump) {
    // The device's own changes are never the operator's undo steps; a dump with other
    // settings than the program held starts a new history.
    if (!wholeDump) {
        m_edits.deviceReported();
    } else {
        if (m_edits.deviceReplaced()) {
            // The operator learns that the steps are gone; a notice of the link healing,
            // which follows, says it again.
            m_historyRestarted = true;
            m_notice->showNotice([] { return HistoryRestartedText(); });
            m_notice->place(NoticeRect(ShellMetrics::forClient(size())), m_topBar);
        }
        // Once online (the identification follows the dump), the window's own settings are
        // sent or offered; sending them is then the new history's first step.
        m_dumpArrived = true;
    }
    refreshHistory();
}

void MainWindow::levelsUpdated() {
    m_levelsDirty = true;
}

void MainWindow::deviceReconnected(const std::vector<ImageModule>& changed) {
    // refreshAll() has already shown the device's values; the operator learns why the
    // console changed under their hands, and what, without having to answer anything.
    // What changed on the device itself: the operator's own edits made while the link was
    // down are not the device's changes (they were sent or offered on their own).
    const std::optional<std::vector<ImageModule>>& ours = m_services.document().changedOnDevice();
    m_notice->showNotice(
        [changed = ours ? *ours : changed, restarted = std::exchange(m_historyRestarted, false)] {
            return ReconnectedText(changed, restarted);
        });
    m_notice->place(NoticeRect(ShellMetrics::forClient(size())), m_topBar);
}

// ---- timers, size, shutdown ----

void MainWindow::repaintTick() {
    // Bursts of reports collapse into one repaint per tick.
    if (!m_levelsDirty)
        return;
    // Meters move on the strips' own timers from the image; level reports (faders,
    // output mutes, MIC/LINE) reload the strips on their next tick, and the readout may
    // show one of those values.
    if (m_levelsDirty) {
        m_bank->requestReloadAll();
        showReadout();
        // Level reports carry the number of connected microphone units.
        m_unitsSection->unitCountReported();
    }
    m_levelsDirty = false;
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_topBar->setGeometry(0, 0, width(), kTopBarHeight);
    m_scroll->setGeometry(0, kTopBarHeight, width(), std::max(0, height() - kTopBarHeight));
    m_notice->place(NoticeRect(ShellMetrics::forClient(size())), m_topBar);
    if (!m_initialized)
        return;
    const ShellMetrics next = ShellMetrics::forClient(size());
    if (next == m_metrics) {
        fitContent();
        return;
    }
    // The strip height follows the client height too: the strips are placed again
    // whenever any size changed, not only their width.
    m_metrics = next;
    applyMetrics();
    applyContent();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (m_closeAllowed) {
        event->accept();
        return;
    }
    event->ignore();
    // The operator closing the window while a setting still goes out would leave the
    // device with part of it: ask first. A close asked for by the program (Ctrl-C, a
    // signal) goes ahead.
    if (event->spontaneous() && !m_shuttingDown && m_maintenance && m_maintenance->busy()) {
        confirm(text("The device is being updated or reset; closing now may leave it unusable "
                     "until it is updated again. Close anyway?",
                     "设备正在升级或复位，现在关闭可能使设备在重新升级前无法使用。仍要关闭吗？"),
                [this] { beginShutdown(); });
        return;
    }
    if (event->spontaneous() && !m_shuttingDown && m_services.recall().running()) {
        confirm(text("A setting is still being sent to the device; closing now leaves it "
                     "with only part of the setting. Close anyway?",
                     "正在向设备发送设置，现在关闭设备将只收到部分设置。仍要关闭吗？"),
                [this] { beginShutdown(); });
        return;
    }
    // Unsaved changes of a file are never dropped without the operator's word, whoever
    // asks to close; only the program's own close (a signal) goes ahead.
    if (!m_closeWithoutQuestions && !m_shuttingDown && m_services.document().modified()) {
        whenChangesSettled([this] { beginShutdown(); });
        return;
    }
    beginShutdown();
}

void MainWindow::closeWithoutQuestions() {
    m_closeWithoutQuestions = true;
    close();
}

void MainWindow::connectDevice() {
    connectStarting();
    m_session.connect();
}

void MainWindow::beginShutdown() {
    if (m_shuttingDown)
        return;
    m_shuttingDown = true;
    m_link->stopTimer();
    m_repaintTimer.stop();
    m_services.stopWorkers();
    if (m_maintenance)
        m_maintenance->shutdown();
    // "%Q," 0 when online, then the receive thread is told to stop.
    m_session.shutdown();
    m_closeTimer.start();
}

bool MainWindow::closeTick() {
    if (m_session.receiverRunning() || m_services.discovery().running())
        return false;
    m_closeAllowed = true;
    return true;
}

} // namespace krm::ui
