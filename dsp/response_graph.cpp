#include "dsp/response_graph.h"

#include "dsp/eq_scales.h"
#include "dsp/responses.h"

#include <algorithm>
#include <cmath>

namespace krm {

GraphSlot& ResponseGraph::slot(int index) {
    return m_slots.at(static_cast<std::size_t>(index));
}

const GraphSlot& ResponseGraph::slot(int index) const {
    return m_slots.at(static_cast<std::size_t>(index));
}

void ResponseGraph::setSlotCount(int count) {
    m_slotCount = std::clamp(count, 0, kMaxSlots);
}

void ResponseGraph::setEqBand(int index, int freqHz, int gainCode, int qCode, int shape) {
    GraphSlot& s = slot(index);
    s.kind = kSlotEqBand;
    s.eqShape = kEqShapeCodes.clamp(shape);
    s.freq = kFrequencies.clamp(freqHz);
    s.gainDb = eqGainDb(gainCode);
    s.param = qValue(qCode);
}

void ResponseGraph::setPassFilter(int index, int kind, int enable, int freqHz, int slopeCode) {
    GraphSlot& s = slot(index);
    s.kind = kind;
    s.enabled = enable != 0 ? 1 : 0;
    s.freq = kFrequencies.clamp(freqHz);
    s.param = slopeListIndexFromCode(slopeCode);
}

void ResponseGraph::recompute() {
    m_summed.fill(0.0);
    for (int i = 0; i < m_slotCount; ++i) {
        GraphSlot& s = m_slots[static_cast<std::size_t>(i)];
        slotResponse(s, s.curve);
        for (std::size_t k = 0; k < m_summed.size(); ++k)
            m_summed[k] += s.curve[k];
    }
}

void slotResponse(const GraphSlot& slot, Curve& out) {
    switch (slot.kind) {
    case kSlotEqBand:
        if (slot.eqShape == ShapePeaking) {
            // Q 0 (an empty slot) would divide by zero; the device's smallest Q is 0.1.
            const double q = slot.param >= 0.1 ? slot.param : 0.1;
            peakingResponse(slot.freq, slot.gainDb, 1.0 / q, out);
        } else {
            shelfResponse(slot.freq, slot.eqShape, slot.gainDb, out);
        }
        return;
    case kSlotHighPass:
    case kSlotLowPass: {
        if (slot.enabled == 0) {
            out.fill(0.0);
            return;
        }
        const double p = std::isnan(slot.param) ? 0.0 : std::clamp(slot.param, 0.0, 6.0);
        const int slopeIndex = static_cast<int>(std::trunc(p));
        if (slot.kind == kSlotHighPass)
            highPassResponse(slot.freq, slopeIndex, out);
        else
            lowPassResponse(slot.freq, slopeIndex, out);
        return;
    }
    default:
        out.fill(0.0); // unknown kind: contributes nothing
        return;
    }
}

} // namespace krm
