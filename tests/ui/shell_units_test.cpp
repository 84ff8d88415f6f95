// The microphone-unit area as the window builds it, against the virtual device on
// loopback: the reported unit count enables the buttons, an assignment picked in a slot
// list reaches the device, a duplicate is refused and the list keeps showing the stored
// value, later reports redraw the area, and reset all clears the device's table.
#include "sim/virtual_device.h"

#include "kit/drop_list.h"
#include "kit/texts.h"
#include "kit/toggle_button.h"
#include "model/device_session.h"
#include "model/senders.h"
#include "tests/kit/kit_events.h"
#include "tests/support/qt_pump.h"
#include "tests/support/window_on_device.h"
#include "ui/main_window.h"
#include "ui/system_page.h"
#include "ui/units_section.h"

#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

namespace krm::ui {
namespace {

// Answers the open message box and returns its text.
QString answerBox(QWidget& owner, QMessageBox::StandardButton button) {
    QMessageBox* box = nullptr;
    test::PumpEventsUntil([&] { return (box = owner.findChild<QMessageBox*>()) != nullptr; });
    if (!box)
        return {};
    const QString text = box->text();
    box->button(button)->click();
    test::PumpEventsUntil([&] { return owner.findChild<QMessageBox*>() == nullptr; });
    return text;
}

// Opens the list with a click and clicks the item at `index` in it.
void pick(DropList* list, int index) {
    test::click(list, QPoint(10, list->height() / 2));
    ASSERT_TRUE(list->isOpen());
    DropListPopup* popup = list->popup();
    const QRect row = popup->rowRect(index);
    ASSERT_TRUE(popup->rect().contains(row.center())) << "item " << index << " not in view";
    test::click(popup, row.center());
}

QStringList listTexts(const UnitsSection& section) {
    QStringList texts;
    for (int k = 0; k < UnitsSection::kSlots; ++k)
        texts << section.slotList(k)->text();
    return texts;
}

std::vector<bool> enabledButtons(const UnitsSection& section) {
    std::vector<bool> enabled;
    for (int i = 0; i < UnitsSection::kShownButtons; ++i)
        enabled.push_back(section.unitButton(i)->isEnabled());
    return enabled;
}

class UnitsOnDevice : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(rig.connected());
        w().showPage(1, View::System);
        w().systemPage()->showSection(4);
        section = w().unitsSection();
        ASSERT_NE(section, nullptr);
        ASSERT_TRUE(section->isVisible());
    }
    MainWindow& w() { return rig.window(); }
    // The device answers a hello with its dump and identification (units and count).
    void reportAgain(const DeviceImage& deviceImage) {
        rig.device.setImage(deviceImage);
        ASSERT_TRUE(w().session().commands().SendZ());
        ASSERT_TRUE(test::PumpEventsUntil([&] {
            return w().image().unitCount == deviceImage.unitCount &&
                   w().image().micUnits == deviceImage.micUnits;
        }));
        test::PumpEventsUntil([] { return false; }, 50); // the refresh that follows
    }

    test::WindowOnDevice rig;
    UnitsSection* section = nullptr;
};

TEST_F(UnitsOnDevice, ThreeReportedUnitsEnableThreeButtonsAndSelectUnitOne) {
    // The demo device reports three units; unit 1 holds CH01, CH02, -, -, M01.
    EXPECT_EQ(enabledButtons(*section), (std::vector<bool>{true, true, true, false, false, false}));
    for (int i = 0; i < UnitsSection::kButtonCount; ++i) {
        EXPECT_EQ(section->unitButton(i)->isVisible(), i < 6) << i;
        EXPECT_EQ(section->unitButton(i)->state(), i == 0) << i;
    }
    EXPECT_EQ(section->unitButton(5)->text(), QStringLiteral("TKU-700-06"));
    EXPECT_EQ(section->selectedUnit(), 0);
    EXPECT_EQ(listTexts(*section), (QStringList{"CH01", "CH02", "NULL", "NULL", "M01"}));
    for (int k = 0; k < UnitsSection::kSlots; ++k)
        EXPECT_TRUE(section->slotList(k)->isEnabled()) << k;

    // Chinese captions follow the language; the unit names stay.
    setLanguage(Language::Chinese);
    w().applyLanguage();
    EXPECT_EQ(section->callButton()->text(), QStringLiteral("呼叫"));
    EXPECT_EQ(section->resetButton()->text(), QStringLiteral("复位TKU700设置"));
    setLanguage(Language::English);
    w().applyLanguage();
    EXPECT_EQ(section->resetButton()->text(), QStringLiteral("Reset all TKU700 SETTING"));
}

