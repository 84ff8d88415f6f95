// The commands of krm416x-ctl. Every command that talks to a device takes the local
// port's lock first, connects with the program's handshake and says goodbye at the end.

#include "app/ctl/ctl.h"
#include "presets/link_state.h"

#include "app/ctl/ctl_args.h"
#include "app/ctl/ctl_connection.h"
#include "app/ctl/ctl_edits.h"
#include "app/ctl/ctl_firmware.h"
#include "app/ctl/ctl_values.h"
#include "app/ctl/ctl_venue_commands.h"
#include "link/discovery.h"
#include "link/instance_lock.h"
#include "model/difference_text.h"
#include "model/setting_diff.h"
#include "presets/setting_file.h"
#include "presets/setting_recall.h"
#include "update/factory_recovery.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <fstream>
#include <optional>
#include <ostream>
#include <sstream>

namespace krm::ctl {

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

void printJson(std::ostream& out, const QJsonObject& object) {
    out << QJsonDocument(object).toJson(QJsonDocument::Indented).toStdString();
}

class Command {
public:
    Command(const CtlArgs& args, std::ostream& out, std::ostream& err, const CtlEnvironment& env)
        : m_args(args), m_out(out), m_err(err), m_env(env),
          m_clock(env.clock ? *env.clock : systemClock()) {}

    int run();

private:
    int fail(int status, const std::string& message) {
        m_err << "krm416x-ctl " << m_args.command << ": " << message << "\n";
        return status;
    }
    // The local port's lock, held until the command ends. Port 0 binds an ephemeral port,
    // which no other copy can meet.
    bool lockPort(int& status);
    // Connects to `ip`; on failure the status to exit with.
    std::unique_ptr<CtlConnection> connect(const std::string& ip, int& status);
    // A setting from a file or from a device's dump.
    // A file's fields that were out of range (held to it) go into `held`.
    bool loadSource(const SettingSource& source, DeviceImage& image, int& status,
                    std::vector<HeldField>& held);
    // The --file setting, its fields read out of range told on stderr. No connection, no
    // port lock: a file is edited without any network.
    bool openFile(OpenedSettingFile& opened, int& status);
    // dump's and get's setting: the --file's, or the connected device's.
    bool readSetting(DeviceImage& image, int& status);

    // The devices that answer the search sweep, or the exit status in `status`.
    std::optional<std::vector<Endpoint>> sweep(int& status);
    // The list of devices of --devices, --devices-file or --discover.
    bool venueDevices(std::vector<VenueDevice>& devices, int& status);
    int venue();

    int discover();
    int dump();
    int get();
    int set();
    int backup();
    int restore();
    int diff();
    int firmware();
    int newFile();

