#include "model/automix_sync.h"

#include "model/parameter_frames.h"
#include "model/parameters.h"

namespace krm {

std::vector<PacedSender::TimedFrame> AutoMixSyncSequence(const DeviceImage& image,
                                                         int editedChannel) {
    const Parameter& level = Param(ParamKind::AutoMixLevel);
    std::vector<PacedSender::TimedFrame> frames;
    auto add = [&](int ch) {
        const Channel c = Channel::input(ch);
        frames.push_back(
            {FrameKey(level, c), BuildParameterFrame(image, level, c), kAutoMixSyncPause});
    };
    // The device's own order: the edited channel of the first eight once more, up front.
    if (editedChannel >= 0 && editedChannel < 8)
        add(editedChannel);
    for (int ch = 0; ch < kAutoMixChannels; ++ch)
        add(ch);
    return frames;
}

} // namespace krm
