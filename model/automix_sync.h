#pragma once
// The auto-mixer's synchronised level. With SYNC on, a level chosen for one channel becomes
// every auto-mixer channel's level, and the device takes it only as every channel's level
// frame in turn, 20 ms after each; an edited CH1..CH8 goes first as well. The frames are
// keyed, so that a later single edit of a channel drops its stale copy still queued.
//
// Pure: built from the image on the user-interface thread; the edit service plays it.

#include "link/clock.h"
#include "model/device_image.h"
#include "model/paced_sender.h"

#include <vector>

namespace krm {

inline constexpr int kAutoMixChannels = 16;
inline constexpr Millis kAutoMixSyncPause{20}; // after each frame of a synchronised level

// The frames of a synchronised level after `editedChannel` (0..15) was chosen, in sending
// order, every channel's level as the image holds it.
std::vector<PacedSender::TimedFrame> AutoMixSyncSequence(const DeviceImage& image,
                                                         int editedChannel);

} // namespace krm
