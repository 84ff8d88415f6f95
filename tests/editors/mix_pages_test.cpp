// The auto-mixer and matrix pages: the global lists store their codes, send one "%M," and
// report "Set successfully."; a channel level with SYNC on goes to all sixteen
// microphones and its frames leave the paced sender in the device's order, 20 ms apart;
// SYNC itself sends nothing; a matrix click sends that input's "%B," only; offline edits
// change the image alone.
#include "editors/pages/automix_page.h"
#include "editors/pages/matrix_page.h"
#include "kit/drop_list.h"
#include "kit/text_label.h"
#include "kit/toggle_button.h"
#include "model/paced_sender.h"
#include "tests/kit/kit_events.h"
#include "tests/support/fake_clock.h"
#include "tests/support/timed_sink.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QStringList>

namespace krm {
namespace {

class MixPagesTest : public ::testing::Test {
protected:
    MixPagesTest() {
        ResetToStartupValues(image);
        image.autoMixMode = 0;
        image.maxOpenCh = 4;
        image.lastHold = 1;
        image.holdTime = 10;
        image.closedAttn = 40;
        image.nomAttn = 30;
        image.autoMixSync = 0;
        for (int ch = 0; ch < 16; ++ch) {
            image.inputs[static_cast<std::size_t>(ch)].autoMixLevel = 80;
            image.inputs[static_cast<std::size_t>(ch)].autoMixPriority = 0;
        }
    }
    std::unique_ptr<AutomixPage> automix() {
        auto page = std::make_unique<AutomixPage>(
            edits, [this](const QString& text) { messages.append(text); });
        page->resize(1300, 560);
        return page;
    }
    std::vector<std::string> sent() {
        linked.waitIdle();
        bulk.waitIdle();
        return sink.frames();
    }
    // Chooses an item the way the operator does: open the list, pick a row.
    static void pick(ui::DropList* list, int index) {
        list->openList();
        ASSERT_NE(list->popup(), nullptr);
        emit list->popup()->chosen(index);
        // The message follows once the list's event is over.
        QCoreApplication::sendPostedEvents();
    }

