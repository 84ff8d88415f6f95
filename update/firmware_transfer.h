#pragma once
// FirmwareTransfer: sends one firmware file to the device over the update socket — the
// start frame, the 1,024-byte blocks, then the device's completion report — and moves the
// progress bar. One attempt only: a block that is not acknowledged ends the transfer,
// since the device cannot take a block twice.
//
// Threads: runs on the update worker; the reporter posts to the window. A stop (the flag
// given at construction) ends a run within 50 ms; a stopped run fails without a message.

#include "link/clock.h"
#include "model/message.h"
#include "update/firmware_frames.h"
#include "update/update_channel.h"
#include "update/update_reporter.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <span>

namespace krm {

class FirmwareTransfer {
public:
    FirmwareTransfer(UpdateChannel& channel, Clock& clock, UpdateReporter& reporter,
                     const std::atomic<bool>& stop);

    // Sends the file as the given kind (0 DSP, 1 digital). True when the device reported
    // a completion status of 0. A file that cannot be read, is empty or too long for the
    // start frame is refused before anything is sent.
    bool run(const std::filesystem::path& path, int kind);
    // The same for a file already in memory (refused likewise when empty or too long).
    bool runBytes(std::span<const std::uint8_t> file, int kind);

    // Why the last run failed, for the window to show besides "update fail"; empty after
    // a success or a stop. A non-zero completion status has already been shown to the
    // operator (the device's reply text) and is also kept here.
    const Message& lastError() const { return m_lastError; }
    bool stopped() const { return m_stop.load(); }

private:
    bool sendFrame(std::string_view frame);
    bool start(int kind, int announcedBlocks, std::size_t length);
    bool sendBlock(int kind, int index, std::span<const std::uint8_t, kFirmwareBlockBytes> data);
    bool completion();
    bool fail(Message why);

    UpdateChannel& m_channel;
    Clock& m_clock;
    UpdateReporter& m_reporter;
    const std::atomic<bool>& m_stop;
    Message m_lastError;
};

} // namespace krm
