#pragma once
// The PEQ module of an input as a whole: the four live bands and the two filters, as RESET
// and BYPASS rewrite them, copy them to linked channels and send them. Also the BYPASS save
// areas, one per input, so that several channels can be bypassed at the same time and each
// comes back to its own settings.
//
// Plain functions and data on the image; UI thread (the image's owner).

#include "model/channels.h"
#include "model/device_image.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace krm {

// The bands the editor shows and RESET / BYPASS touch (band 5 belongs to the channel but
// is never shown).
inline constexpr int kPeqLiveBands = 4;

// Frequencies, gain 0 dB, Q 2.0, peaking; both filters off at the ends of the range with
// -12 dB/Oct.
void ResetPeqModule(InputChannel& channel);

// A linked member takes every band (all fields) and both filters of `from`.
void CopyPeqModule(DeviceImage& image, Channel from, Channel to);

// The module's frames for one channel, in the order RESET sends them (bands 1..4, then
// low-pass and high-pass) or BYPASS does (low-pass, high-pass, then bands 1..4). A frame
// the channel has no part of (the filters of the line inputs) is left out.
std::vector<std::string> PeqResetFrames(const DeviceImage& image, Channel channel);
std::vector<std::string> PeqBypassFrames(const DeviceImage& image, Channel channel);

// BYPASS: the bands and filters saved when a channel is bypassed, per input.
class PeqBypassStore {
public:
    bool bypassed(int input) const {
        return m_saved.at(static_cast<std::size_t>(input)).has_value();
    }
    // Switches the channel's bypass: on saves the module and flattens it (filters off and
    // opened to the ends, every live band at 0 dB); off puts the saved module back.
    void toggle(InputChannel& channel, int input);

private:
    struct Saved {
        std::array<PeqBand, kPeqLiveBands> bands{};
        PassFilter hpf{};
        PassFilter lpf{};
    };
    std::array<std::optional<Saved>, kInputCount> m_saved{};
};

} // namespace krm
