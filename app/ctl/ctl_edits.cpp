#include "app/ctl/ctl_edits.h"

#include "app/ctl/ctl_values.h"
#include "link/frame_sink.h"

#include <ostream>

namespace krm::ctl {

class OfflineEdits::NoDevice final : public FrameSink {
public:
    bool SendFrame(std::string_view) override { return false; }
    bool isOnline() const override { return false; }
};

OfflineEdits::OfflineEdits(const DeviceImage& image)
    : m_image(image), m_sink(std::make_unique<NoDevice>()),
      m_linked(std::make_unique<PacedSender>(*m_sink, systemClock())),
      m_bulk(std::make_unique<PacedSender>(*m_sink, systemClock())),
      m_edits(std::make_unique<EditService>(m_image, *m_sink, *m_linked, *m_bulk)) {}

OfflineEdits::~OfflineEdits() = default;

std::variant<std::vector<Assignment>, std::string>
ParseAssignments(const std::vector<std::string>& operands, bool toDevice) {
    // The pair form "PATH VALUE": two operands, neither holding '='.
    std::vector<std::pair<std::string, std::string>> pairs;
    const auto hasEquals = [](const std::string& s) { return s.find('=') != std::string::npos; };
    if (operands.size() == 2 && !hasEquals(operands[0]) && !hasEquals(operands[1])) {
        pairs.emplace_back(operands[0], operands[1]);
    } else {
        for (const std::string& operand : operands) {
            const std::size_t eq = operand.find('=');
            if (eq == std::string::npos || eq == 0)
                return "'" + operand + "' is not PATH=VALUE";
            pairs.emplace_back(operand.substr(0, eq), operand.substr(eq + 1));
        }
    }
    std::vector<Assignment> assignments;
    for (const auto& [path, value] : pairs) {
        const std::optional<ParamAddress> at = FindParameter(path);
        if (!at)
            return "unknown parameter '" + path + "' (names, groups and units are read-only here)";
        if (toDevice && !at->parameter->framedOn(at->channel))
            return path + " travels in no frame: the device cannot be told it (it lives in "
                          "setting files only)";
        const auto parsed = ParseDisplayValue(*at->parameter, at->channel, value);
        if (const auto* why = std::get_if<std::string>(&parsed))
            return *why;
        assignments.push_back({path, *at, std::get<std::int32_t>(parsed)});
    }
    return assignments;
}

namespace {

// One assignment through the edit service; the refusal's sentence when refused.
std::optional<std::string> apply(EditService& edits, const Assignment& a, std::ostream* err) {
    const Parameter& p = *a.at.parameter;
    const std::int32_t before = p.get(edits.image(), a.at.channel);
    const EditResult result = edits.set(p, a.at.channel, a.code);
    if (result.refused())
        return a.path + ": that Dante source is already used by in" +
               std::to_string(result.holder + 1);
    if (!err)
        return std::nullopt;
    *err << "krm416x-ctl set: " << a.path << ": " << ValueText(p, a.at.channel, before) << " -> "
         << ValueText(p, a.at.channel, p.get(edits.image(), a.at.channel)) << "\n";
    for (int member : result.linked)
        *err << "krm416x-ctl set: linked by its control group: "
             << p.path(Channel{a.at.channel.side, member}) << "\n";
    return std::nullopt;
}

} // namespace

std::optional<std::string> ApplyAssignments(EditService& edits,
                                            const std::vector<Assignment>& assignments,
                                            std::ostream& err) {
    OfflineEdits trial(edits.image());
    trial.edits().links() = edits.links();
    for (const Assignment& a : assignments)
        if (std::optional<std::string> refused = apply(trial.edits(), a, nullptr))
            return refused;
    for (const Assignment& a : assignments)
        if (std::optional<std::string> refused = apply(edits, a, &err))
            return refused; // the trial passed: not reached
    return std::nullopt;
}

} // namespace krm::ctl
