// krm416x-ctl end to end: dump, get/set, backup/restore, diff, discover and firmware
// against virtual devices on loopback, the refusals of bad input, and the port lock.

#include "ctl_fixture.h"

#include "link/instance_lock.h"
#include "model/parameters.h"
#include "presets/setting_file.h"
#include "tests/support/ctl_process.h"
#include "tests/update/firmware_folder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <fstream>
#include <set>

namespace krm::test {
namespace {

QJsonObject ParseJson(const std::string& text) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << text.substr(0, 200);
    return doc.object();
}

TEST_F(CtlTest, DumpJsonHoldsEveryParameterOfTheDeviceAsTheTableShowsItAndSaysGoodbye) {
    DeviceImage on = device.image();
    on.inputs[2].peq[1].gain = 120;
    on.outputs[4].limiter.ratio = 25;
    on.nomAttn = 7;
    on.inputs[0].name = Name16::fromUtf8("Podium");
    device.setImage(on);

    const CtlRun r = runOn(device, {"dump", "--json"});
    ASSERT_EQ(r.status, ctl::kExitOk) << r.err;
    const QJsonObject json = ParseJson(r.out);
    EXPECT_EQ(json["device"].toString(), "127.0.0.2");
    EXPECT_EQ(json["port"].toInt(), device.endpoint().port);
    const QJsonObject fields = json["fields"].toObject();

    // Every parameter of the table on every channel it exists on, compared with the
    // device's own value read through the table.
    const DeviceImage held = device.image();
    int compared = 0;
    for (const Parameter& p : Parameters()) {
        for (Channel ch : ChannelsOf(p.side)) {
            if (!p.existsOn(ch))
                continue;
            const QString path = QString::fromStdString(p.path(ch));
            ASSERT_TRUE(fields.contains(path)) << path.toStdString();
            EXPECT_EQ(fields[path].toString().toStdString(), ValueText(p, ch, p.get(held, ch)))
                << path.toStdString();
            ++compared;
        }
    }
    EXPECT_GT(compared, 1500);
    EXPECT_EQ(fields["in3.peq2.gain"].toString(), "-3.0dB");
    EXPECT_EQ(fields["out5.limiter.ratio"].toString(), "1:2.5");
    EXPECT_EQ(fields["automix.nomAttn"].toString(), "7");
    EXPECT_EQ(fields["in1.name"].toString(), "Podium");
    EXPECT_EQ(fields["out2.name"].toString().toStdString(), held.outputs[1].name.toUtf8());
    EXPECT_EQ(fields["device.text"].toString().toStdString(), held.deviceText.toUtf8());
    EXPECT_TRUE(r.err.empty()) << r.err;

    // The handshake started the reports; the goodbye stopped them again: "%Q," 0 before
    // the hello, 1 once online, 0 again as the goodbye. The tool ends as soon as the goodbye
    // is sent, so the device may still be taking the last of them.
    EXPECT_GE(device.framesReceived('Z'), 1);
    EXPECT_TRUE(WaitFor([&] { return device.framesReceived('Q') >= 3; }))
        << device.framesReceived('Q');
    EXPECT_EQ(device.framesReceived('Q'), 3);
    EXPECT_FALSE(device.statusReportsOn());

    // The plain form: one "path = text" line per field, the same fields.
    const CtlRun text = runOn(device, {"dump"});
    ASSERT_EQ(text.status, ctl::kExitOk) << text.err;
    EXPECT_NE(text.out.find("\nin3.peq2.gain = -3.0dB\n"), std::string::npos);
    EXPECT_EQ(static_cast<int>(std::count(text.out.begin(), text.out.end(), '\n')), fields.size());
}

struct SetCase {
    const char* path;
    const char* value;
    std::int32_t code; // what the device must hold afterwards
    const char* shown; // what get prints afterwards
};

TEST_F(CtlTest, SetOfOneParameterPerModuleKindReachesTheDevice) {
    const SetCase cases[] = {
        {"in9.gain", "-10dB", 50, "-10dB"},             // levels
        {"in1.mute", "on", 1, "OPEN"},                  // levels, a switch
        {"in3.peq2.gain", "-3dB", 120, "-3.0dB"},       // PEQ
        {"in3.peq2.freq", "1.2k", 1200, "1200Hz"},      // PEQ, "k"
        {"in2.hpf.slope", "-24dB/Oct", 4, "-24dB/Oct"}, // filters, a label
        {"in5.comp.ratio", "1:2.5", 25, "1:2.5"},       // dynamics
        {"out2.geq10", "+3 dB", 180, "3.0dB"},          // graphic EQ (even: halved on the wire)
        {"out5.limiter.ratio", "1:4", 40, "1:4.0"},     // limiter
        {"out3.delay", "5 ms", 10, "5.0 ms"},           // output, half milliseconds
        {"out1.lineLevel", "mic", 0, "MIC"},            // output, a label
        {"in4.matrix3", "7", 7, "7"},                   // matrix
        {"automix.nomAttn", "25", 25, "25"},            // auto-mixer
    };
    DeviceImage on = device.image();
    on.controlGroupActive = {}; // no member takes a value along
    device.setImage(on);
    for (const SetCase& c : cases) {
        SCOPED_TRACE(c.path);
        const ParamAddress at = *FindParameter(c.path);
        ASSERT_NE(at.parameter->get(device.image(), at.channel), c.code) << "already there";
        const std::string was =
            ValueText(*at.parameter, at.channel, at.parameter->get(device.image(), at.channel));
        const CtlRun r = runOn(device, {"set", c.path, c.value});
        ASSERT_EQ(r.status, ctl::kExitOk) << r.err;
        EXPECT_TRUE(r.out.empty());
        // The old and the new value on stderr, for a script's log.
        EXPECT_NE(r.err.find(std::string(c.path) + ": " + was + " -> " + c.shown + "\n"),
                  std::string::npos)
            << r.err;
        EXPECT_TRUE(WaitFor([&] {
            return at.parameter->get(device.image(), at.channel) == c.code;
        })) << "device holds "
            << at.parameter->get(device.image(), at.channel);
        const CtlRun g = runOn(device, {"get", c.path});
        ASSERT_EQ(g.status, ctl::kExitOk) << g.err;
        EXPECT_EQ(g.out, std::string(c.shown) + "\n");
    }
}

TEST_F(CtlTest, BackupThenRestoreOntoASecondDeviceMakesTheirDumpsEqual) {
    DeviceImage startup;
    ResetToStartupValues(startup);
    sim::VirtualDevice second({}, startup);
    ASSERT_TRUE(second.start(*Endpoint::parse("127.0.0.3", 0)));

    const CtlRun dumpA = runOn(device, {"dump", "--json"});
    const CtlRun dumpB0 = runOn(second, {"dump", "--json"});
    ASSERT_EQ(dumpA.status, 0) << dumpA.err;
    ASSERT_EQ(dumpB0.status, 0) << dumpB0.err;
    ASSERT_NE(ParseJson(dumpA.out)["fields"], ParseJson(dumpB0.out)["fields"]);

    const std::string saved = file("SAVE1.dat");
    const CtlRun backup = runOn(device, {"backup", saved});
    ASSERT_EQ(backup.status, ctl::kExitOk) << backup.err;
    EXPECT_EQ(std::filesystem::file_size(saved), kSettingFileSize);
    DeviceImage fromFile;
    ASSERT_TRUE(ReadSettingFile(saved, fromFile));

    const CtlRun restore = runOn(second, {"restore", saved});
    ASSERT_EQ(restore.status, ctl::kExitOk) << restore.err;
    EXPECT_TRUE(restore.out.empty());
    EXPECT_NE(restore.err.find("(100%)"), std::string::npos) << restore.err;
    // One name frame per channel, as the window's resend sends them, with the name drawn:
    // "%V,01,<ch>,<32 name digits>,<576 bitmap digits>,CRC#".
    EXPECT_EQ(second.framesReceived('V'), kInputCount + kOutputCount);
    const std::string name = second.lastFrame('V');
    ASSERT_GT(name.size(), 9u + 33u + 576u);
    EXPECT_NE(name.substr(9 + 33, 576).find_first_not_of('0'), std::string::npos)
        << "an empty bitmap went out";

    const CtlRun dumpB = runOn(second, {"dump", "--json"});
    ASSERT_EQ(dumpB.status, 0) << dumpB.err;
    const QJsonObject a = ParseJson(dumpA.out)["fields"].toObject();
    const QJsonObject b = ParseJson(dumpB.out)["fields"].toObject();
    ASSERT_EQ(a.size(), b.size());
    // The window's resend carries no detector frame "%N,", no auto-mixer level of the line
    // inputs and no frame for the device text or the unit count: those stay as the second
    // device had them. Everything else now reads the same.
    const std::set<std::string> notResent = {"automix.zeroCrossRate", "automix.energy",
                                             "automix.compareCount",  "automix.thresholdComp",
                                             "in17.automix.level",    "in18.automix.level",
                                             "in19.automix.level",    "in20.automix.level",
                                             "device.text",           "units.count"};
    std::set<std::string> differing;
    for (auto it = a.begin(); it != a.end(); ++it)
        if (b[it.key()] != it.value())
            differing.insert(it.key().toStdString());
    EXPECT_EQ(differing, notResent);
    for (const std::string& path : notResent)
        EXPECT_EQ(b[QString::fromStdString(path)],
                  ParseJson(dumpB0.out)["fields"].toObject()[QString::fromStdString(path)])
            << path;
    second.stop();
}

TEST_F(CtlTest, DiffOfTwoFilesListsExactlyTheirThreeDifferencesByModule) {
    DeviceImage image = sim::DemoDeviceImage();
    const std::string first = file("a.dat");
    const std::string second = file("b.dat");
    ASSERT_TRUE(WriteSettingFile(first, image, {}));
    image.inputs[2].peq[1].gain = 120;
    image.outputs[4].limiter.ratio = 25;
    image.inputs[0].name = Name16::fromUtf8("Podium");
    ASSERT_TRUE(WriteSettingFile(second, image, {}));

    const DeviceImage demo = sim::DemoDeviceImage();
    auto text = [&](const char* path) {
        const ParamAddress at = *FindParameter(path);
        return ValueText(*at.parameter, at.channel, at.parameter->get(demo, at.channel));
    };
    const CtlRun r = run({"diff", first, second});
    EXPECT_EQ(r.status, ctl::kExitDiffer) << r.err;
    EXPECT_EQ(r.out, "[PEQ]\n  in3.peq2.gain: " + text("in3.peq2.gain") + " -> -3.0dB\n" +
                         "[Limiter]\n  out5.limiter.ratio: " + text("out5.limiter.ratio") +
                         " -> 1:2.5\n" + "[Names]\n  in1.name: " + demo.inputs[0].name.toUtf8() +
                         " -> Podium\n");
    EXPECT_TRUE(r.err.empty()) << r.err;

    const CtlRun json = run({"diff", first, second, "--json"});
    EXPECT_EQ(json.status, ctl::kExitDiffer);
    const QJsonObject o = ParseJson(json.out);
    EXPECT_FALSE(o["equal"].toBool());
    const QJsonArray list = o["differences"].toArray();
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list[1].toObject()["path"].toString(), "out5.limiter.ratio");
    EXPECT_EQ(list[1].toObject()["module"].toString(), "Limiter");
    EXPECT_EQ(list[1].toObject()["channel"].toString(), "out5");
    EXPECT_EQ(list[1].toObject()["b"].toString(), "1:2.5");

