#include "app/ctl/ctl_venue_commands.h"

#include "app/ctl/backup_manifest.h"
#include "app/ctl/ctl.h"
#include "app/ctl/ctl_edits.h"
#include "app/ctl/ctl_venue.h"
#include "app/ctl/work_pool.h"
#include "model/difference_text.h"
#include "model/setting_diff.h"
#include "presets/link_state.h"
#include "presets/setting_file.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <sstream>

namespace krm::ctl {

namespace {

using Member = CtlVenue::Member;

// The basic version is asked once the device is online; it answers within a few hundred
// milliseconds, so this only guards one that never does.
constexpr std::chrono::milliseconds kVersionWait{3000};
// Threads that write a venue's backup files, this one included.
constexpr std::size_t kWriteThreads = 16;

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

int fail(const VenueCommand& c, int status, const std::string& message) {
    c.err << "krm416x-ctl " << c.args.command << ": " << message << "\n";
    return status;
}

// Every device that did not answer, on stderr; the exit status that makes (kExitOk when
// all answered).
int tellMissing(const VenueCommand& c, const std::vector<Member>& members) {
    int missing = 0;
    for (const Member& m : members) {
        if (m.online())
            continue;
        ++missing;
        c.err << "krm416x-ctl " << c.args.command << ": " << m.device.address
              << (m.device.room.empty() ? "" : " (" + m.device.room + ")") << ": " << m.error
              << "\n";
    }
    if (missing == 0)
        return kExitOk;
    c.err << "krm416x-ctl " << c.args.command << ": " << missing << " of " << members.size()
          << " devices did not answer\n";
    return kExitNoDevice;
}

// Every device greeted on the shared local port; false, with the exit status, when the
// port cannot be opened (said once, not once per device).
bool openVenue(const VenueCommand& c, CtlVenue& venue, const std::vector<VenueDevice>& devices,
               int& status) {
    venue.open(devices, c.args.devicePort, c.args.localPort, c.args.timeout);
    if (!venue.socketFailed())
        return true;
    const std::string why = venue.members().empty() ? "" : venue.members().front().error;
    status = fail(c, kExitNoDevice, why + " (another program may be using it)");
    return false;
}

// Characters, not bytes: a room may be named in any script.
std::size_t displayWidth(const std::string& text) {
    return static_cast<std::size_t>(QString::fromStdString(text).size());
}

// Lines of a table, each column as wide as its widest cell.
void printTable(std::ostream& out, const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::size_t> widths;
    for (const auto& row : rows)
        for (std::size_t i = 0; i < row.size(); ++i) {
            widths.resize(std::max(widths.size(), row.size()));
            widths[i] = std::max(widths[i], displayWidth(row[i]));
        }
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size())
                line += std::string(widths[i] - displayWidth(row[i]) + 2, ' ');
        }
        out << line << "\n";
    }
}

// The room each backup file stands for, as lists show it.
std::string roomLabel(const SavedRoom& r) {
    if (!r.room.empty())
        return r.room;
    if (!r.address.empty())
        return r.address;
    return std::filesystem::path(r.file).stem().string();
}

// Two devices whose rooms would share one backup file are refused before anything starts.
std::optional<std::string> fileNameClash(const std::vector<VenueDevice>& devices) {
    std::map<std::string, std::string> seen;
    for (const VenueDevice& d : devices) {
        const auto [it, added] = seen.emplace(RoomFileName(d), d.label());
        if (!added)
            return "'" + it->second + "' and '" + d.label() + "' would both be saved as " +
                   it->first + ".dat";
    }
    return std::nullopt;
}

} // namespace

// ---- status ----

