#include "kit/texts.h"
#include "kit/toggle_button.h"
#include "ui/system_page.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace krm::ui {
namespace {

TEST(SystemPageTest, DeviceListHasTwoColumnsAndNoAddressTwice) {
    SystemPage page;
    QTreeWidget* list = page.deviceList();
    EXPECT_EQ(list->columnCount(), 2);
    EXPECT_EQ(list->headerItem()->text(0), QStringLiteral("DEVICE IP"));
    EXPECT_EQ(list->headerItem()->text(1), QStringLiteral("PORT"));

    EXPECT_TRUE(page.addDevice(QStringLiteral("127.0.0.5")));
    EXPECT_TRUE(page.addDevice(QStringLiteral("127.0.0.7")));
    EXPECT_FALSE(page.addDevice(QStringLiteral("127.0.0.5")));
    EXPECT_FALSE(page.addDevice(QStringLiteral("127.0.0.7")));
    ASSERT_EQ(page.deviceCount(), 2);
    EXPECT_EQ(page.deviceAt(0), QStringLiteral("127.0.0.5"));
    EXPECT_EQ(list->topLevelItem(0)->text(1), QStringLiteral("39050"));
    EXPECT_EQ(page.deviceAt(1), QStringLiteral("127.0.0.7"));
    page.clearDevices();
    EXPECT_EQ(page.deviceCount(), 0);
    EXPECT_TRUE(page.addDevice(QStringLiteral("127.0.0.5")));
}

TEST(SystemPageTest, OkStoresOnlyAValidDottedAddress) {
    SystemPage page;
    page.show();
    QSignalSpy confirmed(&page, &SystemPage::addressConfirmed);
    page.addressBox()->setText(QStringLiteral(" 127.0.0.9 "));
    QTest::mouseClick(page.okButton(), Qt::LeftButton);
    ASSERT_EQ(confirmed.count(), 1);
    EXPECT_EQ(confirmed.at(0).at(0).toString(), QStringLiteral("127.0.0.9"));
    EXPECT_EQ(page.address(), QStringLiteral("127.0.0.9"));

    for (const char* bad : {"127.0.0", "127.0.0.256", "host.local", "1.2.3.4.5", ""}) {
        page.addressBox()->setText(QString::fromLatin1(bad));
        QTest::mouseClick(page.okButton(), Qt::LeftButton);
        EXPECT_EQ(confirmed.count(), 1) << bad;
        EXPECT_EQ(page.address(), QString::fromLatin1(bad)); // kept as typed for mending
    }
    EXPECT_NE(page.findChild<QMessageBox*>(), nullptr);

    // Return in the box confirms too.
    page.addressBox()->setText(QStringLiteral("127.0.0.3"));
    QTest::keyClick(page.addressBox(), Qt::Key_Return);
    ASSERT_EQ(confirmed.count(), 2);
    EXPECT_EQ(confirmed.at(1).at(0).toString(), QStringLiteral("127.0.0.3"));
}

TEST(SystemPageTest, ClickedRowPicksItsAddress) {
    SystemPage page;
    page.show();
    page.addDevice(QStringLiteral("127.0.0.5"));
    page.addDevice(QStringLiteral("127.0.0.6"));
    QSignalSpy picked(&page, &SystemPage::devicePicked);
    QTreeWidget* list = page.deviceList();
    const QRect row = list->visualItemRect(list->topLevelItem(1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
    ASSERT_EQ(picked.count(), 1);
    EXPECT_EQ(picked.at(0).at(0).toString(), QStringLiteral("127.0.0.6"));
}

TEST(SystemPageTest, ConnectButtonTextAndSectionsFollowTheState) {
    SystemPage page;
    page.show();
    EXPECT_EQ(page.connectButton()->text(), QStringLiteral("CONNECT"));
    page.setConnected(true);
    EXPECT_EQ(page.connectButton()->text(), QStringLiteral("DISCONNECT"));
    EXPECT_TRUE(page.connectButton()->state());

    EXPECT_TRUE(page.addressBox()->isVisible());
    QTest::mouseClick(page.sectionButton(3), Qt::LeftButton);
    EXPECT_EQ(page.section(), 3);
    EXPECT_FALSE(page.addressBox()->isVisible());
    EXPECT_FALSE(page.deviceList()->isVisible());
    EXPECT_FALSE(page.sectionButton(1)->isVisible()); // never reachable
    page.showSection(0);
    EXPECT_TRUE(page.deviceList()->isVisible());

    page.setSearchRange(254);
    page.setSearchVisible(true);
    page.setSearchProgress(120);
    EXPECT_TRUE(page.searchVisible());
    EXPECT_EQ(page.progressBar()->value(), 120);
    page.setSearchVisible(false);
    EXPECT_FALSE(page.progressBar()->isVisible());

    setLanguage(Language::Chinese);
    page.retranslate();
    EXPECT_EQ(page.connectButton()->text(), QString::fromUtf8("断开"));
    EXPECT_EQ(page.deviceList()->headerItem()->text(0), QString::fromUtf8("设置IP"));
    setLanguage(Language::English);
}

} // namespace
} // namespace krm::ui