    // In the window's words, the dotted name beside: the first file names the channels.
    const CtlRun labelled = run({"diff", first, second, "--labels"});
    EXPECT_EQ(labelled.status, ctl::kExitDiffer);
    const std::string ch1 = "CH1 " + demo.inputs[0].name.toUtf8();
    EXPECT_EQ(labelled.out,
              "[PEQ]\n  CH3 " + demo.inputs[2].name.toUtf8() + " · PEQ BAND2 GAIN · " +
                  text("in3.peq2.gain") + " → -3.0dB  (in3.peq2.gain)\n[Limiter]\n  OUT5 " +
                  demo.outputs[4].name.toUtf8() + " · LIMIT Ratio · " + text("out5.limiter.ratio") +
                  " → 1:2.5  (out5.limiter.ratio)\n" + "[Names]\n  " + ch1 + " · NAME · " +
                  demo.inputs[0].name.toUtf8() + " → Podium  (in1.name)\n");
    const QJsonArray texts =
        ParseJson(run({"diff", first, second, "--json", "--labels"}).out)["differences"].toArray();
    ASSERT_EQ(texts.size(), 3);
    EXPECT_EQ(texts[2].toObject()["text"].toString().toStdString(),
              ch1 + " · NAME · " + demo.inputs[0].name.toUtf8() + " → Podium");

