#include "sim/demo_image.h"

namespace krm::sim {

namespace {

// Names fit the program's own name dialog (at most 8 GBK bytes).
constexpr const char16_t* kInputNames[kInputCount] = {
    u"主席", u"Podium", u"嘉宾A", u"Guest 2", u"发言人", nullptr,    nullptr,
    nullptr, nullptr,   nullptr,  nullptr,    nullptr,   u"Dante 1", nullptr,
    nullptr, nullptr,   u"Delay", u"Reverb",  u"PC L",   u"PC R"};
constexpr const char16_t* kOutputNames[kOutputCount] = {u"Main L",  u"Main R", u"舞台", u"录音",
                                                        u"Dante 1", nullptr,   nullptr, u"Stream"};

} // namespace

DeviceImage DemoDeviceImage() {
    DeviceImage image;
    ResetToStartupValues(image);

    for (int c = 0; c < kInputCount; ++c) {
        InputChannel& in = image.inputs[static_cast<std::size_t>(c)];
        if (kInputNames[c] != nullptr)
            in.name = Name16::fromUtf16(kInputNames[c]);
        in.gain = 50 + (c * 3) % 20;
        in.mute = c == 5 ? 1 : 0;
        in.peqEnable = 1;
        for (int b = 0; b < 4; ++b) {
            PeqBand& band = in.peq[static_cast<std::size_t>(b)];
            // What the program offers: a low shelf on band 1, a high shelf on band 4.
            band.type = b == 0 ? c % 2 : (b == 3 && c % 3 == 0 ? 2 : 0);
            band.gain = 150 + 2 * ((c + 3 * b) % 21 - 10); // even: halving keeps it
            band.q = 10 + 7 * ((c + b) % 20);
            band.freq = kPeqStartFreqs[static_cast<std::size_t>(b)] + 10 * c;
        }
        in.matrix[static_cast<std::size_t>(c % 4)] = 1;
        if (c >= 16)
            in.matrix[static_cast<std::size_t>(c % 2)] = 1;
        in.source = c >= 12 && c < 16 ? c - 11 : 0; // CH13..CH16 take D1..D4
        in.autoMixLevel = 35 + c;
        in.autoMixPriority = c == 0 ? 1 : 0;
        in.inputGain = IsMicInput(c) ? c % 4 : c % 2;
        if (IsMicInput(c)) {
            in.phantom = c < 8 ? 1 : 0;
            in.comp = Dynamics{c == 0 ? 1 : 0, 30 + c, 10 + c, 100 + c, 2 * c, 10 + 3 * c};
            in.hpf = PassFilter{80 + 10 * c, 2, 2 + c % 7, c % 2 == 0 ? 1 : 0};
            in.lpf = PassFilter{18000 - 500 * c, 2, 4, c == 2 ? 1 : 0};
        }
    }
    for (int o = 0; o < kOutputCount; ++o) {
        OutputChannel& out = image.outputs[static_cast<std::size_t>(o)];
        if (kOutputNames[o] != nullptr)
            out.name = Name16::fromUtf16(kOutputNames[o]);
        out.gain = 55 + o;
        out.mute = o == 7 ? 1 : 0;
        out.lineLevel = o < 4 ? 1 : 0;
        out.delay = o == 1 ? 20 : o == 2 ? 100 : 0;
        out.outK = o == 0 ? 1 : 0;
        out.geqEnable = o < 2 ? 1 : 0;
        for (int b = 0; b < kGeqBands; ++b)
            out.geq[static_cast<std::size_t>(b)].gain = 150 + 10 * ((b + o) % 5 - 2);
        out.limiter = Dynamics{o == 0 ? 1 : 0, 50 - o, 5 + o, 100 + 10 * o, 10 + o, 20 + o};
    }

    image.micUnits[0] = {1, 2, 0, 0, 21};
    image.micUnits[1] = {3, 4, 0, 0, 22};
    image.micUnits[2] = {5, 0, 0, 0, 0};
    image.unitCount = 3;

    image.autoMixMode = 1;
    image.maxOpenCh = 2;
    image.lastHold = 1;
    image.holdTime = 10;
    image.closedAttn = 20;
    image.nomAttn = 27;
    image.zeroCrossRate = 10;
    image.energy = 20;
    image.compareCount = 3;
    image.thresholdComp = 5;
    image.deviceText = Name16::fromGbk(kDemoDeviceText);
    return image;
}

} // namespace krm::sim
