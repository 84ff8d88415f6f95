#include "model/parameter_frames.h"

#include "model/frame_builders.h"

namespace krm {

std::string BuildParameterFrame(const DeviceImage& image, const Parameter& p, Channel c) {
    if (!p.framedOn(c))
        return {};
    const int wire = WireSelector(p.frame, c);
    switch (p.frame) {
    case 'A':
        return BuildA(image, wire);
    case 'B':
        return BuildB(image, wire);
    case 'C':
        return BuildC(image, wire);
    case 'D':
        return BuildD(image, wire);
    case 'E':
        return BuildE(image, wire);
    case 'F':
        return BuildF(image, wire);
    case 'G':
        return BuildG(image, wire, p.band);
    case 'H':
        return BuildH(image, wire);
    case 'I':
        return c.side == Side::Input ? BuildAuxSends(image, wire) : BuildI(image, wire);
    case 'J':
        return c.side == Side::Input ? BuildEffectSends(image, wire) : BuildJ(image, wire);
    case 'K':
        return BuildK(image, wire);
    case 'L':
        return BuildL(image, wire);
    case 'M':
        return BuildM(image);
    case 'N':
        return BuildN(image);
    case 'O':
        return BuildO(image, wire);
    default:
        return {};
    }
}

std::string FrameKey(char frame, Channel c, int band) {
    std::string key(1, frame);
    // An input's sends share their letters with the buses' MIC/LINE and delay: "Iin5" is
    // CH5's aux sends, "I5" bus 5's MIC/LINE.
    if ((frame == 'I' || frame == 'J') && c.side == Side::Input)
        key += "in";
    if (c.side != Side::Device)
        key += std::to_string(WireSelector(frame, c));
    if (frame == 'G')
        key += "." + std::to_string(band);
    return key;
}

namespace {
int effectWire(const Parameter& p, Channel c) {
    return p.effectWires[c.index == kDelayReturn ? 0 : 1];
}
} // namespace

std::string BuildEffectFrame(const DeviceImage& image, const Parameter& p, Channel c) {
    if (!p.effectFramedOn(c))
        return {};
    switch (p.effectFrame) {
    case 'A':
        return BuildA(image, effectWire(p, c));
    case 'M':
        return BuildM(image);
    case 'N':
        return BuildN(image);
    default:
        return {};
    }
}

std::string EffectFrameKey(const Parameter& p, Channel c) {
    if (!p.effectFramedOn(c))
        return {};
    if (p.effectFrame == 'A')
        return "A" + std::to_string(effectWire(p, c));
    return std::string(1, p.effectFrame);
}

std::string UnitFrameKey(int unit) {
    return "X" + std::to_string(unit);
}

std::string FrameKey(const Parameter& p, Channel c) {
    return FrameKey(p.frame, c, p.band);
}

} // namespace krm