    const CtlArgs& m_args;
    std::ostream& m_out;
    std::ostream& m_err;
    const CtlEnvironment& m_env;
    Clock& m_clock;
    std::unique_ptr<InstanceLock> m_lock;
};

int Command::run() {
    const std::string& c = m_args.command;
    if (m_args.hasVenue())
        return venue();
    if (c == "diff" && m_args.devices.empty()) {
        // Two backup folders of a venue, rather than two setting files.
        std::error_code ec;
        const bool folders = std::filesystem::is_directory(m_args.operands[0], ec) &&
                             std::filesystem::is_directory(m_args.operands[1], ec);
        if (folders)
            return VenueDiffFolders({m_args, m_out, m_err, m_clock, m_env.glyphs});
    }
    if (c == "discover")
        return discover();
    if (c == "dump")
        return dump();
    if (c == "get")
        return get();
    if (c == "set")
        return set();
    if (c == "backup")
        return backup();
    if (c == "restore")
        return restore();
    if (c == "diff")
        return diff();
    if (c == "firmware")
        return firmware();
    if (c == "new")
        return newFile();
    return fail(kExitUsage, "unknown command");
}

bool Command::lockPort(int& status) {
    if (m_lock || m_args.localPort == 0)
        return true;
    std::string holder;
    m_lock = TakeInstanceLock(m_args.localPort, kCtlProgramName, &holder);
    if (m_lock)
        return true;
    const std::string port = std::to_string(m_args.localPort);
    if (holder == kCtlProgramName)
        status = fail(kExitPortHeld, "another krm416x-ctl is using local port " + port +
                                         "; wait for it or give --local-port");
    else
        status = fail(kExitPortHeld, "the KRM-416X program is running on local port " + port +
                                         "; close it first, or give another --local-port");
    return false;
}

std::unique_ptr<CtlConnection> Command::connect(const std::string& ip, int& status) {
    if (!lockPort(status))
        return nullptr;
    auto connection = std::make_unique<CtlConnection>(m_clock, m_env.glyphs);
    std::string error;
    if (!connection->open(ip, m_args.devicePort, m_args.localPort, m_args.timeout, error)) {
        if (CtlInterrupted().load()) {
            status = fail(kExitInterrupted, "interrupted before the device answered");
            return nullptr;
        }
        status = fail(kExitNoDevice, error);
        return nullptr;
    }
    return connection;
}

bool Command::loadSource(const SettingSource& source, DeviceImage& image, int& status,
                         std::vector<HeldField>& held) {
    held.clear();
    if (!source.device) {
        Message error;
        ResetToStartupValues(image);
        if (!ReadSettingFile(std::filesystem::path(source.value), image, &error, nullptr, &held)) {
            status = fail(kExitUsage, source.value + ": " + error.en);
            return false;
        }
        return true;
    }
    std::unique_ptr<CtlConnection> c = connect(source.value, status);
    if (!c)
        return false;
    image = c->image();
    c->close();
    return true;
}

bool Command::openFile(OpenedSettingFile& opened, int& status) {
    Message error;
    if (!OpenSettingFile(std::filesystem::path(*m_args.file), opened, &error)) {
        status = fail(kExitUsage, *m_args.file + ": " + error.en);
        return false;
    }
    for (const HeldField& h : opened.held)
        m_err << m_args.command << ": " << h.path << ": the file holds " << RawFieldText(h.raw)
              << ", read as " << h.heldText << "\n";
    return true;
}

bool Command::readSetting(DeviceImage& image, int& status) {
    if (m_args.file) {
        OpenedSettingFile opened;
        if (!openFile(opened, status))
            return false;
        image = opened.image;
        return true;
    }
    std::unique_ptr<CtlConnection> c = connect(m_args.devices[0], status);
    if (!c)
        return false;
    image = c->image();
    c->close();
    return true;
}

// ---- discover ----

class DiscoveryPrinter final : public DiscoveryEvents {
public:
    void searchStarted(int) override {}
    void searchProgress(int, int) override {}
    void deviceFound(const Endpoint& device) override { found.push_back(device); }
    void sweepFinished() override { finished = true; }
    void socketError(const std::string& why) override {
        error = why.empty() ? "socket error" : why;
    }

