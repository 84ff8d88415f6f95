#pragma once
// HttpClient: the update page fetch and the firmware downloads over HTTP(S), on libcurl.
//
// Every request carries the user agent "Agent<millisecond tick>", the header
// "Accept: */*" and asks every cache on the way to reload from the server ("Cache-Control:
// no-cache", "Pragma: no-cache"). The system's proxy settings apply (libcurl reads
// http_proxy, https_proxy and no_proxy). Redirects are followed, at most five.
//
// Nothing hangs: a connection must open within the connect timeout, a transfer that
// moves less than a byte per second for the stall time is ended, and the stop flag ends a
// transfer within about 50 ms. While the loopback guard is on (KRM416X_LOOPBACK_ONLY), no
// name is looked up and no connection opens to an address outside 127.0.0.0/8 — the first
// address and every redirect alike.
//
// Threads: one object per worker; fetch and download block the calling thread. Objects on
// different threads may run at once.

#include "link/clock.h"

#include <atomic>
#include <cstddef>
#include <optional>
#include <string>

namespace krm {

enum class HttpError {
    None,
    Refused,    // the loopback guard refused the address (nothing was sent)
    BadAddress, // not an http:// or https:// address, or too many redirects
    Connect,    // no connection, or it broke, stalled or timed out
    Status,     // the server answered with a status of 400 or more
    TooLarge,   // a page longer than the page limit
    File,       // the downloaded file could not be written or put in place
    Stopped,    // the stop flag was raised
};

struct HttpLimits {
    Millis connectTimeout{15'000};
    Millis stallTime{30'000};                    // ended when under 1 byte/s for this long
    std::size_t maxPageBytes = 16 * 1024 * 1024; // an update page is a few kilobytes
};

class HttpClient {
public:
    // The clock gives the agent name's tick; stop may be null (never stopped).
    explicit HttpClient(Clock& clock = systemClock(), const std::atomic<bool>* stop = nullptr,
                        HttpLimits limits = {});
    virtual ~HttpClient() = default;

    // The page: exactly the bytes the server sent, joined in order. nullopt on any
    // failure (the caller's "Error"), a status of 400 or more included; no partial page.
    virtual std::optional<std::string> fetch(const std::string& url);

    // The file at url saved as path. It is written under a temporary name in the same
    // folder and renamed over path only when complete, so a failed download leaves an
    // earlier file at path as it was.
    virtual bool download(const std::string& url, const std::string& path);

    // Why the last fetch or download failed (None after a success).
    HttpError lastError() const { return m_lastError; }

private:
    class Sink;
    bool transfer(const std::string& url, Sink& sink);

    Clock& m_clock;
    const std::atomic<bool>* m_stop;
    HttpLimits m_limits;
    HttpError m_lastError = HttpError::None;
};

} // namespace krm
