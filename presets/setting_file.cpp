#include "presets/setting_file.h"

#include <QByteArray>
#include <QFile>
#include <QSaveFile>
#include <QString>

#include <algorithm>
#include <cassert>
#include <cstring>
#include <optional>
#include <system_error>

namespace krm {

namespace {

constexpr std::size_t kMicUnitsAt = 4;
constexpr std::size_t kMicUnitSize = 5;
constexpr std::size_t kInputsAt = 56;
constexpr std::size_t kInputRecordSize = 560;
constexpr std::size_t kOutputsAt = 13496;
constexpr std::size_t kOutputRecordSize = 856;
constexpr std::size_t kDeviceTextAt = 20412;
constexpr std::size_t kUnitCountAt = 20428;
constexpr std::size_t kMuteGroupSize = 38 * 4;
constexpr std::size_t kControlGroupSize = 51 * 4;
// The factory value of an output word no operation of the program reads.
constexpr std::int32_t kOutputWord760 = 100;

static_assert(kInputsAt + kInputCount * kInputRecordSize == 11256);
static_assert(kOutputsAt + kOutputCount * kOutputRecordSize == 20344);
static_assert(kMuteGroupsOffset + kGroupCount * kMuteGroupSize == kControlGroupsOffset);
static_assert(kControlGroupsOffset + kGroupCount * kControlGroupSize == kSettingFileSize);
static_assert(kLinkStateOffset + kLinkStateSize == kParameterBlockSize);

// Puts fields into the file's bytes, little-endian whatever the host. The encoder and the
// decoder walk the same field list below with a Writer or a Reader, so that a field's
// offset is written down once.
class Writer {
public:
    explicit Writer(std::vector<std::uint8_t>& out) : m_out(out) {}

    void i32(std::size_t at, std::int32_t value) {
        const auto u = static_cast<std::uint32_t>(value);
        u8(at, static_cast<std::uint8_t>(u));
        u8(at + 1, static_cast<std::uint8_t>(u >> 8));
        u8(at + 2, static_cast<std::uint8_t>(u >> 16));
        u8(at + 3, static_cast<std::uint8_t>(u >> 24));
    }
    void u16(std::size_t at, std::uint16_t value) {
        u8(at, static_cast<std::uint8_t>(value));
        u8(at + 1, static_cast<std::uint8_t>(value >> 8));
    }
    void u8(std::size_t at, std::uint8_t value) {
        assert(at < m_out.size());
        m_out[at] = value;
    }
    void flag(std::size_t at, bool value) { u8(at, value ? 1 : 0); }
    void raw(std::size_t at, const void* from, std::size_t size) {
        assert(at + size <= m_out.size());
        std::memcpy(m_out.data() + at, from, size);
    }
    void name(std::size_t at, const Name16& name) { raw(at, name.bytes.data(), name.bytes.size()); }
    // A word the file holds at a fixed value and the image does not keep.
    void fixed(std::size_t at, std::int32_t value) { i32(at, value); }

private:
    std::vector<std::uint8_t>& m_out;
};

class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> in) : m_in(in) {}

    void i32(std::size_t at, std::int32_t& value) const {
        assert(at + 4 <= m_in.size());
        const std::uint32_t u = std::uint32_t{m_in[at]} | std::uint32_t{m_in[at + 1]} << 8 |
                                std::uint32_t{m_in[at + 2]} << 16 |
                                std::uint32_t{m_in[at + 3]} << 24;
        value = static_cast<std::int32_t>(u);
    }
    void u16(std::size_t at, std::uint16_t& value) const {
        assert(at + 2 <= m_in.size());
        value = static_cast<std::uint16_t>(m_in[at] | m_in[at + 1] << 8);
    }
    void u8(std::size_t at, std::uint8_t& value) const {
        assert(at < m_in.size());
        value = m_in[at];
    }
    // Any byte but zero is set: files from elsewhere may hold other true values.
    void flag(std::size_t at, bool& value) const {
        assert(at < m_in.size());
        value = m_in[at] != 0;
    }
    void raw(std::size_t at, void* to, std::size_t size) const {
        assert(at + size <= m_in.size());
        std::memcpy(to, m_in.data() + at, size);
    }
    void name(std::size_t at, Name16& name) const { raw(at, name.bytes.data(), name.bytes.size()); }
    void fixed(std::size_t, std::int32_t) const {}

private:
    std::span<const std::uint8_t> m_in;
};

template <typename Io, typename Dyn> void DynamicsFields(Io& io, std::size_t at, Dyn& d) {
    io.i32(at, d.enable);
    io.i32(at + 4, d.threshold);
    io.i32(at + 8, d.attack);
    io.i32(at + 12, d.release);
    io.i32(at + 16, d.gain);
    io.i32(at + 20, d.ratio);
}