    const CtlRun same = run({"diff", first, first});
    EXPECT_EQ(same.status, ctl::kExitOk);
    EXPECT_TRUE(same.out.empty());

    // A file against the live device: its own backup is equal; one edit there differs.
    const std::string backup = file("backup.dat");
    ASSERT_EQ(runOn(device, {"backup", backup}).status, ctl::kExitOk);
    const CtlRun equal = runOn(device, {"diff", backup});
    EXPECT_EQ(equal.status, ctl::kExitOk) << equal.out << equal.err;
    DeviceImage live = device.image();
    live.inputs[8].gain = live.inputs[8].gain == 33 ? 34 : 33;
    device.setImage(live);
    const CtlRun changed = runOn(device, {"diff", backup});
    EXPECT_EQ(changed.status, ctl::kExitDiffer);
    EXPECT_EQ(changed.out.rfind("[Levels]\n  in9.gain: ", 0), 0u) << changed.out;
    EXPECT_EQ(std::count(changed.out.begin(), changed.out.end(), '\n'), 2);
}

// A file from elsewhere whose fields hold any 32-bit value: CH1's pan code 0x80000000 at
// offset 356 and CH2's first PEQ type (offset 636) the same. The diff names both with
// what the file held and compares what they were read as; the restore sends only those.
TEST_F(CtlTest, ADamagedFilesFieldsAreHeldToTheirRangeInTheDiffAndTheRestore) {
    const DeviceImage demo = sim::DemoDeviceImage();
    const std::string good = file("good.dat");
    const std::string damaged = file("damaged.dat");
    ASSERT_TRUE(WriteSettingFile(good, demo, {}));
    std::vector<std::uint8_t> bytes = EncodeSettingFile(demo, {});
    for (std::size_t at : {356u, 636u})
        std::copy_n("\x00\x00\x00\x80", 4, bytes.begin() + static_cast<std::ptrdiff_t>(at));
    std::ofstream(damaged, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    ASSERT_EQ(demo.inputs[1].peq[0].type, 1);

    const CtlRun r = run({"diff", good, damaged});
    EXPECT_EQ(r.status, ctl::kExitDiffer) << r.err;
    EXPECT_EQ(r.out, "[Out of range in " + damaged +
                         "]\n"
                         "  in1.pan: the file holds -2147483648 (0x80000000), read as -1.00\n"
                         "  in2.peq1.type: the file holds -2147483648 (0x80000000), read as 0\n"
                         "[PEQ]\n  in2.peq1.type: 1 -> 0\n");
    const QJsonObject json = ParseJson(run({"diff", good, damaged, "--json"}).out);
    const QJsonArray held = json["outOfRange"].toArray();
    ASSERT_EQ(held.size(), 2);
    EXPECT_EQ(held[0].toObject()["source"].toString(), "b");
    EXPECT_EQ(held[0].toObject()["path"].toString(), "in1.pan");
    EXPECT_EQ(held[0].toObject()["raw"].toInteger(), -2147483648LL);
    EXPECT_EQ(held[0].toObject()["read"].toString(), "-1.00");

    const CtlRun restore = runOn(device, {"restore", damaged});
    ASSERT_EQ(restore.status, ctl::kExitOk) << restore.err;
    EXPECT_NE(restore.err.find("restore: in2.peq1.type: the file holds -2147483648 (0x80000000), "
                               "read as 0\n"),
              std::string::npos)
        << restore.err;
    // The device took CH2's band as the file was read, not 0x80000001 in a wide field.
    EXPECT_TRUE(WaitFor([&] { return device.image().inputs[1].peq[0].type == 0; }))
        << device.image().inputs[1].peq[0].type;
}

struct BadInput {
    const char* what;
    std::vector<std::string> args;
    bool onDevice;
    int status;
    const char* message;
};

TEST_F(CtlTest, BadInputIsRefusedWithAClearMessageAndANonZeroStatus) {
    const std::string junk = file("junk.dat");
    std::ofstream(junk) << "not a setting";
    const std::string silent = std::to_string(device.endpoint().port);
    const BadInput cases[] = {
        {"unknown path",
         {"get", "in3.peq9.gain"},
         true,
         ctl::kExitUsage,
         "unknown parameter 'in3.peq9.gain'"},
        {"unknown path to set",
         {"set", "out9.mute", "on"},
         true,
         ctl::kExitUsage,
         "unknown parameter 'out9.mute'"},
        {"out of range",
         {"set", "in3.peq2.gain", "-30dB"},
         true,
         ctl::kExitUsage,
         "'-30dB' is out of range for in3.peq2.gain (-15.0dB .. 15.0dB)"},
        {"one of several out of range: none is sent",
         {"set", "in3.peq2.freq=1.2k", "in3.peq2.gain=-30dB"},
         true,
         ctl::kExitUsage,
         "'-30dB' is out of range for in3.peq2.gain"},
        {"a device and a file",
         {"get", "--file", junk, "in1.mute"},
         true,
         ctl::kExitUsage,
         "get needs one --device IP or one --file FILE"},
        {"not a value",
         {"set", "in3.source", "D9"},
         true,
         ctl::kExitUsage,
         "'D9' is not a value of in3.source"},
        {"wrong unit",
         {"set", "in3.peq2.freq", "-3dB"},
         true,
         ctl::kExitUsage,
         "is not a value of in3.peq2.freq"},
        {"unreachable device",
         {"dump", "--device", "127.0.0.9", "--device-port", silent, "--local-port", "0",
          "--timeout", "300"},
         false,
         ctl::kExitNoDevice,
         "device did not answer: no reply from 127.0.0.9"},
        {"not a setting file", {"restore", junk}, true, ctl::kExitUsage, "junk.dat"},
        {"missing file", {"diff", file("none.dat"), junk}, false, ctl::kExitUsage, "none.dat"},
        {"unknown command", {"reboot"}, false, ctl::kExitUsage, "unknown command 'reboot'"},
        {"no device", {"dump"}, false, ctl::kExitUsage, "dump needs one --device IP"},
        {"bad address",
         {"dump", "--device", "300.1.1.1"},
         false,
         ctl::kExitUsage,
         "'300.1.1.1' is not a device address"},
        {"unknown option",
         {"dump", "--verbose"},
         false,
         ctl::kExitUsage,
         "unknown option '--verbose'"},
    };
    for (const BadInput& c : cases) {
        SCOPED_TRACE(c.what);
        const int before = device.datagramsReceived();
        const CtlRun r = c.onDevice ? runOn(device, c.args) : run(c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
        // Refused before anything went out.
        EXPECT_EQ(device.datagramsReceived(), before);
    }
    // The junk file was not written to the device: nothing changed there.
}

TEST_F(CtlTest, RefusesWhileTheProgramOrAnotherToolHoldsTheLocalPort) {
    constexpr std::uint16_t kPort = 39187;
    const std::string port = std::to_string(kPort);
    const std::vector<std::string> dump = {"dump",
                                           "--device",
                                           "127.0.0.2",
                                           "--device-port",
                                           std::to_string(device.endpoint().port),
                                           "--local-port",
                                           port};
    {
        // The lock the program takes (this process is not the tool).
        auto program = TakeInstanceLock(kPort, "krm416x");
        ASSERT_TRUE(program);
        const CtlRun r = run(dump);
        EXPECT_EQ(r.status, ctl::kExitPortHeld);
        EXPECT_NE(r.err.find("the KRM-416X program is running on local port " + port),
                  std::string::npos)
            << r.err;
        EXPECT_TRUE(r.out.empty());
        EXPECT_EQ(device.datagramsReceived(), 0);
    }
    {
        // The real tool, started by another user and waiting for a silent device, holds the
        // port.
        std::unique_ptr<QProcess> tool =
            StartCtlHoldingPort(QStringLiteral(KRM_CTL_BINARY), dir.path(), kPort);
        ASSERT_TRUE(tool);
        const CtlRun r = run({"discover", "--local-port", port});
        EXPECT_EQ(r.status, ctl::kExitPortHeld);
        EXPECT_NE(r.err.find("another krm416x-ctl is using local port " + port), std::string::npos)
            << r.err;
        tool->kill();
        tool->waitForFinished(5000);
    }
    // A killed holder's lock is stale: the port is free again.
    const CtlRun free = run(dump);
    EXPECT_EQ(free.status, ctl::kExitOk) << free.err;
}

TEST_F(CtlTest, DiscoverListsTheDeviceOnTheSweptNetwork) {
    environment.interfaces = [] {
        return std::vector<Ipv4Interface>{
            {"lo-test", Endpoint::fromOctets(127, 0, 0, 1, 0).address, true, false}};
    };
    const std::string port = std::to_string(device.endpoint().port);
    const CtlRun r =
        run({"discover", "--json", "--device-port", port, "--local-port", "0", "--timeout", "200"});
    ASSERT_EQ(r.status, ctl::kExitOk) << r.err;
    const QJsonArray devices = ParseJson(r.out)["devices"].toArray();
    ASSERT_EQ(devices.size(), 1);
    EXPECT_EQ(devices[0].toObject()["address"].toString(), "127.0.0.2");
    EXPECT_EQ(devices[0].toObject()["port"].toInt(), device.endpoint().port);

    const CtlRun plain = run({"discover", "--interface", "lo-test", "--device-port", port,
                              "--local-port", "0", "--timeout", "200"});
    EXPECT_EQ(plain.out, "127.0.0.2 " + port + "\n");
    const CtlRun none = run({"discover", "--interface", "eth7", "--local-port", "0"});
    EXPECT_EQ(none.status, ctl::kExitUsage);
    EXPECT_NE(none.err.find("no usable IPv4 interface named 'eth7'"), std::string::npos);
}

TEST_F(CtlTest, FirmwareChecksTheFilesFirstThenKeepsTheSettingAndSendsBoth) {
    FirmwareFolder folder;
    const std::string dir = folder.path().string();
    // Pre-flight: the device (3.10) takes the "-3" pair; with only the plain pair beside
    // the tool both of its files are named, and nothing is kept, stopped or sent.
    folder.write("Digital-KRM416X.bin", FirmwareBytes(500, 3));
    folder.write("DSP-KRM416X.bin", FirmwareBytes(500, 4));
    const CtlRun missing = runOn(device, {"firmware", "--folder", dir});
    EXPECT_EQ(missing.status, ctl::kExitUsage);
    EXPECT_NE(missing.err.find("Digital-KRM416X-3.bin\"."), std::string::npos) << missing.err;
    EXPECT_NE(missing.err.find("DSP-KRM416X-3.bin\"."), std::string::npos) << missing.err;
    EXPECT_EQ(device.framesReceived('r'), 1);
    EXPECT_EQ(device.framesReceived('S'), 0);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "BeforeUpdate.dat"));

    // The device answers 3.10: the "-3" pair goes.
    const auto digital = FirmwareBytes(3000, 1);
    const auto dsp = FirmwareBytes(2100, 2);
    folder.write("Digital-KRM416X-3.bin", digital);
    folder.write("DSP-KRM416X-3.bin", dsp);
    // Long enough never to fall inside the last block's acknowledgement, as a device that
    // writes its flash takes; short enough for a quick test.
    device.setCompletionDelay(Millis{100});
    const CtlRun r = runOn(device, {"firmware", "--folder", dir});
    ASSERT_EQ(r.status, ctl::kExitOk) << r.err;
    EXPECT_TRUE(r.out.empty());
    EXPECT_NE(r.err.find("Update successfully"), std::string::npos) << r.err;
    const auto transfers = device.firmwareTransfers();
    ASSERT_EQ(transfers.size(), 2u);
    EXPECT_EQ(transfers[0].data, digital);
    EXPECT_EQ(transfers[1].data, dsp);
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "BeforeUpdate.dat"));
}

