// Undo and redo through the window's own wiring, against the virtual device on loopback:
// the keys and the top bar's buttons take a fader back on screen and on the device, the
// buttons follow the history, text boxes keep their own undo key, and a click in the
// history list undoes back to an older edit and redoes forward again.
#include "sim/virtual_device.h"

#include "editors/strips/input_strip.h"
#include "kit/fader.h"
#include "kit/texts.h"
#include "kit/toggle_button.h"
#include "model/edit_history.h"
#include "tests/support/window_on_device.h"
#include "ui/history_list.h"
#include "ui/notice_banner.h"
#include "ui/readout_panel.h"
#include "ui/settings_section.h"
#include "ui/top_bar.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

namespace krm::ui {
namespace {

// A strip fader stands at 70 - code.
int faderAt(int code) {
    return 70 - code;
}

void activate(MainWindow& w) {
    QApplication::setActiveWindow(&w);
    w.setFocus();
    ASSERT_TRUE(test::PumpEventsUntil([&] { return QApplication::activeWindow() == &w; }));
}

TEST(UndoInTheWindow, KeysAndButtonsTakeAFaderBackOnScreenAndOnTheDevice) {
    test::WindowOnDevice rig;
    ASSERT_TRUE(rig.connected());
    MainWindow& w = rig.window();
    activate(w);
    TopBar& bar = *w.topBar();
    // A fresh dump: nothing to undo or redo.
    EXPECT_FALSE(bar.undoButton()->isEnabled());
    EXPECT_FALSE(bar.redoButton()->isEnabled());
    EXPECT_FALSE(bar.historyButton()->isEnabled());

    Fader* fader = w.inputStrip(2)->fader();
    // The step is named after the channel as the readout shows it (the device names CH3).
    const QString ch3 = QString::fromStdString(ChannelTitle(w.image(), Channel::input(2)));
    const int before = w.image().inputs[2].gain;
    const int after = before == 40 ? 30 : 40;
    emit fader->valueSet(fader->controlId(), faderAt(after));
    ASSERT_EQ(w.image().inputs[2].gain, after);
    ASSERT_TRUE(test::PumpEventsUntil([&] { return rig.device.image().inputs[2].gain == after; }));
    EXPECT_TRUE(bar.undoButton()->isEnabled());
    EXPECT_FALSE(bar.redoButton()->isEnabled());
    EXPECT_TRUE(bar.historyButton()->isEnabled());
    EXPECT_TRUE(bar.undoButton()->toolTip().startsWith(QStringLiteral("Undo: ") + ch3 +
                                                       QStringLiteral(" VOL ")))
        << bar.undoButton()->toolTip().toStdString();
    setLanguage(Language::Chinese);
    w.applyLanguage();
    EXPECT_TRUE(bar.undoButton()->toolTip().startsWith(QStringLiteral("撤销：") + ch3 +
                                                       QStringLiteral(" 音量 ")))
        << bar.undoButton()->toolTip().toStdString();
    setLanguage(Language::English);
    w.applyLanguage();

    struct Key {
        Qt::KeyboardModifiers modifiers;
        Qt::Key key;
        int code; // the level the key leaves
        const char* name;
    };
    const Key keys[] = {
        {Qt::ControlModifier, Qt::Key_Z, before, "Ctrl+Z"},
        {Qt::ControlModifier, Qt::Key_Y, after, "Ctrl+Y"},
        {Qt::ControlModifier, Qt::Key_Z, before, "Ctrl+Z again"},
        {Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z, after, "Ctrl+Shift+Z"},
    };
    for (const Key& k : keys) {
        SCOPED_TRACE(k.name);
        QTest::keyClick(&w, k.key, k.modifiers);
        EXPECT_EQ(w.image().inputs[2].gain, k.code);
        EXPECT_TRUE(test::PumpEventsUntil([&] { return fader->position() == faderAt(k.code); }))
            << "the fader stands at " << fader->position();
        EXPECT_TRUE(test::PumpEventsUntil([&] {
            return rig.device.image().inputs[2].gain == k.code;
        })) << "the device did not take the level back";
        const bool undone = k.code == before;
        EXPECT_EQ(bar.undoButton()->isEnabled(), !undone);
        EXPECT_EQ(bar.redoButton()->isEnabled(), undone);
        EXPECT_EQ(bar.redoButton()->toolTip().startsWith(QStringLiteral("Redo: ") + ch3), undone);
    }

    // The buttons do what the keys do.
    QTest::mouseClick(bar.undoButton(), Qt::LeftButton);
    EXPECT_EQ(w.image().inputs[2].gain, before);
    QTest::mouseClick(bar.redoButton(), Qt::LeftButton);
    EXPECT_EQ(w.image().inputs[2].gain, after);

    // A second level, undone: both keys have a step to take. A text box with the focus
    // keeps them for its own text, and the device's level stays.
    emit fader->valueSet(fader->controlId(), faderAt(before));
    QTest::mouseClick(bar.undoButton(), Qt::LeftButton);
    ASSERT_EQ(w.image().inputs[2].gain, after);
    ASSERT_TRUE(bar.undoButton()->isEnabled() && bar.redoButton()->isEnabled());
    QLineEdit* box = w.readout()->valueBox(0);
    box->setFocus();
    ASSERT_TRUE(test::PumpEventsUntil([&] { return box->hasFocus(); }));
    box->setText(QStringLiteral("12"));
    box->insert(QStringLiteral("3"));
    QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(box->text(), QStringLiteral("12"));
    EXPECT_EQ(w.image().inputs[2].gain, after);
    QTest::keyClick(box, Qt::Key_Y, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(w.image().inputs[2].gain, after);
    EXPECT_TRUE(bar.redoButton()->isEnabled());

    // Mute groups 1 and 2 on, 1 off, then undone: switch 1 lights again though the image
    // only remembers group 2 as the last switched on; the list's jump back lights each.
    box->clearFocus();
    activate(w);
    for (int group : {1, 2, 1})
        QTest::mouseClick(bar.muteGroupButton(group), Qt::LeftButton);
    ASSERT_FALSE(bar.muteGroupLit(1));
    QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(bar.muteGroupLit(1));
    EXPECT_TRUE(bar.muteGroupLit(2));
    w.stepHistory(2);
    EXPECT_FALSE(bar.muteGroupLit(1));
    EXPECT_FALSE(bar.muteGroupLit(2));
}

TEST(UndoInTheWindow, AClickInTheHistoryListUndoesBackToAnOlderEditAndRedoesForward) {
    test::WindowOnDevice rig;
    ASSERT_TRUE(rig.connected());
    MainWindow& w = rig.window();
    TopBar& bar = *w.topBar();
    const DeviceImage start = w.image();
    const bool muteLit = w.inputStrip(1)->muteButton()->state();

    // Two edits: CH1's fader, then CH2's mute.
    Fader* fader = w.inputStrip(0)->fader();
    const int level = start.inputs[0].gain == 40 ? 30 : 40;
    emit fader->valueSet(fader->controlId(), faderAt(level));
    QTest::mouseClick(w.inputStrip(1)->muteButton(), Qt::LeftButton);
    ASSERT_EQ(w.image().inputs[0].gain, level);
    ASSERT_NE(w.image().inputs[1].mute, start.inputs[1].mute);
    ASSERT_TRUE(test::PumpEventsUntil([&] {
        return rig.device.image().inputs[1].mute == w.image().inputs[1].mute &&
               rig.device.image().inputs[0].gain == level;
    }));

    auto clickRow = [&](int row) {
        QListWidget* rows = w.historyList()->list();
        ASSERT_GE(row, 0);
        QTest::mouseClick(rows->viewport(), Qt::LeftButton, {},
                          rows->visualItemRect(rows->item(row)).center());
    };
    QTest::mouseClick(bar.historyButton(), Qt::LeftButton);
    HistoryList* list = w.historyList();
    ASSERT_TRUE(list->isVisible());
    ASSERT_EQ(list->list()->count(), 2);
    // Newest first: the mute, then the fader.
    const QString ch1 = QString::fromStdString(ChannelTitle(w.image(), Channel::input(0)));
    const QString ch2 = QString::fromStdString(ChannelTitle(w.image(), Channel::input(1)));
    EXPECT_TRUE(list->list()->item(0)->text().contains(ch2 + QStringLiteral(" MUTE")))
        << list->list()->item(0)->text().toStdString();
    EXPECT_TRUE(list->list()->item(1)->text().contains(ch1 + QStringLiteral(" VOL")))
        << list->list()->item(1)->text().toStdString();
    // The older edit: both go back, on screen and on the device.
    clickRow(list->undoRow(2));
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(w.image().inputs[0].gain, start.inputs[0].gain);
    EXPECT_EQ(w.image().inputs[1].mute, start.inputs[1].mute);
    EXPECT_TRUE(test::PumpEventsUntil([&] {
        return rig.device.image().inputs[0].gain == start.inputs[0].gain &&
               rig.device.image().inputs[1].mute == start.inputs[1].mute &&
               fader->position() == faderAt(start.inputs[0].gain) &&
               w.inputStrip(1)->muteButton()->state() == muteLit;
    })) << "the undone edits did not reach the screen and the device";
    EXPECT_FALSE(bar.undoButton()->isEnabled());

    // Both now stand greyed to redo; the farther one (the mute) on top redoes both.
    QTest::mouseClick(bar.historyButton(), Qt::LeftButton);
    ASSERT_EQ(list->list()->count(), 2);
    EXPECT_EQ(list->redoRow(2), 0);
    EXPECT_TRUE(list->list()->item(0)->text().contains(ch2));
    clickRow(list->redoRow(1));
    EXPECT_EQ(w.image().inputs[0].gain, level);
    EXPECT_EQ(w.image().inputs[1].mute, start.inputs[1].mute);
    QTest::mouseClick(bar.historyButton(), Qt::LeftButton);
    clickRow(list->redoRow(1));
    EXPECT_NE(w.image().inputs[1].mute, start.inputs[1].mute);
    EXPECT_TRUE(test::PumpEventsUntil([&] {
        return rig.device.image().inputs[1].mute == w.image().inputs[1].mute &&
               rig.device.image().inputs[0].gain == level;
    }));
    EXPECT_FALSE(bar.redoButton()->isEnabled());
}

// Pauses run through at once until the test closes the gate; then a paced sequence stays at
// its next pause until the gate opens again.
class GateClock final : public Clock {
public:
    Millis now() const override { return m_inner.now(); }
    void sleepFor(Millis d) override {
        {
            std::unique_lock lock(m_mutex);
            m_cv.wait(lock, [this] { return !m_closed; });
        }
        m_inner.sleepFor(d);
    }
    void close() {
        std::lock_guard lock(m_mutex);
        m_closed = true;
    }
    void open() {
        std::lock_guard lock(m_mutex);
        m_closed = false;
        m_cv.notify_all();
    }

private:
    test::FakeClock m_inner;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_closed = false;
};

// Answers the window's open message box with OK and returns its text.
QString answerBox(QWidget& owner) {
    QMessageBox* box = nullptr;
    test::PumpEventsUntil([&] { return (box = owner.findChild<QMessageBox*>()) != nullptr; });
    if (!box)
        return {};
    const QString text = box->text();
    box->button(QMessageBox::Ok)->click();
    test::PumpEventsUntil([&] { return owner.findChild<QMessageBox*>() == nullptr; });
    return text;
}

TEST(UndoInTheWindow, RefusedWhileARecallsResendPlaysThenTakesTheRecallBack) {
    GateClock clock;
    struct OpenAtEnd {
        GateClock& clock;
        ~OpenAtEnd() { clock.open(); }
    };
    QTemporaryDir data;
    test::WindowOnDevice rig(QSize(1366, 768), [&](MainWindowOptions& o) {
        o.clock = &clock;
        o.dataFolder = data.path();
    });
    OpenAtEnd opened{clock}; // before the window goes: its senders must not be held
    ASSERT_TRUE(rig.connected());
    MainWindow& w = rig.window();
    activate(w);
    SettingsSection* settings = w.settingsSection();
    ASSERT_NE(settings, nullptr);
    const int saved = w.image().inputs[0].gain;
    settings->save();
    Fader* fader = w.inputStrip(0)->fader();
    const int moved = saved == 40 ? 30 : 40;
    emit fader->valueSet(fader->controlId(), faderAt(moved));

    // The RECALL's resend held at a pause: the keys and the buttons change nothing and say
    // why.
    clock.close();
    settings->recall(0);
    EXPECT_EQ(answerBox(w), QStringLiteral("Do you want to recall the setting？"));
    ASSERT_TRUE(settings->recallRunning());
    ASSERT_EQ(w.image().inputs[0].gain, saved);
    activate(w); // the question had the keys
    QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(answerBox(w), QStringLiteral("A setting is still being sent to the device. Wait "
                                           "until it is finished."));
    QTest::mouseClick(w.topBar()->undoButton(), Qt::LeftButton);
    EXPECT_FALSE(answerBox(w).isEmpty());
    EXPECT_EQ(w.image().inputs[0].gain, saved);

    // Once it has played, undo takes the whole recall back: the level moved before it.
    clock.open();
    ASSERT_TRUE(test::PumpEventsUntil([&] { return !settings->recallRunning(); }));
    activate(w);
    QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(w.image().inputs[0].gain, moved);
    EXPECT_TRUE(test::PumpEventsUntil([&] {
        return fader->position() == faderAt(moved) && rig.device.image().inputs[0].gain == moved;
    }));
    // The undone RECALL's resend shows on the notice until the device has all of it.
    EXPECT_TRUE(test::PumpEventsUntil([&] {
        return w.noticeBanner()->isVisible() && w.noticeBanner()->text().endsWith(QStringLiteral(
                                                    "the device has the whole setting."));
    })) << w.noticeBanner()->text().toStdString();
    EXPECT_TRUE(w.topBar()->redoButton()->toolTip().contains(QStringLiteral("RECALL")))
        << w.topBar()->redoButton()->toolTip().toStdString();
}

} // namespace
} // namespace krm::ui
