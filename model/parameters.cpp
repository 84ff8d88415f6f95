#include "model/parameters.h"

#include "dsp/scales.h"

#include <array>
#include <memory>
#include <vector>

namespace krm {

namespace {

using Field = std::int32_t& (*)(DeviceImage&, int, int);

#define IN(path)                                                                                   \
    [](DeviceImage& im, int i, [[maybe_unused]] int s) -> std::int32_t& {                          \
        return im.inputs[static_cast<std::size_t>(i)].path;                                        \
    }
#define OUT(path)                                                                                  \
    [](DeviceImage& im, int i, [[maybe_unused]] int s) -> std::int32_t& {                          \
        return im.outputs[static_cast<std::size_t>(i)].path;                                       \
    }
#define DEV(path) [](DeviceImage& im, int, int) -> std::int32_t& { return im.path; }
// The delay effect keeps its settings in the record of CH17, the reverb in CH18's.
#define DELAY_FX(path)                                                                             \
    [](DeviceImage& im, int, int) -> std::int32_t& { return im.inputs[kDelayReturn].path; }
#define REVERB_FX(path)                                                                            \
    [](DeviceImage& im, int, [[maybe_unused]] int s) -> std::int32_t& {                            \
        return im.inputs[kReverbReturn].path;                                                      \
    }
#define SUB static_cast<std::size_t>(s)

constexpr CodeRange kPanCodes{0, 200};
constexpr CodeRange kShelfCodes{0, 2};
constexpr CodeRange kMatrixCodes{0, 15};
constexpr CodeRange kFxTimes{10, 1000};
constexpr CodeRange kTapTimes{30, 100};
constexpr CodeRange kRevTimes{1, 100};
constexpr CodeRange kPercent{0, 100};
constexpr CodeRange kPolarity{0, 1};

// The PEQ, filters and compressor of the line inputs have no frame of their own beyond
// these: the filters ("%E," "%F,") go out for CH1..CH16 only, the aux sends ("%I,") for
// CH1..CH18 and the effect sends ("%J,") for CH1..CH16.
constexpr int kFilterFramedInputs = kMicInputCount;
constexpr int kAuxFramedInputs = 18;
constexpr int kEffectFramedInputs = kMicInputCount;

struct Builder {
    std::vector<Parameter> table;
    // Where each instance of a kind sits in the table (instances of different kinds
    // interleave: a PEQ band's gain, frequency and Q are listed together).
    std::array<std::vector<std::size_t>, static_cast<std::size_t>(ParamKind::Count_)> at{};

