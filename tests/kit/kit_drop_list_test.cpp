// DropList: selection clamping, opening and choosing with the mouse (upward near the
// bottom of the screen), wheel stepping only with the focus.
#include "kit/drop_list.h"
#include "tests/kit/kit_events.h"

#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
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
    ASSERT_TRUE(test::focus(&list)); // only a list with the focus takes the wheel
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

TEST(DropListInAPage, WheelScrollsThePageUntilTheListIsClickedThenStepsTheList) {
    QScrollArea area;
    auto* page = new QWidget;
    page->resize(200, 1200);
    auto* list = new DropList(page);
    list->setItems({"ANALOG", "D1", "D2", "D3", "D4"});
    list->setGeometry(10, 40, 120, 24);
    area.setWidget(page);
    area.resize(240, 300);
    area.show();
    QScrollBar* bar = area.verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    QSignalSpy selected(list, &DropList::listSelected);

    // The pointer rests on the list while the page is scrolled: the page takes the wheel
    // and moves, the list keeps its choice and nothing reaches the device.
    ASSERT_FALSE(list->hasFocus());
    EXPECT_EQ(test::wheelOver(list, -120), area.viewport());
    EXPECT_EQ(test::wheelOver(list, -120), area.viewport());
    EXPECT_EQ(list->selection(), 0);
    EXPECT_EQ(selected.count(), 0);
    const int scrolled = bar->value();
    EXPECT_GT(scrolled, 0);

    // A click takes the focus (and opens the list; Escape closes it, choosing nothing).
    ASSERT_TRUE(test::focus(area.window()));
    test::click(list, QPoint(20, 12));
    ASSERT_TRUE(list->isOpen());
    test::key(list->popup(), Qt::Key_Escape);
    ASSERT_FALSE(list->isOpen());
    ASSERT_TRUE(list->hasFocus());
    EXPECT_EQ(selected.count(), 0);

    // Now the list takes the wheel, one item per notch, and the page stays put.
    EXPECT_EQ(test::wheelOver(list, -120), list);
    EXPECT_EQ(list->selection(), 1);
    ASSERT_EQ(selected.count(), 1);
    EXPECT_EQ(selected.last().at(1).toInt(), 1);
    EXPECT_EQ(bar->value(), scrolled);

    // Losing the focus gives the wheel back to the page.
    list->clearFocus();
    EXPECT_EQ(test::wheelOver(list, -120), area.viewport());
    EXPECT_EQ(list->selection(), 1);
    EXPECT_GT(bar->value(), scrolled);
}

TEST(DropListNearScreenEdge, OpensAboveWhenTheScreenHasNoRoomBelow) {
    DropList list;
    list.setItems({"ANALOG", "D1", "D2", "D3", "D4"});
    list.setMaxDropHeight(300);
    const QRect screen = list.screen()->availableGeometry();
    const int height = 5 * DropList::kRowHeight;

    // Near the bottom edge: the list opens upward, its last row against the control.
    list.setGeometry(screen.left() + 40, screen.bottom() - 40, 120, 24);
    list.show();
    list.openList();
    ASSERT_TRUE(list.isOpen());
    QRect popup = list.popup()->geometry();
    const QRect control(list.mapToGlobal(QPoint(0, 0)), list.size());
    EXPECT_EQ(popup.height(), height);
    EXPECT_EQ(popup.bottom(), control.top() - 1);
    EXPECT_EQ(popup.left(), control.left());
    EXPECT_TRUE(screen.contains(popup));
    list.closeList();

    // With room below it opens under the control as usual.
    list.move(screen.left() + 40, screen.top() + 40);
    list.openList();
    popup = list.popup()->geometry();
    EXPECT_EQ(popup.top(), list.mapToGlobal(QPoint(0, list.height())).y());
    EXPECT_EQ(popup.height(), height);
    list.closeList();

    // A long list that fits neither way takes the roomier side, cut to whole rows, and
    // stays on the screen.
    QStringList delays;
    for (int code = 0; code <= 200; ++code)
        delays << QString::number(code);
    list.setItems(delays);
    list.setMaxDropHeight(100 * DropList::kRowHeight);
    list.move(screen.left() + 40, screen.bottom() - screen.height() / 3);
    list.openList();
    popup = list.popup()->geometry();
    EXPECT_TRUE(screen.contains(popup));
    EXPECT_LT(popup.bottom(), list.mapToGlobal(QPoint(0, 0)).y()); // above: more room
    EXPECT_EQ(popup.height() % DropList::kRowHeight, 0);
    EXPECT_GT(popup.height(), screen.height() / 2);
}

} // namespace
} // namespace krm::ui
