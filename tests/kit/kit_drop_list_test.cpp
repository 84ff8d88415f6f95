// DropList: selection clamping, opening and choosing with the mouse, wheel stepping.
#include "kit/drop_list.h"
#include "tests/kit/kit_events.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace krm::ui {
namespace {

class DropListTest : public ::testing::Test {
protected:
    void SetUp() override {
        list.setControlId(3);
        list.setItems({"ANALOG", "D1", "D2", "D3", "D4"});
        list.resize(120, 24);
        list.show();
    }
    DropList list;
    QSignalSpy selected{&list, &DropList::listSelected};
};

TEST_F(DropListTest, SetSelectionClampsToTheItemsAndEmitsNothing) {
    EXPECT_EQ(list.selection(), 0);
    list.setSelection(3);
    EXPECT_EQ(list.selection(), 3);
    EXPECT_EQ(list.text(), "D3");
    list.setSelection(-4);
    EXPECT_EQ(list.selection(), 0);
    list.setSelection(99);
    EXPECT_EQ(list.selection(), 4);
    EXPECT_EQ(list.text(), "D4");
    EXPECT_EQ(selected.count(), 0);

    list.clear();
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.selection(), -1);
    EXPECT_EQ(list.text(), QString());
    list.addItem("0 dB");
    EXPECT_EQ(list.selection(), 0);
}

TEST_F(DropListTest, WheelStepsOneItemPerNotchAndReportsEvenAtTheEnds) {
    list.setSelection(3);
    test::wheel(&list, -120); // one notch down: next item
    EXPECT_EQ(list.selection(), 4);
    ASSERT_EQ(selected.count(), 1);
    EXPECT_EQ(selected.last().at(0).toInt(), 3);
    EXPECT_EQ(selected.last().at(1).toInt(), 4);

    test::wheel(&list, -120); // at the last item: stays, still reported
    EXPECT_EQ(list.selection(), 4);
    EXPECT_EQ(selected.count(), 2);
    EXPECT_EQ(selected.last().at(1).toInt(), 4);

    test::wheel(&list, 60); // half a notch: nothing yet
    EXPECT_EQ(selected.count(), 2);
    test::wheel(&list, 60);
    EXPECT_EQ(list.selection(), 3);
    EXPECT_EQ(selected.count(), 3);

    list.setSelection(0);
    test::wheel(&list, 120); // at the first item going up: stays, reported
    EXPECT_EQ(list.selection(), 0);
    EXPECT_EQ(selected.count(), 4);
}

TEST_F(DropListTest, ClickOpensListUnderControlAndChoosingAnItemSelectsAndCloses) {
    list.setMaxDropHeight(300);
    test::click(&list, QPoint(20, 12));
    ASSERT_TRUE(list.isOpen());
    DropListPopup* popup = list.popup();
    EXPECT_EQ(popup->width(), list.width());
    EXPECT_EQ(popup->height(), 5 * DropList::kRowHeight); // all items fit
    EXPECT_EQ(popup->geometry().topLeft(), list.mapToGlobal(QPoint(0, list.height())));

    test::click(popup, popup->rowRect(2).center());
    EXPECT_FALSE(list.isOpen());
    EXPECT_EQ(list.selection(), 2);
    EXPECT_EQ(list.text(), "D2");
    ASSERT_EQ(selected.count(), 1);
    EXPECT_EQ(selected.last().at(1).toInt(), 2);

    // A click on the control while open closes the list and chooses nothing.
    test::click(&list, QPoint(20, 12));
    ASSERT_TRUE(list.isOpen());
    test::click(&list, QPoint(20, 12));
    EXPECT_FALSE(list.isOpen());
    EXPECT_EQ(selected.count(), 1);
}

TEST(DropListLong, DropHeightIsLimitedAndTheOpenListShowsTheSelection) {
    DropList delays;
    QStringList items;
    for (int code = 0; code <= 200; ++code)
        items << QString::asprintf("%0.1f ms", code * 0.5);
    delays.setItems(items);
    delays.setMaxDropHeight(200);
    delays.resize(100, 24);
    delays.show();
    delays.setSelection(150);
    delays.openList();
    DropListPopup* popup = delays.popup();
    ASSERT_TRUE(popup->isVisible());
    EXPECT_EQ(popup->height(), 200);
    const QRect row = popup->rowRect(150);
    EXPECT_TRUE(popup->rect().contains(row.center())); // scrolled to the selected item
    EXPECT_EQ(popup->rowAt(row.center()), 150);
    test::key(popup, Qt::Key_Escape);
    EXPECT_FALSE(delays.isOpen());
    EXPECT_EQ(delays.selection(), 150);

    // From the keyboard: open, two rows down, choose.
    QSignalSpy selected(&delays, &DropList::listSelected);
    test::key(&delays, Qt::Key_F4);
    ASSERT_TRUE(delays.isOpen());
    test::key(popup, Qt::Key_Down);
    test::key(popup, Qt::Key_Down);
    test::key(popup, Qt::Key_Return);
    EXPECT_FALSE(delays.isOpen());
    EXPECT_EQ(delays.selection(), 152);
    ASSERT_EQ(selected.count(), 1);
    EXPECT_EQ(selected.last().at(1).toInt(), 152);
}

} // namespace
} // namespace krm::ui
