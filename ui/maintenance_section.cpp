#include "ui/maintenance_section.h"

#include "kit/kit_style.h"
#include "kit/texts.h"
#include "kit/toggle_button.h"
#include "model/device_session.h"
#include "model/frame_builders.h"
#include "ui/messages.h"
#include "update/firmware_file.h"
#include "update/firmware_transfer.h"
#include "update/http_client.h"
#include "update/local_update_run.h"
#include "update/remote_update.h"
#include "update/update_channel.h"
#include "update/update_page.h"
#include "update/update_worker.h"
#include "update/version_queries.h"

#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>

#include <chrono>
#include <filesystem>
#include <future>
#include <thread>

namespace krm::ui {

namespace {

constexpr int kLeft = 0;
constexpr int kButtonWidth = 150;
constexpr int kButtonHeight = 44;
constexpr int kRowGap = 12;

// After the remote update's "%Q," 0 the old program waited 2,000 ms for the reports to stop
// and 1,000 ms after marking the link down; the reports stop the same way here.
constexpr Millis kRemoteStopPause{2000};
constexpr Millis kRemoteDownPause{1000};

QString fromMessage(const Message& m) {
    return QString::fromStdString(currentLanguage() == Language::Chinese ? m.zh : m.en);
}

QString VersionLabel(const TextPair& format, double value) {
    return text(format).arg(value, 0, 'f', 1);
}

} // namespace

// Posts every report of the worker to the section, in order. The section joins the worker
// before it is destroyed, so the pointer outlives every call; a task still queued when the
// section goes is dropped by Qt.
class MaintenanceSection::Reporter final : public UpdateReporter {
public:
    explicit Reporter(MaintenanceSection* section) : m_section(section) {}

    void cancel() { m_cancelled.store(true); }
    void reset() { m_cancelled.store(false); }

    void progressRange(int maximum) override {
        post([maximum](MaintenanceSection& s) {
            ++s.m_fileNumber;
            s.m_progress->setRange(0, std::max(1, maximum));
            s.m_progress->setValue(0);
            s.m_progress->show();
            s.showTransfer();
        });
    }
    void progress(int position) override {
        post([position](MaintenanceSection& s) {
            s.m_progress->setValue(position);
            s.showTransfer();
        });
    }
    void message(const Message& text) override {
        post([text](MaintenanceSection& s) {
            s.setStatus(fromMessage(text));
            s.showUpdateMessage(fromMessage(text), false, {});
        });
    }
    void messageWithCaption(const Message& text, const std::string& caption) override {
        post([text, caption](MaintenanceSection& s) {
            s.setStatus(fromMessage(text));
            s.showUpdateMessage(fromMessage(text), false, QString::fromStdString(caption));
        });
    }
    void versions(const std::string& hardware, const std::string& basic,
                  const std::string& remote) override {
        post([hardware, basic, remote](MaintenanceSection& s) {
            s.m_hardware = hardware;
            if (!basic.empty())
                s.m_basic = basic;
            s.m_remote = remote;
            s.showVersions();
        });
    }
    bool ask(const Message& question) override {
        auto answer = std::make_shared<std::promise<bool>>();
        auto once = std::make_shared<std::atomic<bool>>(false);
        std::future<bool> result = answer->get_future();
        post([question, answer, once](MaintenanceSection& s) {
            if (!s.m_services.ask) {
                if (!once->exchange(true))
                    answer->set_value(false);
                return;
            }
            s.m_services.ask(fromMessage(question), [answer, once](bool ok) {
                if (!once->exchange(true))
                    answer->set_value(ok);
            });
        });
        // The window may close while the question waits: a cancel ends the wait.
        while (result.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
            if (m_cancelled.load())
                return false;
        return result.get();
    }

private:
    template <class F> void post(F f) {
        MaintenanceSection* section = m_section;
        QMetaObject::invokeMethod(
            section, [section, f] { f(*section); }, Qt::QueuedConnection);
    }

    MaintenanceSection* m_section;
    std::atomic<bool> m_cancelled{false};
};

MaintenanceSection::MaintenanceSection(DeviceSession& session, EditService& edits,
                                       FactoryRecovery& recovery, Clock& clock,
                                       MaintenanceServices services, QWidget* parent)
    : QWidget(parent), m_session(session), m_edits(edits), m_recovery(recovery), m_clock(clock),
      m_services(std::move(services)), m_worker(std::make_unique<UpdateWorker>()),
      m_reporter(std::make_shared<Reporter>(this)) {
    setObjectName(QStringLiteral("maintenanceSection"));
    auto button = [this](const char* name) {
        auto* b = new ToggleButton({}, this);
        b->setObjectName(QLatin1String(name));
        b->setTextPixelSize(14);
        b->setLitColor(style::kLitBlue);
        return b;
    };
    m_local = button("localUpdateButton");
    m_update = button("remoteUpdateButton");
    m_recoveryButton = button("recoveryButton");
    connect(m_local, &ToggleButton::clicked, this, [this] { pressLocal(); });
    connect(m_update, &ToggleButton::clicked, this, [this] { pressUpdate(); });
    connect(m_recoveryButton, &ToggleButton::clicked, this, [this] { pressRecovery(); });
    // The remote update needs an update page; without an address its button stays hidden.
    m_update->setVisible(!m_services.updatePageUrl.isEmpty());

    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, style::kText);
    auto label = [this, &pal](const char* name) {
        auto* l = new QLabel(this);
        l->setObjectName(QLatin1String(name));
        l->setFont(style::font(14));
        l->setPalette(pal);
        return l;
    };
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("updateProgress"));
    m_progress->setTextVisible(false);
    m_progress->hide();
    m_recoveryLabel = label("recoveryLabel");
    m_recoveryLabel->hide();
    m_status = label("updateStatus");
    m_status->setWordWrap(true);
    for (std::size_t i = 0; i < m_versions.size(); ++i)
        m_versions[i] = label("versionLabel");
    m_versions[3]->hide(); // the remote version shows once a page was read

