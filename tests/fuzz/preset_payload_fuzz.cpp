// Module preset payloads and preset row texts: both come from a database file that may
// have been written anywhere. The first input byte picks the table, the second the
// channel (inputs, then outputs, then one that fits nothing); the rest is the payload,
// and the whole input is also read as a row text.
//
// Properties: a rejected payload leaves the image byte for byte as it was; an accepted one
// packs back to a complete payload of the table's length that is accepted again and
// gives the same image; a row text that parses names the same row once written again.

#include "fuzz_input.h"
#include "presets/payloads.h"
#include "presets/preset_tables.h"

#include <cstring>
#include <type_traits>

using namespace krm;

static_assert(std::is_trivially_copyable_v<DeviceImage>);

namespace {

Channel channelOf(std::uint8_t b) {
    const int n = b % (kInputCount + kOutputCount + 1);
    if (n < kInputCount)
        return Channel::input(n);
    if (n < kInputCount + kOutputCount)
        return Channel::output(n - kInputCount);
    return Channel::device();
}

void checkRowText(std::string_view text) {
    const auto ref = ParseRowText(text);
    if (!ref)
        return;
    if (ref->id < 0)
        fuzz::Broken("a row text gave a negative ID", text);
    const auto again = ParseRowText(RowText(ref->id, ref->name));
    if (!again || again->id != ref->id || again->name != ref->name)
        fuzz::Broken("a row text does not name the same row once written again", text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    checkRowText(fuzz::Bytes(data, size));
    if (size < 2)
        return 0;
    static const DeviceImage start = [] {
        DeviceImage image;
        ResetToStartupValues(image);
        return image;
    }();
    const auto table = static_cast<PresetTable>(data[0] % kPresetTableCount);
    const Channel channel = channelOf(data[1]);
    const std::string_view payload = fuzz::Bytes(data + 2, size - 2);

    static DeviceImage image;
    static DeviceImage before;
    std::memcpy(&image, &start, sizeof image);
    std::memcpy(&before, &image, sizeof image);
    if (!UnpackPayload(table, payload, image, channel)) {
        if (std::memcmp(&before, &image, sizeof image) != 0)
            fuzz::Broken("a rejected payload changed the image", payload);
        return 0;
    }
    const std::string packed = PackPayload(table, image, channel);
    if (packed.size() != static_cast<std::size_t>(TableInfo(table).payloadLength))
        fuzz::Broken("an accepted payload packs back to the wrong length", payload);
    std::memcpy(&before, &image, sizeof image);
    if (!UnpackPayload(table, packed, image, channel))
        fuzz::Broken("a packed payload was rejected", packed);
    if (std::memcmp(&before, &image, sizeof image) != 0)
        fuzz::Broken("a packed payload read back to another image", packed);
    return 0;
}
