// The processing editors as the window registers them, against the virtual device on
// loopback: an edit in each editor reaches the device's image, and a RESET on a channel
// of an active control group that links EQ reaches every member.
#include "app/program.h"
#include "sim/virtual_device.h"

#include "editors/dynamics/dynamics_editor.h"
#include "editors/dynamics/limiter_editor.h"
#include "editors/geq/geq_editor.h"
#include "editors/peq/peq_editor.h"
#include "editors/strips/input_strip.h"
#include "editors/strips/strip_bank.h"
#include "kit/popup_menu.h"
#include "kit/toggle_button.h"
#include "tests/support/fake_clock.h"
#include "tests/support/qt_pump.h"
#include "tests/support/window_on_device.h"
#include "ui/main_window.h"
#include "ui/top_bar.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>

namespace krm::ui {
namespace {

bool pumpUntil(const std::function<bool()>& done) {
    return test::PumpEventsUntil(done);
}

TEST(EditorsOnDevice, EachEditorsEditAndALinkedResetReachTheDevice) {
    test::WindowOnDevice rig(QSize(1920, 1080));
    ASSERT_TRUE(rig.connected());
    MainWindow& w = rig.window();
    sim::VirtualDevice& device = rig.device;

    // The device starts from other values, so every check below sees a change arrive.
    {
        const DeviceImage d = device.image();
        EXPECT_FALSE(d.inputs[1].peq[1].freq == 1000 && d.inputs[1].peq[1].gain == 210);
        EXPECT_FALSE(d.inputs[2].comp.threshold == 30 && d.inputs[2].comp.ratio == 10);
        EXPECT_FALSE(d.outputs[1].limiter.threshold == 30 && d.outputs[1].limiter.ratio == 10);
        bool flat = true;
        for (const GeqBand& b : d.outputs[2].geq)
            flat = flat && b.gain == 150;
        EXPECT_FALSE(flat);
    }
    // PEQ: band 2 of CH2 dropped at 1 kHz, +6 dB (stored 210, sent halved, doubled back).
    w.openInputEditor(1, InputEditorKind::Peq);
    auto* peq = qobject_cast<PeqEditor*>(w.inputEditor(InputEditorKind::Peq));
    ASSERT_NE(peq, nullptr);
    peq->moveMarker(1, 1000.0, 6.0, false);
    // Dynamics: RESET of CH3's compressor. Limiter: RESET of bus 2. GEQ: RESET of bus 3.
    w.openInputEditor(2, InputEditorKind::Dynamics);
    auto* dynamics = qobject_cast<DynamicsEditor*>(w.inputEditor(InputEditorKind::Dynamics));
    ASSERT_NE(dynamics, nullptr);
    // RESET switches the compressor on: the large strip's COMP indicator beside the
    // editor follows.
    w.image().inputs[2].comp.enable = 0;
    w.strips().refreshAll();
    ASSERT_FALSE(w.largeInputStrip()->compButton()->state());
    dynamics->reset();
    ASSERT_TRUE(pumpUntil([&] { return w.largeInputStrip()->compButton()->state(); }));
    w.openOutputEditor(1, OutputEditorKind::Limiter);
    auto* limiter = qobject_cast<LimiterEditor*>(w.outputEditor(OutputEditorKind::Limiter));
    ASSERT_NE(limiter, nullptr);
    limiter->reset();
    w.openOutputEditor(2, OutputEditorKind::GraphicEq);
    auto* geq = qobject_cast<GeqEditor*>(w.outputEditor(OutputEditorKind::GraphicEq));
    ASSERT_NE(geq, nullptr);
    geq->reset();

    const DeviceImage& ours = w.image();
    ASSERT_TRUE(pumpUntil([&] {
        const DeviceImage d = device.image();
        bool geqFlat = true;
        for (const GeqBand& b : d.outputs[2].geq)
            geqFlat = geqFlat && b.gain == 150;
        return d.inputs[1].peq[1].freq == 1000 && d.inputs[1].peq[1].gain == 210 &&
               d.inputs[2].comp.threshold == 30 && d.inputs[2].comp.ratio == 10 &&
               d.inputs[2].comp.release == ours.inputs[2].comp.release &&
               d.outputs[1].limiter.threshold == 30 && d.outputs[1].limiter.ratio == 10 &&
               d.outputs[1].limiter.release == ours.outputs[1].limiter.release && geqFlat;
    })) << "an editor's edit did not reach the device";

    // Control group 1: CH5, CH6, CH7, linking EQ. A RESET on CH6 reaches all three.
    ControlGroup& group = w.image().controlGroups[0];
    group = ControlGroup{};
    for (int ch : {4, 5, 6})
        group.input(ch) = 1;
    group.link(LinkEq) = 1;
    w.toggleControlGroup(1);
    ASSERT_TRUE(w.topBar()->controlGroupLit(1));
    for (int ch : {4, 5, 6})
        w.image().inputs[static_cast<std::size_t>(ch)].peq[2].gain = 250;
    w.openInputEditor(5, InputEditorKind::Peq);
    peq->pressReset();
    ASSERT_TRUE(pumpUntil([&] {
        const DeviceImage d = device.image();
        for (int ch : {4, 5, 6}) {
            const auto& in = d.inputs[static_cast<std::size_t>(ch)];
            if (in.peq[0].freq != 200 || in.peq[2].freq != 1000 || in.peq[2].gain != 150 ||
                in.peq[3].freq != 5000 || in.hpf.enable != 0)
                return false;
        }
        return true;
    })) << "a linked member did not take the RESET";
}

TEST(EditorsInTheWindow, TheNameMenuOpensTheSendPageAndOnTheEffectReturnsTheEffectsPage) {
    QTemporaryDir dir;
    test::FakeClock clock;
    MainWindowOptions o;
    o.settingsPath = dir.filePath(QStringLiteral("krm.ini"));
    o.clock = &clock;
    o.localPort = 0;
    o.startTimers = false;
    o.interfaces = [] { return std::vector<Ipv4Interface>{}; };
    app::Program program(o);
    MainWindow& w = program.window();
    w.resize(1366, 768);
    w.show();
    auto choose = [&](InputStrip* strip, const QString& item) {
        QTest::mouseClick(strip->nameButton(), Qt::LeftButton);
        auto* menu = strip->findChild<PopupMenu*>();
        if (!menu)
            return false;
        for (const PopupMenuItem& i : menu->items())
            if (i.text == item) {
                emit menu->commandChosen(i.command);
                return true;
            }
        return false;
    };
    ASSERT_TRUE(choose(w.inputStrip(4), QStringLiteral("AUX SENDS")));
    EXPECT_TRUE(w.inputEditor(InputEditorKind::AuxSends)->isVisible());
    w.showPage(3, View::Channel);                                     // the bank of CH17..CH20
    EXPECT_FALSE(choose(w.inputStrip(4), QStringLiteral("EFFECTS"))); // not on CH5
    ASSERT_TRUE(choose(w.inputStrip(16), QStringLiteral("EFFECTS")));
    EXPECT_TRUE(w.inputEditor(InputEditorKind::Effects)->isVisible());
    EXPECT_FALSE(w.inputEditor(InputEditorKind::AuxSends)->isVisible());
}

} // namespace
} // namespace krm::ui
