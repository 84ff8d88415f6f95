// The update page parser on any page, and the version comparison on the versions it finds.
//
// Properties: an accepted page holds "##$$" + first address + "%%%%" where its first start
// marker is, the first end marker lies after the body; neither address holds "%%%%"; with a
// second "%%%%" the body is rebuilt exactly from the three fields; a version is never newer
// than itself, and of two different numbers exactly one is newer.

#include "fuzz_input.h"
#include "update/update_page.h"

using namespace krm;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view page = fuzz::Bytes(data, size);
    const auto info = ParseUpdatePage(page);
    if (!info)
        return 0;

    const auto s = page.find(kUpdatePageStart);
    const auto e = page.find(kUpdatePageEnd);
    if (s == std::string_view::npos || e == std::string_view::npos || s + 6 >= e)
        fuzz::Broken("a page without well-placed markers was accepted", page);
    const std::string_view body = page.substr(s + 4, e - s - 4);
    if (info->dspUrl.find(kUpdatePageSeparator) != std::string::npos ||
        info->digitalUrl.find(kUpdatePageSeparator) != std::string::npos)
        fuzz::Broken("an address holds the separator", page);
    if (body.substr(0, info->dspUrl.size() + 4) != info->dspUrl + "%%%%")
        fuzz::Broken("the first address is not the start of the body", page);
    const std::string rebuilt =
        info->dspUrl + "%%%%" + info->digitalUrl + "%%%%" + info->remoteVersion;
    const bool twoSeparators =
        body.find(kUpdatePageSeparator, info->dspUrl.size() + 4) != std::string_view::npos;
    if (twoSeparators && rebuilt != body)
        fuzz::Broken("the fields do not rebuild the body", page);
    if (!twoSeparators && (!info->digitalUrl.empty() || !info->remoteVersion.empty()))
        fuzz::Broken("fields after a missing second separator", page);

    const std::string& remote = info->remoteVersion;
    const std::string& other = info->digitalUrl;
    if (RemoteIsNewer(remote, remote))
        fuzz::Broken("a version is newer than itself", page);
    const auto a = VersionDigits(remote);
    const auto b = VersionDigits(other);
    if (a && b && *a != *b && RemoteIsNewer(remote, other) == RemoteIsNewer(other, remote))
        fuzz::Broken("two different numbers are not ordered", page);
    return 0;
}
