#include "units/mic_unit_service.h"

#include "model/frame_builders.h"
#include "model/parameter_frames.h"

#include <cstdio>

namespace krm {

namespace {

constexpr int kLastChannel = 20;
constexpr int kLastMain = 24;
constexpr int kLastDante = 28;

bool validUnit(int unit) {
    return unit >= 0 && unit < kPageUnitCount;
}

bool validSlot(int slot) {
    return slot >= 0 && slot < kUnitSlotCount;
}

} // namespace

std::string SlotText(int value) {
    char buffer[8];
    if (value == 0)
        return "NULL";
    if (value >= 1 && value <= kLastChannel)
        std::snprintf(buffer, sizeof buffer, "CH%02d", value);
    else if (value > kLastChannel && value <= kLastMain)
        std::snprintf(buffer, sizeof buffer, "M%02d", value - kLastChannel);
    else if (value > kLastMain && value <= kLastDante)
        std::snprintf(buffer, sizeof buffer, "D%02d", value - kLastMain);
    else
        return {};
    return buffer;
}

MicUnitService::MicUnitService(EditService& edits) : m_edits(edits) {}

int MicUnitService::slot(int unit, int slot) const {
    if (!validUnit(unit) || !validSlot(slot))
        return -1;
    return m_edits.image().micUnits[static_cast<std::size_t>(unit)][static_cast<std::size_t>(slot)];
}

int MicUnitService::unitCount() const {
    return m_edits.image().unitCount;
}

bool MicUnitService::heldElsewhere(int value, int unit, int slot) const {
    for (int u = 0; u < kPageUnitCount; ++u)
        for (int s = 0; s < kUnitSlotCount; ++s)
            if ((u != unit || s != slot) && this->slot(u, s) == value)
                return true;
    return false;
}

UnitAssign MicUnitService::assign(int unit, int slot, int value) {
    if (!validUnit(unit) || !validSlot(slot) || value < 0 || value >= kSlotValueCount)
        return UnitAssign::Invalid;
    if (value != 0 && heldElsewhere(value, unit, slot))
        return UnitAssign::Duplicate;
    m_edits.image().micUnits[static_cast<std::size_t>(unit)][static_cast<std::size_t>(slot)] =
        static_cast<std::uint8_t>(value);
    m_edits.sendNow(UnitFrameKey(unit + 1), BuildX(m_edits.image(), unit + 1));
    m_edits.deviceChanged();
    return UnitAssign::Stored;
}

bool MicUnitService::call(int unit) {
    if (unit < -1 || unit >= kPageUnitCount)
        return false;
    // Calls are never replaced by a later frame: no key.
    return m_edits.sendNow({}, BuildW(unit + 1));
}

std::shared_ptr<const SequenceProgress> MicUnitService::resetAll() {
    DeviceImage& image = m_edits.image();
    for (int u = 0; u < kPageUnitCount; ++u)
        image.micUnits[static_cast<std::size_t>(u)].fill(0);
    // The first two bytes of unit 7's record are cleared along with units 1..6 (the page
    // neither shows nor sends that record).
    image.micUnits[kPageUnitCount][0] = 0;
    image.micUnits[kPageUnitCount][1] = 0;

    std::vector<PacedSender::TimedFrame> frames;
    if (m_edits.online())
        for (int number = 1; number <= kPageUnitCount; ++number)
            frames.push_back({UnitFrameKey(number), BuildX(image, number), kUnitPause});
    auto progress = m_edits.playTimed(std::move(frames));
    m_edits.deviceChanged();
    return progress;
}

} // namespace krm