template <typename Io, typename Filter> void FilterFields(Io& io, std::size_t at, Filter& f) {
    io.i32(at, f.freq);
    io.i32(at + 4, f.type);
    io.i32(at + 8, f.slope);
    io.i32(at + 12, f.enable);
}

// One input record of 560 bytes; the gaps (120, 276, 400, 476, 496) are reserved.
template <typename Io, typename Input> void InputFields(Io& io, std::size_t at, Input& ch) {
    for (std::size_t b = 0; b < kPeqBands; ++b) {
        const std::size_t band = at + 24 * b;
        io.i32(band, ch.peq[b].freq);
        io.i32(band + 4, ch.peq[b].gain);
        io.i32(band + 8, ch.peq[b].q);
        io.i32(band + 12, ch.peq[b].spare1);
        io.i32(band + 16, ch.peq[b].spare2);
        io.i32(band + 20, ch.peq[b].type);
    }
    io.i32(at + 240, ch.peqEnable);
    FilterFields(io, at + 244, ch.hpf);
    FilterFields(io, at + 260, ch.lpf);
    io.i32(at + 292, ch.mute);
    io.i32(at + 296, ch.mute2);
    io.i32(at + 300, ch.pan);
    io.i32(at + 304, ch.gain);
    io.i32(at + 308, ch.gain2);
    io.i32(at + 312, ch.solo);
    io.i32(at + 316, ch.meter);
    io.i32(at + 320, ch.meter2);
    io.i32(at + 324, ch.phantom);
    io.i32(at + 328, ch.autoMixPriority);
    io.i32(at + 332, ch.polarity);
    io.i32(at + 336, ch.source);
    io.i32(at + 340, ch.inputGain);
    io.i32(at + 344, ch.autoMixLevel);
    io.i32(at + 348, ch.autoMixOpen);
    io.i32(at + 352, ch.autoMixLast);
    DynamicsFields(io, at + 356, ch.comp);
    io.i32(at + 380, ch.gate.enable);
    io.i32(at + 384, ch.gate.threshold);
    io.i32(at + 388, ch.gate.range);
    io.i32(at + 392, ch.gate.attack);
    io.i32(at + 396, ch.gate.release);
    for (std::size_t k = 0; k < kOutputCount; ++k)
        io.i32(at + 408 + 4 * k, ch.matrix[k]);
    io.i32(at + 440, ch.mainSend);
    for (std::size_t k = 0; k < ch.auxSend.size(); ++k)
        io.i32(at + 444 + 4 * k, ch.auxSend[k]);
    io.i32(at + 468, ch.delaySend);
    io.i32(at + 472, ch.revSend);
    io.i32(at + 480, ch.fxPreDelay1);
    io.i32(at + 484, ch.fxPreDelay2);
    io.i32(at + 488, ch.fxFeedback);
    io.i32(at + 492, ch.fxDelayLpf);
    for (std::size_t t = 0; t < ch.fxTap.size(); ++t)
        io.i32(at + 500 + 4 * t, ch.fxTap[t]);
    io.i32(at + 516, ch.fxRevTime);
    io.i32(at + 520, ch.fxRevLpf);
    io.name(at + 524, ch.name);
    io.name(at + 540, ch.label);
    io.i32(at + 556, ch.number);
}

// One output record of 856 bytes; 748, 768 and 776 are reserved. A band keeps its
// frequency first, unlike the image's field order.
template <typename Io, typename Output> void OutputFields(Io& io, std::size_t at, Output& bus) {
    for (std::size_t b = 0; b < kGeqBands; ++b) {
        const std::size_t band = at + 24 * b;
        io.i32(band, bus.geq[b].freq);
        io.i32(band + 4, bus.geq[b].gain);
        io.i32(band + 8, bus.geq[b].q);
        io.i32(band + 12, bus.geq[b].spare1);
        io.i32(band + 16, bus.geq[b].spare2);
        io.i32(band + 20, bus.geq[b].spare3);
    }
    io.i32(at + 744, bus.geqEnable);
    io.i32(at + 756, bus.mute);
    io.fixed(at + 760, kOutputWord760);
    io.i32(at + 764, bus.gain);
    io.i32(at + 772, bus.meter);
    io.i32(at + 784, bus.delay);
    io.i32(at + 788, bus.lineLevel);
    io.i32(at + 792, bus.outK);
    DynamicsFields(io, at + 796, bus.limiter);
    io.name(at + 820, bus.name);
    io.name(at + 836, bus.label);
    io.i32(at + 852, bus.number);
}

