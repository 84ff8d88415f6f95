#include "kit/slider_math.h"

#include <algorithm>

namespace krm::ui {

int TrackGeometry::span() const {
    return std::max(1, length - lowMargin - highMargin - thumbLength);
}

int TrackGeometry::centreOf(int value) const {
    if (max <= min)
        return lowestCentre();
    const int v = std::clamp(value, min, max);
    const double fraction = static_cast<double>(v - min) / (max - min);
    return lowMargin + static_cast<int>(fraction * span()) + thumbLength / 2;
}

int TrackGeometry::valueAt(int pixel) const {
    if (max <= min)
        return min;
    const double along = static_cast<double>(pixel - thumbLength / 2 - lowMargin) / span();
    const int v = static_cast<int>(along * (max - min) + min);
    return std::clamp(v, min, max);
}

int WheelAccumulator::add(int delta) {
    m_total = std::clamp(m_total + delta, -120, 120);
    if (m_total <= -120) {
        m_total = 0;
        return +1;
    }
    if (m_total >= 120) {
        m_total = 0;
        return -1;
    }
    return 0;
}

} // namespace krm::ui