    placeControls();
    m_timer.setInterval(kTimerMs);
    connect(&m_timer, &QTimer::timeout, this, &MaintenanceSection::tick);
    if (m_services.startTimer)
        m_timer.start();
    retranslate();
}

MaintenanceSection::~MaintenanceSection() {
    shutdown();
}

void MaintenanceSection::placeControls() {
    int x = kLeft;
    for (ToggleButton* b : {m_local, m_update, m_recoveryButton}) {
        b->setGeometry(x, 0, kButtonWidth, kButtonHeight);
        x += kButtonWidth + 20;
    }
    // RECOVERY keeps its place whether UPDATE shows or not.
    const int width = 3 * kButtonWidth + 40;
    int y = kButtonHeight + kRowGap;
    m_progress->setGeometry(kLeft, y, width, 18);
    m_recoveryLabel->setGeometry(kLeft, y + 22, width, 24);
    y += 52;
    for (QLabel* l : m_versions) {
        l->setGeometry(kLeft, y, width, 26);
        y += 28;
    }
    m_status->setGeometry(kLeft, y + 6, width, 64);
    resize(width, y + 72);
}

void MaintenanceSection::retranslate() {
    m_local->setText(text("LOCAL", "本地升级"));
    m_update->setText(text("UPDATE", "在线升级"));
    m_recoveryButton->setText(text("RECOVERY", "恢复出厂"));
    m_local->setToolTip(text("Update the device from firmware files on this computer",
                             "用本机上的固件文件升级设备"));
    m_update->setToolTip(
        text("Download the newest firmware and update the device", "下载最新固件并升级设备"));
    m_recoveryButton->setToolTip(text("Put every setting of the device back to the factory's",
                                      "将设备的所有设置恢复为出厂设置"));
    m_recoveryLabel->setText(QStringLiteral("Resetting,please wait."));
    showVersions();
}

void MaintenanceSection::showVersions() {
    std::string hardware = m_hardware;
    // Before any update asked, the version the device told at the handshake ("…V31").
    if (hardware.empty()) {
        const std::string device(m_edits.image().deviceText.view());
        if (device.size() >= 2 &&
            device.find_first_not_of("0123456789", device.size() - 2) == std::string::npos)
            hardware = device.substr(device.size() - 2);
    }
    m_versions[0]->setText(
        VersionLabel({"Hardware version：%1", "固件版本：%1"}, VersionLabelValue(hardware)));
    m_versions[1]->setText(
        VersionLabel({"Local version：%1", "本地升级版本：%1"}, VersionLabelValue(LocalVersion)));
    m_versions[2]->setText(
        VersionLabel({"Basic version：%1", "基带版本：%1"}, VersionLabelValue(m_basic) / 10));
    m_versions[3]->setText(
        VersionLabel({"Remote version：%1", "最新升级版本：%1"}, VersionLabelValue(m_remote)));
    m_versions[3]->setVisible(!m_remote.empty() || m_remotePending);
}

