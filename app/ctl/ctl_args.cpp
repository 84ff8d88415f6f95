#include "app/ctl/ctl_args.h"

#include "link/network_settings.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <set>

namespace krm::ctl {

namespace {

// How long a connect waits for the device: the program's own attempt (three hellos 5 s
// apart) and a little more.
constexpr std::chrono::milliseconds kDefaultTimeout{16000};

const char* const kCommon =
    "  --device-port N   UDP port of the device (39050)\n"
    "  --local-port N    local UDP port (39050; 0 = any). One program or tool per port.\n"
    "  --timeout MS      how long to wait for the device (16000)\n"
    "  -h, --help        this help\n";

const char* const kExitStatuses =
    "Exit status: 0 done (diff: equal), 1 diff: the settings differ,\n"
    "2 bad command line, parameter, value or file, 3 the device did "
    "not answer\n"
    "or the local port cannot be opened, 4 the program or another "
    "krm416x-ctl holds\n"
    "the local port, 5 the operation failed on the device, 130 interrupted (Ctrl-C:\n"
    "the waits end and the device is told goodbye).\n"
    "With a list of devices: 3 when any device did not answer (the others are still\n"
    "done), else 5 when any refused a set; diff gives 1 when any room differs.\n";

// How a command is given many devices at once.
const char* const kDeviceLists =
    "Devices: --devices IP,IP,... | --devices-file FILE | --discover [--interface NAME]\n"
    "  FILE: one device a line, its address and after blanks an optional room name\n"
    "  (\"127.0.1.1  Hall A\"); '#' starts a comment, blank lines are skipped.\n"
    "  Every device is talked to at the same time; --timeout is for all of them.\n";

struct CommandInfo {
    std::set<std::string> options; // beyond the common ones
    std::string usage;
    std::string text;
};

const std::map<std::string, CommandInfo>& commands() {
    static const std::map<std::string, CommandInfo> all = {
        {"discover",
         {{"--interface", "--json"},
          "krm416x-ctl discover [--interface NAME] [--json]",
          "Sweeps the /24 network of each interface (or of the one named) with the search\n"
          "request, as the system page's Search does, and prints one line per device that\n"
          "answers: its address and port. --timeout is how long to listen after the sweep.\n"
          "Only on a network where a sweep is welcome.\n"}},
        {"dump",
         {{"--device", "--file", "--json"},
          "krm416x-ctl dump (--device IP | --file FILE) [--json]",
          "Connects with the program's handshake and prints every field of the device's\n"
          "setting, one per line: \"in3.peq2.gain = -3.0dB\". --json prints\n"
          "{\"device\": IP, \"port\": N, \"fields\": {\"in3.peq2.gain\": \"-3.0dB\", ...}}.\n"
          "--file FILE prints a setting file's fields the same way, without a device\n"
          "({\"file\": FILE, \"fields\": ...}).\n"}},
        {"get",
         {{"--device", "--file", "--json"},
          "krm416x-ctl get (--device IP | --file FILE) PATH... [--json]",
          "Prints the display value of each field named (\"in3.peq2.gain\",\n"
          "\"out5.limiter.ratio\", \"automix.nomAttn\", \"in1.name\"), one per line;\n"
          "--json: {\"path\": PATH, \"value\": TEXT}, a list of them for several paths.\n"
          "--file FILE reads a setting file instead of a device.\n"}},
        {"set",
         {{"--device", "--file", "--devices", "--devices-file", "--discover", "--interface"},
          "krm416x-ctl set (--device IP | --file FILE | DEVICES) PATH=VALUE... (or PATH VALUE)",
          "Sets parameters in the units the window shows (\"-3dB\", \"1k\", \"1:2.5\", \"on\",\n"
          "\"D2\", \"24dB/Oct\") and sends each as the window does, to the control-group\n"
          "members linked to it too; returns once the frames have gone out. A value outside\n"
          "the parameter's range is refused, never held to it, and then nothing is set.\n"
          "Standard error tells the value held before and the new one\n"
          "(\"in3.peq2.gain: 0.0dB -> -3.0dB\"), so a script can log the change and set it\n"
          "back. --file FILE edits a setting file instead, with no device and no network:\n"
          "the same paths, values and checks; the file is rewritten whole or not at all,\n"
          "its link-state record kept as it was.\n"
          "With a list of devices the values are read once, before any device is touched,\n"
          "then every device is set at once and one line each says \"ok\", \"no answer\" or\n"
          "\"refused: WHY\" (exit status 3 when any did not answer, else 5 when any\n"
          "refused); the old and new values go to stderr under each room.\n"}},
        {"status",
         {{"--devices", "--devices-file", "--discover", "--interface", "--json"},
          "krm416x-ctl status DEVICES [--json]",
          "Connects to every device at once and prints one line each: address, room,\n"
          "online or \"no answer\", how long it took (ms), the unit count, the hardware\n"
          "version (the device text's last two characters), the basic version and the\n"
          "device text. --json prints an array of {\"address\", \"room\", \"reachable\",\n"
          "\"ms\", \"deviceText\", \"hardwareVersion\", \"basicVersion\", \"unitCount\"}\n"
          "(\"error\" instead of the device's fields when it did not answer).\n"
          "Exit status 3 when any device did not answer; stderr names each.\n"}},
        {"new",
         {{"--force"},
          "krm416x-ctl new FILE [--force]",
          "Writes a setting file with the factory values of the system page's factory\n"
          "recovery (inputs named \"CH 1\"..\"CH 20\") and the link-state record of a\n"
          "program that never connected. An existing FILE is kept unless --force.\n"
          "To prepare rooms without a device:\n"
          "  for room in hall-a hall-b hall-c; do\n"
          "    krm416x-ctl new $room.dat &&\n"
          "    krm416x-ctl set --file $room.dat in1.gain=-10dB automix.nomAttn=20\n"
          "  done\n"}},
        {"backup",
         {{"--device", "--devices", "--devices-file", "--discover", "--interface", "--to"},
          "krm416x-ctl backup (--device IP FILE | DEVICES --to DIR)",
          "Writes the device's setting to FILE as a setting file (SAVE<ID>.dat layout).\n"
          "With a list of devices, every device at once into DIR/ROOM.dat (the address\n"
          "when it has no room; characters a file name cannot hold become \"_\"), each\n"
          "file as the single backup writes it, and DIR/manifest.json: for each file the\n"
          "address, room, time saved (UTC) and SHA-256 of its bytes, and the devices that\n"
          "did not answer. Each saved file is printed; a device that did not answer is\n"
          "named on stderr and makes the exit status 3, the others are still saved.\n"}},
        {"restore",
         {{"--device"},
          "krm416x-ctl restore --device IP FILE",
          "Sends a setting file to the device: the same paced sequence as the window's RECALL\n"
          "(about nine seconds), progress on stderr.\n"}},
        {"diff",
         {{"--device", "--json", "--labels", "--devices", "--devices-file", "--discover",
           "--interface"},
          "krm416x-ctl diff A B [--json] [--labels]     A, B: a setting file or --device IP\n"
          "       krm416x-ctl diff DIR_A DIR_B | diff DIR DEVICES   [--json] [--labels]",
          "Lists the fields that differ, by module and channel, in display units:\n"
          "\"in3.peq2.gain: -3.0dB -> 0.0dB\" under a \"[PEQ]\" line. --json prints\n"
          "{\"equal\": BOOL, \"differences\": [{\"path\", \"module\", \"channel\", \"a\", "
          "\"b\"}]}.\n"
          "--labels shows each difference as the window's COMPARE does, with the channel's\n"
          "name and the field's label, its dotted name after it:\n"
          "\"CH3 Podium · PEQ BAND2 GAIN · -3.0dB → 0.0dB  (in3.peq2.gain)\"; with --json\n"
          "each difference gains that line as \"text\".\n"
          "Two backup folders (or a folder and the live devices) are matched room by\n"
          "room through their file names: first \"differs: ROOM (N)\" for each room that\n"
          "differs and \"only in DIR: ROOM\" for a room on one side only, then each\n"
          "differing room under \"== ROOM ==\" with its differences by module as above.\n"
          "--json: {\"equal\", \"rooms\": [{\"room\", \"differences\"}], \"onlyInA\",\n"
          "\"onlyInB\"}. A device that did not answer is named and makes the status 3.\n"}},
        {"firmware",
         {{"--device", "--folder", "--yes"},
          "krm416x-ctl firmware --device IP [--folder DIR] [--yes]",
          "The local firmware update of the HELP section: asks the device its basic\n"
          "version, which chooses the pair of firmware files in DIR (default: the current\n"
          "folder; the \"-3\" pair from 3.00 on), and checks that pair before anything\n"
          "changes; then keeps the device's setting as BeforeUpdate.dat in DIR, stops the\n"
          "reports and sends the digital firmware, then the DSP firmware. Progress on\n"
          "stderr. --yes goes on when the device's firmware version cannot be read.\n"}},
    };
    return all;
}

std::optional<std::uint16_t> port(const std::string& text) {
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

} // namespace

std::string CtlHelp(const std::string& command) {
    if (command.empty()) {
        std::string text = "krm416x-ctl: the KRM-416X from the command line\n\nCommands:\n";
        for (const auto& [name, info] : commands())
            text += "  " + info.usage + "\n";
        text += "\n'krm416x-ctl COMMAND --help' describes one command.\nCommon options:\n";
        text += kCommon;
        text += "\n";
        text += kDeviceLists;
        text += "\n";
        text += kExitStatuses;
        return text;
    }
    const auto it = commands().find(command);
    if (it == commands().end())
        return {};
    const bool lists = it->second.options.count("--devices") > 0;
    return "Usage: " + it->second.usage + "\n\n" + it->second.text + "\nOptions:\n" + kCommon +
           (lists ? std::string("\n") + kDeviceLists : std::string()) + "\n" + kExitStatuses;
}

std::variant<CtlArgs, std::string> ParseCtlArgs(const std::vector<std::string>& args) {
    CtlArgs a;
    a.devicePort = kDevicePort;
    a.localPort = kDevicePort;
    a.timeout = kDefaultTimeout;
    if (args.empty())
        return std::string("no command given (krm416x-ctl --help lists them)");
    if (args[0] == "--help" || args[0] == "-h") {
        a.help = true;
        return a;
    }
    a.command = args[0];
    const auto info = commands().find(a.command);
    if (info == commands().end())
        return "unknown command '" + a.command + "' (krm416x-ctl --help lists them)";
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& t = args[i];
        if (t == "--help" || t == "-h") {
            a.help = true;
            continue;
        }
        if (!t.starts_with("--")) {
            a.operands.push_back(t);
            a.sources.push_back({false, t});
            continue;
        }
        static const std::set<std::string> common = {"--device-port", "--local-port", "--timeout"};
        if (!common.count(t) && !info->second.options.count(t))
            return "unknown option '" + t + "' for " + a.command;
        if (t == "--json") {
            a.json = true;
            continue;
        }
        if (t == "--yes") {
            a.yes = true;
            continue;
        }
        if (t == "--force") {
            a.force = true;
            continue;
        }
        if (t == "--labels") {
            a.labels = true;
            continue;
        }
        if (t == "--discover") {
            a.discoverDevices = true;
            continue;
        }
        if (i + 1 >= args.size())
            return t + " needs a value";
        const std::string& v = args[++i];
        if (t == "--device") {
            const std::optional<std::string> ip = DeviceIpFromText(v);
            if (!ip)
                return "'" + v + "' is not a device address";
            a.devices.push_back(*ip);
            a.sources.push_back({true, *ip});
        } else if (t == "--device-port" || t == "--local-port") {
            const std::optional<std::uint16_t> p = port(v);
            if (!p || (t == "--device-port" && *p == 0))
                return t + " needs a port number " + (t == "--device-port" ? "1" : "0") + "..65535";
            (t == "--device-port" ? a.devicePort : a.localPort) = *p;
        } else if (t == "--timeout") {
            unsigned ms = 0;
            const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), ms);
            if (ec != std::errc() || end != v.data() + v.size() || ms == 0)
                return "--timeout needs a number of milliseconds";
            a.timeout = std::chrono::milliseconds(ms);
        } else if (t == "--devices") {
            if (!a.venue.empty())
                return std::string("--devices is given once");
            auto list = ParseDeviceList(v);
            if (auto* why = std::get_if<std::string>(&list))
                return *why;
            a.venue = std::move(std::get<std::vector<VenueDevice>>(list));
        } else if (t == "--devices-file") {
            if (a.devicesFile)
                return std::string("--devices-file is given once");
            a.devicesFile = v;
        } else if (t == "--to") {
            a.to = v;
        } else if (t == "--interface") {
            a.interfaceName = v;
        } else if (t == "--folder") {
            a.folder = v;
        } else if (t == "--file") {
            if (a.file)
                return "--file is given once";
            a.file = v;
        }
    }
    if (a.help)
        return a;
    // What each command needs besides its options.
    const std::string& c = a.command;
    const int lists =
        (a.venue.empty() ? 0 : 1) + (a.devicesFile ? 1 : 0) + (a.discoverDevices ? 1 : 0);
    if (lists > 1)
        return "give one of --devices, --devices-file and --discover";
    if (a.interfaceName && c != "discover" && !a.discoverDevices)
        return std::string("--interface goes with --discover");
    if (a.hasVenue()) {
        if (!a.devices.empty() || a.file)
            return "--device and --file name one device or file; a list of devices is "
                   "given alone";
        if (c == "backup" && (!a.to || !a.operands.empty()))
            return "Usage: krm416x-ctl backup DEVICES --to DIR";
        if (c == "diff" && a.operands.size() != 1)
            return "Usage: krm416x-ctl diff DIR DEVICES";
        if (c == "set" && a.operands.empty())
            return "Usage: " + info->second.usage;
        if (c == "status" && !a.operands.empty())
            return "Usage: " + info->second.usage;
        return a;
    }
    if (c == "status")
        return "status needs a list of devices: --devices, --devices-file or --discover";
    if (a.to)
        return std::string("--to goes with a list of devices");
    // dump, get and set work on one device or on one setting file.
    const bool deviceOrFile = c == "dump" || c == "get" || c == "set";
    const bool oneDevice = c == "backup" || c == "restore" || c == "firmware";
    if (deviceOrFile && a.devices.size() + (a.file ? 1 : 0) != 1)
        return c + " needs one --device IP or one --file FILE";
    if (oneDevice && a.devices.size() != 1)
        return c + " needs one --device IP";
    std::size_t operands = 0;
    if (c == "backup" || c == "restore" || c == "new")
        operands = 1;
    if (c == "diff") {
        if (a.sources.size() != 2)
            return "diff needs two settings: each a file or --device IP";
    } else if (c == "get" || c == "set") {
        if (a.operands.empty())
            return "Usage: " + info->second.usage;
    } else if (a.operands.size() != operands) {
        return "Usage: " + info->second.usage;
    }
    return a;
}

} // namespace krm::ctl