    std::vector<Endpoint> found;
    bool finished = false;
    std::string error;
};

std::optional<std::vector<Endpoint>> Command::sweep(int& status) {
    std::vector<Ipv4Interface> interfaces =
        m_env.interfaces ? m_env.interfaces() : LocalIpv4Interfaces();
    if (m_args.interfaceName) {
        std::erase_if(interfaces,
                      [&](const Ipv4Interface& i) { return i.name != *m_args.interfaceName; });
        if (interfaces.empty()) {
            status =
                fail(kExitUsage, "no usable IPv4 interface named '" + *m_args.interfaceName + "'");
            return std::nullopt;
        }
    }
    TaskQueue queue;
    DiscoveryPrinter events;
    DiscoveryWorker worker(
        m_clock, [interfaces] { return interfaces; }, queue.poster(), events);
    worker.setLocalPort(m_args.localPort);
    worker.setDevicePort(m_args.devicePort);
    if (!worker.start()) {
        queue.runPending();
        status = fail(kExitNoDevice, "cannot open the search socket: " + events.error);
        return std::nullopt;
    }
    using Steady = std::chrono::steady_clock;
    // The sweep itself, then --timeout more for late replies (the window lists them too).
    const auto sweepGuard = Steady::now() + std::chrono::minutes(5);
    while (!events.finished && events.error.empty() && Steady::now() < sweepGuard)
        queue.waitAndRun(std::chrono::milliseconds(10));
    const auto listenUntil =
        Steady::now() + std::min(m_args.timeout, std::chrono::milliseconds(3000));
    while (events.error.empty() && Steady::now() < listenUntil)
        queue.waitAndRun(std::chrono::milliseconds(10));
    worker.stop();
    queue.runPending();
    if (!events.error.empty()) {
        status = fail(kExitNoDevice, events.error);
        return std::nullopt;
    }
    return events.found;
}

int Command::discover() {
    int status = kExitOk;
    if (!lockPort(status))
        return status;
    const std::optional<std::vector<Endpoint>> found = sweep(status);
    if (!found)
        return status;
    if (m_args.json) {
        QJsonArray devices;
        for (const Endpoint& e : *found)
            devices.append(QJsonObject{{"address", q(e.addressText())}, {"port", e.port}});
        printJson(m_out, QJsonObject{{"devices", devices}});
    } else {
        for (const Endpoint& e : *found)
            m_out << e.addressText() << " " << e.port << "\n";
    }
    return kExitOk;
}

// ---- a list of devices ----

bool Command::venueDevices(std::vector<VenueDevice>& devices, int& status) {
    if (!m_args.venue.empty()) {
        devices = m_args.venue;
        return true;
    }
    if (m_args.devicesFile) {
        std::ifstream in(*m_args.devicesFile, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        if (!in) {
            status = fail(kExitUsage, *m_args.devicesFile + ": cannot be read");
            return false;
        }
        auto parsed = ParseRoomsFile(text.str(), *m_args.devicesFile);
        if (const auto* why = std::get_if<std::string>(&parsed)) {
            status = fail(kExitUsage, *why);
            return false;
        }
        devices = std::move(std::get<std::vector<VenueDevice>>(parsed));
        return true;
    }
    const std::optional<std::vector<Endpoint>> found = sweep(status);
    if (!found)
        return false;
    for (const Endpoint& e : *found)
        if (std::none_of(devices.begin(), devices.end(),
                         [&](const VenueDevice& d) { return d.address == e.addressText(); }))
            devices.push_back({e.addressText(), {}});
    if (devices.empty()) {
        status = fail(kExitNoDevice, "the search found no device");
        return false;
    }
    return true;
}

int Command::venue() {
    int status = kExitOk;
    // The port is the tool's for the whole command, the search included.
    if (!lockPort(status))
        return status;
    std::vector<VenueDevice> devices;
    if (!venueDevices(devices, status))
        return status;
    const VenueCommand command{m_args, m_out, m_err, m_clock, m_env.glyphs};
    const std::string& c = m_args.command;
    if (c == "status")
        return VenueStatus(command, devices);
    if (c == "backup")
        return VenueBackup(command, devices);
    if (c == "set")
        return VenueSet(command, devices);
    if (c == "diff")
        return VenueDiffLive(command, devices);
    return fail(kExitUsage, c + " takes one device, not a list");
}

// ---- dump, get, set ----

int Command::dump() {
    int status = kExitOk;
    DeviceImage image;
    if (!readSetting(image, status))
        return status;
    const std::vector<SettingField> fields = ListSettingFields(image);
    if (m_args.json) {
        QJsonObject values;
        for (const SettingField& f : fields)
            values.insert(q(f.path), q(f.text));
        if (m_args.file)
            printJson(m_out, QJsonObject{{"file", q(*m_args.file)}, {"fields", values}});
        else
            printJson(m_out, QJsonObject{{"device", q(m_args.devices[0])},
                                         {"port", m_args.devicePort},
                                         {"fields", values}});
    } else {
        for (const SettingField& f : fields)
            m_out << f.path << " = " << f.text << "\n";
    }
    return kExitOk;
}

int Command::get() {
    // Known before any datagram goes out: a path that names nothing is refused at once.
    const std::vector<SettingField> layout = ListSettingFields(DeviceImage{});
    for (const std::string& path : m_args.operands)
        if (std::none_of(layout.begin(), layout.end(),
                         [&](const SettingField& f) { return f.path == path; }))
            return fail(kExitUsage, "unknown parameter '" + path + "'");
    int status = kExitOk;
    DeviceImage image;
    if (!readSetting(image, status))
        return status;
    const std::vector<SettingField> fields = ListSettingFields(image);
    QJsonArray values;
    for (const std::string& path : m_args.operands) {
        const auto f = std::find_if(fields.begin(), fields.end(),
                                    [&](const SettingField& field) { return field.path == path; });
        if (!m_args.json)
            m_out << f->text << "\n";
        values.append(QJsonObject{{"path", q(f->path)}, {"value", q(f->text)}});
    }
    if (m_args.json) {
        if (values.size() == 1)
            printJson(m_out, values[0].toObject());
        else
            m_out << QJsonDocument(values).toJson(QJsonDocument::Indented).toStdString();
    }
    return kExitOk;
}

int Command::set() {
    const auto parsed = ParseAssignments(m_args.operands, !m_args.file);
    if (const auto* why = std::get_if<std::string>(&parsed))
        return fail(kExitUsage, *why);
    const std::vector<Assignment>& assignments = std::get<std::vector<Assignment>>(parsed);
    int status = kExitOk;
    if (m_args.file) {
        OpenedSettingFile opened;
        if (!openFile(opened, status))
            return status;
        // The file's image goes through the edit path a device's does, offline: the same
        // ranges, the same refusals, the image only.
        OfflineEdits offline(opened.image);
        if (const std::optional<std::string> refused =
                ApplyAssignments(offline.edits(), assignments, m_err))
            return fail(kExitUsage, *refused);
        opened.image = offline.image();
        Message error;
        if (!SaveSettingFile(std::filesystem::path(*m_args.file), opened, &error))
            return fail(kExitUsage, error.en);
        return kExitOk;
    }
    std::unique_ptr<CtlConnection> c = connect(m_args.devices[0], status);
    if (!c)
        return status;
    const std::optional<std::string> refused = ApplyAssignments(c->edits(), assignments, m_err);
    c->close(); // after every frame has gone out
    if (refused)
        return fail(kExitUsage, *refused);
    return kExitOk;
}

// ---- new ----

int Command::newFile() {
    const std::filesystem::path file(m_args.operands[0]);
    std::error_code ec;
    if (!m_args.force && std::filesystem::exists(std::filesystem::symlink_status(file, ec)))
        return fail(kExitUsage, m_args.operands[0] + " exists; --force writes over it");
    // What the system page's factory recovery writes over a program's start-up image.
    DeviceImage image;
    ResetToStartupValues(image);
    WriteFactoryValues(image, false);
    // The link state of a program that never connected: offline, no tries, no times. The
    // record is only ever taken from a live link, and here there was none.
    Message error;
    if (!WriteSettingFile(file, image, LinkStateRecord{}, &error))
        return fail(kExitUsage, error.en);
    return kExitOk;
}

// ---- backup, restore ----

int Command::backup() {
    int status = kExitOk;
    std::unique_ptr<CtlConnection> c = connect(m_args.devices[0], status);
    if (!c)
        return status;
    const DeviceImage image = c->image();
    const LinkStateRecord link = LinkStateOf(c->session(), m_clock);
    c->close();
    Message error;
    if (!WriteSettingFile(std::filesystem::path(m_args.operands[0]), image, link, &error))
        return fail(kExitUsage, error.en);
    return kExitOk;
}

int Command::restore() {
    DeviceImage loaded;
    ResetToStartupValues(loaded);
    Message error;
    // Read before connecting: a file that is not a setting changes nothing anywhere.
    std::vector<HeldField> held;
    if (!ReadSettingFile(std::filesystem::path(m_args.operands[0]), loaded, &error, nullptr, &held))
        return fail(kExitUsage, m_args.operands[0] + ": " + error.en);
    for (const HeldField& h : held)
        m_err << "restore: " << h.path << ": the file holds " << RawFieldText(h.raw) << ", read as "
              << h.heldText << "\n";
    int status = kExitOk;
    std::unique_ptr<CtlConnection> c = connect(m_args.devices[0], status);
    if (!c)
        return status;
    // As the window's RECALL: every control group off, the file over the image (the
    // group switches kept), then the whole resend on the bulk sender.
    EditService& edits = c->edits();
    for (int group = 1; group <= kGroupCount; ++group)
        edits.switchControlGroup(group, false);
    loaded.controlGroupActive = edits.image().controlGroupActive;
    edits.image() = loaded;
    const std::shared_ptr<const SequenceProgress> progress =
        edits.playTimed(SettingResendSequence(edits.image(), edits.glyphRenderer()));
    int shown = -1;
    auto report = [&] {
        const int done = progress->done();
        const int percent = progress->total > 0 ? done * 100 / progress->total : 100;
        if (percent / 10 != shown / 10 || done == progress->total) {
            if (percent != shown)
                m_err << "restore: " << done << "/" << progress->total << " frames (" << percent
                      << "%)\n";
            shown = percent;
        }
        return progress->finished();
    };
    // No real-time limit beyond a generous guard: the sequence ends by itself, frames
    // dropped when the link goes down. A frame superseded by a newer one of its group is
    // no loss.
    c->pumpUntil(report, std::chrono::minutes(2));
    const int dropped = progress->dropped.load();
    const int sent = progress->sent.load();
    const bool finished = progress->finished();
    c->close();
    if (CtlInterrupted().load())
        return fail(kExitInterrupted, "interrupted after " + std::to_string(sent) + " of " +
                                          std::to_string(progress->total) +
                                          " frames: the device holds part of the setting");
    if (!finished)
        return fail(kExitFailed, "the resend did not finish");
    if (dropped > 0)
        return fail(kExitFailed, std::to_string(dropped) + " of " +
                                     std::to_string(progress->total) +
                                     " frames did not reach the device (the link went down)");
    return kExitOk;
}

// ---- diff ----

int Command::diff() {
    DeviceImage images[2];
    std::vector<HeldField> held[2];
    for (std::size_t i = 0; i < 2; ++i) {
        int status = kExitOk;
        if (!loadSource(m_args.sources[i], images[i], status, held[i]))
            return status;
    }
    const std::vector<SettingDifference> differences = DiffImages(images[0], images[1]);
    if (m_args.json) {
        QJsonArray list;
        for (const SettingDifference& d : differences) {
            QJsonObject entry{{"path", q(d.path)},
                              {"module", q(ModuleName(d.module).en)},
                              {"channel", q(PathPrefix(d.channel))},
                              {"a", q(d.a)},
                              {"b", q(d.b)}};
            if (m_args.labels)
                entry.insert("text", q(DifferenceText(d, images[0]).en));
            list.append(entry);
        }
        QJsonArray outOfRange;
        for (std::size_t i = 0; i < 2; ++i)
            for (const HeldField& h : held[i])
                outOfRange.append(QJsonObject{{"source", i == 0 ? "a" : "b"},
                                              {"path", q(h.path)},
                                              {"raw", static_cast<qint64>(h.raw)},
                                              {"read", q(h.heldText)}});
        printJson(m_out, QJsonObject{{"equal", differences.empty()},
                                     {"differences", list},
                                     {"outOfRange", outOfRange}});
    } else {
        // A file's fields outside their range first: the differences below compare the
        // values they were read as.
        for (std::size_t i = 0; i < 2; ++i) {
            if (held[i].empty())
                continue;
            m_out << "[Out of range in " << m_args.sources[i].value << "]\n";
            for (const HeldField& h : held[i])
                m_out << "  " << h.path << ": the file holds " << RawFieldText(h.raw)
                      << ", read as " << h.heldText << "\n";
        }
        std::optional<ImageModule> module;
        for (const SettingDifference& d : differences) {
            if (d.module != module) {
                module = d.module;
                m_out << "[" << ModuleName(d.module).en << "]\n";
            }
            if (m_args.labels)
                m_out << "  " << DifferenceText(d, images[0]).en << "  (" << d.path << ")\n";
            else
                m_out << "  " << d.path << ": " << d.a << " -> " << d.b << "\n";
        }
    }
    return differences.empty() ? kExitOk : kExitDiffer;
}

// ---- firmware ----

int Command::firmware() {
    const std::filesystem::path folder = m_args.folder ? *m_args.folder : ".";
    int status = kExitOk;
    std::unique_ptr<CtlConnection> c = connect(m_args.devices[0], status);
    if (!c)
        return status;
    // The device's basic version chooses the files; they are checked before anything on
    // the device or the link changes.
    const PreflightResult preflight = FirmwarePreflight(*c, m_clock, folder, m_err);
    if (preflight.status != PreflightResult::Status::Ready) {
        c->close();
        return fail(preflight.status == PreflightResult::Status::Refused ? kExitUsage : kExitFailed,
                    preflight.problem.en);
    }
    FirmwareOptions options;
    options.folder = folder;
    options.devicePort = m_args.devicePort;
    options.localPort = m_args.localPort;
    options.deviceIp = m_args.devices[0];
    options.yes = m_args.yes;
    std::string why;
    const bool ok = RunFirmwareUpdate(*c, m_clock, options, preflight.plan, m_err, why);
    c->close();
    if (!ok)
        return fail(CtlInterrupted().load() ? kExitInterrupted : kExitFailed, why);
    return kExitOk;
}

} // namespace

std::atomic<bool>& CtlInterrupted() {
    static std::atomic<bool> interrupted{false};
    return interrupted;
}

int RunCtl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           const CtlEnvironment& environment) {
    const auto parsed = ParseCtlArgs(args);
    if (const auto* why = std::get_if<std::string>(&parsed)) {
        err << "krm416x-ctl: " << *why << "\n";
        return kExitUsage;
    }
    const CtlArgs& a = std::get<CtlArgs>(parsed);
    if (a.help) {
        out << CtlHelp(a.command);
        return kExitOk;
    }
    return Command(a, out, err, environment).run();
}

} // namespace krm::ctl