QString MaintenanceSection::versionText(int label) const {
    if (label < 0 || label >= static_cast<int>(m_versions.size()))
        return {};
    return m_versions[static_cast<std::size_t>(label)]->text();
}

bool MaintenanceSection::busy() const {
    return updating() || m_recoveryShown || m_askingOffline ||
           (m_preflight && m_preflight->running());
}

void MaintenanceSection::showTransfer() {
    // A firmware update always sends two files, the digital firmware first.
    setStatus(text("Sending file %1 of 2: block %2 of %3",
                   "正在发送第 %1 个文件（共 2 个）：第 %2 块，共 %3 块")
                  .arg(m_fileNumber)
                  .arg(m_progress->value())
                  .arg(m_progress->maximum()));
}

bool MaintenanceSection::updating() const {
    // The question on the update socket holds the local port too (m_worker is busy).
    return m_run || m_remotePending || m_worker->busy();
}

void MaintenanceSection::setStatus(const QString& t) {
    m_status->setText(t);
}

void MaintenanceSection::shutdown() {
    m_stopLocal = true;
    m_reporter->cancel();
    m_worker->stop();
}

// ---- LOCAL ----

void MaintenanceSection::pressLocal() {
    if (busy()) {
        if (m_services.showMessage)
            m_services.showMessage(UpdateBusyText(), false, {});
        return;
    }
    // The device's basic version chooses the pair of files; it is asked, and exactly that
    // pair checked, before anything on the device or the link changes.
    setStatus(text("Asking the device for its basic version…", "正在读取设备的基带版本…"));
    if (!m_session.receiverRunning()) {
        askBasicOffline();
        return;
    }
    m_preflight = std::make_unique<LocalPreflight>(
        m_session, m_clock, std::filesystem::path(m_services.firmwareFolder.toStdU16String()));
    m_preflight->start([this, preflight = m_preflight.get()](const PreflightResult& result) {
        // The preflight is done with: it goes after its last call has returned.
        QMetaObject::invokeMethod(
            this,
            [this, preflight] {
                if (m_preflight.get() == preflight)
                    m_preflight.reset();
            },
            Qt::QueuedConnection);
        preflightDone(result);
    });
}

std::shared_ptr<UdpUpdateChannel> MaintenanceSection::openUpdateChannel() {
    // The DEVICES list's poll may hold the local port open while no link runs.
    m_session.releasePort();
    auto channel = std::make_shared<UdpUpdateChannel>();
    const std::string ip = m_services.deviceIp ? m_services.deviceIp() : std::string();
    const std::optional<Endpoint> device = Endpoint::parse(ip, m_services.devicePort);
    std::string error;
    if (!device || !channel->open(*device, m_services.localPort, &error)) {
        showSocketError(error);
        return nullptr;
    }
    return channel;
}

void MaintenanceSection::showSocketError(const std::string& error) {
    setStatus(QString::fromStdString(error));
    if (m_services.showMessage)
        m_services.showMessage(QStringLiteral("Winsock error!"), true, QStringLiteral("Warming"));
}

void MaintenanceSection::askBasicOffline() {
    // The link is down, so the update socket may take the local port for the question.
    const std::shared_ptr<UdpUpdateChannel> channel = openUpdateChannel();
    if (!channel)
        return;
    auto answer = std::make_shared<std::optional<std::string>>();
    Clock* clock = &m_clock;
    m_askingOffline = true;
    const bool started = m_worker->start(
        [channel, clock, answer](const std::atomic<bool>& stop) {
            *answer = AskBasicVersion(*channel, *clock, stop);
            channel->close();
        },
        [this, answer] {
            QMetaObject::invokeMethod(
                this,
                [this, answer] {
                    m_worker->stop(); // joins the thread that has just ended
                    m_askingOffline = false;
                    PreflightResult result;
                    if (*answer)
                        result =
                            PlanLocalUpdate(m_services.firmwareFolder.toStdU16String(), **answer);
                    else
                        result.problem = NoBasicVersionMessage();
                    preflightDone(result);
                },
                Qt::QueuedConnection);
        });
    if (!started) {
        m_askingOffline = false;
        channel->close();
    }
}

