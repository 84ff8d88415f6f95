#pragma once
// The device side of the update exchanges, as far as these tests need it: joins the
// datagrams it is sent into frames (NUL padding dropped), keeps the file it is sent, and
// answers by a script. Hooked onto a FakeUpdateChannel.

#include "link/frame.h"
#include "tests/update/fake_update_channel.h"

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

namespace krm::test {

class ScriptedDevice {
public:
    // Answers; an empty text means silence.
    std::string dumpReply;                                     // to "%Z,"
    std::string basicReply;                                    // to "%r,"
    std::string startAck = CommandFrame('S').byte(1).finish(); // empty: silence
    int ackedBlocks = INT_MAX; // blocks acknowledged before the device falls silent
    int completionStatus = 0;  // sent as "%02d"; a checksum mismatch sends 3 instead
    bool sendCompletion = true;
    Millis completionDelay{160}; // after the block that completes the file

    struct Transfer {
        std::string startFrame;
        int kind = -1;
        int announcedBlocks = 0;
        std::size_t length = 0;
        std::vector<int> indexes;        // block indexes in the order received
        std::vector<std::uint8_t> bytes; // the blocks' bytes, joined
        Millis startedAt{0};
    };
    std::vector<Transfer> transfers;
    std::vector<std::string> frames; // every frame received, in order

    explicit ScriptedDevice(FakeUpdateChannel& channel) : m_channel(channel) {
        channel.onSend = [this](std::string_view d) { receive(d); };
    }

    static std::string completionReport(int status) {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%02d", status);
        return CommandFrame('U').byte(1).text(digits).finish();
    }

private:
    void receive(std::string_view datagram) {
        for (char c : datagram)
            if (c != '\0')
                m_pending += c;
        if (m_pending.empty() || m_pending.back() != '#')
            return;
        const std::string frame = std::move(m_pending);
        m_pending.clear();
        frames.push_back(frame);
        handle(frame);
    }

    static std::vector<std::string> fields(const std::string& frame) {
        std::vector<std::string> out;
        std::size_t from = 1;
        for (std::size_t comma; (comma = frame.find(',', from)) != std::string::npos;
             from = comma + 1)
            out.push_back(frame.substr(from, comma - from));
        return out;
    }

    void handle(const std::string& frame) {
        if (!FrameChecksumOk(frame))
            return;
        const std::vector<std::string> f = fields(frame);
        switch (frame[1]) {
        case 'Z':
            // The dump is longer than one receive buffer: it comes in 2,048-byte pieces.
            for (std::size_t at = 0; at < dumpReply.size(); at += 2048)
                m_channel.reply(dumpReply.substr(at, 2048));
            break;
        case 'r':
            if (!basicReply.empty())
                m_channel.reply(basicReply);
            break;
        case 'S': {
            Transfer t;
            t.startFrame = frame;
            t.kind = std::stoi(f.at(2));
            t.announcedBlocks = std::stoi(f.at(3), nullptr, 16);
            t.length = std::stoul(f.at(4), nullptr, 16);
            t.startedAt = lastSendTime();
            transfers.push_back(t);
            if (!startAck.empty())
                m_channel.reply(startAck);
            break;
        }
        case 'T': {
            Transfer& t = transfers.back();
            t.indexes.push_back(std::stoi(f.at(3), nullptr, 16));
            for (std::uint8_t b : HexToBytes(f.at(4)))
                t.bytes.push_back(b);
            if (static_cast<int>(t.indexes.size()) > ackedBlocks)
                return;
            m_channel.reply(CommandFrame('Y').byte(1).byte(t.indexes.back()).finish());
            if (sendCompletion && t.bytes.size() >= t.length + 2)
                m_channel.reply(completionReport(checksumOk(t) ? completionStatus : 3),
                                completionDelay);
            break;
        }
        default:
            break;
        }
    }

    static bool checksumOk(const Transfer& t) {
        const std::string file(t.bytes.begin(), t.bytes.begin() + static_cast<long>(t.length));
        const std::uint16_t crc = FrameChecksum(file);
        return t.bytes[t.length] == (crc >> 8) && t.bytes[t.length + 1] == (crc & 0xFF);
    }

    Millis lastSendTime() const {
        return m_channel.sent.empty() ? Millis{0} : m_channel.sent.back().at;
    }

    FakeUpdateChannel& m_channel;
    std::string m_pending;
};

} // namespace krm::test
