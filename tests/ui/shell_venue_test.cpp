// The DEVICES list end to end: a venue of virtual devices answering one port, found by a
// search from the window's own local port, watched by the light poll, and one of them taken
// over by the window.

#include "app/program.h"
#include "kit/toggle_button.h"
#include "link/venue_link.h"
#include "services/venue_watch.h"
#include "sim/virtual_venue.h"
#include "tests/support/fake_clock.h"
#include "tests/support/qt_pump.h"
#include "ui/host_settings.h"
#include "ui/link_controller.h"
#include "ui/main_window.h"
#include "ui/system_page.h"
#include "ui/venue_section.h"

#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace krm::ui {
namespace {

using test::PumpEventsUntil;

// A sweep skips host 1 of a network (the router's): the venue starts at host 2.
// Fixed ports of this test alone: the watch and the search must share the local port.
constexpr std::uint16_t kVenuePort = 39161;
constexpr std::uint16_t kLocalPort = 39162;

// The cell of the row that lists `address`.
QString Cell(VenueSection& s, const char* address, int column) {
    for (int row = 0; row < s.list()->topLevelItemCount(); ++row)
        if (s.list()->topLevelItem(row)->text(1) == QLatin1String(address))
            return s.list()->topLevelItem(row)->text(column);
    return {};
}

TEST(VenueWindow, SearchAddFoundWatchAndSwitchOnTheWindowsOwnPort) {
    sim::VirtualVenue venue(3);
    ASSERT_TRUE(venue.start(*Endpoint::parse("127.0.4.2", kVenuePort)));
    venue.device(0).setBasicVersion("300");
    venue.device(1).setBasicVersion("301");
    venue.device(2).setSilent(true);

    QTemporaryDir dir;
    test::FakeClock clock;
    MainWindowOptions o;
    o.settingsPath = dir.filePath(QStringLiteral("krm.ini"));
    o.clock = &clock;
    o.localPort = kLocalPort;
    o.startTimers = false;
    o.deviceOverride = QStringLiteral("127.0.4.9");
    o.devicePort = kVenuePort;
    o.interfaces = [] {
        return std::vector<Ipv4Interface>{
            {"lo-test", Endpoint::fromOctets(127, 0, 4, 200, 0).address, true, false}};
    };
    app::Program program(o);
    MainWindow& w = program.window();
    w.show();
    VenueWatch& watch = program.services().watch();
    auto* section =
        qobject_cast<VenueSection*>(w.systemPage()->sectionContent(SystemPage::kDevicesSection));
    ASSERT_NE(section, nullptr);
    w.showPage(1, View::System);
    w.systemPage()->showSection(SystemPage::kDevicesSection);

    // A typed room; the silent one.
    section->addressBox()->setText(QStringLiteral("127.0.4.4"));
    section->nameBox()->setText(QStringLiteral("Hall C"));
    QTest::mouseClick(section->addButton(), Qt::LeftButton);
    ASSERT_EQ(watch.entries().size(), 1u);
    // With no link, the watch opens the local port itself to ask.
    w.link().timerTick();
    EXPECT_EQ(watch.questionsSent(), 1u);

    // The search needs that port: the watch lets it go, and the two live devices answer.
    w.link().startSearch();
    ASSERT_TRUE(PumpEventsUntil([&] {
        return !program.services().discovery().sweeping() && w.systemPage()->deviceCount() == 2;
    }));
    QTest::mouseClick(section->addFoundButton(), Qt::LeftButton);
    ASSERT_EQ(watch.entries().size(), 3u);

    // One question a device each poll interval; the live ones answer with their firmware.
    auto status = [&](const char* address) { return Cell(*section, address, 2); };
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 3; ++i)
            w.link().timerTick();
        ASSERT_TRUE(PumpEventsUntil([&] {
            return status("127.0.4.2") == QLatin1String("ALIVE") &&
                   status("127.0.4.3") == QLatin1String("ALIVE");
        }));
        clock.advance(VenueWatch::kPollInterval);
    }
    w.link().timerTick();
    ASSERT_TRUE(PumpEventsUntil([&] { return status("127.0.4.4") == QLatin1String("SILENT"); }));
    EXPECT_EQ(Cell(*section, "127.0.4.4", 0), QStringLiteral("Hall C"));
    EXPECT_EQ(Cell(*section, "127.0.4.2", 4), QStringLiteral("3.00"));
    EXPECT_EQ(Cell(*section, "127.0.4.3", 4), QStringLiteral("3.01"));
    // A light poll: about one question per device and interval, never a flood.
    EXPECT_LE(watch.questionsSent(), 1u + 3u * 3u);
    EXPECT_LE(venue.device(0).framesReceived('r'), 3);

    // SWITCH TO the second found device: the window connects to it.
    for (int row = 0; row < 3; ++row)
        section->list()->topLevelItem(row)->setSelected(
            section->list()->topLevelItem(row)->text(1) == QLatin1String("127.0.4.3"));
    QTest::mouseClick(section->switchButton(), Qt::LeftButton);
    ASSERT_TRUE(PumpEventsUntil([&] { return w.session().isOnline(); }));
    EXPECT_EQ(w.session().deviceIp(), "127.0.4.3");
    w.link().timerTick();
    w.showPage(1, View::System); // a connect shows the channel view
    ASSERT_TRUE(PumpEventsUntil([&] { return status("127.0.4.3") == QLatin1String("CONNECTED"); }));

    // The list is kept in the program's settings, room names included.
    QStringList stored = HostSettings(o.settingsPath).venueDevices();
    stored.sort();
    EXPECT_EQ(stored, (QStringList{QStringLiteral("127.0.4.2"), QStringLiteral("127.0.4.3"),
                                   QStringLiteral("127.0.4.4 Hall C")}));
}

} // namespace
} // namespace krm::ui
