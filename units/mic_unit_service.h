#pragma once
// MicUnitService: the conference microphone units (TKU-700) as the system page works them.
// Each of units 1..6 has five slots; a slot holds 0 (nothing), an input channel 1..20,
// a main output 21..24 or a Dante output 25..28, and a non-zero value stands in at most
// one slot of units 1..6. The table is the image's `micUnits`; the device's reports may
// fill records 7..10 as well, which the page never touches (except reset, below).
//
// Every change goes through the edit service: the image first, then, while online, the
// unit's "%X," at once (or the call's "%W,"); nothing is queued while offline. Reset all
// plays its six frames on the bulk sender 100 ms apart, whose sends keep the link's
// last-reply time fresh, so no pause ever runs on the caller's thread. After a change the
// edit service's listeners hear of it (deviceChanged) and reload what they show.
//
// Threading: the user-interface thread, which owns the image.

#include "model/edit_service.h"

#include <memory>
#include <string>

namespace krm {

inline constexpr int kPageUnitCount = 6;   // units the page works on (records 1..6)
inline constexpr int kUnitSlotCount = 5;   // slots per unit
inline constexpr int kSlotValueCount = 29; // slot values 0..28, as the slot lists number them

// "NULL" for 0, "CH%02d" for 1..20, "M%02d" for 21..24, "D%02d" for 25..28; empty beyond.
std::string SlotText(int value);

enum class UnitAssign {
    Stored,    // the slot holds the value (sent when online)
    Duplicate, // another slot of units 1..6 holds it already: nothing stored or sent
    Invalid,   // unit, slot or value out of range
};

class MicUnitService {
public:
    static constexpr Millis kUnitPause{100}; // after each unit frame of a reset

    explicit MicUnitService(EditService& edits);

    EditService& edits() { return m_edits; }
    // The stored value of a slot (unit 0..5, slot 0..4); -1 outside the page's units.
    int slot(int unit, int slot) const;
    // Number of connected units the device reported.
    int unitCount() const;

    // Stores `value` (0..28) in slot `slot` (0..4) of unit `unit` (0..5). A value that
    // another slot of units 1..6 already holds is refused; the slot itself is not
    // compared, so assigning what it holds again is stored (and sent) like any other.
    UnitAssign assign(int unit, int slot, int value);
    // Calls unit `unit` (0..5), or unit number 0 for -1 (no unit selected). True when the
    // frame went out (online).
    bool call(int unit);
    // Clears the slots of units 1..6 and the first two bytes of unit 7's record; while
    // online plays "%X," for units 1..6 (every slot FF), each followed by 100 ms.
    std::shared_ptr<const SequenceProgress> resetAll();

private:
    // True when a slot of units 1..6 other than (unit, slot) holds `value`.
    bool heldElsewhere(int value, int unit, int slot) const;

    EditService& m_edits;
};

} // namespace krm