    Parameter& add(ParamKind kind, std::string key, Side side, CodeRange range, Rule rule,
                   TextPair label, Field field, int sub = 0) {
        at[static_cast<std::size_t>(kind)].push_back(table.size());
        Parameter p;
        p.kind = kind;
        p.sub = sub;
        p.key = std::move(key);
        p.side = side;
        p.range = range;
        p.rule = rule;
        p.label = label;
        p.field = field;
        p.typedMin = range.min;
        p.typedMax = range.max;
        table.push_back(std::move(p));
        return table.back();
    }
};

std::string numbered(const char* pattern, int n) {
    std::string s = pattern;
    const auto at = s.find("%d");
    if (at != std::string::npos)
        s.replace(at, 2, std::to_string(n));
    return s;
}

// Labels with a number in them live as long as the table: keep their texts here.
const char* keep(std::string text) {
    static std::vector<std::unique_ptr<std::string>> texts;
    texts.push_back(std::make_unique<std::string>(std::move(text)));
    return texts.back()->c_str();
}

TextPair numberedLabel(const char* en, const char* zh, int n) {
    return {keep(numbered(en, n)), keep(numbered(zh, n))};
}

void typed(Parameter& p, double lo, double hi) {
    p.typedMin = lo;
    p.typedMax = hi;
}

// One row of a block of parameters that share their side, frame and link.
struct Row {
    ParamKind kind;
    const char* key;
    CodeRange range;
    Rule rule;
    TextPair label;
    Field field;
    int readoutKind = 0;
    double typedMin = 0;
    double typedMax = 0;
};

struct Block {
    Side side;
    char frame;
    std::optional<ControlLink> link;
    SendOn sendOn = SendOn::Release;
    bool micOnly = false;
};

void addRows(Builder& b, const Block& block, std::initializer_list<Row> rows) {
    for (const Row& r : rows) {
        Parameter& p = b.add(r.kind, r.key, block.side, r.range, r.rule, r.label, r.field);
        if (r.typedMin != r.typedMax)
            typed(p, r.typedMin, r.typedMax);
        p.frame = block.frame;
        p.link = block.link;
        p.readoutKind = r.readoutKind;
        p.sendOn = block.sendOn;
        p.micOnly = block.micOnly;
    }
}

// The effects page's level and mute controls send "%A," for wire numbers that are not the
// return channels' own: the delay's (CH17) first pair 27 and second pair 28, the reverb's
// (CH18) 29 and 30.
constexpr int kDelayOutputWire = 27;
constexpr int kDelayInputWire = 28;
constexpr int kReturnWireStep = 2; // the reverb's numbers follow the delay's

void effectLevel(Parameter& p, int delayWire) {
    p.effectFrame = 'A';
    p.effectWires = {delayWire, delayWire + kReturnWireStep};
}

void inputs(Builder& b) {
    Parameter* p = nullptr;
    p = &b.add(ParamKind::InMute, "mute", Side::Input, kSwitchCodes, Rule::OnOff, {"MUTE", "静音"},
               IN(mute));
    p->frame = 'A';
    p->readoutKind = 1;
    effectLevel(*p, kDelayOutputWire);
    p = &b.add(ParamKind::InSolo, "solo", Side::Input, kSwitchCodes, Rule::OnOff, {"SOLO", "监听"},
               IN(solo));
    p->readoutKind = 2; // no frame carries an input's solo
    p = &b.add(ParamKind::InGain, "gain", Side::Input, kFaderCodes, Rule::Level, {"VOL", "音量"},
               IN(gain));
    typed(*p, -60, 10);
    p->frame = 'A';
    p->link = LinkVol;
    p->readoutKind = 3;
    p->sendOn = SendOn::Change;
    effectLevel(*p, kDelayOutputWire);
    p = &b.add(ParamKind::InPan, "pan", Side::Input, kPanCodes, Rule::Pan, {"PHASE", "声像"},
               IN(pan));
    typed(*p, -1, 1);
    p->readoutKind = 4;
    p = &b.add(ParamKind::InGain2, "gain2", Side::Input, kFaderCodes, Rule::Level, {"VOL", "音量"},
               IN(gain2));
    typed(*p, -60, 10);
    // No frame of the channel carries the second level: the effects page's wire number
    // does, so an undo sends that one too.
    p->readoutKind = 61;
    p->sendOn = SendOn::Change;
    effectLevel(*p, kDelayInputWire);
    // The effects page's second mute of an effect return; no frame of the channel carries
    // it (the page sends the level frame of the effect's wire number after a click).
    p = &b.add(ParamKind::InMute2, "mute2", Side::Input, kSwitchCodes, Rule::OnOff,
               {"MUTE", "静音"}, IN(mute2));
    effectLevel(*p, kDelayInputWire);

    // Every field of a band travels in that band's "%G," and is shared under "EQ".
    auto peqField = [](Parameter& field, int band, int readoutKind) {
        field.frame = 'G';
        field.band = band + 1;
        field.link = LinkEq;
        field.linksWholeFrame = true;
        field.readoutKind = readoutKind;
    };
    for (int band = 0; band < kPeqBands; ++band) {
        const int kindBase = 5 + 3 * band;
        p = &b.add(ParamKind::PeqGain, numbered("peq%d.gain", band + 1), Side::Input, kEqGainCodes,
                   Rule::EqGain, numberedLabel("BAND%d GAIN", "频段%d增益", band + 1),
                   IN(peq[SUB].gain), band);
        typed(*p, -15, 15);
        peqField(*p, band, kindBase);
        p = &b.add(ParamKind::PeqFreq, numbered("peq%d.freq", band + 1), Side::Input, kFrequencies,
                   Rule::Frequency, numberedLabel("BAND%d FRE", "频段%d频率", band + 1),
                   IN(peq[SUB].freq), band);
        peqField(*p, band, kindBase + 1);
        p = &b.add(ParamKind::PeqQ, numbered("peq%d.q", band + 1), Side::Input, kQCodes, Rule::Q,
                   numberedLabel("BAND%d Q", "频段%dQ值", band + 1), IN(peq[SUB].q), band);
        typed(*p, 0.1, 20);
        peqField(*p, band, kindBase + 2);
        p = &b.add(ParamKind::PeqType, numbered("peq%d.type", band + 1), Side::Input, kShelfCodes,
                   Rule::Plain, numberedLabel("BAND%d TYPE", "频段%d类型", band + 1),
                   IN(peq[SUB].type), band);
        peqField(*p, band, 0);
    }
    p = &b.add(ParamKind::PeqEnable, "peq.enable", Side::Input, kSwitchCodes, Rule::OnOff,
               {"EQ", "均衡"}, IN(peqEnable));
    p->frame = 'G'; // every band frame carries the switch; band 1 goes out for it
    p->band = 1;
    p->link = LinkEq;

    struct FilterFields {
        ParamKind enable, freq, slope;
        const char* name;
        TextPair label;
        char frame;
        Field enableField, freqField, slopeField;
        int readoutKind;
    };
    const FilterFields filters[] = {
        {ParamKind::HpfEnable,
         ParamKind::HpfFreq,
         ParamKind::HpfSlope,
         "hpf",
         {"HPF", "高通"},
         'F',
         IN(hpf.enable),
         IN(hpf.freq),
         IN(hpf.slope),
         20},
        {ParamKind::LpfEnable,
         ParamKind::LpfFreq,
         ParamKind::LpfSlope,
         "lpf",
         {"LPF", "低通"},
         'E',
         IN(lpf.enable),
         IN(lpf.freq),
         IN(lpf.slope),
         21},
    };
    for (const FilterFields& f : filters) {
        p = &b.add(f.enable, std::string(f.name) + ".enable", Side::Input, kSwitchCodes,
                   Rule::OnOff, f.label, f.enableField);
        p->frame = f.frame;
        p->framedInputs = kFilterFramedInputs;
        p->link = LinkEq;
        p->linksWholeFrame = true;
        p = &b.add(f.freq, std::string(f.name) + ".freq", Side::Input, kFrequencies,
                   Rule::Frequency, f.label, f.freqField);
        p->frame = f.frame;
        p->framedInputs = kFilterFramedInputs;
        p->link = LinkEq;
        p->linksWholeFrame = true;
        p->readoutKind = f.readoutKind;
        p = &b.add(f.slope, std::string(f.name) + ".slope", Side::Input, kSlopeCodes, Rule::Slope,
                   f.label, f.slopeField);
        p->frame = f.frame;
        p->framedInputs = kFilterFramedInputs;
        p->link = LinkEq;
        p->linksWholeFrame = true;
    }

    p = &b.add(ParamKind::Phantom, "phantom", Side::Input, kSwitchCodes, Rule::OnOff,
               {"48V", "48V"}, IN(phantom));
    p->frame = 'O';
    p->link = LinkPhantom;
    p->micOnly = true;
    p = &b.add(ParamKind::Priority, "priority", Side::Input, kSwitchCodes, Rule::OnOff,
               {"PRIORITY", "优先"}, IN(autoMixPriority));
    p->frame = 'L';
    p->link = LinkPriority;
    p = &b.add(ParamKind::Polarity, "polarity", Side::Input, kPolarity, Rule::OnOff,
               {"POLAR", "反相"}, IN(polarity));
    p->frame = 'O'; // the POLAR button's frame, though "%O," has no polarity field
    // The source is never spread over a control group: two inputs may not share a Dante
    // stream, and the group page offers no SOURCE link.
    p = &b.add(ParamKind::Source, "source", Side::Input, kSourceCodes, Rule::Source,
               {"SIGNAL", "信号源"}, IN(source));
    p->frame = 'O';
    p = &b.add(ParamKind::InputGain, "inputGain", Side::Input, {0, 3}, Rule::InputGain,
               {"GAIN", "增益"}, IN(inputGain));
    p->frame = 'O';
    p->link = LinkGain;
    p = &b.add(ParamKind::AutoMixLevel, "automix.level", Side::Input, kAutoMixLevelCodes,
               Rule::Plain, {"LEVEL", "电平"}, IN(autoMixLevel));
    p->frame = 'L';

    using K = ParamKind;
    // clang-format off
    addRows(b, {Side::Input, 'C', LinkComp, SendOn::Release, true}, {
        {K::CompEnable,    "comp.enable",    kSwitchCodes,      Rule::OnOff,  {"COMP", "压缩器"},      IN(comp.enable)},
        {K::CompThreshold, "comp.threshold", kThresholdCodes,   Rule::Level,  {"Threshold", "阀值"},   IN(comp.threshold), 54, -60, 0},
        {K::CompRatio,     "comp.ratio",     kRatioCodes,       Rule::Ratio,  {"Ratio", "斜率"},       IN(comp.ratio),     55, 1, 10},
        {K::CompAttack,    "comp.attack",    kCompAttackTimes,  Rule::Time,   {"Attack", "启动时间"},  IN(comp.attack),    56, 1, 250},
        {K::CompRelease,   "comp.release",   kCompReleaseTimes, Rule::Time,   {"Release", "释放时间"}, IN(comp.release),   57, 20, 250},
        {K::CompGain,      "comp.gain",      kMakeupGainCodes,  Rule::MakeUp, {"Gain", "增益"},        IN(comp.gain),      58, 0, 20},
    });
    // clang-format on
    // The noise gate has no frame of its own: its changes go out with the matrix row.
    // clang-format off
    addRows(b, {Side::Input, 'B', std::nullopt, SendOn::Release, true}, {
        {K::GateEnable,    "gate.enable",    kSwitchCodes,      Rule::OnOff, {"GATE", "噪声门"},      IN(gate.enable)},
        {K::GateThreshold, "gate.threshold", kThresholdCodes,   Rule::Level, {"Threshold", "阀值"},   IN(gate.threshold), 51, -60, 0},
        {K::GateRange,     "gate.range",     kThresholdCodes,   Rule::Plain, {"Range", "范围"},       IN(gate.range)},
        {K::GateAttack,    "gate.attack",    kGateAttackTimes,  Rule::Time,  {"Attack", "启动时间"},  IN(gate.attack),    52, 1, 250},
        {K::GateRelease,   "gate.release",   kGateReleaseTimes, Rule::Time,  {"Release", "释放时间"}, IN(gate.release),   53, 20, 250},
    });
    // clang-format on

    for (int bus = 0; bus < kOutputCount; ++bus) {
        p = &b.add(ParamKind::Matrix, numbered("matrix%d", bus + 1), Side::Input, kMatrixCodes,
                   Rule::Plain, numberedLabel("OUT%d", "输出%d", bus + 1), IN(matrix[SUB]), bus);
        p->frame = 'B';
    }
    p = &b.add(ParamKind::MainSend, "send.main", Side::Input, kFaderCodes, Rule::Level,
               {"MAIN VOL", "主音量"}, IN(mainSend));
    typed(*p, -60, 10);
    p->readoutKind = 41; // no frame carries the main send
    for (int aux = 0; aux < 6; ++aux) {
        p = &b.add(ParamKind::AuxSend, numbered("send.aux%d", aux + 1), Side::Input, kFaderCodes,
                   Rule::Level, numberedLabel("AUX%d", "辅助%d", aux + 1), IN(auxSend[SUB]), aux);
        typed(*p, -60, 10);
        p->frame = 'I';
        p->framedInputs = kAuxFramedInputs;
        p->readoutKind = 42 + aux;
    }
    p = &b.add(ParamKind::DelaySend, "send.delay", Side::Input, kFaderCodes, Rule::Level,
               {"Delay", "延时"}, IN(delaySend));
    typed(*p, -60, 10);
    p->frame = 'J';
    p->framedInputs = kEffectFramedInputs;
    p->readoutKind = 48;
    p = &b.add(ParamKind::RevSend, "send.reverb", Side::Input, kFaderCodes, Rule::Level,
               {"Reverberation", "混响"}, IN(revSend));
    typed(*p, -60, 10);
    p->frame = 'J';
    p->framedInputs = kEffectFramedInputs;
    p->readoutKind = 49;
}

void outputs(Builder& b) {
    Parameter* p = nullptr;
    p = &b.add(ParamKind::OutMute, "mute", Side::Output, kSwitchCodes, Rule::OnOff,
               {"MUTE", "静音"}, OUT(mute));
    p->frame = 'A';
    p->readoutKind = 1;
    p = &b.add(ParamKind::OutGain, "gain", Side::Output, kFaderCodes, Rule::Level, {"VOL", "音量"},
               OUT(gain));
    typed(*p, -60, 10);
    p->frame = 'A';
    p->link = LinkVol;
    p->readoutKind = 3;
    p->sendOn = SendOn::Change;
    for (int band = 0; band < kGeqBands; ++band) {
        p = &b.add(ParamKind::GeqGain, numbered("geq%d", band + 1), Side::Output, kEqGainCodes,
                   Rule::EqGain, numberedLabel("BAND%d", "频段%d", band + 1), OUT(geq[SUB].gain),
                   band);
        typed(*p, -15, 15);
        p->frame = 'H';
        p->link = LinkEq;
        p->readoutKind = 5 + band;
    }
    p = &b.add(ParamKind::GeqEnable, "geq.enable", Side::Output, kSwitchCodes, Rule::OnOff,
               {"GEQ", "图示均衡"}, OUT(geqEnable));
    p->frame = 'H';
    p->link = LinkEq;
    p = &b.add(ParamKind::Delay, "delay", Side::Output, kDelayCodes, Rule::Delay, {"Delay", "延时"},
               OUT(delay));
    p->frame = 'J';
    p->link = LinkDelay;
    p = &b.add(ParamKind::LineLevel, "lineLevel", Side::Output, kSwitchCodes, Rule::LineLevel,
               {"LINE", "LINE"}, OUT(lineLevel));
    p->frame = 'I';
    p->link = LinkLine;
    p = &b.add(ParamKind::Feedback, "fbk", Side::Output, kSwitchCodes, Rule::OnOff, {"FBK", "FBK"},
               OUT(outK));
    p->frame = 'K';
    p->link = LinkFbk;

    using K = ParamKind;
    // The limiter sends on every knob step.
    // clang-format off
    addRows(b, {Side::Output, 'D', LinkLimit, SendOn::Change}, {
        {K::LimEnable,    "limiter.enable",    kSwitchCodes,         Rule::OnOff,  {"LIMIT", "限幅器"},     OUT(limiter.enable)},
        {K::LimThreshold, "limiter.threshold", kThresholdCodes,      Rule::Level,  {"Threshold", "阀值"},   OUT(limiter.threshold), 41, -60, 0},
        {K::LimRatio,     "limiter.ratio",     kRatioCodes,          Rule::Ratio,  {"Ratio", "比例"},       OUT(limiter.ratio),     42, 1, 10},
        {K::LimAttack,    "limiter.attack",    kLimiterAttackTimes,  Rule::Time,   {"Attack", "启动时间"},  OUT(limiter.attack),    43, 1, 250},
        {K::LimRelease,   "limiter.release",   kLimiterReleaseTimes, Rule::Time,   {"Release", "释放时间"}, OUT(limiter.release),   44, 1, 250},
        {K::LimGain,      "limiter.gain",      kMakeupGainCodes,     Rule::MakeUp, {"Gain", "增益"},        OUT(limiter.gain),      45, 0, 20},
    });
    // clang-format on
}

void device(Builder& b) {
    Parameter* p = nullptr;
    using K = ParamKind;
    // clang-format off
    addRows(b, {Side::Device, 'M', std::nullopt}, {
        {K::AutoMixMode, "automix.mode",       kAutoMixModeCodes, Rule::Plain, {"MODE", "模式"},          DEV(autoMixMode)},
        {K::MaxOpenCh,   "automix.maxOpenCh",  kMaxOpenCodes,     Rule::Plain, {"NOM", "最大打开数"},     DEV(maxOpenCh)},
        {K::LastHold,    "automix.lastHold",   kSwitchCodes,      Rule::Plain, {"LAST HOLD", "最后保持"}, DEV(lastHold)},
        {K::HoldTime,    "automix.holdTime",   kHoldTimeCodes,    Rule::Plain, {"HOLD TIME", "保持时间"}, DEV(holdTime)},
        {K::ClosedAttn,  "automix.closedAttn", kClosedAttnCodes,  Rule::Plain, {"OFF ATTEN", "关闭衰减"}, DEV(closedAttn)},
        {K::NomAttn,     "automix.nomAttn",    kNomAttnCodes,     Rule::Plain, {"NOM ATTEN", "打开衰减"}, DEV(nomAttn)},
    });
    addRows(b, {Side::Device, 'N', std::nullopt}, {
        {K::ZeroCrossRate, "automix.zeroCrossRate", kZeroCrossRateCodes, Rule::Plain, {"ZERO CROSS", "过零率"}, DEV(zeroCrossRate)},
        {K::Energy,        "automix.energy",        kEnergyCodes,        Rule::Plain, {"ENERGY", "能量"},       DEV(energy)},
        {K::CompareCount,  "automix.compareCount",  kCompareCountCodes,  Rule::Plain, {"COMPARE", "比较次数"},  DEV(compareCount)},
        {K::ThresholdComp, "automix.thresholdComp", kThresholdCompCodes, Rule::Plain, {"THRESHOLD", "门限"},    DEV(thresholdComp)},
    });
    // clang-format on
    // The effects: the readout shows them as kinds of any input, and a typed value goes out
    // as the readout sends it (the two filter frequencies with "%M," and "%N,", the others
    // not at all); the effects page sends "%M," or "%N," after a change of any of them.
    p = &b.add(ParamKind::FxPreDelay1, "fx.delay.preDelay1", Side::Device, kFxTimes, Rule::Time,
               {"Pre delay1", "预延时1"}, DELAY_FX(fxPreDelay1));
    p->effectFrame = 'N';
    p->readoutKind = 68;
    p = &b.add(ParamKind::FxPreDelay2, "fx.delay.preDelay2", Side::Device, kFxTimes, Rule::Time,
               {"Pre delay2", "预延时2"}, DELAY_FX(fxPreDelay2));
    p->effectFrame = 'N';
    p->readoutKind = 69;
    p = &b.add(ParamKind::FxFeedback, "fx.delay.feedback", Side::Device, kPercent, Rule::Feedback,
               {"Feedback", "反馈"}, DELAY_FX(fxFeedback));
    p->effectFrame = 'N';
    p->readoutKind = 70;
    p = &b.add(ParamKind::FxDelayLpf, "fx.delay.lpf", Side::Device, kFrequencies, Rule::Frequency,
               {"LPF", "低通"}, DELAY_FX(fxDelayLpf));
    p->effectFrame = 'N';
    p->frame = 'N';
    p->readoutKind = 71;
    for (int tap = 0; tap < 4; ++tap) {
        p = &b.add(ParamKind::FxTap, numbered("fx.reverb.tap%d", tap + 1), Side::Device, kTapTimes,
                   Rule::Time, numberedLabel("Delay%d", "延时%d", tap + 1), REVERB_FX(fxTap[SUB]),
                   tap);
        p->effectFrame = 'M';
        p->readoutKind = 62 + tap;
    }
    p = &b.add(ParamKind::FxRevTime, "fx.reverb.time", Side::Device, kRevTimes, Rule::RevTime,
               {"Rev time", "混响时间"}, REVERB_FX(fxRevTime));
    p->effectFrame = 'M';
    typed(*p, 1, 10);
    p->readoutKind = 66;
    p = &b.add(ParamKind::FxRevLpf, "fx.reverb.lpf", Side::Device, kFrequencies, Rule::Frequency,
               {"LPF", "低通"}, REVERB_FX(fxRevLpf));
    p->effectFrame = 'M';
    p->frame = 'M';
    p->readoutKind = 67;
    // The auto-mixer page's SYNC switch: it lives in the image and in setting files but
    // the device never hears of it, so it carries no frame.
    b.add(ParamKind::AutoMixSync, "automix.sync", Side::Device, kSwitchCodes, Rule::Plain,
          {"SYNC", "同步"}, DEV(autoMixSync));
}

#undef IN
#undef OUT
#undef DEV
#undef DELAY_FX
#undef REVERB_FX
#undef SUB

const Builder& table() {
    static const Builder built = [] {
        Builder b;
        inputs(b);
        outputs(b);
        device(b);
        return b;
    }();
    return built;
}

} // namespace

std::span<const Parameter> Parameters() {
    return table().table;
}

const Parameter& Param(ParamKind kind, int sub) {
    const Builder& b = table();
    const std::vector<std::size_t>& at = b.at[static_cast<std::size_t>(kind)];
    const auto n = static_cast<int>(at.size());
    const int s = sub < 0 ? 0 : (sub >= n ? n - 1 : sub);
    return b.table[at[static_cast<std::size_t>(s)]];
}

std::vector<Channel> ChannelsOf(Side side) {
    std::vector<Channel> out;
    switch (side) {
    case Side::Input:
        for (int i = 0; i < kInputCount; ++i)
            out.push_back(Channel::input(i));
        break;
    case Side::Output:
        for (int o = 0; o < kOutputCount; ++o)
            out.push_back(Channel::output(o));
        break;
    case Side::Device:
        out.push_back(Channel::device());
        break;
    }
    return out;
}

int InstanceCount(ParamKind kind) {
    return static_cast<int>(table().at[static_cast<std::size_t>(kind)].size());
}

CodeRange Parameter::rangeFor(Channel channel) const {
    if (kind == ParamKind::InputGain && channel.isInput())
        return inputGainCodes(channel.index);
    return range;
}

bool Parameter::existsOn(Channel channel) const {
    if (channel.side != side || !channel.valid())
        return false;
    return !micOnly || channel.isMic();
}

bool Parameter::effectFramedOn(Channel channel) const {
    if (effectFrame == 0 || !existsOn(channel))
        return false;
    if (effectFrame != 'A')
        return true;
    return channel.isInput() && (channel.index == kDelayReturn || channel.index == kReverbReturn);
}

std::vector<const Parameter*> FrameGroup(const Parameter& p) {
    std::vector<const Parameter*> group;
    if (!p.linksWholeFrame) {
        group.push_back(&p);
        return group;
    }
    for (const Parameter& q : Parameters())
        if (q.linksWholeFrame && q.side == p.side && q.frame == p.frame && q.band == p.band)
            group.push_back(&q);
    return group;
}

bool Parameter::framedOn(Channel channel) const {
    if (frame == 0 || !existsOn(channel))
        return false;
    return !channel.isInput() || channel.index < framedInputs;
}

std::int32_t Parameter::get(const DeviceImage& image, Channel channel) const {
    // The accessor only hands out a reference; reading through it changes nothing.
    return field(const_cast<DeviceImage&>(image), channel.index, sub);
}

bool Parameter::set(DeviceImage& image, Channel channel, std::int32_t code) const {
    std::int32_t& f = field(image, channel.index, sub);
    const std::int32_t held = rangeFor(channel).clamp(code);
    if (f == held)
        return false;
    f = held;
    return true;
}

std::string Parameter::path(Channel channel) const {
    const std::string prefix = PathPrefix(channel);
    return prefix.empty() ? key : prefix + "." + key;
}

} // namespace krm
