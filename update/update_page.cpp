#include "update/update_page.h"

#include "link/frame.h"

#include <climits>

namespace krm {

std::optional<UpdatePageInfo> ParseUpdatePage(std::string_view page) {
    // FindPattern counts in int; a page past that size is not an update page.
    if (page.size() > static_cast<std::size_t>(INT_MAX))
        return std::nullopt;
    const int s = FindPattern(page, kUpdatePageStart, 0);
    const int e = FindPattern(page, kUpdatePageEnd, 0);
    // Both first occurrences count, so an end marker before the start marker (even with a
    // later one after it) rejects the page. s + 6 < e: at least three characters between.
    if (s < 0 || e < 0 || s + 6 >= e)
        return std::nullopt;
    const std::string_view body =
        page.substr(static_cast<std::size_t>(s) + kUpdatePageStart.size(),
                    static_cast<std::size_t>(e - s) - kUpdatePageStart.size());

    const int j = FindPattern(body, kUpdatePageSeparator, 0);
    if (j < 0)
        return std::nullopt;
    UpdatePageInfo info;
    info.dspUrl = std::string(body.substr(0, static_cast<std::size_t>(j)));
    const std::string_view rest =
        body.substr(static_cast<std::size_t>(j) + kUpdatePageSeparator.size());

    const int k = FindPattern(rest, kUpdatePageSeparator, 0);
    if (k >= 0) {
        info.digitalUrl = std::string(rest.substr(0, static_cast<std::size_t>(k)));
        info.remoteVersion =
            std::string(rest.substr(static_cast<std::size_t>(k) + kUpdatePageSeparator.size()));
    }
    return info;
}

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

std::optional<std::string> VersionDigits(std::string_view version) {
    while (!version.empty() && IsBlank(version.front()))
        version.remove_prefix(1);
    while (!version.empty() && IsBlank(version.back()))
        version.remove_suffix(1);
    if (version.empty())
        return std::nullopt;
    for (char c : version)
        if (c < '0' || c > '9')
            return std::nullopt;
    const auto first = version.find_first_not_of('0');
    return first == std::string_view::npos ? std::string("0") : std::string(version.substr(first));
}

bool RemoteIsNewer(std::string_view hardware, std::string_view remote) {
    const auto r = VersionDigits(remote);
    if (!r)
        return false;
    const std::string h = VersionDigits(hardware).value_or("0");
    // Without leading zeros the longer digit text is the larger number; equal lengths
    // compare digit by digit. No conversion, so no overflow for any length.
    if (r->size() != h.size())
        return r->size() > h.size();
    return *r > h;
}

double VersionLabelValue(std::string_view version) {
    const auto digits = VersionDigits(version);
    if (!digits)
        return 0.0;
    double value = 0.0;
    for (char c : *digits)
        value = value * 10.0 + (c - '0');
    return value * 0.1;
}

} // namespace krm
