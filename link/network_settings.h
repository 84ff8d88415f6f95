#pragma once
// The device address as the operator types it and as the profile stores it, and the
// list of this computer's IPv4 interfaces that a discovery sweep covers.
// Pure functions except LocalIpv4Interfaces(); thread-safe.

#include "link/udp_socket.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace krm {

inline constexpr std::string_view kFactoryDeviceIp = "192.168.1.106";
// The UDP port of the device, and the local port the program binds, unless overridden.
inline constexpr std::uint16_t kDevicePort = 39050;

// A device address the link can send to: four decimal octets (blanks around them are
// ignored), not 0.x.x.x and not multicast, reserved or broadcast (224 and above).
// Returns the address in canonical dotted form, or nullopt.
std::optional<std::string> DeviceIpFromText(std::string_view text);
bool IsValidDeviceIp(std::string_view text);

// deviceIp at program start from the stored profile value hostip: the stored address
// when it is valid, else the factory address "192.168.1.106" (also when nothing is
// stored or the value is empty).
std::string StartupDeviceIp(const std::optional<std::string>& storedHostIp);

// One IPv4 address of this computer.
struct Ipv4Interface {
    std::string name;          // "eth0"
    std::uint32_t address = 0; // host byte order
    bool up = false;
    bool loopback = false;
};

// The interfaces a sweep may cover: up, not loopback, with a usable address; each
// address once.
std::vector<Ipv4Interface> UsableInterfaces(const std::vector<Ipv4Interface>& all);

// This computer's usable IPv4 interfaces (getifaddrs, filtered by UsableInterfaces).
// Only the program calls it: tests inject their own lists into the discovery worker.
std::vector<Ipv4Interface> LocalIpv4Interfaces();

// The hosts of a sweep: for each interface's /24 network, hosts 2..254, each network
// once, with every one of this computer's own addresses skipped.
std::vector<Endpoint> SweepTargets(const std::vector<Ipv4Interface>& interfaces,
                                   std::uint16_t devicePort);

} // namespace krm
