#include "ui/readout_model.h"

#include "dsp/text_format.h"
#include "kit/texts.h"
#include "model/typed_value.h"

namespace krm::ui {

namespace {

// The band markers' kinds of an input show a PEQ band's gain in box 1 and its frequency in
// box 2.
constexpr int kFirstBandKind = kReadoutBandMarker;
constexpr int kLastBandKind = kReadoutBandMarker + kPeqBands - 1;
// The frequency of box 2 goes out for CH1..CH18 only.
constexpr int kBoxTwoPeqChannels = 18;

std::optional<int> comboBand(Channel channel, int kind) {
    if (channel.isInput() && kind >= kFirstBandKind && kind <= kLastBandKind)
        return kind - kFirstBandKind;
    return std::nullopt;
}

// The parameter a selection shows; the combined band kinds show the band's gain.
const Parameter* parameterFor(Channel channel, int kind) {
    if (auto band = comboBand(channel, kind))
        return &Param(ParamKind::PeqGain, *band);
    // The filter markers of the PEQ editor read the same filters.
    if (channel.isInput() && kind == kReadoutHighPassMarker)
        kind = Param(ParamKind::HpfFreq).readoutKind;
    if (channel.isInput() && kind == kReadoutLowPassMarker)
        kind = Param(ParamKind::LpfFreq).readoutKind;
    const Parameter* p = ParamForReadout(channel.side, kind);
    if (p && p->side != Side::Device && !p->existsOn(channel))
        return nullptr;
    return p;
}

// Outputs keep no solo and no pan: the readout shows the label with empty boxes.
QString labelOnly(Channel channel, int kind) {
    if (channel.isOutput() && kind == 2)
        return text(Param(ParamKind::InSolo).label);
    if (channel.isOutput() && kind == 4)
        return text(Param(ParamKind::InPan).label);
    return {};
}

QString nameOf(const DeviceImage& image, Channel c) {
    const Name16& name = c.isInput() ? image.inputs[static_cast<std::size_t>(c.index)].name
                                     : image.outputs[static_cast<std::size_t>(c.index)].name;
    return QString::fromStdString(name.toUtf8());
}

// Why `typed` is no value of `p`: what the kind takes instead, with its range.
QString notAValue(const Parameter& p, Channel at, const QString& typed) {
    const QString label = text(p.label);
    const CodeRange codes = p.rangeFor(at);
    if (ShowsWords(p, at)) {
        const QString low = QString::fromStdString(ValueText(p, at, codes.min));
        const QString high = QString::fromStdString(ValueText(p, at, codes.max));
        return text("\"%1\" is not a value of %2. Type %3 or %4.", "“%1”不是%2的值。请输入%3或%4。")
            .arg(typed, label, high, low);
    }
    const QString range = QString::fromStdString(RangeText(p, at));
    const QString unit = QString::fromStdString(UnitText(p, at));
    if (unit.isEmpty())
        return text("\"%1\" is not a value of %2. Type a number (%3).",
                    "“%1”不是%2的值。请输入数字（%3）。")
            .arg(typed, label, range);
    return text("\"%1\" is not a value of %2. Type a number in %3 (%4).",
                "“%1”不是%2的值。请输入以%3为单位的数字（%4）。")
        .arg(typed, label, unit, range);
}

// The code typed text stands for: a word of the parameter, or a number held to the kind's
// typed range.
std::optional<std::int32_t> typedCode(const Parameter& p, Channel at, const QString& typed,
                                      QString& refusal) {
    const TypedValue value = ReadTypedValue(p, at, typed.toStdString());
    if (const auto* code = std::get_if<std::int32_t>(&value))
        return *code;
    if (const auto* number = std::get_if<TypedNumber>(&value))
        return CodeFromTypedNumber(p, at, number->number);
    if (std::get<TypedRefusal>(value) == TypedRefusal::NotAValue)
        refusal = notAValue(p, at, typed.trimmed());
    return std::nullopt;
}

} // namespace

ReadoutTexts ReadoutFor(const DeviceImage& image, int channel, int kind) {
    ReadoutTexts t;
    const std::optional<Channel> c = ChannelFromReadout(channel);
    if (!c)
        return t;
    t.channel = nameOf(image, *c);
    const Parameter* p = parameterFor(*c, kind);
    if (!p) {
        t.parameter = labelOnly(*c, kind);
        return t;
    }
    const Channel at = p->side == Side::Device ? Channel::device() : *c;
    if (auto band = comboBand(*c, kind)) {
        t.parameter = text("BAND%1", "频段%1").arg(*band + 1);
        const int f = image.inputs[static_cast<std::size_t>(c->index)]
                          .peq[static_cast<std::size_t>(*band)]
                          .freq;
        // Bands 2 and 3 spell their unit "HZ".
        t.box2 = QString::fromStdString(integerText(f)) +
                 (*band == 1 || *band == 2 ? QStringLiteral("HZ") : QStringLiteral("Hz"));
    } else {
        t.parameter = text(p->label);
    }
    t.box1 = QString::fromStdString(currentLanguage() == Language::Chinese
                                        ? ValueTextZh(*p, at, p->get(image, at))
                                        : ValueText(*p, at, p->get(image, at)));
    return t;
}

TypedEntryResult ApplyTypedValue(DeviceImage& image, int channel, int kind, int box,
                                 const QString& typed) {
    TypedEntryResult r;
    const std::optional<Channel> c = ChannelFromReadout(channel);
    if (!c)
        return r;
    const Parameter* p = parameterFor(*c, kind);
    if (!p)
        return r;
    Channel at = p->side == Side::Device ? Channel::device() : *c;
    std::optional<std::int32_t> code;
    bool framed = p->framedOn(at);
    if (box == 1) {
        // Box 2 holds the frequency of a combined band kind; elsewhere it is inert.
        const std::optional<int> band = comboBand(*c, kind);
        if (!band)
            return r;
        p = &Param(ParamKind::PeqFreq, *band);
        code = typedCode(*p, at, typed, r.refusal);
        framed = framed && c->index < kBoxTwoPeqChannels;
    } else if (box == 0) {
        code = typedCode(*p, at, typed, r.refusal);
    }
    if (!code)
        return r;
    p->set(image, at, *code);
    r.changed = true;
    r.parameter = p;
    r.channel = at;
    if (framed) {
        r.send = static_cast<TypedSend>(p->frame);
        r.selector = WireSelector(p->frame, at);
        r.band = p->band;
    }
    return r;
}

} // namespace krm::ui
