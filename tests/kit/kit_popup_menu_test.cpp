#include "kit/popup_menu.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace krm::ui {
namespace {

TEST(PopupMenu, MenusCarryTheirCommandNumbers) {
    std::unique_ptr<PopupMenu> preset(PopupMenu::presetSlotMenu(nullptr));
    std::unique_ptr<PopupMenu> second(PopupMenu::secondPresetSlotMenu(nullptr));
    std::unique_ptr<PopupMenu> name(PopupMenu::nameOnlyMenu(nullptr));
    auto commands = [](const PopupMenu& m) {
        std::vector<int> c;
        for (const auto& item : m.items())
            c.push_back(item.command);
        return c;
    };
    EXPECT_EQ(commands(*preset), (std::vector<int>{32771, 32773, 32774}));
    EXPECT_EQ(commands(*second), (std::vector<int>{32775, 32776, 32777}));
    EXPECT_EQ(commands(*name), (std::vector<int>{32775}));
    EXPECT_EQ(preset->items()[1].text, "RECALL");
}

TEST(PopupMenu, ClickChoosesTheItemUnderTheMouseAndSkipsDisabledOnes) {
    std::unique_ptr<PopupMenu> menu(PopupMenu::presetSlotMenu(nullptr));
    QSignalSpy chosen(menu.get(), &PopupMenu::commandChosen);
    menu->popup(QPoint(10, 10));
    QTest::mouseClick(menu.get(), Qt::LeftButton, {}, menu->itemRect(2).center());
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen.at(0).at(0).toInt(), PopupMenu::PresetDelete);
    EXPECT_FALSE(menu->isVisible());

    menu->setItemEnabled(PopupMenu::PresetRecall, false);
    menu->popup(QPoint(10, 10));
    QTest::mouseClick(menu.get(), Qt::LeftButton, {}, menu->itemRect(1).center());
    EXPECT_EQ(chosen.count(), 1) << "a disabled item does nothing";
    EXPECT_TRUE(menu->isVisible());
    // The title line is no item either.
    QTest::mouseClick(menu.get(), Qt::LeftButton, {}, QPoint(menu->width() / 2, 5));
    EXPECT_EQ(chosen.count(), 1);
    // Keys walk over the disabled item: Down from nothing is NAME, again is DELETE.
    QTest::keyClick(menu.get(), Qt::Key_Down);
    QTest::keyClick(menu.get(), Qt::Key_Down);
    EXPECT_EQ(menu->highlighted(), 2);
    QTest::keyClick(menu.get(), Qt::Key_Return);
    ASSERT_EQ(chosen.count(), 2);
    EXPECT_EQ(chosen.at(1).at(0).toInt(), PopupMenu::PresetDelete);
}

TEST(PopupMenu, HighlightedItemIsPaintedInTheMenuColours) {
    std::unique_ptr<PopupMenu> menu(PopupMenu::presetSlotMenu(nullptr));
    menu->popup(QPoint(0, 0));
    QTest::mouseMove(menu.get(), menu->itemRect(0).center());
    ASSERT_EQ(menu->highlighted(), 0);
    const QImage image = menu->grab().toImage();
    const QRect r = menu->itemRect(0);
    const qreal dpr = image.devicePixelRatio();
    auto at = [&](int x, int y) {
        return QColor(image.pixel(static_cast<int>(x * dpr), static_cast<int>(y * dpr)));
    };
    EXPECT_EQ(at(r.left(), r.center().y()), QColor(49, 106, 197)) << "outline";
    EXPECT_EQ(at(r.left() + 4, r.top() + 2), QColor(193, 210, 238)) << "fill";
    EXPECT_NE(at(menu->itemRect(1).left() + 4, menu->itemRect(1).top() + 2), QColor(193, 210, 238))
        << "only the highlighted item is filled";
}

} // namespace
} // namespace krm::ui
