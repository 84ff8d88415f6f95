// Differences between two settings in the operator's words, in both languages: the channel
// with its name, the field's label and both values as the readout shows them.

#include "model/difference_text.h"

#include "model/parameters.h"

#include <gtest/gtest.h>

#include <map>

namespace krm {
namespace {

TEST(DifferenceText, NamesChannelFieldAndValuesInBothLanguages) {
    DeviceImage before;
    ResetToStartupValues(before);
    before.inputs[2].name = Name16::fromUtf8("Podium");
    before.outputs[4].name = Name16::fromUtf8("大厅");
    DeviceImage after = before;
    Param(ParamKind::PeqGain, 1).set(before, Channel::input(2), 120); // -3.0 dB
    Param(ParamKind::PeqGain, 1).set(after, Channel::input(2), 140);  // -1.0 dB
    Param(ParamKind::HpfFreq).set(before, Channel::input(0), 20);
    Param(ParamKind::HpfFreq).set(after, Channel::input(0), 40);
    Param(ParamKind::LimThreshold).set(before, Channel::output(4), 60); // 0 dB
    Param(ParamKind::LimThreshold).set(after, Channel::output(4), 50);  // -10 dB
    Param(ParamKind::OutMute).set(before, Channel::output(1), 0);
    Param(ParamKind::OutMute).set(after, Channel::output(1), 1);
    Param(ParamKind::MaxOpenCh).set(before, Channel::device(), 3);
    Param(ParamKind::MaxOpenCh).set(after, Channel::device(), 5);
    after.muteGroups[1].v[6] = before.muteGroups[1].v[6] == 0 ? 1 : 0;
    after.inputs[2].name = Name16::fromUtf8("Lectern");

    std::map<std::string, Message> lines;
    for (const SettingDifference& d : DiffImages(before, after))
        lines[d.path] = DifferenceText(d, before);

    const std::string frequencyBefore = ValueText(Param(ParamKind::HpfFreq), Channel::input(0), 20);
    const std::string frequencyAfter = ValueText(Param(ParamKind::HpfFreq), Channel::input(0), 40);
    const std::string muteWas = std::to_string(before.muteGroups[1].v[6]);
    const std::string muteIs = std::to_string(after.muteGroups[1].v[6]);
    const std::map<std::string, Message> expected = {
        {"in3.peq2.gain",
         {"CH3 Podium · PEQ BAND2 GAIN · -3.0dB → -1.0dB",
          "通道3 Podium · 参量均衡 频段2增益 · -3.0dB → -1.0dB"}},
        // The filter's three fields share one table label: the line tells which it is.
        {"in1.hpf.freq",
         {"CH1 · HPF frequency · " + frequencyBefore + " → " + frequencyAfter,
          "通道1 · 高通 频率 · " + frequencyBefore + " → " + frequencyAfter}},
        {"out5.limiter.threshold",
         {"OUT5 大厅 · LIMIT Threshold · 0dB → -10dB", "输出5 大厅 · 限幅器 阀值 · 0dB → -10dB"}},
        {"out2.mute", {"OUT2 · MUTE · CLOSE → OPEN", "输出2 · 静音 · 关闭 → 开启"}},
        {"automix.maxOpenCh", {"Auto-mixer NOM · 3 → 5", "自动混音 最大打开数 · 3 → 5"}},
        {"muteGroup2.in7",
         {"Mute group 2 CH7 · " + muteWas + " → " + muteIs,
          "静音分组2 通道7 · " + muteWas + " → " + muteIs}},
        {"in3.name",
         {"CH3 Podium · NAME · Podium → Lectern", "通道3 Podium · 名称 · Podium → Lectern"}},
    };
    ASSERT_EQ(lines.size(), expected.size());
    for (const auto& [path, want] : expected) {
        SCOPED_TRACE(path);
        ASSERT_TRUE(lines.count(path));
        EXPECT_EQ(lines[path].en, want.en);
        EXPECT_EQ(lines[path].zh, want.zh);
    }
}

TEST(DifferenceText, EveryFieldOfASettingHasALabelOfItsOwnOnItsChannel) {
    // Two fields on one channel never read the same, or a list of differences could show
    // two rows nobody can tell apart.
    DeviceImage image;
    ResetToStartupValues(image);
    std::map<std::string, std::string> seen;
    for (const SettingField& f : ListSettingFields(image)) {
        const SettingDifference d{f.path, f.module, f.channel, f.text, f.text, f.parameter};
        const Message where = ChannelWords(image, f.channel);
        const Message what = FieldLabel(d);
        for (const std::string& key : {where.en + "|" + what.en, where.zh + "|" + what.zh}) {
            const auto [it, fresh] = seen.emplace(key, f.path);
            EXPECT_TRUE(fresh) << f.path << " reads as " << it->second << ": " << key;
        }
    }
}

} // namespace
} // namespace krm
