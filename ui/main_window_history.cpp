// MainWindow: undo and redo — the keys, the top bar's UNDO, REDO and HISTORY buttons and
// the history list.

#include "ui/main_window.h"

#include "editors/strips/strip_bank.h"
#include "kit/texts.h"
#include "kit/toggle_button.h"
#include "model/paced_sender.h"
#include "presets/setting_recall.h"
#include "ui/history_list.h"
#include "ui/link_controller.h"
#include "ui/maintenance_section.h"
#include "ui/messages.h"
#include "ui/notice_banner.h"
#include "ui/top_bar.h"
#include "update/factory_recovery.h"

#include <QApplication>
#include <QLineEdit>
#include <QShortcut>

namespace krm::ui {

namespace {

// Tells the window after every edit that went through the edit service.
class EditFollower final : public EditListener {
public:
    EditFollower(EditService& edits, std::function<void()> edited)
        : m_edits(edits), m_edited(std::move(edited)) {
        m_edits.addListener(this);
    }
    ~EditFollower() override { m_edits.removeListener(this); }
    EditFollower(const EditFollower&) = delete;
    EditFollower& operator=(const EditFollower&) = delete;

    void edited(const Parameter*, const std::vector<Channel>&) override { m_edited(); }

private:
    EditService& m_edits;
    std::function<void()> m_edited;
};

QString stepName(const EditStep* step) {
    if (!step)
        return {};
    return QString::fromStdString(currentLanguage() == Language::Chinese ? step->name.zh
                                                                         : step->name.en);
}

} // namespace

void MainWindow::buildHistory() {
    m_historyList = new HistoryList(this);
    connect(m_historyList, &HistoryList::stepsChosen, this, &MainWindow::stepHistory);
    connect(m_topBar, &TopBar::undoPressed, this, &MainWindow::undo);
    connect(m_topBar, &TopBar::redoPressed, this, &MainWindow::redo);
    connect(m_topBar, &TopBar::historyPressed, this, &MainWindow::showHistory);

    // Anywhere in the window, except where a text box takes the key for its own text (the
    // address box, the readout's typed entry): a line edit claims Ctrl+Z and Ctrl+Shift+Z
    // before any shortcut sees them, and Ctrl+Y, which it does not claim here, must not
    // change the device while the operator types either.
    auto add = [this](const QKeySequence& keys, void (MainWindow::*action)()) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, action] {
            if (qobject_cast<QLineEdit*>(QApplication::focusWidget()))
                return;
            (this->*action)();
        });
    };
    add(QKeySequence(Qt::CTRL | Qt::Key_Z), &MainWindow::undo);
    add(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), &MainWindow::redo);
    add(QKeySequence(Qt::CTRL | Qt::Key_Y), &MainWindow::redo);

    // A whole-module change (RESET, BYPASS, a recall, an undo) moves values no readout
    // selection asked for: the readout shows what the image now holds.
    m_historyFollower = std::make_unique<EditFollower>(m_edits, [this] {
        refreshHistory();
        showReadout();
    });
    refreshHistory();
}

void MainWindow::refreshHistory() {
    const EditHistory& history = m_edits.history();
    const QString undo = stepName(history.nextUndo());
    const QString redo = stepName(history.nextRedo());
    m_topBar->setUndoTips(history.canUndo() ? text("Undo: %1", "撤销：%1").arg(undo) : QString(),
                          history.canRedo() ? text("Redo: %1", "重做：%1").arg(redo) : QString());
    if (m_historyList->isVisible())
        m_historyList->load(history);
    // An edit may give the open file unsaved changes, an undo take them back.
    refreshTitle();
}