void MaintenanceSection::preflightDone(const PreflightResult& result) {
    if (result.status == PreflightResult::Status::Ready) {
        m_plan = result.plan;
        m_basic = result.plan.basicVersion;
        confirmLocal();
        return;
    }
    if (!result.plan.basicVersion.empty()) {
        m_basic = result.plan.basicVersion;
        showVersions();
    }
    const QString problem = fromMessage(result.problem);
    // The box names every file; the section keeps the gist.
    setStatus(problem.section(QLatin1Char('\n'), 0, 0));
    if (m_services.showMessage)
        m_services.showMessage(problem, true, {});
}

void MaintenanceSection::confirmLocal() {
    showVersions();
    const QFileInfo digital(QString::fromStdU16String(m_plan.files.digital.u16string()));
    const QFileInfo dsp(QString::fromStdU16String(m_plan.files.dsp.u16string()));
    const QString files = text("%1 (%2 bytes) and %3 (%4 bytes)", "%1（%2 字节）和 %3（%4 字节）")
                              .arg(digital.fileName())
                              .arg(digital.size())
                              .arg(dsp.fileName())
                              .arg(dsp.size());
    setStatus({});
    QString question = text("If do you update the device? ", "是否要升级？");
    question += QStringLiteral("\n\n") + m_versions[0]->text() + QStringLiteral("\n") +
                m_versions[2]->text() + QStringLiteral("\n") + m_versions[1]->text() +
                QStringLiteral("\n") + text("Files: %1", "文件：%1").arg(files);
    question += QStringLiteral("\n\n") +
                (m_session.isOnline()
                     ? text("The device's settings are kept as a stored setting first.",
                            "将先把设备设置保存为一个已存储设置。")
                     : text("The device is not connected: its settings cannot be kept first.",
                            "设备未连接：无法先保存其设置。"));
    auto go = [this](bool ok) {
        if (!ok || busy())
            return;
        // The files may have moved while the question waited: checked once more.
        const PreflightResult again =
            PlanLocalUpdate(m_services.firmwareFolder.toStdU16String(), m_plan.basicVersion);
        if (again.status != PreflightResult::Status::Ready) {
            if (m_services.showMessage)
                m_services.showMessage(fromMessage(again.problem), true, {});
            return;
        }
        startLocal();
    };
    if (m_services.ask)
        m_services.ask(question, go);
    else
        go(true);
}

// ---- UPDATE ----

void MaintenanceSection::pressUpdate() {
    if (busy()) {
        if (m_services.showMessage)
            m_services.showMessage(UpdateBusyText(), false, {});
        return;
    }
    if (m_services.updatePageUrl.isEmpty())
        return;
    prepareRemote();
}

// ---- LOCAL's run: the settings kept, the link down, the files sent ----

void MaintenanceSection::startLocal() {
    m_reporter->reset();
    m_hardware.clear();
    m_fileNumber = 0;
    auto keep = [this](Message& why) {
        if (!m_services.backupSettings) {
            why = {"no place for them is configured", "未配置保存位置"};
            return false;
        }
        QString error;
        const std::optional<QString> kept = m_services.backupSettings(error);
        if (!kept) {
            // The window gave the reason in the current language already.
            why = {error.toStdString(), error.toStdString()};
            return false;
        }
        setStatus(
            text("The device's settings were kept as %1.", "设备设置已保存为 %1。").arg(*kept));
        return true;
    };
    LocalUpdateRun::Target target{m_services.deviceIp ? m_services.deviceIp() : std::string(),
                                  m_services.devicePort, m_services.localPort};
    m_run = std::make_unique<LocalUpdateRun>(
        LocalUpdateRun::Parts{m_session, m_edits, m_clock, *m_reporter, m_stopLocal},
        std::move(target), m_plan, std::move(keep));
    // The transfer runs on the worker; its end is taken up from this post (see tick()).
    m_run->useWorker(*m_worker, [this] {
        QMetaObject::invokeMethod(
            this, [this] { pollLocal(); }, Qt::QueuedConnection);
    });
    m_run->beforeLinkDown(m_services.stopDiscovery);
    if (!m_run->start()) {
        localEnded();
        return;
    }
    setStatus(text("Stopping the device's reports…", "正在停止设备报告…"));
}

