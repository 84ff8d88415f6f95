#include "link/network_settings.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <algorithm>
#include <set>

namespace krm {

namespace {

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

} // namespace

std::optional<std::string> DeviceIpFromText(std::string_view text) {
    const auto e = Endpoint::parse(trimmed(text), 0);
    if (!e)
        return std::nullopt;
    const std::uint32_t first = e->address >> 24;
    if (first == 0 || first >= 224)
        return std::nullopt;
    return e->addressText();
}

bool IsValidDeviceIp(std::string_view text) {
    return DeviceIpFromText(text).has_value();
}

std::string StartupDeviceIp(const std::optional<std::string>& storedHostIp) {
    if (storedHostIp)
        if (auto ip = DeviceIpFromText(*storedHostIp))
            return *ip;
    return std::string(kFactoryDeviceIp);
}

std::vector<Ipv4Interface> UsableInterfaces(const std::vector<Ipv4Interface>& all) {
    std::vector<Ipv4Interface> usable;
    std::set<std::uint32_t> seen;
    for (const auto& itf : all) {
        const std::uint32_t first = itf.address >> 24;
        if (!itf.up || itf.loopback || first == 127 || first == 0 || first >= 224)
            continue;
        if (seen.insert(itf.address).second)
            usable.push_back(itf);
    }
    return usable;
}

std::vector<Ipv4Interface> LocalIpv4Interfaces() {
    std::vector<Ipv4Interface> all;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return all;
    for (const ifaddrs* a = list; a != nullptr; a = a->ifa_next) {
        if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_INET)
            continue;
        const auto* sin = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
        Ipv4Interface itf;
        itf.name = a->ifa_name != nullptr ? a->ifa_name : "";
        itf.address = ntohl(sin->sin_addr.s_addr);
        itf.up = (a->ifa_flags & IFF_UP) != 0 && (a->ifa_flags & IFF_RUNNING) != 0;
        itf.loopback = (a->ifa_flags & IFF_LOOPBACK) != 0;
        all.push_back(std::move(itf));
    }
    ::freeifaddrs(list);
    return UsableInterfaces(all);
}

std::vector<Endpoint> SweepTargets(const std::vector<Ipv4Interface>& interfaces,
                                   std::uint16_t devicePort) {
    std::set<std::uint32_t> own;
    for (const auto& itf : interfaces)
        own.insert(itf.address);
    std::vector<Endpoint> targets;
    std::set<std::uint32_t> networks;
    for (const auto& itf : interfaces) {
        const std::uint32_t network = itf.address & 0xFFFFFF00u;
        if (!networks.insert(network).second)
            continue;
        for (std::uint32_t host = 2; host <= 254; ++host) {
            const std::uint32_t address = network | host;
            if (!own.contains(address))
                targets.push_back(Endpoint{address, devicePort});
        }
    }
    return targets;
}

} // namespace krm
