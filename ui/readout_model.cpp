#include "ui/readout_model.h"

#include "dsp/scales.h"
#include "dsp/text_format.h"
#include "kit/texts.h"

#include <QRegularExpression>

#include <cmath>
#include <optional>
#include <type_traits>

namespace krm::ui {

namespace {

// How a code is shown and how typed text becomes a code.
enum class Rule {
    None,
    OnOff,
    Level,
    EqGain,
    Frequency,
    Q,
    Pan,
    Time,
    Ratio,
    MakeUp,
    RevTime,
    Feedback
};

template <class Int> struct Param {
    Int* field = nullptr;
    Rule rule = Rule::None;
    QString label;
    double lo = 0; // typed range, in the unit the operator reads
    double hi = 0;
    TypedSend send = TypedSend::None;
    int selector = 0;
    int band = 0;
    int comboBand = -1;   // kinds 22..26: the PEQ band whose frequency box 2 shows
    bool upperHz = false; // bands 2 and 3 of the combined kinds read "HZ"
};

QString numbered(const char* en, const char* zh, int n) {
    return text(en, zh).arg(n);
}

template <class Image,
          class Int = std::conditional_t<std::is_const_v<Image>, const std::int32_t, std::int32_t>>
Param<Int> describeInput(Image& image, int ch, int kind) {
    Param<Int> p;
    auto& in = image.inputs[static_cast<std::size_t>(ch)];
    const int wire = ch + 1;
    auto set = [&](Int* field, Rule rule, QString label, double lo, double hi,
                   TypedSend send = TypedSend::None, int selector = 0, int band = 0) {
        p.field = field;
        p.rule = rule;
        p.label = std::move(label);
        p.lo = lo;
        p.hi = hi;
        p.send = send;
        p.selector = selector;
        p.band = band;
    };
    // A band's gain, frequency or Q goes out as the PEQ editor's knobs send it: "%G," for
    // every input. (A frequency typed into the second box of a combined band kind goes out
    // for CH1..CH18 only; ApplyTypedValue decides that.)
    const TypedSend peqSend = TypedSend::G;
    if (kind >= 5 && kind <= 19) {
        const int b = (kind - 5) / 3;
        auto& band = in.peq[static_cast<std::size_t>(b)];
        switch ((kind - 5) % 3) {
        case 0:
            set(&band.gain, Rule::EqGain, numbered("BAND%1 GAIN", "频段%1增益", b + 1), -15, 15,
                peqSend, wire, b + 1);
            break;
        case 1:
            set(&band.freq, Rule::Frequency, numbered("BAND%1 FRE", "频段%1频率", b + 1), 20, 20000,
                peqSend, wire, b + 1);
            break;
        default:
            set(&band.q, Rule::Q, numbered("BAND%1 Q", "频段%1Q值", b + 1), 0.1, 20, peqSend, wire,
                b + 1);
            break;
        }
        return p;
    }
    if (kind >= 22 && kind <= 26) {
        const int b = kind - 22;
        set(&in.peq[static_cast<std::size_t>(b)].gain, Rule::EqGain,
            numbered("BAND%1", "频段%1", b + 1), -15, 15, peqSend, wire, b + 1);
        p.comboBand = b;
        p.upperHz = (b == 1 || b == 2);
        return p;
    }
    if (kind >= 42 && kind <= 47) {
        const int k = kind - 42;
        // The send page sends aux levels with "%I," for channels up to 18.
        set(&in.auxSend[static_cast<std::size_t>(k)], Rule::Level,
            numbered("AUX%1", "辅助%1", k + 1), -60, 10,
            wire <= 18 ? TypedSend::I : TypedSend::None, wire);
        return p;
    }
    if (kind >= 62 && kind <= 65) {
        const int k = kind - 62;
        set(&image.inputs[17].fxTap[static_cast<std::size_t>(k)], Rule::Time,
            numbered("Delay%1", "延时%1", k + 1), 30, 100);
        return p;
    }
    const TypedSend effectSend = wire <= 16 ? TypedSend::J : TypedSend::None;
    switch (kind) {
    case 1:
        // Sent for every input, as the strip's MUTE button sends it: a typed mute of a line
        // input that stayed in the image alone would leave the device out of step.
        set(&in.mute, Rule::OnOff, text("MUTE", "静音"), 0, 1, TypedSend::A, wire);
        break;
    case 2:
        // No frame carries an input's solo: it stays in the image.
        set(&in.solo, Rule::OnOff, text("SOLO", "监听"), 0, 1);
        break;
    case 3:
        set(&in.gain, Rule::Level, text("VOL", "音量"), -60, 10, TypedSend::A, wire);
        break;
    case 4:
        set(&in.pan, Rule::Pan, text("PHASE", "声像"), -1, 1);
        break;
    case 20:
    case 27:
        set(&in.hpf.freq, Rule::Frequency, text("HPF", "高通"), 20, 20000,
            IsMicInput(ch) ? TypedSend::F : TypedSend::None, wire);
        break;
    case 21:
    case 28:
        set(&in.lpf.freq, Rule::Frequency, text("LPF", "低通"), 20, 20000,
            IsMicInput(ch) ? TypedSend::E : TypedSend::None, wire);
        break;
    case 41:
        set(&in.mainSend, Rule::Level, text("MAIN VOL", "主音量"), -60, 10);
        break;
    case 48:
        set(&in.delaySend, Rule::Level, text("Delay", "延时"), -60, 10, effectSend, wire);
        break;
    case 49:
        set(&in.revSend, Rule::Level, text("Reverberation", "混响"), -60, 10, effectSend, wire);
        break;
    case 51:
        set(&in.gate.threshold, Rule::Level, text("Threshold", "阀值"), -60, 0, TypedSend::B, wire);
        break;
    case 52:
        set(&in.gate.attack, Rule::Time, text("Attack", "启动时间"), 1, 250, TypedSend::B, wire);
        break;
    case 53:
        set(&in.gate.release, Rule::Time, text("Release", "释放时间"), 20, 250, TypedSend::B, wire);
        break;
    case 54:
        set(&in.comp.threshold, Rule::Level, text("Threshold", "阀值"), -60, 0, TypedSend::C, wire);
        break;
    case 55:
        set(&in.comp.ratio, Rule::Ratio, text("Ratio", "斜率"), 1, 10, TypedSend::C, wire);
        break;
    case 56:
        set(&in.comp.attack, Rule::Time, text("Attack", "启动时间"), 1, 250, TypedSend::C, wire);
        break;
    case 57:
        set(&in.comp.release, Rule::Time, text("Release", "释放时间"), 20, 250, TypedSend::C, wire);
        break;
    case 58:
        set(&in.comp.gain, Rule::MakeUp, text("Gain", "增益"), 0, 20, TypedSend::C, wire);
        break;
    case 61:
        set(&in.gain2, Rule::Level, text("VOL", "音量"), -60, 10, TypedSend::A, wire);
        break;
    case 66:
        set(&image.inputs[17].fxRevTime, Rule::RevTime, text("Rev time", "混响时间"), 1, 10);
        break;
    case 67:
        set(&image.inputs[17].fxRevLpf, Rule::Frequency, text("LPF", "低通"), 20, 20000,
            TypedSend::M);
        break;
    case 68:
    case 69:
        set(kind == 68 ? &image.inputs[16].fxPreDelay1 : &image.inputs[16].fxPreDelay2, Rule::Time,
            kind == 68 ? text("Pre delay1", "预延时1") : text("Pre delay2", "预延时2"), 10, 1000);
        break;
    case 70:
        set(&image.inputs[16].fxFeedback, Rule::Feedback, text("Feedback", "反馈"), 0, 100);
        break;
    case 71:
        set(&image.inputs[16].fxDelayLpf, Rule::Frequency, text("LPF", "低通"), 20, 20000,
            TypedSend::N);
        break;
    default:
        break;
    }
    return p;
}

template <class Image,
          class Int = std::conditional_t<std::is_const_v<Image>, const std::int32_t, std::int32_t>>
Param<Int> describeOutput(Image& image, int bus, int kind) {
    Param<Int> p;
    auto& out = image.outputs[static_cast<std::size_t>(bus)];
    auto set = [&](Int* field, Rule rule, QString label, double lo, double hi, TypedSend send,
                   int selector) {
        p.field = field;
        p.rule = rule;
        p.label = std::move(label);
        p.lo = lo;
        p.hi = hi;
        p.send = send;
        p.selector = selector;
    };
    if (kind >= 5 && kind <= 35) {
        set(&out.geq[static_cast<std::size_t>(kind - 5)].gain, Rule::EqGain,
            numbered("BAND%1", "频段%1", kind - 4), -15, 15, TypedSend::H, bus + 1);
        return p;
    }
    switch (kind) {
    case 1:
        set(&out.mute, Rule::OnOff, text("MUTE", "静音"), 0, 1, TypedSend::A, bus + 21);
        break;
    case 2:
        // Outputs keep no solo and no pan: the label shows, the boxes stay empty.
        p.label = text("SOLO", "监听");
        break;
    case 3:
        set(&out.gain, Rule::Level, text("VOL", "音量"), -60, 10, TypedSend::A, bus + 21);
        break;
    case 4:
        p.label = text("PHASE", "声像");
        break;
    case 41:
        set(&out.limiter.threshold, Rule::Level, text("Threshold", "阀值"), -60, 0, TypedSend::D,
            bus + 1);
        break;
    case 42:
        set(&out.limiter.ratio, Rule::Ratio, text("Ratio", "比例"), 1, 10, TypedSend::D, bus + 1);
        break;
    case 43:
        set(&out.limiter.attack, Rule::Time, text("Attack", "启动时间"), 1, 250, TypedSend::D,
            bus + 1);
        break;
    case 44:
        set(&out.limiter.release, Rule::Time, text("Release", "释放时间"), 1, 250, TypedSend::D,
            bus + 1);
        break;
    case 45:
        set(&out.limiter.gain, Rule::MakeUp, text("Gain", "增益"), 0, 20, TypedSend::D, bus + 1);
        break;
    default:
        break;
    }
    return p;
}

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

QString valueText(Rule rule, int c) {
    switch (rule) {
    case Rule::OnOff:
        return c != 0 ? QStringLiteral("OPEN") : QStringLiteral("CLOSE");
    case Rule::Level:
        return q(faderText(c));
    case Rule::EqGain:
        return q(eqGainText(c));
    case Rule::Frequency:
        return q(frequencyText(c));
    case Rule::Q:
        return q(qText(c));
    case Rule::Pan:
        return q(decimalText((c - 100) * 0.01, 2));
    case Rule::Time:
        return q(integerText(c)) + QStringLiteral("ms");
    case Rule::Ratio:
        return QStringLiteral("1:") + q(decimalText(c * 0.1, 1));
    case Rule::MakeUp:
        return q(decimalText(c * 0.1, 1)) + QStringLiteral("dB");
    case Rule::RevTime:
        return q(decimalText(c * 0.1, 1)) + QStringLiteral("s");
    case Rule::Feedback:
        return q(integerText(c)) + QStringLiteral("%");
    case Rule::None:
        break;
    }
    return {};
}

// The frequency of the second box is sent for CH1..CH18.
constexpr int kBoxTwoPeqChannels = 18;

bool isInput(int channel) {
    return channel >= 0 && channel < kInputCount;
}

bool isOutput(int channel) {
    return channel >= kFirstOutputReadoutChannel &&
           channel < kFirstOutputReadoutChannel + kOutputCount;
}

// A typed number: optional sign and decimals, optionally the unit the box shows ("dB",
// "Hz", "ms", "s", "%") or the "1:" of a ratio. Anything else is not a value.
std::optional<double> parseNumber(const QString& typed) {
    static const QRegularExpression pattern(
        QStringLiteral(
            R"(^\s*(?:1\s*:)?\s*([-+]?(?:\d+(?:\.\d*)?|\.\d+))\s*(?:DB|HZ|MS|S|%)?\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = pattern.match(typed);
    if (!m.hasMatch())
        return std::nullopt;
    bool ok = false;
    const double v = m.captured(1).toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

int clampInt(double v, int lo, int hi) {
    return truncToCode(v, CodeRange{lo, hi});
}

// The code for a typed value, or nothing when the text does not fit the rule.
std::optional<int> codeFor(Rule rule, double lo, double hi, const QString& typed) {
    if (rule == Rule::OnOff) {
        const QString t = typed.trimmed();
        if (t == QLatin1String("OPEN"))
            return 1;
        if (t == QLatin1String("CLOSE"))
            return 0;
        return std::nullopt;
    }
    const std::optional<double> n = parseNumber(typed);
    if (!n)
        return std::nullopt;
    const double d = *n;
    const int ilo = static_cast<int>(lo);
    const int ihi = static_cast<int>(hi);
    switch (rule) {
    case Rule::Level:
        return clampInt(d + 60, ilo + 60, ihi + 60);
    case Rule::EqGain:
        return clampInt(d * 10 + 150, 0, 300);
    case Rule::Frequency:
        return clampInt(d, 20, 20000);
    case Rule::Q:
        return clampInt(d * 10, 1, 200);
    case Rule::Pan:
        return clampInt(d * 100 + 100, 0, 200);
    case Rule::Time:
    case Rule::Feedback:
        return clampInt(d, ilo, ihi);
    case Rule::Ratio:
    case Rule::MakeUp:
        // 2.5 for a ratio stores 25; the code never leaves 10..100 (ratio) or 0..200.
        return clampInt(d * 10, ilo * 10, ihi * 10);
    case Rule::RevTime:
        // Below 1 s the reverb time becomes 0.1 s (code 1).
        return d < 1.0 ? 1 : clampInt(d * 10, 10, 100);
    case Rule::OnOff:
    case Rule::None:
        break;
    }
    return std::nullopt;
}

} // namespace

ReadoutTexts ReadoutFor(const DeviceImage& image, int channel, int kind) {
    ReadoutTexts t;
    if (isInput(channel)) {
        const auto& in = image.inputs[static_cast<std::size_t>(channel)];
        t.channel = QString::fromStdString(in.name.toUtf8());
        const auto p = describeInput(image, channel, kind);
        t.parameter = p.label;
        if (p.field)
            t.box1 = valueText(p.rule, *p.field);
        if (p.comboBand >= 0) {
            const int f = in.peq[static_cast<std::size_t>(p.comboBand)].freq;
            t.box2 = q(integerText(f)) + (p.upperHz ? QStringLiteral("HZ") : QStringLiteral("Hz"));
        }
    } else if (isOutput(channel)) {
        const int bus = channel - kFirstOutputReadoutChannel;
        t.channel =
            QString::fromStdString(image.outputs[static_cast<std::size_t>(bus)].name.toUtf8());
        const auto p = describeOutput(image, bus, kind);
        t.parameter = p.label;
        if (p.field)
            t.box1 = valueText(p.rule, *p.field);
    }
    return t;
}

TypedEntryResult ApplyTypedValue(DeviceImage& image, int channel, int kind, int box,
                                 const QString& typed) {
    TypedEntryResult r;
    Param<std::int32_t> p;
    if (isInput(channel))
        p = describeInput(image, channel, kind);
    else if (isOutput(channel))
        p = describeOutput(image, channel - kFirstOutputReadoutChannel, kind);
    if (!p.field)
        return r;

    if (box == 1) {
        // Box 2 holds the frequency of a combined band kind; elsewhere it is inert.
        if (p.comboBand < 0)
            return r;
        const std::optional<double> n = parseNumber(typed);
        if (!n)
            return r;
        image.inputs[static_cast<std::size_t>(channel)]
            .peq[static_cast<std::size_t>(p.comboBand)]
            .freq = clampInt(*n, 20, 20000);
        r.changed = true;
        r.send = channel < kBoxTwoPeqChannels ? TypedSend::G : TypedSend::None;
        r.selector = p.selector;
        r.band = p.band;
        return r;
    }
    if (box != 0)
        return r;
    const std::optional<int> code = codeFor(p.rule, p.lo, p.hi, typed.toUpper());
    if (!code)
        return r;
    *p.field = *code;
    r.changed = true;
    r.send = p.send;
    r.selector = p.selector;
    r.band = p.band;
    return r;
}

} // namespace krm::ui
