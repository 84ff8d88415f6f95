// MainWindow: the document — setting files prepared without the device (NEW, OPEN, SAVE,
// SAVE AS), the window's settings sent to the device or the device's read, the question
// before unsaved changes are dropped, the title that names what the window edits, and the
// question when a connect meets settings the device does not have.

#include "ui/main_window.h"

#include "kit/kit_style.h"
#include "kit/texts.h"
#include "kit/toggle_button.h"
#include "model/device_session.h"
#include "model/difference_text.h"
#include "model/setting_diff.h"
#include "presets/setting_recall.h"
#include "services/device_services.h"
#include "services/setting_document.h"
#include "ui/link_controller.h"
#include "ui/messages.h"
#include "ui/top_bar.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

namespace krm::ui {

namespace {

QString messageText(const Message& m) {
    return QString::fromStdString(currentLanguage() == Language::Chinese ? m.zh : m.en);
}

std::filesystem::path pathOf(const QString& file) {
    return std::filesystem::path(file.toStdU16String());
}

// The file's name as the title and the questions show it ("room-204.dat", "Untitled").
QString documentName(const SettingDocument& doc) {
    if (doc.path().empty())
        return text("Untitled", "未命名");
    return QFileInfo(QString::fromStdU16String(doc.path().u16string())).fileName();
}

// At most this many differences are listed in the connect question; the rest are counted.
constexpr int kListedDifferences = 12;

} // namespace

void MainWindow::buildFileMenu() {
    m_fileMenu = new QMenu(this);
    m_fileMenu->setObjectName(QStringLiteral("fileMenu"));
    m_fileMenu->setStyleSheet(style::dialogStyleSheet());
    auto add = [this](const char* name, const QKeySequence& keys, void (MainWindow::*run)()) {
        auto* action = new QAction(this);
        action->setObjectName(QString::fromLatin1(name));
        if (!keys.isEmpty()) {
            action->setShortcut(keys);
            action->setShortcutContext(Qt::WindowShortcut);
            addAction(action); // the keys work while the menu is closed
        }
        connect(action, &QAction::triggered, this, run);
        m_fileMenu->addAction(action);
        return action;
    };
    m_fileActions.newFile = add("fileNew", QKeySequence::New, &MainWindow::newFile);
    m_fileActions.open = add("fileOpen", QKeySequence::Open, &MainWindow::chooseFileToOpen);
    m_fileActions.save = add("fileSave", QKeySequence::Save, &MainWindow::saveFileCommand);
    m_fileActions.saveAs = add("fileSaveAs", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S),
                               &MainWindow::saveAsCommand);
    m_fileMenu->addSeparator();
    m_fileActions.send = add("fileSend", {}, &MainWindow::sendToDevice);
    m_fileActions.read = add("fileRead", {}, &MainWindow::readFromDevice);
    connect(m_topBar, &TopBar::filePressed, this, [this] {
        retranslateFileMenu();
        m_fileMenu->popup(
            m_topBar->fileButton()->mapToGlobal(QPoint(0, m_topBar->fileButton()->height())));
    });
    retranslateFileMenu();
}

void MainWindow::retranslateFileMenu() {
    const SettingDocument& doc = m_services.document();
    m_fileActions.newFile->setText(text("NEW", "新建"));
    m_fileActions.open->setText(text("OPEN…", "打开…"));
    m_fileActions.save->setText(text("SAVE", "保存"));
    m_fileActions.saveAs->setText(text("SAVE AS…", "另存为…"));
    m_fileActions.send->setText(text("SEND TO DEVICE", "发送到设备"));
    m_fileActions.read->setText(text("READ FROM DEVICE", "从设备读取"));
    m_fileActions.save->setEnabled(doc.isFile());
    // A file reaches the device by connecting to it; the device's settings are read the
    // same way.
    m_fileActions.send->setEnabled(doc.isFile());
    m_fileActions.read->setEnabled(!m_session.isOnline());
}

void MainWindow::refreshTitle() {
    const SettingDocument& doc = m_services.document();
    QString title = QStringLiteral("KRM-416X 3.1");
    if (doc.isFile()) {
        title += QStringLiteral(" — ") + documentName(doc);
        if (doc.modified())
            title += QStringLiteral(" *");
    } else if (m_session.isOnline()) {
        title += QStringLiteral(" — ") + QString::fromStdString(m_session.deviceIp());
    }
    if (windowTitle() != title)
        setWindowTitle(title);
}

QString MainWindow::pickFile(bool save) {
    const SettingDocument& doc = m_services.document();
    const QString current = QString::fromStdU16String(doc.path().u16string());
    if (m_options.pickFile)
        return m_options.pickFile(save, current);
    const QString filter =
        text("Setting files (*.dat);;All files (*)", "设置文件 (*.dat);;所有文件 (*)");
    return save ? QFileDialog::getSaveFileName(this, text("SAVE AS", "另存为"), current, filter)
                : QFileDialog::getOpenFileName(this, text("OPEN", "打开"), current, filter);
}

