// krm416x-ctl over a venue of twenty virtual devices on loopback, one of them silent:
// status, backup --to DIR, diff of two backups and of a backup against the devices, and
// one set on every device.

#include "ctl_fixture.h"

#include "model/parameters.h"
#include "model/setting_diff.h"
#include "presets/setting_file.h"
#include "sim/virtual_venue.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <filesystem>
#include <fstream>
#include <memory>
#include <set>

namespace krm::test {
namespace {

constexpr int kRooms = 20;
constexpr int kSilent = 6; // "Room 07" on 127.0.23.7
// What the tool waits for the silent device; the others answer within milliseconds.
const std::string kTimeout = "1500";

std::string roomName(int i) {
    return (i + 1 < 10 ? "Room 0" : "Room ") + std::to_string(i + 1);
}

QJsonDocument parseJson(const std::string& text) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << text.substr(0, 200);
    return doc;
}

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

class CtlVenueTest : public CtlTest {
protected:
    void SetUp() override {
        CtlTest::SetUp();
        // Every device on one port, each on its own address, as a venue's devices are: a
        // port free on the first address, then the whole venue on it (another try should
        // another program take it in between).
        for (int attempt = 0; attempt < 5 && !venue.running(); ++attempt) {
            sim::VirtualDevice probe;
            ASSERT_TRUE(probe.start(Endpoint::fromOctets(127, 0, 23, 1, 0)));
            const std::uint16_t port = probe.endpoint().port;
            probe.stop();
            venue.start(Endpoint::fromOctets(127, 0, 23, 1, port));
        }
        ASSERT_TRUE(venue.running());
        venue.device(kSilent).setSilent(true);
        std::ofstream rooms(file("rooms.txt"));
        rooms << "# the test venue\n";
        for (int i = 0; i < kRooms; ++i)
            rooms << "127.0.23." << i + 1 << "  " << roomName(i) << "\n";
    }
    void TearDown() override {
        venue.stop();
        CtlTest::TearDown();
    }

    // The command over the rooms file, the devices' port, an ephemeral local port.
    CtlRun onVenue(std::vector<std::string> args) {
        args.insert(args.begin() + 1, {"--devices-file", file("rooms.txt"), "--device-port",
                                       std::to_string(venue.endpoint(0).port), "--local-port", "0",
                                       "--timeout", kTimeout});
        return run(std::move(args));
    }