bool MainWindow::refusedWhileSending() {
    if (m_link->refusedWhileUpdating())
        return true;
    // A setting going out would be undercut half way; a recovery shows its own animation
    // until the device has every value.
    const bool resending = settingRecall().running() || factoryRecovery().running() ||
                           (m_maintenance && m_maintenance->busy()) ||
                           (m_historyResend && !m_historyResend->finished());
    if (!resending)
        return false;
    ShowMessage(this, QStringLiteral("KRM-416X 3.1"),
                text("A setting is still being sent to the device. Wait until it is finished.",
                     "正在向设备发送设置，请等待完成。"));
    return true;
}

void MainWindow::undo() {
    if (!m_edits.history().canUndo() || refusedWhileSending())
        return;
    historyMoved(m_edits.undo());
}

void MainWindow::redo() {
    if (!m_edits.history().canRedo() || refusedWhileSending())
        return;
    historyMoved(m_edits.redo());
}

void MainWindow::stepHistory(int count) {
    if (count == 0 || refusedWhileSending())
        return;
    EditService::UndoResult last;
    for (int i = 0; i < std::abs(count); ++i) {
        EditService::UndoResult result = count > 0 ? m_edits.undo() : m_edits.redo();
        if (!result.step)
            break;
        // Only the last result reaches historyMoved(): each switch on the way is shown here.
        if (result.muteGroup != 0)
            m_topBar->setMuteGroupLit(result.muteGroup, result.muteGroupOn);
        // Each RECALL step on the way plays its resend; the last one is the one to wait for.
        if (result.progress)
            last.progress = result.progress;
        last.step = result.step;
    }
    if (last.step)
        historyMoved(last);
}

void MainWindow::showHistory() {
    m_historyList->load(m_edits.history());
    m_historyList->popUpUnder(m_topBar->historyButton());
}

void MainWindow::historyMoved(const EditService::UndoResult& result) {
    if (result.progress) {
        m_historyResend = result.progress;
        showResendProgress(stepName(result.step));
    }
    // The switches show what the image now holds: a control group by its record, a mute
    // group by the switch the step flipped (the image keeps only the group switched on
    // last, which cannot say that an older group is on again).
    for (int g = 1; g <= kGroupCount; ++g)
        m_topBar->setControlGroupLit(g,
                                     image().controlGroupActive[static_cast<std::size_t>(g - 1)]);
    if (result.muteGroup != 0)
        m_topBar->setMuteGroupLit(result.muteGroup, result.muteGroupOn);
    if (result.progress)
        m_session.touchLastReply();
    // The listeners reloaded what they show of the changed channels; the shown editors
    // without one, the group and unit sections and the readout follow here.
    refreshAll();
    refreshHistory();
}

void MainWindow::showResendProgress(const QString& name) {
    // The whole setting goes out paced, a few seconds online: the operator sees it move and
    // learns whether every frame arrived, wherever the console is scrolled.
    std::shared_ptr<const SequenceProgress> progress = m_historyResend;
    m_notice->showNotice([progress, name] {
        if (!progress->finished())
            return text("Sending %1 to the device: %2 of %3 frames.",
                        "正在向设备发送 %1：%3 帧中的第 %2 帧。")
                .arg(name)
                .arg(progress->done())
                .arg(progress->total);
        if (progress->dropped.load() > 0)
            return text("%1: %2 of %3 frames did not reach the device.",
                        "%1：%3 帧中有 %2 帧未送达设备。")
                .arg(name)
                .arg(progress->dropped.load())
                .arg(progress->total);
        return text("%1: the device has the whole setting.", "%1：设备已收到全部设置。").arg(name);
    });
    m_notice->place(NoticeRect(ShellMetrics::forClient(size())), m_topBar);
    if (m_historyResend->total == 0)
        return;
    m_historyResendTimer.setInterval(100);
    m_historyResendTimer.disconnect();
    connect(&m_historyResendTimer, &QTimer::timeout, this, [this, progress] {
        m_notice->retranslate();
        if (progress->finished())
            m_historyResendTimer.stop();
    });
    m_historyResendTimer.start();
}

} // namespace krm::ui