int VenueStatus(const VenueCommand& c, const std::vector<VenueDevice>& devices) {
    CtlVenue venue(c.clock, c.glyphs);
    if (int status = kExitOk; !openVenue(c, venue, devices, status))
        return status;
    std::vector<Member>& members = venue.members();
    struct Version {
        bool answered = false;
        std::string basic;
    };
    std::vector<Version> versions(members.size());
    const auto asked = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < members.size(); ++i) {
        if (!members[i].online()) {
            versions[i].answered = true; // nothing to wait for
            continue;
        }
        Version* v = &versions[i];
        Member* m = &members[i];
        const bool sent =
            m->connection->session().requestBasicVersion([v, m, asked](const std::string& basic) {
                v->answered = true;
                v->basic = basic;
                m->took += std::chrono::duration_cast<std::chrono::milliseconds>(
                    std::chrono::steady_clock::now() - asked);
            });
        v->answered = !sent;
    }
    venue.pumpUntil(
        [&] {
            return std::all_of(versions.begin(), versions.end(),
                               [](const Version& v) { return v.answered; });
        },
        std::min(c.args.timeout, kVersionWait));
    venue.close();

    QJsonArray json;
    std::vector<std::vector<std::string>> rows = {
        {"ADDRESS", "ROOM", "STATE", "MS", "UNITS", "HW", "BASIC", "DEVICE TEXT"}};
    for (std::size_t i = 0; i < members.size(); ++i) {
        const Member& m = members[i];
        const DeviceImage& image = m.connection->image();
        const std::string text(image.deviceText.toUtf8());
        // The hardware version is the device text's last two characters ("…31": 3.1).
        const std::string hardware = text.size() >= 2 ? text.substr(text.size() - 2) : "";
        const std::string basic = versions[i].basic;
        QJsonObject entry{{"address", q(m.device.address)},
                          {"room", q(m.device.room)},
                          {"reachable", m.online()},
                          {"ms", static_cast<qint64>(m.took.count())}};
        if (m.online()) {
            entry.insert("deviceText", q(text));
            entry.insert("hardwareVersion", q(hardware));
            entry.insert("basicVersion", basic.empty() ? QJsonValue() : QJsonValue(q(basic)));
            entry.insert("unitCount", image.unitCount);
            rows.push_back({m.device.address, m.device.room.empty() ? "-" : m.device.room, "online",
                            std::to_string(m.took.count()), std::to_string(image.unitCount),
                            hardware.empty() ? "?" : hardware, basic.empty() ? "?" : basic, text});
        } else {
            entry.insert("error", q(m.error));
            rows.push_back({m.device.address, m.device.room.empty() ? "-" : m.device.room,
                            "no answer", std::to_string(m.took.count()), "-", "-", "-", "-"});
        }
        json.append(entry);
    }
    if (c.args.json)
        c.out << QJsonDocument(json).toJson(QJsonDocument::Indented).toStdString();
    else
        printTable(c.out, rows);
    if (CtlInterrupted().load())
        return fail(c, kExitInterrupted, "interrupted");
    return tellMissing(c, members);
}

// ---- backup ----

