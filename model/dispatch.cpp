#include "model/dispatch.h"

#include "model/parsers.h"

namespace krm {

namespace {

template <class Report> std::optional<IncomingReport> wrap(std::optional<Report> report) {
    if (!report)
        return std::nullopt;
    return IncomingReport(std::move(*report));
}

} // namespace

std::optional<IncomingReport> DispatchFrame(std::string_view frame) {
    if (frame.size() < 2)
        return std::nullopt;
    switch (frame[1]) {
    case 'Z':
        return wrap(ParseDump(frame));
    case 'Y':
        return wrap(ParseIdent(frame));
    case 'Q':
        return wrap(ParseStatus(frame));
    case 'P':
        return wrap(ParseLevels(frame));
    case 'r':
        return wrap(ParseBasicVersion(frame));
    default: // "G" is accepted and ignored; other letters are not for the program
        return std::nullopt;
    }
}

void ApplyReport(const IncomingReport& report, DeviceImage& image) {
    std::visit(
        [&image](const auto& r) {
            using R = std::decay_t<decltype(r)>;
            if constexpr (std::is_same_v<R, DumpReport>)
                ApplyDump(r, image);
            else if constexpr (std::is_same_v<R, IdentReport>)
                ApplyIdent(r, image);
            else if constexpr (std::is_same_v<R, StatusReport>)
                ApplyStatus(r, image);
            else if constexpr (std::is_same_v<R, LevelsReport>)
                ApplyLevels(r, image);
            // The basic version is not part of the image: the session hands it to whoever
            // asked.
        },
        report);
}

} // namespace krm