    DeviceImage image;
    test::FakeClock clock;
    test::TimedSink sink{clock};
    PacedSender linked{sink, clock};
    PacedSender bulk{sink, clock};
    EditService edits{image, sink, linked, bulk};
    QStringList messages;
};

TEST_F(MixPagesTest, GlobalListsStoreTheirCodesSendOneMFrameAndReportSuccess) {
    auto page = automix();
    EXPECT_EQ(page->globalList(AutomixPage::Nom)->text(), "0 dB");
    EXPECT_EQ(page->globalList(AutomixPage::HoldTime)->text(), "500 ms");

    pick(page->globalList(AutomixPage::Nom), 7); // "-3 dB"
    EXPECT_EQ(image.nomAttn, 27);
    // 01 address | 00 AUTO | 04 max open | 01 last hold | 0A 500 ms | 28 closed -20 dB |
    // 1B NOM -3 dB
    EXPECT_EQ(sent(), std::vector<std::string>{"%M,01,00,04,01,0A,28,1B,9BFC#"});
    EXPECT_EQ(messages, QStringList{"Set successfully."});

    pick(page->globalList(AutomixPage::HoldTime), 99);
    EXPECT_EQ(page->globalList(AutomixPage::HoldTime)->text(), "5000 ms");
    EXPECT_EQ(image.holdTime, 100);
    pick(page->globalList(AutomixPage::MaxOpen), 15);
    EXPECT_EQ(image.maxOpenCh, 16);
    pick(page->globalList(AutomixPage::ClosedAttn), 0); // -60 dB
    EXPECT_EQ(image.closedAttn, 0);
    EXPECT_EQ(sent().size(), 4u);
    EXPECT_EQ(messages.size(), 4);

    // OK sends what the lists show, even when the image was changed under them.
    image.maxOpenCh = 2;
    test::click(page->okButton(), QPoint(5, 5));
    EXPECT_EQ(image.maxOpenCh, 16);
    EXPECT_EQ(sent().back().substr(0, 21), "%M,01,00,10,01,64,00,");
    EXPECT_EQ(sent().size(), 5u);
    EXPECT_EQ(messages.size(), 5);

    // MODE and LAST HOLD send "%M," without a message; SYNC sends nothing at all.
    test::click(page->modeButton(), QPoint(5, 5));
    EXPECT_EQ(image.autoMixMode, 1);
    EXPECT_EQ(page->modeButton()->text(), "MAN");
    EXPECT_EQ(sent().back().substr(0, 9), "%M,01,01,");
    test::click(page->lastHoldButton(), QPoint(5, 5));
    EXPECT_EQ(image.lastHold, 0);
    EXPECT_EQ(sent().back().substr(0, 15), "%M,01,01,10,00,");
    EXPECT_EQ(sent().size(), 7u);
    test::click(page->syncButton(), QPoint(5, 5));
    EXPECT_EQ(image.autoMixSync, 1);
    EXPECT_TRUE(page->syncButton()->state());
    test::click(page->syncButton(), QPoint(5, 5));
    EXPECT_EQ(image.autoMixSync, 0);
    EXPECT_EQ(sent().size(), 7u) << "SYNC is the page's own switch";
    EXPECT_EQ(messages.size(), 5);

    // Showing loads every list; a hold time of 0 leaves its list where it was.
    image.holdTime = 0;
    image.nomAttn = 22;
    image.inputs[4].autoMixLevel = 30;
    page->show();
    EXPECT_EQ(page->globalList(AutomixPage::HoldTime)->selection(), 99);
    EXPECT_EQ(page->globalList(AutomixPage::Nom)->text(), "-8 dB");
    EXPECT_EQ(page->levelList(4)->text(), "-50 dB");

    // The open states follow the status reports.
    image.inputs[2].autoMixOpen = 1;
    image.inputs[9].autoMixLast = 1;
    page->updateStates();
    EXPECT_EQ(page->stateIndicator(2)->text(), "ACTIVE");
    EXPECT_EQ(page->stateIndicator(9)->text(), "ACTIVE");
    EXPECT_EQ(page->stateIndicator(3)->text(), "WAITING");
    EXPECT_TRUE(page->stateIndicator(2)->state());
}

TEST_F(MixPagesTest, SyncedLevelGoesToEveryMicrophoneInTheDevicesOrderTwentyMsApart) {
    auto page = automix();
    image.autoMixSync = 1;
    page->reload();
    const Millis start = clock.now();

    pick(page->levelList(2), 60); // CH3 to -20 dB
    for (int ch = 0; ch < 16; ++ch) {
        EXPECT_EQ(image.inputs[static_cast<std::size_t>(ch)].autoMixLevel, 60) << ch;
        EXPECT_EQ(page->levelList(ch)->text(), "-20 dB") << ch;
    }
    EXPECT_EQ(image.inputs[16].autoMixLevel, 0) << "the line inputs have no auto-mixer";
    std::vector<std::string> frames = sent();
    ASSERT_EQ(frames.size(), 17u);
    // 01 address | 03 CH3 | 3C level 60 (-20 dB) | 00 priority off
    EXPECT_EQ(frames[0], "%L,01,03,3C,00,E15B#");
    for (int i = 1; i <= 16; ++i)
        EXPECT_EQ(frames[static_cast<std::size_t>(i)].substr(0, 15),
                  QString::asprintf("%%L,01,%02X,3C,00,", i).toStdString());
    const std::vector<Millis> times = sink.times();
    for (std::size_t i = 0; i < times.size(); ++i)
        EXPECT_EQ(times[i] - start, Millis{20 * static_cast<int>(i)}) << i;

    pick(page->levelList(11), 40); // CH12: the device needs no extra frame for CH9..CH16
    frames = sent();
    ASSERT_EQ(frames.size(), 17u + 16u);
    EXPECT_EQ(frames[17].substr(0, 12), "%L,01,01,28,");
    EXPECT_EQ(frames.back().substr(0, 12), "%L,01,10,28,");

    // SYNC off: CH12 alone, at once.
    test::click(page->syncButton(), QPoint(5, 5));
    pick(page->levelList(11), 10);
    frames = sent();
    ASSERT_EQ(frames.size(), 17u + 16u + 1u);
    EXPECT_EQ(frames.back().substr(0, 12), "%L,01,0C,0A,");
    EXPECT_EQ(image.inputs[11].autoMixLevel, 10);
    EXPECT_EQ(image.inputs[10].autoMixLevel, 40);
}

TEST_F(MixPagesTest, MatrixClickSendsThatInputsRowAndFlipsBack) {
    MatrixPage page(edits);
    page.resize(1300, 360);
    image.inputs[4].matrix = {1, 0, 0, 0, 0, 0, 0, 1};
    page.reload();
    ASSERT_FALSE(page.cell(4, 2)->state());

    test::click(page.cell(4, 2), QPoint(5, 5));
    EXPECT_EQ(image.inputs[4].matrix[2], 1);
    EXPECT_TRUE(page.cell(4, 2)->state());
    test::click(page.cell(4, 2), QPoint(5, 5));
    EXPECT_EQ(image.inputs[4].matrix[2], 0);
    EXPECT_FALSE(page.cell(4, 2)->state());
    // 01 address | 05 CH5 | bus 1..8: 1 0 1 0 0 0 0 1, then the same row with bus 3 off
    std::vector<std::string> frames = sent();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].substr(0, 18), "%B,01,05,10100001,");
    EXPECT_EQ(frames[1].substr(0, 18), "%B,01,05,10000001,");

    // CH20 to output 8: the eighth digit; nothing else in the image moved.
    const DeviceImage before = image;
    page.clickCell(19, 7);
    // 01 address | 14 CH20 | bus 8 on
    EXPECT_EQ(sent().back(), "%B,01,14,00000001,8527#");
    for (int ch = 0; ch < 19; ++ch)
        EXPECT_EQ(image.inputs[static_cast<std::size_t>(ch)].matrix,
                  before.inputs[static_cast<std::size_t>(ch)].matrix);

    // The headers carry the current names at the next showing.
    image.outputs[2].name = Name16::fromUtf8("Stage");
    image.inputs[0].name = Name16::fromUtf8("Chair");
    page.show();
    EXPECT_EQ(page.rowHeader(2)->text(), "Stage");
    EXPECT_EQ(page.columnHeader(0)->text(), "Chair");
    EXPECT_EQ(page.rowHeader(4)->text(), QString::fromStdString(image.outputs[4].name.toUtf8()));
}

TEST_F(MixPagesTest, OfflineEditsChangeTheImageOnly) {
    sink.online = false;
    auto page = automix();
    pick(page->globalList(AutomixPage::Nom), 0);
    EXPECT_EQ(image.nomAttn, 20);
    EXPECT_EQ(messages, QStringList{"Set successfully."}) << "told even offline";
    test::click(page->modeButton(), QPoint(5, 5));
    test::click(page->syncButton(), QPoint(5, 5));
    pick(page->levelList(0), 5);
    EXPECT_EQ(image.inputs[15].autoMixLevel, 5);
    MatrixPage matrix(edits);
    matrix.clickCell(0, 0);
    EXPECT_EQ(image.inputs[0].matrix[0], 1);
    sink.online = true;
    EXPECT_TRUE(sent().empty()) << "nothing is queued for later";
}

} // namespace
} // namespace krm