int VenueBackup(const VenueCommand& c, const std::vector<VenueDevice>& devices) {
    const std::filesystem::path folder(*c.args.to);
    if (const std::optional<std::string> clash = fileNameClash(devices))
        return fail(c, kExitUsage, *clash);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec || !std::filesystem::is_directory(folder))
        return fail(c, kExitUsage,
                    "cannot make the folder " + folder.string() + (ec ? ": " + ec.message() : ""));

    // What the single-device backup writes: the image and the live link's record, taken
    // as each device comes online. Its file is written (and flushed to disk) at once on a
    // writer thread while the other devices are still awaited.
    struct Taken {
        SavedRoom room;
        DeviceImage image;
        LinkStateRecord link;
        std::string error; // why the file could not be written
    };
    std::vector<std::unique_ptr<Taken>> taken(devices.size());
    WorkPool writers(std::min(kWriteThreads, devices.size()));
    const auto write = [&folder](Taken& t) {
        const std::filesystem::path file = folder / t.room.file;
        Message error;
        if (!WriteSettingFile(file, t.image, t.link, &error)) {
            t.error = error.en;
            return;
        }
        t.room.saved = UtcNowText();
        std::error_code sizeError;
        t.room.bytes = static_cast<std::int64_t>(std::filesystem::file_size(file, sizeError));
        t.room.sha256 = FileSha256(file).value_or("");
    };
    CtlVenue venue(c.clock, c.glyphs);
    venue.open(devices, c.args.devicePort, c.args.localPort, c.args.timeout, [&](Member& m) {
        auto t = std::make_unique<Taken>();
        t->room.address = m.device.address;
        t->room.room = m.device.room;
        t->room.file = RoomFileName(m.device) + ".dat";
        t->image = m.connection->image();
        t->link = LinkStateOf(m.connection->session(), c.clock);
        Taken* slot = t.get();
        taken[static_cast<std::size_t>(&m - venue.members().data())] = std::move(t);
        writers.post([slot, &write] { write(*slot); });
    });
    venue.close();
    writers.finish();
    if (venue.socketFailed())
        return fail(c, kExitNoDevice,
                    venue.members().front().error + " (another program may be using it)");
    std::vector<MissingRoom> missing;
    for (const Member& m : venue.members())
        if (!m.online())
            missing.push_back({m.device.address, m.device.room, m.error});
    std::vector<SavedRoom> saved;
    int failedWrites = 0;
    for (const std::unique_ptr<Taken>& t : taken) {
        if (!t)
            continue; // did not answer
        const std::filesystem::path file = folder / t->room.file;
        if (!t->error.empty()) {
            c.err << "krm416x-ctl backup: " << file.string() << ": " << t->error << "\n";
            ++failedWrites;
            continue;
        }
        saved.push_back(t->room);
        c.out << file.string() << "\n";
    }
    std::string error;
    if (!WriteManifest(folder, saved, missing, error))
        return fail(c, kExitUsage, (folder / "manifest.json").string() + ": " + error);
    if (failedWrites > 0)
        return fail(c, kExitUsage, std::to_string(failedWrites) + " files could not be written");
    if (CtlInterrupted().load())
        return fail(c, kExitInterrupted, "interrupted");
    return tellMissing(c, venue.members());
}

// ---- set ----

int VenueSet(const VenueCommand& c, const std::vector<VenueDevice>& devices) {
    // Every value is read once, before any device is touched.
    const auto parsed = ParseAssignments(c.args.operands, true);
    if (const auto* why = std::get_if<std::string>(&parsed))
        return fail(c, kExitUsage, *why);
    const std::vector<Assignment>& assignments = std::get<std::vector<Assignment>>(parsed);

    CtlVenue venue(c.clock, c.glyphs);
    if (int status = kExitOk; !openVenue(c, venue, devices, status))
        return status;
    std::vector<std::optional<std::string>> refused(venue.members().size());
    for (std::size_t i = 0; i < venue.members().size(); ++i) {
        Member& m = venue.members()[i];
        if (!m.online())
            continue;
        // Each device's old and new values, on stderr under its address or room.
        std::ostringstream changes;
        refused[i] = ApplyAssignments(m.connection->edits(), assignments, changes);
        std::istringstream lines(changes.str());
        const std::string tool = "krm416x-ctl set: ";
        for (std::string line; std::getline(lines, line);) {
            if (line.starts_with(tool))
                line.erase(0, tool.size());
            c.err << tool << m.device.label() << ": " << line << "\n";
        }
    }
    venue.close(); // after every device's frames have gone out
    int refusals = 0;
    std::vector<std::vector<std::string>> rows;
    for (std::size_t i = 0; i < venue.members().size(); ++i) {
        const Member& m = venue.members()[i];
        std::string result = "ok";
        if (!m.online())
            result = "no answer";
        else if (refused[i]) {
            result = "refused: " + *refused[i];
            ++refusals;
        }
        rows.push_back({m.device.address, m.device.room.empty() ? "-" : m.device.room, result});
    }
    printTable(c.out, rows);
    if (CtlInterrupted().load())
        return fail(c, kExitInterrupted, "interrupted");
    if (const int missing = tellMissing(c, venue.members()); missing != kExitOk)
        return missing;
    if (refusals > 0)
        return fail(c, kExitFailed, std::to_string(refusals) + " devices refused the change");
    return kExitOk;
}

