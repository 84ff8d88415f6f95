#include "model/difference_text.h"

#include "model/parameters.h"

#include <string_view>

namespace krm {

namespace {

Message Pair(std::string en, std::string zh) {
    return {std::move(en), std::move(zh)};
}

Message Joined(const TextPair& head, const TextPair& tail) {
    return Pair(std::string(head.en) + " " + tail.en, std::string(head.zh) + " " + tail.zh);
}

// The word that tells apart parameters whose table labels are the same or too short to
// stand alone in a list of the whole device; nothing where the label says enough.
std::optional<TextPair> Qualifier(const Parameter& p) {
    using K = ParamKind;
    switch (p.kind) {
    case K::PeqGain:
    case K::PeqFreq:
    case K::PeqQ:
    case K::PeqType:
        return TextPair{"PEQ", "参量均衡"};
    case K::GeqGain:
        return TextPair{"GEQ", "图示均衡"};
    case K::CompThreshold:
    case K::CompRatio:
    case K::CompAttack:
    case K::CompRelease:
    case K::CompGain:
        return Param(K::CompEnable).label;
    case K::GateThreshold:
    case K::GateRange:
    case K::GateAttack:
    case K::GateRelease:
        return Param(K::GateEnable).label;
    case K::LimThreshold:
    case K::LimRatio:
    case K::LimAttack:
    case K::LimRelease:
    case K::LimGain:
        return Param(K::LimEnable).label;
    case K::Matrix:
        return TextPair{"Matrix", "矩阵"};
    case K::AuxSend:
    case K::DelaySend:
    case K::RevSend:
        return TextPair{"Send", "发送"};
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
        return TextPair{"Auto-mixer", "自动混音"};
    case K::FxPreDelay1:
    case K::FxPreDelay2:
    case K::FxFeedback:
    case K::FxDelayLpf:
        return TextPair{"Delay effect", "延时效果"};
    case K::FxTap:
    case K::FxRevTime:
    case K::FxRevLpf:
        return TextPair{"Reverb", "混响效果"};
    default:
        break;
    }
    return std::nullopt;
}

Message TableLabel(const Parameter& p) {
    using K = ParamKind;
    switch (p.kind) {
    // The effect returns' second level and mute share their labels with the first ones.
    case K::InGain2:
    case K::InMute2:
        return Pair(std::string(p.label.en) + "2", std::string(p.label.zh) + "2");
    // A filter's three fields all carry the filter's name.
    case K::HpfFreq:
    case K::LpfFreq:
        return Joined(p.label, {"frequency", "频率"});
    case K::HpfSlope:
    case K::LpfSlope:
        return Joined(p.label, {"slope", "斜率"});
    case K::PeqEnable:
        return Pair("PEQ", "参量均衡");
    default:
        break;
    }
    if (const std::optional<TextPair> q = Qualifier(p))
        return Joined(*q, p.label);
    return Pair(p.label.en, p.label.zh);
}

bool Eat(std::string_view& text, std::string_view head) {
    if (!text.starts_with(head))
        return false;
    text.remove_prefix(head.size());
    return true;
}

// The number at the front of the text ("7" of "7.in3"); the text after it stays.
std::string Number(std::string_view& text) {
    std::size_t n = 0;
    while (n < text.size() && text[n] >= '0' && text[n] <= '9')
        ++n;
    std::string digits(text.substr(0, n));
    text.remove_prefix(n);
    return digits;
}

// A group member word as the list shows it: "in7" CH7, "out2" OUT2, "word21" word 21.
Message MemberWords(std::string_view word) {
    if (Eat(word, "in"))
        return Pair("CH" + std::string(word), "通道" + std::string(word));
    if (Eat(word, "out"))
        return Pair("OUT" + std::string(word), "输出" + std::string(word));
    if (Eat(word, "word"))
        return Pair("word " + std::string(word), "字 " + std::string(word));
    return Pair(std::string(word), std::string(word));
}

// Labels of the fields a setting keeps outside the parameter table, from their dotted
// names (the names ListSettingFields gives them).
Message RecordLabel(std::string_view path) {
    const std::string_view full = path;
    const bool mute = Eat(path, "muteGroup");
    if (mute || Eat(path, "controlGroup")) {
        const std::string g = Number(path);
        Eat(path, ".");
        const Message group = mute ? Pair("Mute group " + g, "静音分组" + g)
                                   : Pair("Control group " + g, "控制分组" + g);
        Message what;
        if (path == "members")
            what = Pair("members", "成员数");
        else if (path == "name")
            what = Pair("name", "名称");
        else if (Eat(path, "link."))
            what = Pair("link " + std::string(path), "联动 " + std::string(path));
        else
            what = MemberWords(path);
        return Pair(group.en + " " + what.en, group.zh + " " + what.zh);
    }
    if (Eat(path, "unit")) {
        if (path == "s.count")
            return Pair("Unit count", "单元数");
        const std::string u = Number(path);
        Eat(path, ".slot");
        const std::string s(path);
        return Pair("Unit " + u + " slot " + s, "单元" + u + " 位置" + s);
    }
    if (path == "device.text")
        return Pair("Device text", "设备文字");
    if (path.ends_with(".name"))
        return Pair("NAME", "名称");
    if (path.ends_with(".label"))
        return Pair("LABEL", "标签");
    return Pair(std::string(full), std::string(full));
}

// An empty name reads as a dash, not as nothing between the separators.
std::string Shown(const std::string& value) {
    return value.empty() ? std::string("—") : value;
}

} // namespace

Message ChannelWords(const DeviceImage& image, Channel channel) {
    if (!channel.valid() || channel.side == Side::Device)
        return {};
    const std::string n = std::to_string(channel.index + 1);
    Message words = channel.isInput() ? Pair("CH" + n, "通道" + n) : Pair("OUT" + n, "输出" + n);
    const Name16& name = channel.isInput()
                             ? image.inputs[static_cast<std::size_t>(channel.index)].name
                             : image.outputs[static_cast<std::size_t>(channel.index)].name;
    // A factory name ("CH 3", "M 2") says no more than the number before it.
    const Name16 factory =
        channel.isInput() ? DefaultInputName(channel.index) : DefaultOutputName(channel.index);
    if (!name.empty() && name.toUtf8() != factory.toUtf8()) {
        const std::string text = name.toUtf8();
        words.en += " " + text;
        words.zh += " " + text;
    }
    return words;
}

Message FieldLabel(const SettingDifference& difference) {
    if (difference.parameter)
        return TableLabel(*difference.parameter);
    return RecordLabel(difference.path);
}

Message DifferenceText(const SettingDifference& difference, const DeviceImage& image) {
    const Message where = ChannelWords(image, difference.channel);
    const Message what = FieldLabel(difference);
    const std::string values = Shown(difference.a) + " → " + Shown(difference.b);
    const std::string valuesZh =
        Shown(ValueWordsZh(difference.a)) + " → " + Shown(ValueWordsZh(difference.b));
    const auto line = [&](const std::string& channel, const std::string& label,
                          const std::string& shown) {
        return (channel.empty() ? std::string() : channel + " · ") + label + " · " + shown;
    };
    return {line(where.en, what.en, values), line(where.zh, what.zh, valuesZh)};
}

} // namespace krm
