#include "model/module_changes.h"

#include <algorithm>
#include <array>
#include <tuple>

namespace krm {

namespace {

// Tuples of the fields each module holds; comparing tuples keeps each module's field list
// in one line and lets a field that is left out be seen at a glance.
auto peqFields(const PeqBand& b) {
    return std::tie(b.freq, b.gain, b.q, b.type);
}
auto filterFields(const PassFilter& f) {
    return std::tie(f.freq, f.type, f.slope, f.enable);
}
auto dynamicsFields(const Dynamics& d) {
    return std::tie(d.enable, d.threshold, d.attack, d.release, d.gain, d.ratio);
}
auto gateFields(const Gate& g) {
    return std::tie(g.enable, g.threshold, g.range, g.attack, g.release);
}

// True when `same` holds for every input channel (and output channel) pair.
template <class In, class Out>
bool channelsEqual(const DeviceImage& a, const DeviceImage& b, In sameInput, Out sameOutput) {
    for (int i = 0; i < kInputCount; ++i)
        if (!sameInput(a.inputs[i], b.inputs[i]))
            return false;
    for (int o = 0; o < kOutputCount; ++o)
        if (!sameOutput(a.outputs[o], b.outputs[o]))
            return false;
    return true;
}

const auto anyInput = [](const InputChannel&, const InputChannel&) { return true; };
const auto anyOutput = [](const OutputChannel&, const OutputChannel&) { return true; };

bool sameModule(ImageModule module, const DeviceImage& a, const DeviceImage& b) {
    using I = const InputChannel&;
    using O = const OutputChannel&;
    switch (module) {
    case ImageModule::Levels:
        return channelsEqual(
            a, b,
            [](I x, I y) {
                return std::tie(x.gain, x.gain2, x.mute, x.mute2, x.pan, x.solo, x.inputGain) ==
                       std::tie(y.gain, y.gain2, y.mute, y.mute2, y.pan, y.solo, y.inputGain);
            },
            [](O x, O y) {
                return std::tie(x.gain, x.mute, x.lineLevel) ==
                       std::tie(y.gain, y.mute, y.lineLevel);
            });
    case ImageModule::Inputs:
        return channelsEqual(
            a, b,
            [](I x, I y) {
                return std::tie(x.phantom, x.polarity, x.source) ==
                       std::tie(y.phantom, y.polarity, y.source);
            },
            anyOutput);
    case ImageModule::Peq:
        return channelsEqual(
            a, b,
            [](I x, I y) {
                return x.peqEnable == y.peqEnable &&
                       std::equal(x.peq.begin(), x.peq.end(), y.peq.begin(),
                                  [](const PeqBand& p, const PeqBand& q) {
                                      return peqFields(p) == peqFields(q);
                                  });
            },
            anyOutput);
    case ImageModule::Filters:
        return channelsEqual(
            a, b,
            [](I x, I y) {
                return filterFields(x.hpf) == filterFields(y.hpf) &&
                       filterFields(x.lpf) == filterFields(y.lpf);
            },
            anyOutput);
    case ImageModule::Dynamics:
        return channelsEqual(
            a, b,
            [](I x, I y) {
                return dynamicsFields(x.comp) == dynamicsFields(y.comp) &&
                       gateFields(x.gate) == gateFields(y.gate);
            },
            anyOutput);
    case ImageModule::Limiter:
        return channelsEqual(a, b, anyInput, [](O x, O y) {
            return dynamicsFields(x.limiter) == dynamicsFields(y.limiter);
        });
    case ImageModule::Geq:
        return channelsEqual(a, b, anyInput, [](O x, O y) {
            return x.geqEnable == y.geqEnable &&
                   std::equal(x.geq.begin(), x.geq.end(), y.geq.begin(),
                              [](const GeqBand& p, const GeqBand& q) {
                                  return std::tie(p.gain, p.freq) == std::tie(q.gain, q.freq);
                              });
        });
    case ImageModule::Delay:
        return channelsEqual(a, b, anyInput, [](O x, O y) {
            return std::tie(x.delay, x.outK) == std::tie(y.delay, y.outK);
        });
    case ImageModule::Matrix:
        return channelsEqual(
            a, b, [](I x, I y) { return x.matrix == y.matrix; }, anyOutput);
    case ImageModule::Sends:
        return channelsEqual(
            a, b,
            [](I x, I y) {
                return std::tie(x.mainSend, x.auxSend, x.delaySend, x.revSend) ==
                       std::tie(y.mainSend, y.auxSend, y.delaySend, y.revSend);
            },
            anyOutput);
    case ImageModule::Effects:
        return channelsEqual(
            a, b,
            [](I x, I y) {
                return std::tie(x.fxPreDelay1, x.fxPreDelay2, x.fxFeedback, x.fxDelayLpf, x.fxTap,
                                x.fxRevTime, x.fxRevLpf) ==
                       std::tie(y.fxPreDelay1, y.fxPreDelay2, y.fxFeedback, y.fxDelayLpf, y.fxTap,
                                y.fxRevTime, y.fxRevLpf);
            },
            anyOutput);
    case ImageModule::AutoMixer:
        // lastHold is the auto-mixer's "last hold" setting; each channel's autoMixLast
        // is the live state a status report moves, left out with autoMixOpen.
        return std::tie(a.autoMixMode, a.maxOpenCh, a.lastHold, a.holdTime, a.closedAttn, a.nomAttn,
                        a.zeroCrossRate, a.energy, a.compareCount, a.thresholdComp,
                        a.autoMixSync) == std::tie(b.autoMixMode, b.maxOpenCh, b.lastHold,
                                                   b.holdTime, b.closedAttn, b.nomAttn,
                                                   b.zeroCrossRate, b.energy, b.compareCount,
                                                   b.thresholdComp, b.autoMixSync) &&
               channelsEqual(
                   a, b,
                   [](I x, I y) {
                       return std::tie(x.autoMixPriority, x.autoMixLevel) ==
                              std::tie(y.autoMixPriority, y.autoMixLevel);
                   },
                   anyOutput);
    case ImageModule::Names:
        return a.deviceText == b.deviceText &&
               channelsEqual(
                   a, b,
                   [](I x, I y) { return std::tie(x.name, x.label) == std::tie(y.name, y.label); },
                   [](O x, O y) { return std::tie(x.name, x.label) == std::tie(y.name, y.label); });
    case ImageModule::Groups:
        return std::equal(a.muteGroups.begin(), a.muteGroups.end(), b.muteGroups.begin(),
                          [](const MuteGroup& x, const MuteGroup& y) { return x.v == y.v; }) &&
               std::equal(
                   a.controlGroups.begin(), a.controlGroups.end(), b.controlGroups.begin(),
                   [](const ControlGroup& x, const ControlGroup& y) { return x.v == y.v; }) &&
               a.controlGroupActive == b.controlGroupActive &&
               a.activeMuteGroup == b.activeMuteGroup;
    case ImageModule::MicUnits:
        return a.micUnits == b.micUnits && a.unitCount == b.unitCount;
    }
    return true;
}

constexpr std::array kAllModules{
    ImageModule::Levels,   ImageModule::Inputs,  ImageModule::Peq,      ImageModule::Filters,
    ImageModule::Dynamics, ImageModule::Limiter, ImageModule::Geq,      ImageModule::Delay,
    ImageModule::Matrix,   ImageModule::Sends,   ImageModule::Effects,  ImageModule::AutoMixer,
    ImageModule::Names,    ImageModule::Groups,  ImageModule::MicUnits,
};

} // namespace

std::vector<ImageModule> ChangedModules(const DeviceImage& before, const DeviceImage& after) {
    std::vector<ImageModule> changed;
    for (ImageModule module : kAllModules)
        if (!sameModule(module, before, after))
            changed.push_back(module);
    return changed;
}

TextPair ModuleLabel(ImageModule module) {
    switch (module) {
    case ImageModule::Levels:
        return {"levels and mutes", "电平与静音"};
    case ImageModule::Inputs:
        return {"phantom power, polarity and sources", "幻象电源、极性与信号源"};
    case ImageModule::Peq:
        return {"PEQ", "参量均衡"};
    case ImageModule::Filters:
        return {"high- and low-pass filters", "高通与低通滤波器"};
    case ImageModule::Dynamics:
        return {"compressors and gates", "压缩器与噪声门"};
    case ImageModule::Limiter:
        return {"limiters", "限幅器"};
    case ImageModule::Geq:
        return {"GEQ", "图示均衡"};
    case ImageModule::Delay:
        return {"output delay and feedback switch", "输出延时与反馈开关"};
    case ImageModule::Matrix:
        return {"matrix", "矩阵"};
    case ImageModule::Sends:
        return {"sends", "发送"};
    case ImageModule::Effects:
        return {"effects", "效果"};
    case ImageModule::AutoMixer:
        return {"auto-mixer", "自动混音"};
    case ImageModule::Names:
        return {"names", "名称"};
    case ImageModule::Groups:
        return {"groups", "分组"};
    case ImageModule::MicUnits:
        return {"microphone units", "话筒单元"};
    }
    return {"", ""};
}

} // namespace krm