void MainWindow::whenChangesSettled(std::function<void()> next) {
    if (!m_services.document().modified()) {
        next();
        return;
    }
    const QString name = documentName(m_services.document());
    auto* box = new QMessageBox(
        QMessageBox::Warning, QStringLiteral("KRM-416X 3.1"),
        text("%1 has changes that are not saved. Save them?", "%1 有未保存的更改。是否保存？")
            .arg(name),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    box->setObjectName(QStringLiteral("unsavedQuestion"));
    box->button(QMessageBox::Save)->setText(text("SAVE", "保存"));
    box->button(QMessageBox::Discard)->setText(text("DISCARD", "放弃"));
    box->button(QMessageBox::Cancel)->setText(text("CANCEL", "取消"));
    box->setDefaultButton(QMessageBox::Save);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setStyleSheet(style::dialogStyleSheet());
    connect(box, &QMessageBox::finished, this, [this, box, next = std::move(next)](int) {
        const QAbstractButton* clicked = box->clickedButton();
        if (clicked == box->button(QMessageBox::Discard)) {
            next();
        } else if (clicked == box->button(QMessageBox::Save)) {
            if (saveFileCommandResult())
                next();
        }
        // Cancel, Esc: nothing changes.
    });
    box->open();
}

void MainWindow::newFile() {
    whenChangesSettled([this] {
        auto fresh = [this] {
            m_services.document().newFile(currentLanguage() == Language::Chinese);
            documentReplaced();
        };
        if (!m_session.isOnline() && !m_session.isConnecting()) {
            fresh();
            return;
        }
        // A new file is edited without the device, as an opened one is.
        ask(text("NEW disconnects from %1. Disconnect and start a new file?",
                 "新建将断开与 %1 的连接。断开并新建文件？")
                .arg(QString::fromStdString(m_session.deviceIp())),
            [this, fresh](bool ok) {
                if (ok && takeLinkDownForFile())
                    fresh();
            });
    });
}

void MainWindow::chooseFileToOpen() {
    whenChangesSettled([this] {
        const QString file = pickFile(false);
        if (!file.isEmpty())
            openFile(file);
    });
}

bool MainWindow::openFile(const QString& file) {
    if (m_session.isOnline() || m_session.isConnecting()) {
        // The window edits one set of settings: a file is edited without the device.
        ask(text("Opening %1 disconnects from %2. Disconnect and open it?",
                 "打开 %1 将断开与 %2 的连接。断开并打开？")
                .arg(QFileInfo(file).fileName(), QString::fromStdString(m_session.deviceIp())),
            [this, file](bool ok) {
                if (ok && takeLinkDownForFile())
                    openFile(file);
            });
        return false;
    }
    Message error;
    std::vector<HeldField> held;
    if (!m_services.document().open(pathOf(file), error, &held)) {
        ShowMessage(this, QStringLiteral("KRM-416X 3.1"),
                    text("%1 was not opened; nothing changed.\n%2", "未打开 %1，未做任何更改。\n%2")
                        .arg(QFileInfo(file).fileName(), messageText(error)),
                    QMessageBox::Warning);
        return false;
    }
    documentReplaced();
    if (!held.empty())
        ShowMessage(this, QStringLiteral("KRM-416X 3.1"),
                    text("%1: %2 values were out of range and were read as the nearest value.",
                         "%1：%2 个值超出范围，已按最接近的值读取。")
                        .arg(QFileInfo(file).fileName())
                        .arg(held.size()),
                    QMessageBox::Warning);
    return true;
}

bool MainWindow::takeLinkDownForFile() {
    if (!m_session.isOnline() && !m_session.isConnecting())
        return true;
    if (m_link->refusedWhileUpdating() || refusedWhileSending())
        return false;
    m_session.disconnect();
    return true;
}

void MainWindow::saveFileCommand() {
    saveFileCommandResult();
}

bool MainWindow::saveFileCommandResult() {
    SettingDocument& doc = m_services.document();
    if (!doc.isFile() || doc.path().empty())
        return saveAsCommandResult();
    Message error;
    if (!doc.save(error)) {
        ShowMessage(this, QStringLiteral("KRM-416X 3.1"), messageText(error), QMessageBox::Warning);
        return false;
    }
    refreshTitle();
    return true;
}

void MainWindow::saveAsCommand() {
    saveAsCommandResult();
}

bool MainWindow::saveAsCommandResult() {
    QString file = pickFile(true);
    if (file.isEmpty())
        return false;
    if (QFileInfo(file).suffix().isEmpty())
        file += QStringLiteral(".dat");
    Message error;
    if (!m_services.document().saveAs(pathOf(file), error)) {
        ShowMessage(this, QStringLiteral("KRM-416X 3.1"), messageText(error), QMessageBox::Warning);
        return false;
    }
    refreshTitle();
    retranslateFileMenu();
    return true;
}

void MainWindow::sendToDevice() {
    // The file's settings go to the device after its dump: connecting asks nothing more.
    if (!m_services.document().isFile() || m_session.isOnline())
        return;
    m_sendAfterConnect = true;
    m_link->pressConnect();
    if (!m_session.isConnecting())
        m_sendAfterConnect = false;
}

void MainWindow::readFromDevice() {
    if (m_session.isOnline())
        return;
    whenChangesSettled([this] {
        // The device's dump replaces the window's settings: nothing is offered against it.
        m_services.document().becomeDevice();
        refreshTitle();
        m_link->pressConnect();
    });
}

void MainWindow::connectStarting() {
    m_services.document().connecting();
}

void MainWindow::documentReplaced() {
    for (int g = 1; g <= kGroupCount; ++g) {
        m_topBar->setMuteGroupLit(g, false);
        m_topBar->setControlGroupLit(g,
                                     image().controlGroupActive[static_cast<std::size_t>(g - 1)]);
    }
    refreshAll();
    refreshHistory();
    refreshTitle();
    retranslateFileMenu();
}

void MainWindow::settleDump() {
    SettingDocument& doc = m_services.document();
    if (!m_session.isOnline() && !m_session.isConnecting()) {
        // The connect ended without the device: SEND TO DEVICE is not pending any more, and
        // a dump that replaced the window's settings gives them back.
        m_sendAfterConnect = false;
        if (std::exchange(m_dumpArrived, false) && doc.connectFailed())
            documentReplaced();
        return;
    }
    if (!m_dumpArrived || !m_session.isOnline())
        return;
    m_dumpArrived = false;
    std::optional<DeviceImage> kept = doc.deviceDumped();
    const bool send = std::exchange(m_sendAfterConnect, false);
    refreshTitle();
    if (!kept)
        return;
    if (send)
        sendSettings(*kept);
    else
        offerOfflineChanges(std::move(*kept));
}

void MainWindow::sendSettings(const DeviceImage& settings) {
    SettingRecall& recall = m_services.recall();
    if (recall.send(settings, {"SEND TO DEVICE", "发送到设备"}) == SettingRecall::Start::Busy) {
        ShowMessage(this, QStringLiteral("KRM-416X 3.1"),
                    text("A setting is still being sent to the device. Wait until it is finished, "
                         "then send the window's settings again.",
                         "正在向设备发送设置，请等待完成后再次发送窗口的设置。"));
        return;
    }
    settingLoaded();
    refreshHistory();
    // The whole setting goes out over several seconds: the notice shows it going.
    if (recall.progress()) {
        m_historyResend = recall.progress();
        showResendProgress(text("SEND TO DEVICE", "发送到设备"));
    }
}

void MainWindow::offerOfflineChanges(DeviceImage kept) {
    const std::vector<SettingDifference> differences = DiffImages(image(), kept);
    QStringList lines;
    for (std::size_t i = 0; i < differences.size() && i < kListedDifferences; ++i) {
        const SettingDifference& d = differences[i];
        lines << messageText(DifferenceText(d, image())) + QStringLiteral("  (") +
                     QString::fromStdString(d.path) + QLatin1Char(')');
    }
    if (differences.size() > kListedDifferences)
        lines << text("… and %1 more", "……另有 %1 项").arg(differences.size() - kListedDifferences);
    auto* box = new QMessageBox(
        QMessageBox::Question, QStringLiteral("KRM-416X 3.1"),
        text("The window holds %1 settings that %2 does not have (device → window). Send the "
             "window's settings to the device, or take the device's?",
             "窗口中有 %1 项设置与 %2 不同（设备 → "
             "窗口）。将窗口的设置发送到设备，还是采用设备的设置？")
                .arg(differences.size())
                .arg(QString::fromStdString(m_session.deviceIp())) +
            QStringLiteral("\n\n") + lines.join(QLatin1Char('\n')),
        QMessageBox::NoButton, this);
    box->setObjectName(QStringLiteral("offlineChangesQuestion"));
    QPushButton* send =
        box->addButton(text("SEND TO DEVICE", "发送到设备"), QMessageBox::AcceptRole);
    send->setObjectName(QStringLiteral("sendWindowSettings"));
    QPushButton* take =
        box->addButton(text("TAKE FROM DEVICE", "采用设备设置"), QMessageBox::RejectRole);
    take->setObjectName(QStringLiteral("takeDeviceSettings"));
    box->setDefaultButton(take);
    box->setEscapeButton(take);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setStyleSheet(style::dialogStyleSheet());
    connect(box, &QMessageBox::finished, this, [this, box, send, kept = std::move(kept)](int) {
        // Taking the device's settings needs nothing more: the window shows them already.
        if (box->clickedButton() == send && m_session.isOnline())
            sendSettings(kept);
    });
    box->open();
}

} // namespace krm::ui
