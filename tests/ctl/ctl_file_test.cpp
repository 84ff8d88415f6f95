// krm416x-ctl on setting files without a device: new, set --file, get --file, dump --file.

#include "ctl_fixture.h"

#include "link/instance_lock.h"
#include "model/setting_diff.h"
#include "presets/setting_file.h"
#include "update/factory_recovery.h"

#include <fstream>
#include <iterator>

namespace krm::test {
namespace {

std::vector<std::uint8_t> Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

TEST_F(CtlTest, RoomFilesArePreparedAndEditedWithoutADeviceOrTheNetwork) {
    const std::string room = file("room.dat");
    ASSERT_EQ(run({"new", room}).status, ctl::kExitOk);
    DeviceImage expected;
    ResetToStartupValues(expected);
    WriteFactoryValues(expected, false);
    ASSERT_EQ(Bytes(room), EncodeSettingFile(expected, LinkStateRecord{}));
    const CtlRun again = run({"new", room});
    EXPECT_EQ(again.status, ctl::kExitUsage);
    EXPECT_NE(again.err.find(room + " exists"), std::string::npos) << again.err;

    // A file saved by a connected program, its reserved link-state bytes set too: an edit
    // must carry them through as they are.
    std::vector<std::uint8_t> original = Bytes(room);
    for (std::size_t i = 0; i < kLinkStateSize; ++i)
        original[kLinkStateOffset + i] = static_cast<std::uint8_t>(0xA0 + i);
    Write(room, original);

    const CtlRun refused =
        run({"set", "--file", room, "in3.peq2.freq=1.2k", "in3.peq2.gain=-30dB"});
    EXPECT_EQ(refused.status, ctl::kExitUsage);
    EXPECT_NE(refused.err.find("'-30dB' is out of range for in3.peq2.gain (-15.0dB .. 15.0dB)"),
              std::string::npos)
        << refused.err;
    EXPECT_EQ(Bytes(room), original) << "a refused value changes nothing";

    // The port the tool would bind is held: a file needs no lock and no socket.
    constexpr std::uint16_t kPort = 39193;
    auto program = TakeInstanceLock(kPort, "krm416x");
    ASSERT_TRUE(program);
    const ParamAddress freq = *FindParameter("in3.peq2.freq");
    const std::string freqWas =
        ValueText(*freq.parameter, freq.channel, freq.parameter->get(expected, freq.channel));
    const CtlRun set = run({"set", "--file", room, "in3.peq2.freq=1.2k", "in3.peq2.gain=-3 dB",
                            "out5.limiter.ratio=1:4", "--local-port", std::to_string(kPort)});
    ASSERT_EQ(set.status, ctl::kExitOk) << set.err;
    EXPECT_TRUE(set.out.empty());
    EXPECT_NE(set.err.find("krm416x-ctl set: in3.peq2.freq: " + freqWas + " -> 1200Hz\n"),
              std::string::npos)
        << set.err;

    // Only the edited fields' bytes changed; the link-state bytes are the file's own.
    expected.inputs[2].peq[1].freq = 1200;
    expected.inputs[2].peq[1].gain = 120;
    expected.outputs[4].limiter.ratio = 40;
    std::vector<std::uint8_t> want = EncodeSettingFile(expected, LinkStateRecord{});
    std::copy_n(original.begin() + kLinkStateOffset, kLinkStateSize,
                want.begin() + kLinkStateOffset);
    EXPECT_EQ(Bytes(room), want);

    const CtlRun get =
        run({"get", "--file", room, "in3.peq2.freq", "in3.peq2.gain", "out5.limiter.ratio"});
    ASSERT_EQ(get.status, ctl::kExitOk) << get.err;
    EXPECT_EQ(get.out, "1200Hz\n-3.0dB\n1:4.0\n");
    const CtlRun dump = run({"dump", "--file", room});
    ASSERT_EQ(dump.status, ctl::kExitOk) << dump.err;
    std::string listed;
    for (const SettingField& f : ListSettingFields(expected))
        listed += f.path + " = " + f.text + "\n";
    EXPECT_EQ(dump.out, listed);

    // A damaged file, short or long, is refused by name and left as it was.
    for (std::size_t size : {kSettingFileSize - 1, kSettingFileSize + 8}) {
        SCOPED_TRACE(size);
        std::vector<std::uint8_t> damaged = want;
        damaged.resize(size, 0x55);
        Write(room, damaged);
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"set", "--file", room, "in1.mute=on"},
              std::vector<std::string>{"get", "--file", room, "in1.mute"}}) {
            const CtlRun r = run(args);
            EXPECT_EQ(r.status, ctl::kExitUsage);
            EXPECT_NE(r.err.find("The setting file " + room + " is " + std::to_string(size) +
                                 " bytes long"),
                      std::string::npos)
                << r.err;
            EXPECT_TRUE(r.out.empty());
        }
        EXPECT_EQ(Bytes(room), damaged);
    }
}

} // namespace
} // namespace krm::test