// Integers 47..50 of a control group hold the group's name as bytes in the image's
// memory; they travel as those bytes so that the name survives on any host.
template <typename Io, typename Group> void ControlGroupFields(Io& io, std::size_t at, Group& g) {
    constexpr auto kNameBase = static_cast<std::size_t>(ControlGroup::kNameBase);
    for (std::size_t i = 0; i < kNameBase; ++i)
        io.i32(at + 4 * i, g.v[i]);
    io.raw(at + 4 * kNameBase, &g.v[kNameBase], 4 * (g.v.size() - kNameBase));
}

// Every field of the image the file holds. The group switches (controlGroupActive,
// activeMuteGroup) are not among them.
template <typename Io, typename Image> void ImageFields(Io& io, Image& image) {
    for (std::size_t u = 0; u < kMicUnitSlots; ++u)
        for (std::size_t i = 0; i < kMicUnitSize; ++i)
            io.u8(kMicUnitsAt + kMicUnitSize * u + i, image.micUnits[u][i]);
    for (std::size_t c = 0; c < kInputCount; ++c)
        InputFields(io, kInputsAt + kInputRecordSize * c, image.inputs[c]);
    for (std::size_t o = 0; o < kOutputCount; ++o)
        OutputFields(io, kOutputsAt + kOutputRecordSize * o, image.outputs[o]);
    // The auto-mixer words keep the device's own order, with reserved words between.
    io.i32(20344, image.autoMixMode);
    io.i32(20352, image.maxOpenCh);
    io.i32(20360, image.holdTime);
    io.i32(20368, image.closedAttn);
    io.i32(20376, image.nomAttn);
    io.i32(20384, image.lastHold);
    io.i32(20392, image.zeroCrossRate);
    io.i32(20396, image.energy);
    io.i32(20400, image.compareCount);
    io.i32(20404, image.thresholdComp);
    io.i32(20408, image.autoMixSync);
    io.name(kDeviceTextAt, image.deviceText);
    io.i32(kUnitCountAt, image.unitCount);
    for (std::size_t g = 0; g < kGroupCount; ++g) {
        const std::size_t at = kMuteGroupsOffset + kMuteGroupSize * g;
        for (std::size_t i = 0; i < image.muteGroups[g].v.size(); ++i)
            io.i32(at + 4 * i, image.muteGroups[g].v[i]);
    }
    for (std::size_t g = 0; g < kGroupCount; ++g)
        ControlGroupFields(io, kControlGroupsOffset + kControlGroupSize * g,
                           image.controlGroups[g]);
}

template <typename Io, typename Time> void TimeFields(Io& io, std::size_t at, Time& t) {
    io.u16(at, t.year);
    io.u16(at + 2, t.month);
    io.u16(at + 4, t.dayOfWeek);
    io.u16(at + 6, t.day);
    io.u16(at + 8, t.hour);
    io.u16(at + 10, t.minute);
    io.u16(at + 12, t.second);
    io.u16(at + 14, t.millisecond);
}

// 44 bytes; 21773..21775, 21781 and the last two bytes are reserved.
template <typename Io, typename Link> void LinkFields(Io& io, Link& link) {
    io.flag(kLinkStateOffset, link.online);
    io.i32(kLinkStateOffset + 4, link.connectTries);
    io.flag(kLinkStateOffset + 8, link.connecting);
    TimeFields(io, kLinkStateOffset + 10, link.connectTime);
    TimeFields(io, kLinkStateOffset + 26, link.lastReplyTime);
}

QString ToQString(const std::filesystem::path& file) {
    return QFile::decodeName(QByteArray::fromStdString(file.string()));
}

std::string Utf8(const QString& text) {
    return text.toStdString();
}

void Report(Message* error, std::string en, std::string zh) {
    if (error)
        *error = Message{std::move(en), std::move(zh)};
}

// The whole file's bytes, atomically: a failed write leaves a previous file intact.
bool WriteFileBytes(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes,
                    Message* error) {
    const QString name = ToQString(file);
    QSaveFile out(name);
    const auto failed = [&](const QString& why) {
        Report(error,
               "The setting file " + Utf8(name) + " could not be written: " + Utf8(why) + ".",
               "无法写入设置文件 " + Utf8(name) + "：" + Utf8(why) + "。");
        return false;
    };
    if (!out.open(QIODevice::WriteOnly))
        return failed(out.errorString());
    const auto size = static_cast<qint64>(bytes.size());
    if (out.write(reinterpret_cast<const char*>(bytes.data()), size) != size) {
        const QString why = out.errorString();
        out.cancelWriting();
        return failed(why);
    }
    // Commit flushes, syncs and renames over the target; on failure the temporary file is
    // removed and the target stays as it was.
    if (!out.commit())
        return failed(out.errorString());
    if (error)
        *error = Message{};
    return true;
}