// ---- diff ----

namespace {

// One room's setting on one side of a diff.
struct RoomSetting {
    std::string key;   // the backup file's name: what the two sides are matched by
    std::string label; // the room as lists show it
    DeviceImage image;
    std::string address; // the device it was saved from, when the manifest says
};

bool readFolder(const VenueCommand& c, const std::string& folder, std::vector<RoomSetting>& rooms,
                int& status) {
    std::string error;
    const std::optional<std::vector<SavedRoom>> saved = ReadBackupFolder(folder, error);
    if (!saved) {
        status = fail(c, kExitUsage, error);
        return false;
    }
    for (const SavedRoom& s : *saved) {
        RoomSetting r{s.file, roomLabel(s), {}, s.address};
        ResetToStartupValues(r.image);
        Message why;
        std::vector<HeldField> held;
        const std::filesystem::path file = std::filesystem::path(folder) / s.file;
        if (!ReadSettingFile(file, r.image, &why, nullptr, &held)) {
            status = fail(c, kExitUsage, file.string() + ": " + why.en);
            return false;
        }
        for (const HeldField& h : held)
            c.err << "diff: " << file.string() << ": " << h.path << ": the file holds "
                  << RawFieldText(h.raw) << ", read as " << h.heldText << "\n";
        rooms.push_back(std::move(r));
    }
    return true;
}

// Prints which rooms differ and how; kExitOk when every room is on both sides and equal.
int printRoomDiff(const VenueCommand& c, const std::vector<RoomSetting>& a,
                  const std::vector<RoomSetting>& b, const std::string& nameA,
                  const std::string& nameB) {
    std::map<std::string, const RoomSetting*> byKey;
    for (const RoomSetting& r : b)
        byKey[r.key] = &r;
    std::set<std::string> keysA;
    struct RoomDiff {
        const RoomSetting* a;
        std::vector<SettingDifference> differences;
    };
    std::vector<RoomDiff> differing;
    std::vector<std::string> onlyA;
    std::vector<std::string> onlyB;
    for (const RoomSetting& r : a) {
        keysA.insert(r.key);
        const auto other = byKey.find(r.key);
        if (other == byKey.end()) {
            onlyA.push_back(r.label);
            continue;
        }
        std::vector<SettingDifference> d = DiffImages(r.image, other->second->image);
        if (!d.empty())
            differing.push_back({&r, std::move(d)});
    }
    for (const RoomSetting& r : b)
        if (!keysA.count(r.key))
            onlyB.push_back(r.label);
    const bool equal = differing.empty() && onlyA.empty() && onlyB.empty();

    if (c.args.json) {
        QJsonArray rooms;
        for (const RoomDiff& rd : differing) {
            QJsonArray list;
            for (const SettingDifference& d : rd.differences) {
                QJsonObject entry{{"path", q(d.path)},
                                  {"module", q(ModuleName(d.module).en)},
                                  {"channel", q(PathPrefix(d.channel))},
                                  {"a", q(d.a)},
                                  {"b", q(d.b)}};
                if (c.args.labels)
                    entry.insert("text", q(DifferenceText(d, rd.a->image).en));
                list.append(entry);
            }
            rooms.append(QJsonObject{{"room", q(rd.a->label)}, {"differences", list}});
        }
        const auto names = [](const std::vector<std::string>& v) {
            QJsonArray list;
            for (const std::string& s : v)
                list.append(q(s));
            return list;
        };
        c.out << QJsonDocument(QJsonObject{{"equal", equal},
                                           {"rooms", rooms},
                                           {"onlyInA", names(onlyA)},
                                           {"onlyInB", names(onlyB)}})
                     .toJson(QJsonDocument::Indented)
                     .toStdString();
        return equal ? kExitOk : kExitDiffer;
    }
    // First the rooms, so the whole venue reads at a glance; then each room's fields.
    for (const RoomDiff& rd : differing)
        c.out << "differs: " << rd.a->label << " (" << rd.differences.size() << ")\n";
    for (const std::string& room : onlyA)
        c.out << "only in " << nameA << ": " << room << "\n";
    for (const std::string& room : onlyB)
        c.out << "only in " << nameB << ": " << room << "\n";
    for (const RoomDiff& rd : differing) {
        c.out << "\n== " << rd.a->label << " ==\n";
        std::optional<ImageModule> module;
        for (const SettingDifference& d : rd.differences) {
            if (d.module != module) {
                module = d.module;
                c.out << "[" << ModuleName(d.module).en << "]\n";
            }
            if (c.args.labels)
                c.out << "  " << DifferenceText(d, rd.a->image).en << "  (" << d.path << ")\n";
            else
                c.out << "  " << d.path << ": " << d.a << " -> " << d.b << "\n";
        }
    }
    return equal ? kExitOk : kExitDiffer;
}

} // namespace

