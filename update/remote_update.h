#pragma once
// RemoteUpdate: the UPDATE button's worker. It asks the device for its hardware version,
// reads the maker's update page, and when the page announces a newer version downloads the
// two firmware files ("upate1.bin", DSP, kind 0; "upate2.bin", digital, kind 1) beside the
// program and sends them to the device, the digital firmware first.
//
// The identification query and the firmware transfer come in as functions, so the flow
// knows nothing of the update socket. The caller opens the update socket and sets the
// busy flag before run(), and closes the socket and clears the flag after it, whatever the
// result (the link stays down; the operator connects again).
//
// Threads: run() blocks its worker thread; the reporter is called on it. The stop flag
// (window closing) ends a download and the pauses within about 50 ms; a transfer already
// under way ends when the transfer function returns.

#include "link/clock.h"
#include "update/http_client.h"
#include "update/update_reporter.h"

#include <atomic>
#include <functional>
#include <optional>
#include <string>

namespace krm {

inline constexpr const char* kRemoteDspFile = "upate1.bin";     // first address, kind 0
inline constexpr const char* kRemoteDigitalFile = "upate2.bin"; // second address, kind 1

struct RemoteUpdateSteps {
    // The device's hardware version ("32"), or nullopt when it did not answer.
    std::function<std::optional<std::string>()> identify;
    // Sends the file at path as firmware of the kind (0 DSP, 1 digital); true on success.
    std::function<bool(const std::string& path, int kind)> transfer;
};

enum class RemoteUpdateResult {
    VersionError,   // the device did not answer: "Get version error."
    PageError,      // page not read, or without its markers: "Update fail."
    UpToDate,       // the page's version is not newer: "Software is the newst."
    DownloadFailed, // "update fail"; nothing was sent to the device
    TransferFailed, // "update fail"
    Updated,        // both files sent: "Update successfully."
    Stopped,        // the stop flag was raised; no message
};

class RemoteUpdate {
public:
    // stop may be null. The http client should share the stop flag so that a stop also
    // ends a download.
    RemoteUpdate(RemoteUpdateSteps steps, HttpClient& http, Clock& clock, UpdateReporter& reporter,
                 const std::atomic<bool>* stop = nullptr);

    // pageUrl: the update page's address; folder: where the firmware files are saved
    // (the program's directory).
    RemoteUpdateResult run(const std::string& pageUrl, const std::string& folder);

private:
    bool stopped() const { return m_stop && m_stop->load(); }
    // A pause in short steps so that a stop is seen promptly; false when stopped.
    bool pause(Millis duration);

    RemoteUpdateSteps m_steps;
    HttpClient& m_http;
    Clock& m_clock;
    UpdateReporter& m_reporter;
    const std::atomic<bool>* m_stop;
};

} // namespace krm