TEST_F(UnitsOnDevice, SlotListAssignsOnTheDeviceAndARefusedDuplicateKeepsTheStoredValue) {
    QTest::mouseClick(section->unitButton(1), Qt::LeftButton);
    ASSERT_EQ(section->selectedUnit(), 1);
    EXPECT_TRUE(section->unitButton(1)->state());
    EXPECT_FALSE(section->unitButton(0)->state());
    EXPECT_EQ(listTexts(*section), (QStringList{"CH03", "CH04", "NULL", "NULL", "M02"}));

    // CH07 into unit 2 slot 3.
    pick(section->slotList(2), 7);
    EXPECT_EQ(section->slotList(2)->text(), QStringLiteral("CH07"));
    ASSERT_TRUE(test::PumpEventsUntil([&] { return rig.device.image().micUnits[1][2] == 7; }))
        << "the assignment did not reach the device";

    // CH01 belongs to unit 1 slot 1: refused; unit 2 slot 1 keeps CH03 and shows it.
    pick(section->slotList(0), 1);
    EXPECT_EQ(answerBox(w(), QMessageBox::Ok), QStringLiteral("Already select."));
    EXPECT_EQ(w().image().micUnits[1][0], 3);
    EXPECT_EQ(section->slotList(0)->text(), QStringLiteral("CH03"));

    // CH08 into slot 4: a later frame of the same unit, so a refused frame sent by mistake
    // would have arrived before it.
    pick(section->slotList(3), 8);
    ASSERT_TRUE(test::PumpEventsUntil([&] { return rig.device.image().micUnits[1][3] == 8; }));
    EXPECT_EQ(rig.device.image().micUnits[1], (MicUnit{3, 4, 7, 8, 22}));
    EXPECT_EQ(rig.device.image().micUnits[0], (MicUnit{1, 2, 0, 0, 21}));
}

TEST_F(UnitsOnDevice, LaterReportsRedrawTheAreaAndNoUnitsDisableTheLists) {
    QTest::mouseClick(section->unitButton(2), Qt::LeftButton);
    DeviceImage d = rig.device.image();
    d.unitCount = 5;
    d.micUnits[2] = {0, 0, 0, 23, 26}; // unit 3: M03 and D02
    reportAgain(d);
    EXPECT_EQ(enabledButtons(*section), (std::vector<bool>{true, true, true, true, true, false}));
    EXPECT_EQ(section->selectedUnit(), 2) << "a selected unit stays selected";
    EXPECT_EQ(listTexts(*section), (QStringList{"NULL", "NULL", "NULL", "M03", "D02"}));

    d.unitCount = 0;
    reportAgain(d);
    EXPECT_EQ(enabledButtons(*section), std::vector<bool>(6, false));
    EXPECT_EQ(section->selectedUnit(), -1);
    for (int k = 0; k < UnitsSection::kSlots; ++k) {
        EXPECT_FALSE(section->slotList(k)->isEnabled()) << k;
        EXPECT_FALSE(section->unitButton(k)->state()) << k;
    }
}

TEST_F(UnitsOnDevice, ResetAllAsksThenClearsEveryUnitOnTheDevice) {
    QTest::mouseClick(section->resetButton(), Qt::LeftButton);
    EXPECT_EQ(answerBox(w(), QMessageBox::Cancel),
              QStringLiteral("Do you want to reset all tku700 setting?"));
    EXPECT_EQ(w().image().micUnits[0], (MicUnit{1, 2, 0, 0, 21}));

    QTest::mouseClick(section->resetButton(), Qt::LeftButton);
    answerBox(w(), QMessageBox::Ok);
    EXPECT_EQ(listTexts(*section), (QStringList{"NULL", "NULL", "NULL", "NULL", "NULL"}));
    ASSERT_TRUE(test::PumpEventsUntil([&] {
        const DeviceImage d = rig.device.image();
        for (int u = 0; u < 6; ++u)
            if (d.micUnits[static_cast<std::size_t>(u)] != MicUnit{})
                return false;
        return true;
    })) << "the six unit frames did not clear the device's table";
}

} // namespace
} // namespace krm::ui
