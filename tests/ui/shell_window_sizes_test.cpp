// The main window from the smallest window to a 4K screen: the top bar stays in place and
// shows every control while only the page under it scrolls, and a bank's strips use the
// width of the window.
#include "app/program.h"
#include "editors/strips/input_strip.h"
#include "editors/strips/output_strip.h"
#include "kit/toggle_button.h"
#include "tests/support/offline_window.h"
#include "ui/main_window.h"
#include "ui/navigation_panel.h"
#include "ui/readout_panel.h"
#include "ui/shell_layout.h"
#include "ui/top_bar.h"

#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <vector>

namespace krm::ui {
namespace {

const QSize kSizes[] = {kMinimumWindowSize, QSize(1024, 640), QSize(1366, 768), QSize(1920, 1080),
                        QSize(3840, 2160)};

// Every control of the top bar, by its place in the layout.
std::vector<QRect> topBarControls(const ShellMetrics& m) {
    std::vector<QRect> rects{
        ReadoutChannelLabelRect(m), ReadoutParameterLabelRect(m), ReadoutValueBoxRect(m, 0),
        ReadoutValueBoxRect(m, 1),  StatusLabelRect(m),           LinkIndicatorRect(m),
        NavigationButtonRect(m),    AboutButtonRect(m),           UndoRedoButtonRect(m, 0),
        UndoRedoButtonRect(m, 1),   HistoryButtonRect(m),         FileButtonRect(m),
        GroupLabelRect(m, 0),       GroupLabelRect(m, 1)};
    for (int i = 1; i <= 4; ++i) {
        rects.push_back(BankButtonRect(m, i));
        rects.push_back(GroupSwitchRect(m, 0, i));
        rects.push_back(GroupSwitchRect(m, 1, i));
    }
    for (int i = 0; i < 5; ++i)
        rects.push_back(ViewButtonRect(m, i));
    return rects;
}

TEST(TopBarLayout, EveryControlStandsInsideTheBarApartAndWideEnoughForItsCaption) {
    for (const QSize client : kSizes) {
        SCOPED_TRACE(testing::Message() << client.width() << "x" << client.height());
        const ShellMetrics m = ShellMetrics::forClient(client);
        EXPECT_EQ(CompactTopBar(m), client.width() < 1125);
        const QRect bar(0, 0, client.width(), kTopBarHeight);
        const std::vector<QRect> rects = topBarControls(m);
        for (std::size_t i = 0; i < rects.size(); ++i) {
            EXPECT_TRUE(bar.contains(rects[i]))
                << i << " at " << rects[i].x() << "," << rects[i].y() << " " << rects[i].width();
            for (std::size_t j = i + 1; j < rects.size(); ++j)
                EXPECT_FALSE(rects[i].intersects(rects[j])) << i << " overlaps " << j;
        }
        EXPECT_GE(BankButtonRect(m, 1).width(), 60);
        EXPECT_GE(ViewButtonRect(m, 0).width(), 100);
        EXPECT_GE(UndoRedoButtonRect(m, 0).width(), 56);
        EXPECT_GE(GroupSwitchRect(m, 0, 1).width(), 24);
        EXPECT_GE(StatusLabelRect(m).width(), 80);
        EXPECT_FALSE(NoticeRect(m).intersects(ReadoutChannelLabelRect(m)));
    }
}

TEST(TopBarLayout, BankStripsShareTheWidthAndLeaveThePanelItsRoom) {
    struct Row {
        QSize client;
        int width;       // panel closed
        int besidePanel; // panel open
    };
    const Row rows[] = {
        {kMinimumWindowSize, 150, 150}, // never narrower than the strip width
        {QSize(1366, 768), 169, 150},   // (1366 - 14) / 8; the panel stands at the edge
        {QSize(1920, 1080), 238, 205},  // (1920 - 14) / 8; left of the panel at 9w + 18
        {QSize(3840, 2160), 478, 410},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.client.width());
        const ShellMetrics m = ShellMetrics::forClient(row.client);
        EXPECT_EQ(BankStripWidth(m, false), row.width);
        EXPECT_EQ(BankStripWidth(m, true), row.besidePanel);
        if (row.client.width() >= 1366) {
            EXPECT_LE(BankSlotRect(m, 7, false).right(), row.client.width() - 1);
            EXPECT_LT(BankSlotRect(m, 7, true).right(), NavigationPanelRect(m).x());
        }
        EXPECT_EQ(BankSlotRect(m, 1, false).x(), row.width + kStripGap);
    }
    EXPECT_EQ(BankStripWidth(ShellMetrics{}, false), kInitialStripWidth);
}

// Pages and editors reach the client's right edge (the large output strip beside an output
// editor stands inside it), and are never narrower than eight strips.
TEST(TopBarLayout, PagesAndEditorsUseTheWidthAndKeepEightStripsAtLeast) {
    for (const QSize client : kSizes) {
        SCOPED_TRACE(client.width());
        const ShellMetrics m = ShellMetrics::forClient(client);
        const int eight = 8 * m.stripWidth;
        const QRect window(QPoint(0, 0), client);
        const QRect output = OutputEditorRect(m);
        const QRect strip = LargeOutputStripRect(m);
        EXPECT_GE(PageRect(m).width(), eight);
        EXPECT_GE(InputEditorRect(m).width(), eight);
        EXPECT_GE(output.width(), eight);
        EXPECT_FALSE(output.intersects(strip));
        EXPECT_FALSE(InputEditorRect(m).intersects(StripSlotRect(m, 0)));
        if (client.width() >= 1920) {
            EXPECT_EQ(PageRect(m).right(), client.width() - 1);
            EXPECT_EQ(InputEditorRect(m).right(), client.width() - 1);
            EXPECT_TRUE(window.contains(strip));
            EXPECT_GE(strip.right(), client.width() - 16);
            // With the panel open they end left of it.
            const int panel = NavigationPanelRect(m).x();
            EXPECT_LT(PageRect(m, true).right(), panel);
            EXPECT_LT(InputEditorRect(m, true).right(), panel);
            EXPECT_LT(LargeOutputStripRect(m, true).right(), panel);
        }
    }
}

class WindowSizesTest : public test::OfflineWindowTest {};

// Where a widget stands in the window.
QRect inWindow(const QWidget* widget, const QWidget* window) {
    return {widget->mapTo(window, QPoint()), widget->size()};
}

TEST_F(WindowSizesTest, TopBarStaysInPlaceWhileThePageScrollsAndStripsUseTheWidth) {
    app::Program program(options());
    MainWindow& w = program.window();
    w.show();
    auto* scroll = w.findChild<QScrollArea*>();
    ASSERT_NE(scroll, nullptr);
    TopBar* bar = w.topBar();
    for (const QSize size : kSizes) {
        SCOPED_TRACE(testing::Message() << size.width() << "x" << size.height());
        w.resize(size);
        ASSERT_EQ(w.size(), size);
        const QRect window = w.rect();
        EXPECT_FALSE(scroll->isAncestorOf(bar));
        EXPECT_TRUE(window.contains(inWindow(bar, &w)));
        EXPECT_FALSE(inWindow(bar, &w).intersects(scroll->geometry()));

        // The controls an operator watches or reaches for while working on the page.
        const std::vector<QWidget*> watched{
            bar->linkIndicator(),    bar->undoButton(),          bar->redoButton(),
            bar->fileButton(),       bar->historyButton(),       bar->navigationButton(),
            bar->aboutButton(),      bar->bankButton(4),         bar->viewButton(View::Groups),
            bar->muteGroupButton(4), bar->controlGroupButton(4), w.readout()->valueBox(1)};
        auto places = [&] {
            std::vector<QRect> at;
            for (QWidget* c : watched)
                at.push_back(inWindow(c, &w));
            return at;
        };
        const std::vector<QRect> before = places();
        for (std::size_t i = 0; i < watched.size(); ++i) {
            EXPECT_TRUE(watched[i]->isVisible()) << watched[i]->objectName().toStdString();
            EXPECT_TRUE(window.contains(before[i])) << watched[i]->objectName().toStdString();
        }
        QLabel* status = bar->findChild<QLabel*>(QStringLiteral("statusLabel"));
        ASSERT_NE(status, nullptr);
        EXPECT_TRUE(window.contains(inWindow(status, &w)));
        EXPECT_LE(status->sizeHint().width(), status->width());

        // The system page (CONNECT, the stored settings) reaches below the smallest window:
        // scrolled to its end, the top bar has not moved.
        w.showPage(1, View::System);
        scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
        scroll->horizontalScrollBar()->setValue(scroll->horizontalScrollBar()->maximum());
        if (size == kMinimumWindowSize) {
            EXPECT_GT(scroll->verticalScrollBar()->value(), 0);
        }
        EXPECT_EQ(places(), before);

        // A bank's strips cover the page's width (the panel closed).
        for (int bank : {1, 4}) {
            w.pressBank(bank);
            int covered = 0;
            int right = 0;
            for (int i = 0; i < 8; ++i) {
                const QWidget* strip = bank == 4 ? static_cast<QWidget*>(w.outputStrip(i))
                                                 : static_cast<QWidget*>(w.inputStrip(i));
                ASSERT_TRUE(strip->isVisible());
                covered += strip->width();
                right = std::max(right, strip->geometry().right());
            }
            if (size.width() >= 1366) {
                EXPECT_GE(covered, size.width() * 9 / 10) << "bank " << bank;
                EXPECT_LT(right, size.width()) << "bank " << bank;
                EXPECT_EQ(scroll->horizontalScrollBar()->maximum(), 0) << "bank " << bank;
            }
        }
        // With the navigation panel open they make room for it.
        w.toggleNavigationPanel();
        ASSERT_TRUE(w.navigationPanel()->isVisible());
        if (size.width() >= 1366) {
            EXPECT_FALSE(w.outputStrip(7)->geometry().intersects(w.navigationPanel()->geometry()));
        }
        w.toggleNavigationPanel();
        EXPECT_EQ(w.outputStrip(7)->width(), BankStripWidth(w.metrics(), false));
    }
}

} // namespace
} // namespace krm::ui
