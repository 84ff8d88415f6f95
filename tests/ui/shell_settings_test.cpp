#include "ui/host_settings.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace krm::ui {
namespace {

TEST(HostSettings, MissingEmptyOrUnusableValueReadsAsTheFactoryAddress) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("krm.ini"));
    EXPECT_EQ(HostSettings(path).hostIp(), QStringLiteral("192.168.1.106"));
    {
        QSettings raw(path, QSettings::IniFormat);
        raw.setValue(QStringLiteral("U_FONT_SECTION/hostip"), QString());
    }
    EXPECT_EQ(HostSettings(path).hostIp(), QStringLiteral("192.168.1.106"));
    {
        QSettings raw(path, QSettings::IniFormat);
        raw.setValue(QStringLiteral("U_FONT_SECTION/hostip"), QStringLiteral("not an address"));
    }
    EXPECT_EQ(HostSettings(path).hostIp(), QStringLiteral("192.168.1.106"));
}

TEST(HostSettings, StoredAddressPersistsInSectionUFontSection) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("krm.ini"));
    {
        HostSettings settings(path);
        settings.setHostIp(QStringLiteral("127.0.0.9"));
        EXPECT_EQ(settings.hostIp(), QStringLiteral("127.0.0.9"));
    }
    EXPECT_EQ(HostSettings(path).hostIp(), QStringLiteral("127.0.0.9"));
    // Written through at once, under the section and key other installations read.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("[U_FONT_SECTION]")) << text.constData();
    EXPECT_TRUE(text.contains("hostip=127.0.0.9")) << text.constData();
}

} // namespace
} // namespace krm::ui