int VenueDiffFolders(const VenueCommand& c) {
    std::vector<RoomSetting> sides[2];
    for (std::size_t i = 0; i < 2; ++i) {
        int status = kExitOk;
        if (!readFolder(c, c.args.operands[i], sides[i], status))
            return status;
    }
    return printRoomDiff(c, sides[0], sides[1], c.args.operands[0], c.args.operands[1]);
}

int VenueDiffLive(const VenueCommand& c, const std::vector<VenueDevice>& devices) {
    if (const std::optional<std::string> clash = fileNameClash(devices))
        return fail(c, kExitUsage, *clash);
    // The folder first: one that cannot be read sends nothing to any device.
    std::vector<RoomSetting> folder;
    int status = kExitOk;
    if (!readFolder(c, c.args.operands[0], folder, status))
        return status;
    CtlVenue venue(c.clock, c.glyphs);
    if (!openVenue(c, venue, devices, status))
        return status;
    venue.close();
    // A device is the folder's room saved from its address when the manifest names one
    // (so "--devices IP,..." finds the rooms of a backup made from a rooms file), else
    // the room its own name or address would be saved as.
    std::map<std::string, const RoomSetting*> byAddress;
    for (const RoomSetting& r : folder)
        if (!r.address.empty())
            byAddress[r.address] = &r;
    const auto keyOf = [&](const VenueDevice& d) {
        const auto saved = byAddress.find(d.address);
        return saved != byAddress.end() ? saved->second->key : RoomFileName(d) + ".dat";
    };
    const auto labelOf = [&](const VenueDevice& d) {
        const auto saved = byAddress.find(d.address);
        return saved != byAddress.end() && d.room.empty() ? saved->second->label : d.label();
    };
    std::vector<RoomSetting> live;
    for (const Member& m : venue.members())
        if (m.online())
            live.push_back({keyOf(m.device), labelOf(m.device), m.connection->image(), {}});
    // A room whose device did not answer is not "only in the folder": it is unknown.
    std::set<std::string> silent;
    for (const Member& m : venue.members())
        if (!m.online())
            silent.insert(keyOf(m.device));
    std::erase_if(folder, [&](const RoomSetting& r) { return silent.count(r.key) > 0; });
    const int result = printRoomDiff(c, folder, live, c.args.operands[0], "the devices");
    if (CtlInterrupted().load())
        return fail(c, kExitInterrupted, "interrupted");
    const int missing = tellMissing(c, venue.members());
    return missing != kExitOk ? missing : result;
}

} // namespace krm::ctl