    sim::VirtualVenue venue{kRooms};
};

TEST_F(CtlVenueTest, StatusBackupAndDiffNameTheSilentRoomAndExactlyTheChangedParameter) {
    // status: every device in the list, the silent one not reachable.
    const CtlRun status = onVenue({"status", "--json"});
    EXPECT_EQ(status.status, ctl::kExitNoDevice) << status.err;
    const QJsonArray list = parseJson(status.out).array();
    ASSERT_EQ(list.size(), kRooms);
    for (int i = 0; i < kRooms; ++i) {
        SCOPED_TRACE(i);
        const QJsonObject entry = list[i].toObject();
        EXPECT_EQ(entry["address"].toString().toStdString(), "127.0.23." + std::to_string(i + 1));
        EXPECT_EQ(entry["room"].toString().toStdString(), roomName(i));
        EXPECT_EQ(entry["reachable"].toBool(), i != kSilent);
        if (i == kSilent)
            continue;
        const DeviceImage held = venue.device(i).image();
        EXPECT_EQ(entry["deviceText"].toString().toStdString(), held.deviceText.toUtf8());
        EXPECT_EQ(entry["unitCount"].toInt(), held.unitCount);
        EXPECT_EQ(entry["basicVersion"].toString().toStdString(), venue.device(i).basicVersion());
    }
    EXPECT_NE(status.err.find("127.0.23.7 (Room 07): no reply"), std::string::npos) << status.err;
    EXPECT_EQ(count(status.err, "no reply"), 1u) << status.err;

    // backup: 19 files and the manifest, the silent room listed as missing.
    const std::string a = file("before");
    const CtlRun backup = onVenue({"backup", "--to", a});
    EXPECT_EQ(backup.status, ctl::kExitNoDevice) << backup.err;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(a))
        files += entry.path().extension() == ".dat" ? 1 : 0;
    EXPECT_EQ(files, kRooms - 1);
    EXPECT_FALSE(std::filesystem::exists(a + "/Room_07.dat"));
    QFile manifestFile(QString::fromStdString(a + "/manifest.json"));
    ASSERT_TRUE(manifestFile.open(QIODevice::ReadOnly));
    const QJsonObject manifest = parseJson(manifestFile.readAll().toStdString()).object();
    const QJsonArray saved = manifest["devices"].toArray();
    ASSERT_EQ(saved.size(), kRooms - 1);
    for (const QJsonValue& v : saved) {
        const QJsonObject s = v.toObject();
        const std::string name = s["file"].toString().toStdString();
        SCOPED_TRACE(name);
        QFile f(QString::fromStdString(a + "/" + name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        EXPECT_EQ(s["sha256"].toString(),
                  QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
        EXPECT_EQ(s["bytes"].toInteger(), bytes.size());
        // The file holds its own device's setting.
        const int index = std::stoi(s["address"].toString().toStdString().substr(9)) - 1;
        EXPECT_EQ(s["room"].toString().toStdString(), roomName(index));
        DeviceImage read;
        ResetToStartupValues(read);
        ASSERT_TRUE(ReadSettingFile(f.fileName().toStdString(), read));
        EXPECT_TRUE(DiffImages(read, venue.device(index).image()).empty());
    }
    const QJsonArray missing = manifest["missing"].toArray();
    ASSERT_EQ(missing.size(), 1);
    EXPECT_EQ(missing[0].toObject()["room"].toString(), "Room 07");

    // One parameter changed on one device; a second backup; the diff names that alone.
    DeviceImage changed = venue.device(11).image();
    changed.inputs[4].comp.ratio = changed.inputs[4].comp.ratio == 40 ? 25 : 40;
    venue.device(11).setImage(changed);
    const std::string b = file("after");
    EXPECT_EQ(onVenue({"backup", "--to", b}).status, ctl::kExitNoDevice);
    const CtlRun diff = run({"diff", a, b});
    EXPECT_EQ(diff.status, ctl::kExitDiffer) << diff.err;
    EXPECT_TRUE(diff.out.starts_with("differs: Room 12 (1)\n\n== Room 12 ==\n[Dynamics]\n"))
        << diff.out;
    EXPECT_EQ(count(diff.out, "differs:"), 1u) << diff.out;
    EXPECT_EQ(count(diff.out, "only in"), 0u) << diff.out;
    EXPECT_NE(diff.out.find("  in5.comp.ratio: "), std::string::npos) << diff.out;
    EXPECT_EQ(count(diff.out, "\n  "), 1u) << diff.out;
    EXPECT_EQ(run({"diff", b, b}).status, ctl::kExitOk);

    // The first backup against the live devices, given by address alone: the manifest
    // names their rooms; the same room and field; the silent device makes it incomplete,
    // not "only in the folder".
    std::string addresses;
    for (int i = 0; i < kRooms; ++i)
        addresses += (i ? ",127.0.23." : "127.0.23.") + std::to_string(i + 1);
    const CtlRun live =
        run({"diff", a, "--json", "--devices", addresses, "--device-port",
             std::to_string(venue.endpoint(0).port), "--local-port", "0", "--timeout", kTimeout});
    EXPECT_EQ(live.status, ctl::kExitNoDevice) << live.err;
    const QJsonObject json = parseJson(live.out).object();
    EXPECT_FALSE(json["equal"].toBool());
    EXPECT_TRUE(json["onlyInA"].toArray().isEmpty());
    EXPECT_TRUE(json["onlyInB"].toArray().isEmpty());
    const QJsonArray rooms = json["rooms"].toArray();
    ASSERT_EQ(rooms.size(), 1);
    EXPECT_EQ(rooms[0].toObject()["room"].toString(), "Room 12");
    const QJsonArray differences = rooms[0].toObject()["differences"].toArray();
    ASSERT_EQ(differences.size(), 1);
    EXPECT_EQ(differences[0].toObject()["path"].toString(), "in5.comp.ratio");
    EXPECT_EQ(differences[0].toObject()["module"].toString(), "Dynamics");

    // A file changed after the backup is refused, not compared.
    std::ofstream(a + "/Room_03.dat", std::ios::app) << "x";
    const CtlRun tampered = run({"diff", a, b});
    EXPECT_EQ(tampered.status, ctl::kExitUsage);
    EXPECT_NE(tampered.err.find("Room_03.dat: changed since the backup"), std::string::npos)
        << tampered.err;
}

TEST_F(CtlVenueTest, SetReachesEveryDeviceThatAnswersAndABadValueTouchesNone) {
    const CtlRun refused = onVenue({"set", "in2.gain=+99dB"});
    EXPECT_EQ(refused.status, ctl::kExitUsage);
    for (int i = 0; i < kRooms; ++i)
        EXPECT_EQ(venue.device(i).framesReceived('Z'), 0) << "nothing sent for a refused value";

    const ParamAddress at = *FindParameter("in2.gain");
    const std::int32_t before = at.parameter->get(venue.device(0).image(), at.channel);
    ASSERT_NE(before, 50);
    const CtlRun set = onVenue({"set", "in2.gain", "-10dB"});
    EXPECT_EQ(set.status, ctl::kExitNoDevice) << set.err;
    EXPECT_EQ(count(set.out, "  ok\n"), static_cast<std::size_t>(kRooms - 1)) << set.out;
    EXPECT_NE(set.out.find("127.0.23.7   Room 07  no answer\n"), std::string::npos) << set.out;
    EXPECT_NE(set.err.find("krm416x-ctl set: Room 20: in2.gain: "), std::string::npos) << set.err;
    for (int i = 0; i < kRooms; ++i) {
        const sim::VirtualDevice& d = venue.device(i);
        const std::int32_t want = i == kSilent ? before : 50;
        EXPECT_TRUE(WaitFor([&] { return at.parameter->get(d.image(), at.channel) == want; }))
            << roomName(i);
    }
}

TEST_F(CtlVenueTest, DiscoverTakesTheDevicesThatAnswerTheSearch) {
    // The sweep covers the venue's /24 only (an injected interface, loopback), hosts .2 to
    // .254 as the window's Search; the silent device answers no search. The list holds
    // the other eighteen, all online.
    environment.interfaces = [] {
        return std::vector<Ipv4Interface>{
            {"lo-venue", Endpoint::fromOctets(127, 0, 23, 254, 0).address, true, false}};
    };
    const CtlRun r =
        run({"status", "--discover", "--json", "--device-port",
             std::to_string(venue.endpoint(0).port), "--local-port", "0", "--timeout", kTimeout});
    ASSERT_EQ(r.status, ctl::kExitOk) << r.err;
    std::set<std::string> found;
    for (const QJsonValue& v : parseJson(r.out).array()) {
        EXPECT_TRUE(v.toObject()["reachable"].toBool());
        found.insert(v.toObject()["address"].toString().toStdString());
    }
    std::set<std::string> answering;
    for (int i = 0; i < kRooms; ++i)
        if (i != kSilent && i != 0)
            answering.insert("127.0.23." + std::to_string(i + 1));
    EXPECT_EQ(found, answering);
}

} // namespace
} // namespace krm::test
