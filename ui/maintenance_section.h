#pragma once
// MaintenanceSection: the system page's HELP section — LOCAL (send the firmware files
// beside the program), UPDATE (fetch newer files from the update page first; shown only
// when an update-page address is configured), RECOVERY (factory values, resent over the
// live link), the transfer's progress bar, the recovery animation and the version labels
// "Hardware version：3.1", "Local version：3.0", "Basic version：3.1", "Remote version：…".
//
// A firmware update takes the link down. For LOCAL the section asks the device its basic
// version (over the live link, or on the update socket when the link is down), checks the
// pair of files that version takes and shows the versions and the files in the question;
// after a "yes" a LocalUpdateRun keeps the settings, stops the reports, takes the link
// down and sends the files on the section's worker, polled from the timer. UPDATE stops
// the reports with one "%Q," 0, takes the link down and runs the remote update on the
// worker. At the end the section shows the outcome and, once the operator has read it,
// offers to connect again.
//
// What the section needs from the window comes in as MaintenanceServices; tests pass
// the window's own. UI thread only; the worker reports through a reporter that posts here.

#include "update/factory_recovery.h"
#include "update/local_preflight.h"
#include "update/local_update_run.h"
#include "update/update_reporter.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QLabel;
class QProgressBar;

namespace krm {
class DeviceSession;
class UpdateWorker;
class UdpUpdateChannel;
} // namespace krm

namespace krm::ui {

class ToggleButton;

struct MaintenanceServices {
    // An OK/Cancel question with a warning icon; `answer` gets true after OK.
    std::function<void(const QString& question, std::function<void(bool)> answer)> ask;
    // A message box; an empty caption is the window's own. Returns the box (null when none
    // opened), so that the offer to connect again waits until the outcome was read.
    std::function<QWidget*(const QString& text, bool warning, const QString& caption)> showMessage;
    // Keeps the device's settings before a firmware update: a short description of where
    // they went ("setting 12"), or nothing when they could not be kept (`error` says why).
    std::function<std::optional<QString>(QString& error)> backupSettings;
    // After a factory recovery: group switches off, the channel view, every strip redrawn.
    std::function<void()> recovered;
    // Connects the link again (the operator accepted the offer after an update).
    std::function<void()> reconnect;
    // Stops a discovery sweep if one runs (it binds the same local port).
    std::function<void()> stopDiscovery;
    // The device's address and port, and the local port the update socket binds.
    std::function<std::string()> deviceIp;
    std::uint16_t devicePort = 0;
    std::uint16_t localPort = 0;
    // Folder of the firmware files and of the downloaded "upate1.bin"/"upate2.bin".
    QString firmwareFolder;
    // The update page's address; empty: the UPDATE button stays hidden.
    QString updatePageUrl;
    // False: the 100 ms timer does not run (tests call tick() themselves).
    bool startTimer = true;
};

class MaintenanceSection : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTimerMs = 100;

    MaintenanceSection(DeviceSession& session, EditService& edits, FactoryRecovery& recovery,
                       Clock& clock, MaintenanceServices services, QWidget* parent = nullptr);
    ~MaintenanceSection() override;

    void retranslate();
    // `UpdateBusy`: a firmware update (local or remote) or a factory recovery runs.
    bool busy() const;
    // A firmware update is under way: it takes, or is about to take, the local port.
    bool updating() const;
    // Stops a running update's worker and joins it (window close). Prompt.
    void shutdown();

    // The buttons' handlers (the buttons call them; tests may too).
    void pressLocal();
    void pressUpdate();
    void pressRecovery();
    // Body of the section's 100 ms timer (tests call it by hand on the fake clock).
    void tick();

    // Widgets and state, for tests.
    ToggleButton* localButton() const { return m_local; }
    ToggleButton* updateButton() const { return m_update; }
    ToggleButton* recoveryButton() const { return m_recoveryButton; }
    QProgressBar* progressBar() const { return m_progress; }
    QLabel* statusLabel() const { return m_status; }
    QString versionText(int label) const; // 0 hardware, 1 local, 2 basic, 3 remote
    int animationPosition() const { return m_animation; }
    bool recoveryShown() const { return m_recoveryShown; }

private:
    class Reporter;
    friend class Reporter;

    void placeControls();
    void showVersions();
    void askBasicOffline();
    // The update socket on the device's address and the local port; null, with the socket
    // error shown, when it cannot be opened.
    std::shared_ptr<UdpUpdateChannel> openUpdateChannel();
    void showSocketError(const std::string& error);
    void preflightDone(const PreflightResult& result);
    void confirmLocal();
    // Opens a message box of an update; the offer to connect again waits for it.
    void showUpdateMessage(const QString& text, bool warning, const QString& caption);
    void offerReconnect();
    void startLocal();
    void pollLocal();
    void localEnded();
    void prepareRemote();
    void startRemote();
    void remoteEnded();
    // The outcome has been told: the progress goes, the reason stays, the offer follows.
    void updateEnded(const Message& detail);
    void finishRecovery();
    void setStatus(const QString& text);
    void showTransfer();

    DeviceSession& m_session;
    EditService& m_edits;
    FactoryRecovery& m_recovery;
    Clock& m_clock;
    MaintenanceServices m_services;
    std::unique_ptr<UpdateWorker> m_worker;
    std::shared_ptr<Reporter> m_reporter;
    std::shared_ptr<Message> m_lastDetail; // the remote update's reason, written by its worker
    std::atomic<bool> m_stopLocal{false};  // raised when the window closes
    std::unique_ptr<LocalUpdateRun> m_run; // LOCAL after the operator's "yes"

    std::unique_ptr<LocalPreflight> m_preflight; // LOCAL asking the device over the live link
    bool m_askingOffline = false;                // LOCAL asking on the update socket
    LocalUpdatePlan m_plan;                      // what the local update sends
    QList<QPointer<QWidget>> m_updateBoxes;      // the update's messages still open
    bool m_reconnectOffer = false;               // to be made once they are closed
    bool m_remotePending = false;                // UPDATE waiting for the link to go down
    bool m_linkDown = false;                     // the pending update has taken the link down
    Millis m_linkDownAt{0};
    std::shared_ptr<const SequenceProgress> m_stopFrames;
    int m_fileNumber = 0; // the file of the update being sent, 1 or 2
    bool m_recoveryShown = false;
    int m_animation = 0;
    int m_animationStep = 1;

    // Version texts as the device and the page gave them.
    std::string m_hardware;
    std::string m_basic = "000";
    std::string m_remote;

    ToggleButton* m_local;
    ToggleButton* m_update;
    ToggleButton* m_recoveryButton;
    QProgressBar* m_progress;
    QLabel* m_recoveryLabel;
    QLabel* m_status;
    std::array<QLabel*, 4> m_versions{};
    QTimer m_timer;
};

} // namespace krm::ui
