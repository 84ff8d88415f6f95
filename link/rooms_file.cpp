#include "link/rooms_file.h"

#include "link/network_settings.h"

#include <optional>
#include <set>

namespace krm {

namespace {

constexpr std::string_view kBlanks = " \t\r";

std::string_view trimmed(std::string_view s) {
    const std::size_t first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = s.find_last_not_of(kBlanks);
    return s.substr(first, last - first + 1);
}

} // namespace

std::variant<std::vector<VenueDevice>, std::string> ParseRoomsFile(std::string_view text,
                                                                   const std::string& fileName) {
    std::vector<VenueDevice> devices;
    std::set<std::string> addresses;
    std::set<std::string> rooms;
    int lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        const auto where = [&] { return fileName + ":" + std::to_string(lineNumber) + ": "; };
        if (const std::size_t hash = line.find('#'); hash != std::string_view::npos)
            line = line.substr(0, hash);
        line = trimmed(line);
        if (line.empty())
            continue;
        const std::size_t blank = line.find_first_of(kBlanks);
        const std::string_view addressText = line.substr(0, blank);
        const std::string_view room =
            blank == std::string_view::npos ? std::string_view{} : trimmed(line.substr(blank));
        const std::optional<std::string> address = DeviceIpFromText(addressText);
        if (!address)
            return where() + "'" + std::string(addressText) + "' is not a device address";
        if (!addresses.insert(*address).second)
            return where() + *address + " is listed twice";
        if (!room.empty() && !rooms.insert(std::string(room)).second)
            return where() + "room '" + std::string(room) + "' is named twice";
        devices.push_back({*address, std::string(room)});
    }
    if (devices.empty())
        return fileName + ": lists no device";
    return devices;
}

std::variant<std::vector<VenueDevice>, std::string> ParseDeviceList(std::string_view text) {
    std::vector<VenueDevice> devices;
    std::set<std::string> addresses;
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view item = trimmed(text.substr(0, comma));
        if (!item.empty()) {
            const std::optional<std::string> address = DeviceIpFromText(item);
            if (!address)
                return "'" + std::string(item) + "' is not a device address";
            if (!addresses.insert(*address).second)
                return *address + " is listed twice";
            devices.push_back({*address, {}});
        }
        if (comma == std::string_view::npos)
            break;
        text = text.substr(comma + 1);
    }
    if (devices.empty())
        return std::string("--devices needs at least one address");
    return devices;
}

std::string RoomFileName(const VenueDevice& device) {
    std::string name = device.label();
    for (char& c : name) {
        const auto u = static_cast<unsigned char>(c);
        // Bytes of multi-byte UTF-8 letters (0x80 and above) are kept whole.
        if (u < 0x20 || u == 0x7f ||
            std::string_view("/\\:*?\"'<>|` $&;").find(c) != std::string_view::npos)
            c = '_';
    }
    if (name.starts_with('.'))
        name[0] = '_';
    return name;
}

} // namespace krm
