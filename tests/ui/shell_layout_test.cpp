#include "ui/page_state.h"
#include "ui/shell_layout.h"

#include <gtest/gtest.h>

#include <vector>

namespace krm::ui {
namespace {

TEST(ShellLayout, StripWidthIsTwoTwentyFirstsTruncatedWithMinimum150) {
    EXPECT_EQ(StripWidthFor(1200), 150); // 114 would be below the minimum
    EXPECT_EQ(StripWidthFor(1920), 182); // 182.857: the fraction is dropped
    EXPECT_EQ(StripWidthFor(1575), 150); // exactly 150
    EXPECT_EQ(StripWidthFor(1586), 151); // 151.04
    EXPECT_EQ(StripWidthFor(2100), 200); // a whole result stays whole
    EXPECT_EQ(StripWidthFor(2099), 199);
    EXPECT_EQ(StripWidthFor(0), 150);
    EXPECT_EQ(StripWidthFor(-40), 150);
}

TEST(ShellLayout, StripHeightIsClientMinus220WithACompactMinimum) {
    EXPECT_EQ(StripHeightFor(1000), 780);
    EXPECT_EQ(StripHeightFor(921), 701);
    // Laptop screens: the strips get shorter than 700 and lay out compactly, so that they
    // stand inside the window instead of below its edge.
    EXPECT_EQ(StripHeightFor(880), 660);
    EXPECT_EQ(StripHeightFor(768), 548);
    EXPECT_EQ(StripHeightFor(720), 500);
    EXPECT_EQ(StripHeightFor(640), kMinStripHeight);
    EXPECT_EQ(StripHeightFor(0), kMinStripHeight);
}

TEST(ShellLayout, MetricsFollowTheClientAndPlaceEverythingInStripWidths) {
    const ShellMetrics m = ShellMetrics::forClient(QSize(1920, 1000));
    EXPECT_EQ(m.stripWidth, 182);
    EXPECT_EQ(m.panelWidth, 182);
    EXPECT_EQ(m.stripHeight, 780);
    EXPECT_EQ(m.stripTop, 200);

    EXPECT_EQ(ViewButtonRect(m, 0), QRect(0, 120, 182, 50));
    EXPECT_EQ(ViewButtonRect(m, 4), QRect(4 * 182, 120, 182, 50));
    EXPECT_EQ(StripSlotRect(m, 0), QRect(0, 200, 182, 780));
    EXPECT_EQ(StripSlotRect(m, 3), QRect(3 * 184, 200, 182, 780));
    EXPECT_EQ(RightOutputStripRect(m).x(), 8 * 182 + 16);
    EXPECT_EQ(NavigationPanelRect(m), QRect(9 * 182 + 18, 200, 182, 780));
    // Readout at x 1.5w + 230: labels 160 x 30 at y 0 and 60, boxes 80 x 30 at y 30.
    EXPECT_EQ(ReadoutChannelLabelRect(m), QRect(273 + 230, 0, 160, 30));
    EXPECT_EQ(ReadoutParameterLabelRect(m), QRect(273 + 230, 60, 160, 30));
    EXPECT_EQ(ReadoutValueBoxRect(m, 0), QRect(503, 30, 80, 30));
    EXPECT_EQ(ReadoutValueBoxRect(m, 1), QRect(583, 30, 80, 30));
    EXPECT_EQ(StatusLabelRect(m).topLeft(), QPoint(182 * 13 / 2, 60));
    // The bank buttons end before the readout starts; the group switches start at 5w.
    EXPECT_EQ(BankButtonRect(m, 1).y(), 65);
    EXPECT_LT(BankButtonRect(m, 4).right(), ReadoutChannelLabelRect(m).x());
    EXPECT_GE(GroupSwitchRect(m, 0, 1).x(), 5 * 182);
    EXPECT_LT(GroupSwitchRect(m, 1, 4).right(), StatusLabelRect(m).x());
    // The content reaches the right edge of the navigation panel.
    EXPECT_EQ(m.contentSize(), QSize(10 * 182 + 18, 980));
}

TEST(ShellLayout, SmallClientKeepsTheMinimumSizes) {
    const ShellMetrics m = ShellMetrics::forClient(QSize(800, 600));
    EXPECT_EQ(m.stripWidth, 150);
    EXPECT_EQ(m.stripHeight, kMinStripHeight);
    EXPECT_EQ(ShellMetrics{}.stripWidth, 100); // before the first layout pass
    EXPECT_EQ(ShellMetrics{}.stripHeight, 500);
    // The panel never leaves the client: against its right edge when nine strips do not fit.
    EXPECT_EQ(NavigationPanelRect(m), QRect(800 - 150, 200, 150, kMinStripHeight));
    EXPECT_EQ(NavigationPanelRect(ShellMetrics{}).x(), 9 * 100 + 18);
}

// The common screens: the eight strips of a bank, the top bar and the navigation panel fit
// the client, so neither scroll bar shows and every strip ends above the window's edge.
TEST(ShellLayout, LaptopAndDesktopClientsHoldABankWithoutScrolling) {
    for (const QSize client :
         {QSize(1366, 768), QSize(1280, 720), QSize(1920, 1080), kNormalWindowSize}) {
        SCOPED_TRACE(testing::Message() << client.width() << "x" << client.height());
        const ShellMetrics m = ShellMetrics::forClient(client);
        const QRect window(QPoint(0, 0), client);
        for (int slot = 0; slot < 8; ++slot)
            EXPECT_TRUE(window.contains(StripSlotRect(m, slot))) << slot;
        EXPECT_TRUE(window.contains(NavigationPanelRect(m)));
        EXPECT_TRUE(window.contains(PageRect(m)));
        EXPECT_TRUE(window.contains(NavigationButtonRect(m)));
        EXPECT_TRUE(window.contains(AboutButtonRect(m)));
        EXPECT_LE(m.contentSize().width(), client.width());
        EXPECT_LE(m.contentSize().height(), client.height());
        // The MENU and ABOUT buttons stand clear of the switches and view buttons.
        for (int v = 0; v < 5; ++v)
            EXPECT_FALSE(ViewButtonRect(m, v).intersects(NavigationButtonRect(m)));
        EXPECT_FALSE(GroupSwitchRect(m, 1, 1).intersects(NavigationButtonRect(m)));
        EXPECT_FALSE(StatusLabelRect(m).intersects(AboutButtonRect(m)));
        EXPECT_LE(AboutButtonRect(m).bottom(), m.stripTop - 14); // inside the top bar
        // UNDO, REDO and HISTORY stand between the readout and the group switches, clear of
        // everything else of the top bar, each wide enough for its caption.
        const QRect history[] = {UndoRedoButtonRect(m, 0), UndoRedoButtonRect(m, 1),
                                 HistoryButtonRect(m)};
        const QRect others[] = {ReadoutValueBoxRect(m, 1),  ReadoutParameterLabelRect(m),
                                ReadoutChannelLabelRect(m), BankButtonRect(m, 4),
                                GroupLabelRect(m, 0),       GroupLabelRect(m, 1),
                                GroupSwitchRect(m, 0, 1),   GroupSwitchRect(m, 1, 1),
                                ViewButtonRect(m, 3),       ViewButtonRect(m, 4)};
        for (const QRect& button : history) {
            EXPECT_TRUE(window.contains(button));
            EXPECT_GE(button.width(), 56);
            for (const QRect& other : others)
                EXPECT_FALSE(button.intersects(other)) << other.x() << "," << other.y();
        }
        EXPECT_FALSE(history[0].intersects(history[1]));
        EXPECT_FALSE(history[1].intersects(history[2]));
    }
    // The normal window fits a 1366 x 768 screen with room for a title bar and task bar.
    EXPECT_LE(kNormalWindowSize.width(), 1366);
    EXPECT_LE(kNormalWindowSize.height(), 768 - 80);
}

DeviceImage groupImage() {
    DeviceImage image;
    ResetToStartupValues(image);
    image.controlGroups[1].input(2) = 1;  // CH3
    image.controlGroups[1].input(6) = 1;  // CH7
    image.controlGroups[1].input(11) = 1; // CH12
    return image;
}

TEST(ShellLayout, TheNoticeRoomHoldsNoControlAtAnySize) {
    for (const QSize client :
         {QSize(800, 560), QSize(1366, 768), QSize(1920, 1080), QSize(3840, 2160)}) {
        SCOPED_TRACE(client.width());
        const ShellMetrics m = ShellMetrics::forClient(client);
        std::vector<QRect> controls{ReadoutChannelLabelRect(m), ReadoutParameterLabelRect(m),
                                    ReadoutValueBoxRect(m, 0),  ReadoutValueBoxRect(m, 1),
                                    StatusLabelRect(m),         LinkIndicatorRect(m),
                                    NavigationButtonRect(m),    AboutButtonRect(m),
                                    UndoRedoButtonRect(m, 0),   UndoRedoButtonRect(m, 1),
                                    HistoryButtonRect(m),       FileButtonRect(m),
                                    RightOutputStripRect(m),    PageRect(m),
                                    InputEditorRect(m),         NavigationPanelRect(m),
                                    GroupLabelRect(m, 0),       GroupLabelRect(m, 1)};
        for (int i = 0; i < 9; ++i)
            controls.push_back(StripSlotRect(m, i)); // faders, value boxes, buttons
        for (int i = 1; i <= 4; ++i) {
            controls.push_back(BankButtonRect(m, i));
            controls.push_back(GroupSwitchRect(m, 0, i));
            controls.push_back(GroupSwitchRect(m, 1, i));
        }
        for (int i = 0; i < 5; ++i)
            controls.push_back(ViewButtonRect(m, i));
        const QRect notice = NoticeRect(m);
        for (const QRect& c : controls)
            EXPECT_FALSE(notice.intersects(c)) << c.x() << "," << c.y();
        // Room for three lines of text, inside the smallest window; the packed bar of a
        // narrow client leaves less width, and the notice's text takes its smaller sizes.
        EXPECT_GE(notice.width(), CompactTopBar(m) ? 260 : 400);
        EXPECT_GE(notice.height(), 55);
        EXPECT_GE(notice.left(), 0);
        EXPECT_LE(notice.right(), 800);
    }
}

TEST(PageState, BanksShowTheirStripsAndViewsTheirPage) {
    const DeviceImage image = groupImage();
    PageState s;
    PageContent c = s.content(image);
    EXPECT_EQ(c.inputStrips, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_FALSE(c.showPage);

    EXPECT_TRUE(s.pressBank(2));
    EXPECT_EQ(s.content(image).inputStrips.front(), 8);
    EXPECT_EQ(s.content(image).inputStrips.back(), 15);
    EXPECT_TRUE(s.pressBank(3));
    EXPECT_EQ(s.content(image).inputStrips, (std::vector<int>{16, 17, 18, 19}));
    EXPECT_TRUE(s.pressBank(4));
    c = s.content(image);
    EXPECT_TRUE(c.inputStrips.empty());
    EXPECT_EQ(c.outputStrips.size(), 8u);
    EXPECT_FALSE(s.pressBank(5));
    EXPECT_EQ(s.bank(), 4);

    s.showPage(s.bank(), View::System);
    c = s.content(image);
    EXPECT_TRUE(c.showPage);
    EXPECT_EQ(c.page, View::System);
    EXPECT_TRUE(c.inputStrips.empty() && c.outputStrips.empty());
    EXPECT_FALSE(c.navigationPanel);
}

TEST(PageState, BankButtonsDoNothingWhileAGroupViewIsShown) {
    const DeviceImage image = groupImage();
    PageState s;
    s.showGroup(2);
    ASSERT_EQ(s.groupView(), 2);
    const PageContent before = s.content(image);
    EXPECT_EQ(before.inputStrips, (std::vector<int>{2, 6, 11}));
    EXPECT_EQ(before.rightOutputStrip, 0); // LR: output 1
    EXPECT_TRUE(before.navigationPanel);

    EXPECT_FALSE(s.pressBank(3));
    EXPECT_EQ(s.bank(), 1);
    EXPECT_EQ(s.groupView(), 2);
    EXPECT_EQ(s.content(image).inputStrips, before.inputStrips);

    // Group 0 ends the group view; the banks work again.
    s.showGroup(0);
    EXPECT_TRUE(s.pressBank(3));
    EXPECT_EQ(s.content(image).inputStrips, (std::vector<int>{16, 17, 18, 19}));
}

TEST(PageState, GroupViewOutputFollowsTheMixAndOnlyInTheChannelView) {
    const DeviceImage image = groupImage();
    PageState s;
    EXPECT_TRUE(s.setMixSelection(5)); // AUX3 = bus 5
    EXPECT_FALSE(s.setMixSelection(2));
    EXPECT_EQ(s.mixSelection(), 5);
    s.showGroup(2);
    EXPECT_EQ(s.content(image).rightOutputStrip, 4);
    s.showPage(1, View::Matrix);
    EXPECT_EQ(s.groupView(), 0); // a page replaces the group's strips
    s.showGroup(2);
    EXPECT_EQ(s.content(image).rightOutputStrip, -1);
    EXPECT_EQ(OutputForMix(1), 0);
    EXPECT_EQ(OutputForMix(8), 7);
    EXPECT_EQ(OutputForMix(2), -1);
}

TEST(PageState, EditorsAndReturnToPages) {
    const DeviceImage image = groupImage();
    PageState s;
    s.openInputEditor(5, InputEditorKind::Peq);
    EXPECT_EQ(s.displayMode(), DisplayMode::InputEditor);
    PageContent c = s.content(image);
    EXPECT_EQ(c.largeInputStrip, 5);
    EXPECT_EQ(c.inputEditor, InputEditorKind::Peq);
    EXPECT_TRUE(c.inputStrips.empty());

    s.openOutputEditor(7, OutputEditorKind::GraphicEq);
    c = s.content(image);
    EXPECT_EQ(c.largeInputStrip, -1);
    EXPECT_EQ(c.largeOutputStrip, 7);
    EXPECT_EQ(c.outputEditor, OutputEditorKind::GraphicEq);

    s.openOutputEditor(8, OutputEditorKind::Limiter); // no such output: nothing changes
    EXPECT_EQ(s.content(image).largeOutputStrip, 7);

    EXPECT_TRUE(s.pressBank(2));
    EXPECT_EQ(s.displayMode(), DisplayMode::Page);
    EXPECT_EQ(s.content(image).inputStrips.front(), 8);
}

} // namespace
} // namespace krm::ui
