#include "model/held_fields.h"

#include "model/parameters.h"

#include <cstdio>

namespace krm {

namespace {

// The device knows one filter family (Butterworth); the start-up image holds it.
constexpr std::int32_t kFilterFamily = 2;

const DeviceImage& StartupImage() {
    static const DeviceImage image = [] {
        DeviceImage i;
        ResetToStartupValues(i);
        return i;
    }();
    return image;
}

} // namespace

std::vector<HeldField> HoldToRanges(DeviceImage& image) {
    const DeviceImage& startup = StartupImage();
    std::vector<HeldField> held;
    for (const Parameter& p : Parameters()) {
        // Every record that holds the field, also where the parameter has no control (the
        // compressor of a line input): whatever lies in the image may reach a frame or a
        // text one day.
        for (Channel channel : ChannelsOf(p.side)) {
            const std::int32_t raw = p.get(image, channel);
            if (p.rangeFor(channel).contains(raw) || raw == p.get(startup, channel))
                continue;
            p.set(image, channel, raw);
            const std::int32_t now = p.get(image, channel);
            held.push_back({p.path(channel), channel, raw, now, ValueText(p, channel, now)});
        }
    }
    for (int c = 0; c < kInputCount; ++c) {
        InputChannel& in = image.inputs[static_cast<std::size_t>(c)];
        const Channel channel = Channel::input(c);
        for (auto [filter, key] :
             {std::pair{&in.hpf, "hpf.type"}, std::pair{&in.lpf, "lpf.type"}}) {
            if (filter->type == kFilterFamily)
                continue;
            held.push_back({PathPrefix(channel) + "." + key, channel, filter->type, kFilterFamily,
                            std::to_string(kFilterFamily)});
            filter->type = kFilterFamily;
        }
    }
    return held;
}

std::string RawFieldText(std::int32_t raw) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(raw));
    return std::to_string(raw) + " (" + hex + ")";
}

} // namespace krm
