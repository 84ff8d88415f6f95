#include "model/setting_diff.h"

#include "dsp/text_format.h"
#include "model/parameters.h"

#include <algorithm>
#include <array>
#include <tuple>

namespace krm {

namespace {

// Names of the control-group link block's entries; 1, 2 and 6 are reserved words.
constexpr std::array<const char*, ControlGroup::kLinkEntries> kLinkNames = {
    "vol",  "link2",    "link3",   "eq",     "comp", "limit", "link7",
    "gain", "priority", "phantom", "source", "line", "fbk",   "delay"};

int moduleRank(ImageModule module) {
    return static_cast<int>(module);
}

int sideRank(Side side) {
    switch (side) {
    case Side::Input:
        return 0;
    case Side::Output:
        return 1;
    case Side::Device:
        break;
    }
    return 2;
}

void addName(std::vector<SettingField>& out, Channel channel, const char* key, const Name16& name) {
    out.push_back(
        {PathPrefix(channel) + "." + key, ImageModule::Names, channel, 0, name.toUtf8(), nullptr});
}

void addCode(std::vector<SettingField>& out, std::string path, ImageModule module,
             std::int32_t code) {
    out.push_back({std::move(path), module, Channel::device(), code, integerText(code), nullptr});
}

// A group member's word: "in3", "out2", or the reserved word's number ("word21").
std::string memberWord(std::size_t i) {
    if (i < static_cast<std::size_t>(kInputCount))
        return "in" + std::to_string(i + 1);
    if (i >= 24 && i < 24 + static_cast<std::size_t>(kOutputCount))
        return "out" + std::to_string(i - 24 + 1);
    return "word" + std::to_string(i + 1);
}

void groupFields(std::vector<SettingField>& out, const DeviceImage& image) {
    for (std::size_t g = 0; g < image.muteGroups.size(); ++g) {
        const std::string prefix = "muteGroup" + std::to_string(g + 1) + ".";
        const MuteGroup& group = image.muteGroups[g];
        for (std::size_t i = 0; i < group.v.size(); ++i)
            addCode(out, prefix + memberWord(i), ImageModule::Groups, group.v[i]);
    }
    for (std::size_t g = 0; g < image.controlGroups.size(); ++g) {
        const std::string prefix = "controlGroup" + std::to_string(g + 1) + ".";
        const ControlGroup& group = image.controlGroups[g];
        for (std::size_t i = 0; i < ControlGroup::kMemberCount; ++i)
            addCode(out, prefix + memberWord(i), ImageModule::Groups, group.v[i]);
        addCode(out, prefix + "members", ImageModule::Groups, group.memberCount());
        for (int e = 0; e < ControlGroup::kLinkEntries; ++e)
            addCode(out, prefix + "link." + kLinkNames[static_cast<std::size_t>(e)],
                    ImageModule::Groups, group.link(e));
        out.push_back({prefix + "name", ImageModule::Groups, Channel::device(), 0,
                       group.name().toUtf8(), nullptr});
    }
}

} // namespace

TextPair ModuleName(ImageModule module) {
    switch (module) {
    case ImageModule::Levels:
        return {"Levels", "电平"};
    case ImageModule::Inputs:
        return {"Input", "输入"};
    case ImageModule::Peq:
        return {"PEQ", "参量均衡"};
    case ImageModule::Filters:
        return {"Filters", "滤波器"};
    case ImageModule::Dynamics:
        return {"Dynamics", "动态"};
    case ImageModule::Limiter:
        return {"Limiter", "限幅器"};
    case ImageModule::Geq:
        return {"GEQ", "图示均衡"};
    case ImageModule::Delay:
        return {"Delay", "延时"};
    case ImageModule::Matrix:
        return {"Matrix", "矩阵"};
    case ImageModule::Sends:
        return {"Sends", "发送"};
    case ImageModule::Effects:
        return {"Effects", "效果"};
    case ImageModule::AutoMixer:
        return {"Auto-mixer", "自动混音"};
    case ImageModule::Names:
        return {"Names", "名称"};
    case ImageModule::Groups:
        return {"Groups", "分组"};
    case ImageModule::MicUnits:
        return {"Units", "话筒单元"};
    }
    return {"", ""};
}

ImageModule ParameterModule(const Parameter& p) {
    using K = ParamKind;
    switch (p.kind) {
    case K::InMute:
    case K::InSolo:
    case K::InGain:
    case K::InPan:
    case K::InGain2:
    case K::InMute2:
    case K::InputGain:
    case K::OutMute:
    case K::OutGain:
    case K::LineLevel:
        return ImageModule::Levels;
    case K::Phantom:
    case K::Polarity:
    case K::Source:
        return ImageModule::Inputs;
    case K::PeqGain:
    case K::PeqFreq:
    case K::PeqQ:
    case K::PeqType:
    case K::PeqEnable:
        return ImageModule::Peq;
    case K::HpfEnable:
    case K::HpfFreq:
    case K::HpfSlope:
    case K::LpfEnable:
    case K::LpfFreq:
    case K::LpfSlope:
        return ImageModule::Filters;
    case K::CompEnable:
    case K::CompThreshold:
    case K::CompRatio:
    case K::CompAttack:
    case K::CompRelease:
    case K::CompGain:
    case K::GateEnable:
    case K::GateThreshold:
    case K::GateRange:
    case K::GateAttack:
    case K::GateRelease:
        return ImageModule::Dynamics;
    case K::GeqGain:
    case K::GeqEnable:
        return ImageModule::Geq;
    case K::LimEnable:
    case K::LimThreshold:
    case K::LimRatio:
    case K::LimAttack:
    case K::LimRelease:
    case K::LimGain:
        return ImageModule::Limiter;
    case K::Delay:
    case K::Feedback:
        return ImageModule::Delay;
    case K::Matrix:
        return ImageModule::Matrix;
    case K::MainSend:
    case K::AuxSend:
    case K::DelaySend:
    case K::RevSend:
        return ImageModule::Sends;
    case K::Priority:
    case K::AutoMixLevel:
    case K::AutoMixMode:
    case K::MaxOpenCh:
    case K::LastHold:
    case K::HoldTime:
    case K::ClosedAttn:
    case K::NomAttn:
    case K::ZeroCrossRate:
    case K::Energy:
    case K::CompareCount:
    case K::ThresholdComp:
    case K::AutoMixSync:
        return ImageModule::AutoMixer;
    case K::FxPreDelay1:
    case K::FxPreDelay2:
    case K::FxFeedback:
    case K::FxDelayLpf:
    case K::FxTap:
    case K::FxRevTime:
    case K::FxRevLpf:
        return ImageModule::Effects;
    case K::Count_:
        break;
    }
    return ImageModule::Levels;
}

std::vector<SettingField> ListSettingFields(const DeviceImage& image) {
    std::vector<SettingField> out;
    out.reserve(4096);
    for (const Parameter& p : Parameters()) {
        for (Channel channel : ChannelsOf(p.side)) {
            if (!p.existsOn(channel))
                continue;
            const std::int32_t code = p.get(image, channel);
            out.push_back({p.path(channel), ParameterModule(p), channel, code,
                           ValueText(p, channel, code), &p});
        }
    }
    for (int i = 0; i < kInputCount; ++i) {
        const InputChannel& in = image.inputs[static_cast<std::size_t>(i)];
        addName(out, Channel::input(i), "name", in.name);
        addName(out, Channel::input(i), "label", in.label);
    }
    for (int o = 0; o < kOutputCount; ++o) {
        const OutputChannel& bus = image.outputs[static_cast<std::size_t>(o)];
        addName(out, Channel::output(o), "name", bus.name);
        addName(out, Channel::output(o), "label", bus.label);
    }
    groupFields(out, image);
    for (std::size_t u = 0; u < image.micUnits.size(); ++u)
        for (std::size_t s = 0; s < image.micUnits[u].size(); ++s)
            addCode(out, "unit" + std::to_string(u + 1) + ".slot" + std::to_string(s + 1),
                    ImageModule::MicUnits, image.micUnits[u][s]);
    addCode(out, "units.count", ImageModule::MicUnits, image.unitCount);
    out.push_back({"device.text", ImageModule::Names, Channel::device(), 0,
                   image.deviceText.toUtf8(), nullptr});
    return out;
}

std::vector<ImageModule> ChangedModules(const DeviceImage& before, const DeviceImage& after) {
    std::vector<ImageModule> changed;
    for (const SettingDifference& d : DiffImages(before, after))
        if (std::find(changed.begin(), changed.end(), d.module) == changed.end())
            changed.push_back(d.module);
    std::sort(changed.begin(), changed.end());
    return changed;
}

std::vector<SettingDifference> DiffImages(const DeviceImage& a, const DeviceImage& b) {
    const std::vector<SettingField> left = ListSettingFields(a);
    const std::vector<SettingField> right = ListSettingFields(b);
    std::vector<SettingDifference> out;
    // Both lists come from the same walk of the layout, so entry i names the same field.
    for (std::size_t i = 0; i < left.size() && i < right.size(); ++i) {
        const SettingField& x = left[i];
        const SettingField& y = right[i];
        if (x.code == y.code && x.text == y.text)
            continue;
        out.push_back({x.path, x.module, x.channel, x.text, y.text, x.parameter});
    }
    std::stable_sort(
        out.begin(), out.end(), [](const SettingDifference& x, const SettingDifference& y) {
            const auto kx =
                std::make_tuple(moduleRank(x.module), sideRank(x.channel.side), x.channel.index);
            const auto ky =
                std::make_tuple(moduleRank(y.module), sideRank(y.channel.side), y.channel.index);
            return kx < ky;
        });
    return out;
}

} // namespace krm