void MaintenanceSection::pollLocal() {
    if (!m_run)
        return;
    const bool wasTransferring = m_run->step() == LocalUpdateRun::Step::Transferring;
    if (m_run->poll()) {
        localEnded();
        return;
    }
    if (!wasTransferring && m_run->step() == LocalUpdateRun::Step::Transferring)
        setStatus(text("Updating the device from the local files…", "正在用本地文件升级设备…"));
}

void MaintenanceSection::localEnded() {
    const std::unique_ptr<LocalUpdateRun> run = std::move(m_run);
    if (run->outcome() == LocalUpdateRun::Outcome::BackupFailed) {
        if (m_services.showMessage)
            m_services.showMessage(fromMessage(run->failureMessage()), true, {});
    } else if (run->outcome() == LocalUpdateRun::Outcome::SocketFailed) {
        showSocketError(run->detail().en);
    } else {
        updateEnded(run->detail());
    }
}

// ---- UPDATE's run: the link down, then the worker ----

void MaintenanceSection::prepareRemote() {
    m_remotePending = true;
    m_linkDown = false;
    m_stopFrames.reset();
    setStatus(text("Stopping the device's reports…", "正在停止设备报告…"));
    if (!m_session.isOnline())
        return; // the next tick takes the link down and starts
    m_stopFrames = m_edits.playTimed({{{}, BuildQ(0), kRemoteStopPause}});
}

void MaintenanceSection::startRemote() {
    const std::shared_ptr<UdpUpdateChannel> channel = openUpdateChannel();
    if (!channel)
        return;
    m_reporter->reset();
    m_hardware.clear();
    m_fileNumber = 0;
    m_lastDetail = std::make_shared<Message>();
    std::shared_ptr<Reporter> reporter = m_reporter;
    std::shared_ptr<Message> detail = m_lastDetail;
    Clock* clock = &m_clock;
    const std::filesystem::path folder = m_services.firmwareFolder.toStdU16String();
    const std::string page = m_services.updatePageUrl.toStdString();
    setStatus(text("Reading the update page…", "正在读取升级页面…"));
    UpdateWorker::Job job = [channel, clock, reporter, folder, page,
                             detail](const std::atomic<bool>& stop) {
        RemoteUpdateSteps steps;
        steps.identify = [&] { return QueryHardwareVersion(*channel, *clock, stop); };
        steps.transfer = [&](const std::string& path, int fileKind) {
            FirmwareTransfer transfer(*channel, *clock, *reporter, stop);
            const bool ok = transfer.run(std::filesystem::path(path), fileKind);
            if (!ok)
                *detail = transfer.lastError();
            return ok;
        };
        HttpClient http(*clock, &stop);
        RemoteUpdate(std::move(steps), http, *clock, *reporter, &stop).run(page, folder.string());
        channel->close();
    };
    const bool started = m_worker->start(std::move(job), [this] {
        QMetaObject::invokeMethod(
            this, [this] { remoteEnded(); }, Qt::QueuedConnection);
    });
    if (!started)
        setStatus(UpdateBusyText());
}

void MaintenanceSection::remoteEnded() {
    m_worker->stop(); // joins the thread that has just ended
    updateEnded(m_lastDetail ? *m_lastDetail : Message{});
}

void MaintenanceSection::updateEnded(const Message& detail) {
    m_progress->hide();
    showVersions();
    // What went wrong, besides the device's short "update fail".
    setStatus(detail.empty() ? QString() : fromMessage(detail));
    // The link stays down after an update; the operator decides when to connect again,
    // once the outcome ("Update successfully", "update fail") has been read.
    m_reconnectOffer = true;
    offerReconnect();
}

