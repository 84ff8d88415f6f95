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
        return BuildI(image, wire);
    case 'J':
        return BuildJ(image, wire);
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

std::string FrameKey(const Parameter& p, Channel c) {
    std::string key(1, p.frame);
    if (c.side != Side::Device)
        key += std::to_string(WireSelector(p.frame, c));
    if (p.frame == 'G')
        key += "." + std::to_string(p.band);
    return key;
}

} // namespace krm