// The file's bytes when it is there, readable and exactly a setting file long.
std::optional<QByteArray> ReadFileBytes(const std::filesystem::path& file, Message* error) {
    const QString name = ToQString(file);
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) {
        Report(error, "The setting file " + Utf8(name) + " is missing.",
               "设置文件 " + Utf8(name) + " 不存在。");
        return std::nullopt;
    }
    QFile in(name);
    const auto unreadable = [&](const QString& why) {
        Report(error, "The setting file " + Utf8(name) + " cannot be read: " + Utf8(why) + ".",
               "无法读取设置文件 " + Utf8(name) + "：" + Utf8(why) + "。");
        return std::nullopt;
    };
    if (!in.open(QIODevice::ReadOnly))
        return unreadable(in.errorString());
    // One byte more than a setting file is enough to tell that a file is too long.
    const QByteArray data = in.read(static_cast<qint64>(kSettingFileSize) + 1);
    if (in.error() != QFileDevice::NoError)
        return unreadable(in.errorString());
    if (static_cast<std::size_t>(data.size()) != kSettingFileSize) {
        const qint64 length =
            data.size() > static_cast<qint64>(kSettingFileSize) && !in.isSequential()
                ? std::max(in.size(), static_cast<qint64>(data.size()))
                : data.size();
        const std::string n = std::to_string(length);
        const std::string expected = std::to_string(kSettingFileSize);
        Report(error,
               "The setting file " + Utf8(name) + " is " + n + " bytes long; a setting file has " +
                   expected + ".",
               "设置文件 " + Utf8(name) + " 长 " + n + " 字节；设置文件应为 " + expected +
                   " 字节。");
        return std::nullopt;
    }
    if (error)
        *error = Message{};
    return data;
}

std::span<const std::uint8_t> BytesOf(const QByteArray& data) {
    return {reinterpret_cast<const std::uint8_t*>(data.data()),
            static_cast<std::size_t>(data.size())};
}

} // namespace

std::string SettingFileName(int id) {
    return "SAVE" + std::to_string(id) + ".dat";
}

std::vector<std::uint8_t> EncodeSettingFile(const DeviceImage& image, const LinkStateRecord& link) {
    std::vector<std::uint8_t> bytes(kSettingFileSize, 0);
    Writer writer(bytes);
    ImageFields(writer, image);
    LinkFields(writer, link);
    return bytes;
}

bool DecodeSettingFile(std::span<const std::uint8_t> bytes, DeviceImage& image,
                       LinkStateRecord* link, std::vector<HeldField>* held) {
    if (bytes.size() != kSettingFileSize)
        return false;
    const Reader reader(bytes);
    ImageFields(reader, image);
    std::vector<HeldField> outOfRange = HoldToRanges(image);
    if (held)
        *held = std::move(outOfRange);
    if (link)
        LinkFields(reader, *link);
    return true;
}

bool WriteSettingFile(const std::filesystem::path& file, const DeviceImage& image,
                      const LinkStateRecord& link, Message* error) {
    return WriteFileBytes(file, EncodeSettingFile(image, link), error);
}

bool ReadSettingFile(const std::filesystem::path& file, DeviceImage& image, Message* error,
                     LinkStateRecord* link, std::vector<HeldField>* held) {
    const std::optional<QByteArray> data = ReadFileBytes(file, error);
    if (!data)
        return false;
    DecodeSettingFile(BytesOf(*data), image, link, held);
    return true;
}

bool CopySettingFile(const std::filesystem::path& from, const std::filesystem::path& to,
                     Message* error) {
    const std::optional<QByteArray> data = ReadFileBytes(from, error);
    if (!data)
        return false;
    const std::span<const std::uint8_t> bytes = BytesOf(*data);
    return WriteFileBytes(to, std::vector<std::uint8_t>(bytes.begin(), bytes.end()), error);
}

bool OpenSettingFile(const std::filesystem::path& file, OpenedSettingFile& opened, Message* error) {
    const std::optional<QByteArray> data = ReadFileBytes(file, error);
    if (!data)
        return false;
    const std::span<const std::uint8_t> bytes = BytesOf(*data);
    ResetToStartupValues(opened.image);
    DecodeSettingFile(bytes, opened.image, nullptr, &opened.held);
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(kLinkStateOffset), kLinkStateSize,
                opened.link.begin());
    return true;
}

bool SaveSettingFile(const std::filesystem::path& file, const OpenedSettingFile& edited,
                     Message* error) {
    std::vector<std::uint8_t> bytes = EncodeSettingFile(edited.image, LinkStateRecord{});
    std::copy(edited.link.begin(), edited.link.end(),
              bytes.begin() + static_cast<std::ptrdiff_t>(kLinkStateOffset));
    return WriteFileBytes(file, bytes, error);
}

} // namespace krm
