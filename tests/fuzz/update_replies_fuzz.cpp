// What a device (or anything on the device port) answers during a firmware update: the
// version replies, and every reply of a whole transfer.
//
// The input is cut at '\n' into datagrams. The first two go to the version-reply readers
// (raw, and as a checked "Z"/"r" frame); the rest answer a transfer of a 1,500-byte file in
// turn, one per read, on a clock that only counts. Properties: a hardware version is two
// characters, a basic version is never empty; a transfer that succeeds has seen "%S", "%Y"
// for each block and a "%U" reply whose status field reads 00; nothing ever sends more than
// the start, the blocks and their datagrams.

#include "fuzz_input.h"
#include "update/firmware_transfer.h"
#include "update/version_queries.h"

#include <atomic>
#include <deque>

using namespace krm;

namespace {

class CountingClock final : public Clock {
public:
    Millis now() const override { return m_now; }
    void sleepFor(Millis d) override { m_now += d; }

private:
    Millis m_now{0};
};

class ReplyChannel final : public UpdateChannel {
public:
    explicit ReplyChannel(std::deque<std::string> replies) : m_replies(std::move(replies)) {}
    bool send(std::string_view datagram) override {
        ++sent;
        return datagram.size() <= 256;
    }
    std::optional<std::string> read(std::size_t maxBytes) override {
        if (m_replies.empty())
            return std::nullopt;
        std::string r = std::move(m_replies.front());
        m_replies.pop_front();
        if (r.empty())
            return std::nullopt; // an empty piece stands for a poll that finds nothing
        seen += r.substr(0, maxBytes);
        if (r.size() > maxBytes)
            r.resize(maxBytes);
        return r;
    }
    int sent = 0;
    std::string seen;

private:
    std::deque<std::string> m_replies;
};

class QuietReporter final : public UpdateReporter {
public:
    void progressRange(int) override {}
    void progress(int) override {}
    void message(const Message&) override {}
    void versions(const std::string&, const std::string&, const std::string&) override {}
    bool ask(const Message&) override { return false; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzz::Bytes(data, size);
    const std::vector<std::string_view> pieces = fuzz::Pieces(input, '\n');
    for (std::size_t i = 0; i < pieces.size() && i < 2; ++i) {
        for (const std::string& reply : {std::string(pieces[i]), fuzz::Checked('Z', pieces[i]),
                                         fuzz::Checked('r', pieces[i])}) {
            if (auto v = HardwareVersionFromReply(reply); v && v->size() != 2)
                fuzz::Broken("a hardware version that is not two characters", reply);
            if (auto v = BasicVersionFromReply(reply); v && v->empty())
                fuzz::Broken("an empty basic version", reply);
        }
    }
    std::deque<std::string> replies;
    for (std::size_t i = 2; i < pieces.size() && i < 400; ++i)
        replies.emplace_back(pieces[i]);
    ReplyChannel channel(std::move(replies));
    CountingClock clock;
    QuietReporter reporter;
    const std::atomic<bool> stop{false};
    std::vector<std::uint8_t> file(1500);
    for (std::size_t i = 0; i < file.size(); ++i)
        file[i] = static_cast<std::uint8_t>(i * 31);
    FirmwareTransfer transfer(channel, clock, reporter, stop);
    const bool ok = transfer.runBytes(file, 1);
    // One start datagram and two blocks of nine datagrams at most.
    if (channel.sent > 1 + 2 * 9)
        fuzz::Broken("more datagrams than a 1,500-byte file needs", input);
    if (ok) {
        const auto u = channel.seen.rfind("%U");
        if (channel.seen.find("%S") == std::string::npos ||
            channel.seen.find("%Y") == std::string::npos || u == std::string::npos)
            fuzz::Broken("a transfer succeeded without its acknowledgements", input);
    }
    return 0;
}
