// The rooms file and the --devices list: what each line yields, and every refusal named
// with its file and line.

#include "link/rooms_file.h"

#include <gtest/gtest.h>

namespace krm {
namespace {

struct RoomsCase {
    const char* text;
    std::vector<VenueDevice> devices; // empty: refused with `error`
    const char* error = "";
};

TEST(RoomsFileTest, EachLineGivesAnAddressAndItsRoomOrTheFileAndLineOfWhatIsWrong) {
    const RoomsCase cases[] = {
        {"127.0.1.1 Hall A\n127.0.1.2\tFoyer\n", {{"127.0.1.1", "Hall A"}, {"127.0.1.2", "Foyer"}}},
        // Comments, blank lines, blanks around and inside the room, CRLF, no last newline.
        {"# venue\n\n  127.0.1.1   Hall  A   # big\r\n\t\n127.0.1.3",
         {{"127.0.1.1", "Hall  A"}, {"127.0.1.3", ""}}},
        {"127.0.1.1 会议室 3\n", {{"127.0.1.1", "会议室 3"}}},
        {"127.0.1.1\n127.0.1.x Foyer\n", {}, "rooms.txt:2: '127.0.1.x' is not a device address"},
        {"127.0.1.1\n\n127.0.1.300\n", {}, "rooms.txt:3: '127.0.1.300' is not a device address"},
        {"hall-a 127.0.1.1\n", {}, "rooms.txt:1: 'hall-a' is not a device address"},
        {"127.0.1.1 A\n# c\n127.0.1.1 B\n", {}, "rooms.txt:3: 127.0.1.1 is listed twice"},
        {"127.0.1.1 A\n127.0.1.2 A\n", {}, "rooms.txt:2: room 'A' is named twice"},
        {"# nothing\n\n", {}, "rooms.txt: lists no device"},
    };
    for (const RoomsCase& c : cases) {
        SCOPED_TRACE(c.text);
        const auto parsed = ParseRoomsFile(c.text, "rooms.txt");
        if (c.devices.empty()) {
            ASSERT_TRUE(std::holds_alternative<std::string>(parsed));
            EXPECT_EQ(std::get<std::string>(parsed), c.error);
            continue;
        }
        ASSERT_TRUE(std::holds_alternative<std::vector<VenueDevice>>(parsed))
            << std::get<std::string>(parsed);
        const auto& devices = std::get<std::vector<VenueDevice>>(parsed);
        ASSERT_EQ(devices.size(), c.devices.size());
        for (std::size_t i = 0; i < devices.size(); ++i) {
            EXPECT_EQ(devices[i].address, c.devices[i].address);
            EXPECT_EQ(devices[i].room, c.devices[i].room);
        }
    }
}

TEST(RoomsFileTest, DeviceListTakesCommaSeparatedAddressesOnce) {
    const auto good = ParseDeviceList(" 127.0.1.1, 127.0.1.2,,127.0.1.10 ");
    ASSERT_TRUE(std::holds_alternative<std::vector<VenueDevice>>(good));
    const auto& devices = std::get<std::vector<VenueDevice>>(good);
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_EQ(devices[2].address, "127.0.1.10");
    EXPECT_EQ(std::get<std::string>(ParseDeviceList("127.0.1.1,127.0.1.1")),
              "127.0.1.1 is listed twice");
    EXPECT_EQ(std::get<std::string>(ParseDeviceList("127.0.1.1;127.0.1.2")),
              "'127.0.1.1;127.0.1.2' is not a device address");
    EXPECT_TRUE(std::holds_alternative<std::string>(ParseDeviceList(" , ")));
}

TEST(RoomsFileTest, BackupFileNamesStayInsideTheFolder) {
    const std::pair<VenueDevice, const char*> cases[] = {
        {{"127.0.1.1", ""}, "127.0.1.1"},
        {{"127.0.1.1", "Hall A"}, "Hall_A"},
        {{"127.0.1.1", "../etc/passwd"}, "_._etc_passwd"},
        {{"127.0.1.1", ".hidden"}, "_hidden"},
        {{"127.0.1.1", "A/B\\C:D*E?\"F<G>H|I"}, "A_B_C_D_E__F_G_H_I"},
        {{"127.0.1.1", "会议室-3"}, "会议室-3"},
    };
    for (const auto& [device, name] : cases)
        EXPECT_EQ(RoomFileName(device), name) << device.room;
}

} // namespace
} // namespace krm