void MaintenanceSection::showUpdateMessage(const QString& t, bool warning, const QString& caption) {
    if (!m_services.showMessage)
        return;
    QWidget* box = m_services.showMessage(t, warning, caption);
    if (!box)
        return;
    m_updateBoxes.append(box);
    // A box that closes may be the last the offer waits for.
    connect(box, &QObject::destroyed, this, [this] { offerReconnect(); });
    if (auto* dialog = qobject_cast<QDialog*>(box))
        connect(dialog, &QDialog::finished, this, [this] { offerReconnect(); });
}

void MaintenanceSection::offerReconnect() {
    m_updateBoxes.removeIf([](const QPointer<QWidget>& box) { return !box || !box->isVisible(); });
    if (!m_reconnectOffer || !m_updateBoxes.isEmpty())
        return;
    m_reconnectOffer = false;
    if (m_services.ask && m_services.reconnect)
        m_services.ask(text("The update has ended. Connect to the device again?",
                            "升级已结束。是否重新连接设备？"),
                       [this](bool ok) {
                           if (ok && !busy())
                               m_services.reconnect();
                       });
}

// ---- RECOVERY ----

void MaintenanceSection::pressRecovery() {
    if (busy()) {
        if (m_services.showMessage)
            m_services.showMessage(text("Reseting device.......", "正在恢复设备......."), false,
                                   {});
        return;
    }
    auto go = [this](bool ok) {
        if (!ok || busy())
            return;
        switch (m_recovery.start(currentLanguage() == Language::Chinese)) {
        case FactoryRecovery::Start::Busy:
            if (m_services.showMessage)
                m_services.showMessage(text("A setting is still being sent to the device. Wait "
                                            "until it is finished.",
                                            "正在向设备发送设置，请等待完成。"),
                                       false, {});
            return;
        case FactoryRecovery::Start::Written:
        case FactoryRecovery::Start::Sending:
            break;
        }
        m_session.touchLastReply();
        m_recoveryShown = true;
        m_animation = 0;
        m_animationStep = 1;
        m_progress->setRange(0, 100);
        m_progress->setValue(0);
        m_progress->show();
        m_recoveryLabel->show();
        setStatus({});
    };
    if (m_services.ask)
        m_services.ask(text("If do you recovery the device? ", "是否要恢复出厂化设置？"), go);
    else
        go(true);
}

void MaintenanceSection::finishRecovery() {
    m_recoveryShown = false;
    m_progress->hide();
    m_recoveryLabel->hide();
    if (m_services.recovered)
        m_services.recovered();
    const int lost = m_recovery.dropped();
    if (lost > 0)
        setStatus(text("The link went down during the reset: %1 of %2 frames did not reach "
                       "the device.",
                       "复位期间连接中断：%2 帧中有 %1 帧未送达设备。")
                      .arg(lost)
                      .arg(m_recovery.total()));
    if (m_services.showMessage)
        m_services.showMessage(text("Reset successfully.", "恢复出厂设置成功。"), false, {});
}

// ---- the 100 ms timer ----

void MaintenanceSection::tick() {
    if (m_preflight)
        m_preflight->poll();
    if (m_recoveryShown) {
        m_animation += m_animationStep;
        if (m_animation >= 100 || m_animation <= 0)
            m_animationStep = -m_animationStep;
        m_progress->setValue(m_animation);
        if (!m_recovery.running())
            finishRecovery();
    }
    // A transfer's end is taken up from its worker's post alone, which comes after every
    // report it posted: the offer to connect again must see the outcome's boxes open.
    if (m_run && m_run->step() != LocalUpdateRun::Step::Transferring)
        pollLocal();
    if (!m_remotePending)
        return;
    if (m_stopFrames && !m_stopFrames->finished())
        return;
    if (!m_linkDown) {
        // The device has been told to stop reporting: the link goes down and its receive
        // thread ends, so the update socket can take the local port.
        if (m_services.stopDiscovery)
            m_services.stopDiscovery();
        m_session.stopForUpdate();
        m_linkDown = true;
        m_linkDownAt = m_clock.now();
    }
    // The remote update gives the device a second more after the link went down.
    if (m_clock.now() - m_linkDownAt < kRemoteDownPause)
        return;
    m_remotePending = false;
    m_stopFrames.reset();
    startRemote();
}

} // namespace krm::ui
