#include "model/device_image.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace krm {

const std::array<std::int32_t, kGeqBands> kGeqCentres = {
    20,  25,   32,   40,   50,   63,   80,   100,  125,  160,  200,  250,   315,   400,   500,  630,
    800, 1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};

const std::array<std::int32_t, kPeqBands> kPeqStartFreqs = {200, 500, 1250, 2000, 5000};

namespace {

Name16 formatted(const char* format, int n) {
    char buf[16];
    std::snprintf(buf, sizeof buf, format, n);
    return Name16::fromGbk(buf);
}

void clamp(std::int32_t& v, std::int32_t lo, std::int32_t hi) {
    v = std::clamp(v, lo, hi);
}

} // namespace

Name16 ControlGroup::name() const {
    Name16 n;
    std::memcpy(n.bytes.data(), &v[kNameBase], n.bytes.size());
    n.bytes.back() = '\0';
    return n;
}

void ControlGroup::setName(const Name16& name) {
    std::memcpy(&v[kNameBase], name.bytes.data(), name.bytes.size());
}

Name16 DefaultInputName(int index) {
    return formatted("CH %d", index + 1);
}

Name16 DefaultOutputName(int index) {
    return index < 4 ? formatted("M %d", index + 1) : formatted("D %d", index - 3);
}

void ResetToStartupValues(DeviceImage& image) {
    image = DeviceImage{};
    for (int c = 0; c < kInputCount; ++c) {
        InputChannel& in = image.inputs[static_cast<std::size_t>(c)];
        for (int b = 0; b < kPeqBands; ++b) {
            PeqBand& band = in.peq[static_cast<std::size_t>(b)];
            band.freq = kPeqStartFreqs[static_cast<std::size_t>(b)];
            band.gain = 150;
            band.q = 100;
        }
        in.hpf = PassFilter{20, 2, 2, 0};
        in.lpf = PassFilter{20000, 2, 2, 0};
        in.gain = 70;
        in.number = c;
        in.label = formatted("CH %d", c + 1);
        in.name = DefaultInputName(c);
    }
    for (int o = 0; o < kOutputCount; ++o) {
        OutputChannel& out = image.outputs[static_cast<std::size_t>(o)];
        for (int b = 0; b < kGeqBands; ++b) {
            GeqBand& band = out.geq[static_cast<std::size_t>(b)];
            band.freq = kGeqCentres[static_cast<std::size_t>(b)];
            band.gain = 150;
            band.q = 25;
        }
        out.gain = 30;
        out.limiter.threshold = 0;
        out.limiter.attack = 1;
        out.limiter.release = 20;
        out.limiter.gain = 0;
        out.limiter.ratio = 10;
        out.label = o < 4 ? formatted("MASTER %d", o + 1) : formatted("DANTE %d", o - 3);
        out.name = DefaultOutputName(o);
        out.number = o;
    }
}

void ClampAfterDump(DeviceImage& image) {
    for (int c = 0; c < kInputCount; ++c) {
        InputChannel& in = image.inputs[static_cast<std::size_t>(c)];
        for (PassFilter* f : {&in.hpf, &in.lpf}) {
            clamp(f->freq, 20, 20000);
            clamp(f->slope, 2, 8);
            f->type = 2;
        }
        in.peqEnable = 1;
        for (int b = 0; b < 4; ++b) {
            PeqBand& band = in.peq[static_cast<std::size_t>(b)];
            clamp(band.freq, 20, 20000);
            clamp(band.gain, 0, 300);
            clamp(band.q, 1, 200);
            clamp(band.type, 0, 2);
        }
        clamp(in.source, 0, 4);
        clamp(in.inputGain, 0, IsMicInput(c) ? 3 : 1);
        // Every channel's level indexes an 81-item list; clamping only the first eight
        // would let a bad dump index past the list for CH9 and up.
        clamp(in.autoMixLevel, 0, 80);
    }
    for (OutputChannel& out : image.outputs)
        for (GeqBand& band : out.geq)
            clamp(band.gain, 0, 300);
    clamp(image.nomAttn, 0, 30);
}

} // namespace krm
