#include "link/loopback_guard.h"

#include "link/udp_socket.h"

#include <cstdlib>
#include <cstring>

namespace krm {

bool LoopbackOnly() {
    const char* value = std::getenv("KRM416X_LOOPBACK_ONLY");
    return value != nullptr && value[0] != '\0' && std::strcmp(value, "0") != 0;
}

bool DestinationAllowed(const Endpoint& to, bool loopbackOnly) {
    return !loopbackOnly || to.isLoopback();
}

bool DestinationAllowed(const Endpoint& to) {
    return DestinationAllowed(to, LoopbackOnly());
}

} // namespace krm
