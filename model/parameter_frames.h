#pragma once
// The frame that carries a parameter of a channel, built from the image now, and the key
// under which the paced sender may replace a queued copy of it. Pure; call it on the
// thread that owns the image.

#include "model/glyph_renderer.h"
#include "model/parameters.h"

#include <string>

namespace krm {

// The parameter's frame for the channel ("" when no frame carries it there).
std::string BuildParameterFrame(const DeviceImage& image, const Parameter& parameter,
                                Channel channel);
// "A3", "G5.2", "M": the letter, the wire selector and the PEQ band when there is one.
// Every sender of a group uses these keys, so a newer frame finds an older queued one.
std::string FrameKey(const Parameter& parameter, Channel channel);
// The same for a frame named by its letter ("%G," band 1..5; the band is ignored elsewhere).
std::string FrameKey(char frame, Channel channel, int band = 0);
// The frame the effects page sends after changing the parameter on the channel ("" when
// it sends none there), and its key.
std::string BuildEffectFrame(const DeviceImage& image, const Parameter& parameter, Channel channel);
std::string EffectFrameKey(const Parameter& parameter, Channel channel);
// "X3": the assignments of microphone unit 1..10.
std::string UnitFrameKey(int unit);

} // namespace krm
