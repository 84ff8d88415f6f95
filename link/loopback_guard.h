#pragma once
// The loopback guard: while KRM416X_LOOPBACK_ONLY is set (the test command and CI set it
// to 1), no datagram may leave for an address outside 127.0.0.0/8. UdpSocket::sendTo asks
// it before every send. Thread-safe (reads the environment only).

namespace krm {

struct Endpoint;

// True while the environment variable KRM416X_LOOPBACK_ONLY is set to anything but ""
// or "0" (an unknown value errs on the safe side).
bool LoopbackOnly();

// False when the guard is on and the destination lies outside 127.0.0.0/8.
bool DestinationAllowed(const Endpoint& to);

// The same rule with the guard state given, for callers that read it once.
bool DestinationAllowed(const Endpoint& to, bool loopbackOnly);

} // namespace krm