TEST_F(CtlTest, EveryCommandHasHelpWithItsUsageAndTheExitStatuses) {
    for (const char* command :
         {"discover", "dump", "get", "set", "backup", "restore", "diff", "firmware"}) {
        SCOPED_TRACE(command);
        const CtlRun r = run({command, "--help"});
        EXPECT_EQ(r.status, ctl::kExitOk);
        EXPECT_EQ(r.out.rfind(std::string("Usage: krm416x-ctl ") + command, 0), 0u) << r.out;
        EXPECT_NE(r.out.find("Exit status"), std::string::npos);
        EXPECT_TRUE(r.err.empty());
    }
    const CtlRun all = run({"--help"});
    EXPECT_EQ(all.status, ctl::kExitOk);
    EXPECT_NE(all.out.find("krm416x-ctl restore --device IP FILE"), std::string::npos);
    EXPECT_EQ(device.datagramsReceived(), 0);
}

} // namespace
} // namespace krm::test

namespace krm::test {
namespace {

// Ctrl-C during a restore: the rest of the sequence is dropped, the device gets its goodbye
// "%Q," 0 (its reports end), and the tool says how far it got.
TEST_F(CtlTest, AnInterruptedRestoreStopsAtOnceAndStillSaysGoodbye) {
    const std::string saved = file("SAVE1.dat");
    ASSERT_EQ(runOn(device, {"backup", saved}).status, ctl::kExitOk);
    // The backup's handshake and goodbye reach the device before the count is taken.
    ASSERT_TRUE(WaitFor([&] { return device.framesReceived('Q') == 3; }));
    const int namesBefore = device.framesReceived('V');
    // Ctrl-C in the pause after the first name, once the device holds that name: at a fixed
    // point of the sequence however busy the machine is.
    clock.setPauseHook([&](Millis pause) {
        if (pause == Millis(150) && !ctl::CtlInterrupted().load() &&
            WaitFor([&] { return device.framesReceived('V') > namesBefore; }))
            ctl::CtlInterrupted().store(true);
    });
    const CtlRun r = runOn(device, {"restore", saved});
    clock.setPauseHook({});
    ctl::CtlInterrupted().store(false);
    EXPECT_EQ(r.status, ctl::kExitInterrupted) << r.err;
    EXPECT_NE(r.err.find("interrupted after"), std::string::npos) << r.err;
    // "%Q," 0 and 1 of the handshake, the sequence's own "%Q," 0, then the goodbye.
    EXPECT_TRUE(WaitFor([&] { return device.framesReceived('Q') == 3 + 4; }))
        << device.framesReceived('Q');
    EXPECT_EQ(device.lastFrame('Q').substr(0, 9), "%Q,01,00,");
    EXPECT_FALSE(device.statusReportsOn());
    // Far from all 28 names went out: the queue was dropped, not played to its end.
    EXPECT_LT(device.framesReceived('V') - namesBefore, 28);
}

} // namespace
} // namespace krm::test
