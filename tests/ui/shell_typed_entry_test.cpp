// Typed values as the readout's boxes and krm416x-ctl both read them (one reader), and the
// readout following whole-module changes, through the window on a virtual device.
#include "app/ctl/ctl_values.h"
#include "editors/peq/peq_editor.h"
#include "kit/texts.h"
#include "tests/support/qt_pump.h"
#include "tests/support/window_on_device.h"
#include "ui/main_window.h"
#include "ui/readout_model.h"
#include "ui/readout_panel.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QTest>

#include <gtest/gtest.h>

#include <variant>

namespace krm::ui {
namespace {

struct Row {
    int kind; // readout kind under CH1
    const char* typed;
    int code;                // what both store; -1: both refuse the text as no value of the kind
    const char* reason = ""; // part of the window's refusal (the unit or words expected)
};

// Kinds: 1 mute, 3 level, 5 band 1 gain, 6 band 1 frequency, 55 ratio, 56 attack,
// 66 reverb time, 70 feedback.
const Row kRows[] = {
    {6, "1k", 1000},
    {6, "1.2kHz", 1200},
    {6, " 250 hz ", 250},
    {5, "-3 dB", 120},
    {5, "+1.5dB", 165},
    {3, "-6dB", 54},
    {55, "1:4", 40},
    {55, "1 : 2.5", 25},
    {56, "5 ms", 5},
    {66, "2.5s", 25},
    {70, "38 %", 38},
    {1, "on", 1},
    {1, "OFF", 0},
    {1, "Open", 1},
    {6, "5 ms", -1, "Type a number in Hz (20Hz .. 20000Hz)"},
    {5, "loud", -1, "Type a number in dB (-15.0dB .. 15.0dB)"},
    {56, "3 dB", -1, "Type a number in ms"},
    {55, "2:1", -1, "Type a number (1:1.0 .. 1:10.0)"},
    {3, "1e3", -1, "Type a number in dB"},
    {1, "maybe", -1, "Type OPEN or CLOSE."},
};

TEST(TypedEntry, TheReadoutAndTheToolReadTheSameFormsAndTheReadoutSaysWhyItRefuses) {
    setLanguage(Language::English);
    for (const Row& row : kRows) {
        DeviceImage image;
        ResetToStartupValues(image);
        const Parameter* p = ParamForReadout(Side::Input, row.kind);
        ASSERT_NE(p, nullptr) << row.kind;
        const Channel at = p->side == Side::Device ? Channel::device() : Channel::input(0);
        const TypedEntryResult r =
            ApplyTypedValue(image, 0, row.kind, 0, QString::fromUtf8(row.typed));
        const auto tool = ctl::ParseDisplayValue(*p, at, row.typed);
        if (row.code >= 0) {
            EXPECT_TRUE(r.changed) << row.typed << ": " << r.refusal.toStdString();
            EXPECT_EQ(p->get(image, at), row.code) << row.typed;
            EXPECT_TRUE(r.refusal.isEmpty()) << row.typed;
            ASSERT_TRUE(std::holds_alternative<std::int32_t>(tool))
                << row.typed << ": " << std::get<std::string>(tool);
            EXPECT_EQ(std::get<std::int32_t>(tool), row.code) << row.typed;
        } else {
            EXPECT_FALSE(r.changed) << row.typed;
            const std::string said = r.refusal.toStdString();
            EXPECT_TRUE(said.starts_with("\"" + std::string(row.typed) + "\" is not a value of"))
                << said;
            EXPECT_NE(said.find(row.reason), std::string::npos) << said;
            ASSERT_TRUE(std::holds_alternative<std::string>(tool)) << row.typed;
            EXPECT_NE(std::get<std::string>(tool).find("is not a value of " + p->path(at)),
                      std::string::npos)
                << std::get<std::string>(tool);
        }
    }
    // Beyond the range the tool refuses, while the readout holds the value to the nearer end.
    DeviceImage image;
    ResetToStartupValues(image);
    ApplyTypedValue(image, 0, 6, 0, QStringLiteral("25k"));
    EXPECT_EQ(image.inputs[0].peq[0].freq, 20000);
    const auto tool =
        ctl::ParseDisplayValue(Param(ParamKind::PeqFreq, 0), Channel::input(0), "25k");
    ASSERT_TRUE(std::holds_alternative<std::string>(tool));
    EXPECT_NE(std::get<std::string>(tool).find("out of range"), std::string::npos);
    // Nothing but blanks changes nothing and asks nothing.
    EXPECT_TRUE(ApplyTypedValue(image, 0, 6, 0, QStringLiteral("  ")).refusal.isEmpty());
    // The refusal speaks the interface language.
    setLanguage(Language::Chinese);
    EXPECT_EQ(
        ApplyTypedValue(image, 0, 6, 0, QStringLiteral("5 ms")).refusal,
        QString::fromUtf8("“5 ms”不是频段1频率的值。请输入以Hz为单位的数字（20Hz .. 20000Hz）。"));
    setLanguage(Language::English);
}

QMessageBox* openBox(QWidget& window) {
    for (QMessageBox* box : window.findChildren<QMessageBox*>())
        if (box->isVisible())
            return box;
    return nullptr;
}

TEST(TypedEntry, TheReadoutShowsTheImagesValueAfterAResetAnUndoAndARefusal) {
    setLanguage(Language::English);
    test::WindowOnDevice rig;
    ASSERT_TRUE(rig.connected());
    MainWindow& w = rig.window();
    w.openInputEditor(1, InputEditorKind::Peq);
    auto* peq = qobject_cast<PeqEditor*>(w.inputEditor(InputEditorKind::Peq));
    ASSERT_NE(peq, nullptr);
    QLineEdit* gain = w.readout()->valueBox(0);
    QLineEdit* freq = w.readout()->valueBox(1);
    // Band 2 dropped at 1 kHz, +6 dB: the readout names the band with its values.
    peq->moveMarker(1, 1000.0, 6.0, false);
    ASSERT_EQ(gain->text(), QStringLiteral("6.0dB"));
    ASSERT_EQ(freq->text(), QStringLiteral("1000HZ"));

    peq->pressReset();
    const ReadoutTexts reset = ReadoutFor(w.image(), 1, kReadoutBandMarker + 1);
    EXPECT_NE(reset.box1, QStringLiteral("6.0dB"));
    EXPECT_EQ(gain->text(), reset.box1);
    EXPECT_EQ(freq->text(), reset.box2);

    w.undo();
    EXPECT_TRUE(test::PumpEventsUntil([&] { return gain->text() == QStringLiteral("6.0dB"); }))
        << gain->text().toStdString();

    // A refused value: the box shows the stored value again and a box says why.
    gain->setFocus();
    gain->setText(QStringLiteral("1k Hz"));
    QTest::keyClick(gain, Qt::Key_Return);
    QMessageBox* box = nullptr;
    ASSERT_TRUE(test::PumpEventsUntil([&] { return (box = openBox(w)) != nullptr; }));
    EXPECT_TRUE(box->text().startsWith(QStringLiteral("\"1k Hz\" is not a value of")))
        << box->text().toStdString();
    EXPECT_TRUE(box->text().contains(QStringLiteral("dB"))) << box->text().toStdString();
    EXPECT_EQ(gain->text(), QStringLiteral("6.0dB"));
    box->close();
}

} // namespace
} // namespace krm::ui
