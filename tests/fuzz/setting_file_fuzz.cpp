// DecodeSettingFile, the reading of setting files from disk (possibly from another
// installation, possibly damaged), and what a read file reaches: the diff against the
// window's image and the frames of its resend. The input is taken twice:
//   - as a whole file: unless it is exactly a setting file long, it is refused and the
//     image and link state stay byte for byte as they were;
//   - as patches over a real file (the start-up image): records of a 16-bit little-endian
//     offset, a length byte and that many bytes, applied in order. Files are longer than
//     the fuzzer's inputs, so this is how any content reaches every field.
//
// Properties of a decoded file: the group switches, which the file does not hold, are
// untouched; every field of the parameter table is within its range (or still the
// start-up image's value) and the filter family codes are the device's; writing the image
// back changes no more words than the fields named as held, and reading that again gives
// the same image with nothing held; the diff's texts stay short; and no frame of the
// resend carries a field wider than its width.

#include "fuzz_input.h"
#include "model/parameters.h"
#include "model/setting_diff.h"
#include "presets/setting_file.h"
#include "presets/setting_recall.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

using namespace krm;

static_assert(std::is_trivially_copyable_v<DeviceImage>);

namespace {

// Byte copies and comparisons, so that even padding compares equal.
bool SameImage(const DeviceImage& a, const DeviceImage& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void CopyImage(DeviceImage& to, const DeviceImage& from) {
    std::memcpy(static_cast<void*>(&to), &from, sizeof to);
}

struct Layout {
    std::vector<std::uint8_t> base;    // the start-up image's file
    std::vector<std::uint8_t> fixed;   // 1 where the writer puts the same byte whatever it writes
    std::vector<std::uint8_t> oneByte; // 1 at the link's one-byte flags
};

const Layout& FileLayout() {
    static const Layout layout = [] {
        Layout l;
        DeviceImage image;
        ResetToStartupValues(image);
        l.base = EncodeSettingFile(image, {});

        DeviceImage zeros, ones;
        std::memset(static_cast<void*>(&zeros), 0x00, sizeof zeros);
        std::memset(static_cast<void*>(&ones), 0xFF, sizeof ones);
        LinkStateRecord none, all;
        all.online = all.connecting = true;
        all.connectTries = -1;
        all.connectTime =
            all.lastReplyTime = {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
        const auto low = EncodeSettingFile(zeros, none);
        const auto high = EncodeSettingFile(ones, all);
        l.fixed.resize(low.size());
        l.oneByte.resize(low.size());
        for (std::size_t i = 0; i < low.size(); ++i) {
            l.fixed[i] = low[i] == high[i];
            l.oneByte[i] = low[i] == 0 && high[i] == 1;
        }
        return l;
    }();
    return layout;
}

// Every table field in its range, or still what the start-up image holds there.
bool HeldToRanges(const DeviceImage& image, const DeviceImage& startup) {
    for (const Parameter& p : Parameters()) {
        const int records = p.side == Side::Input    ? kInputCount
                            : p.side == Side::Output ? kOutputCount
                                                     : 1;
        for (int i = 0; i < records; ++i) {
            const Channel ch = p.side == Side::Device ? Channel::device() : Channel{p.side, i};
            const std::int32_t code = p.get(image, ch);
            if (!p.rangeFor(ch).contains(code) && code != p.get(startup, ch))
                return false;
        }
    }
    for (const InputChannel& in : image.inputs)
        if (in.hpf.type != 2 || in.lpf.type != 2)
            return false;
    return true;
}

// The widest field a resend frame may carry at `index` (after "%X,"): the packed ones
// have their own widths, every other field is a byte or a word.
std::size_t WidestField(char letter, std::size_t index) {
    if (letter == 'B' && index == 2)
        return 8;
    if (letter == 'H' && index == 3)
        return 62;
    if (letter == 'V' && index == 2)
        return 32;
    if (letter == 'V' && index == 3)
        return 576;
    if (letter == 'X' && index == 2)
        return 10;
    return 4;
}

void CheckResend(const DeviceImage& image) {
    for (const PacedSender::TimedFrame& f : SettingResendSequence(image, nullptr)) {
        std::size_t index = 0;
        std::size_t at = 3;
        for (std::size_t comma; (comma = f.text.find(',', at)) != std::string::npos;
             at = comma + 1, ++index)
            if (comma - at > WidestField(f.text[1], index))
                fuzz::Broken("a resend frame carries a field wider than its width", f.text);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Layout& layout = FileLayout();
    static DeviceImage start = [] {
        DeviceImage image;
        ResetToStartupValues(image);
        image.controlGroupActive = {1, 0, 1, 0};
        image.activeMuteGroup = 2;
        return image;
    }();
    const LinkStateRecord startLink{true, 17, false, {1, 2, 3, 4, 5, 6, 7, 8}, {}};

    // The input as a whole file.
    static DeviceImage image;
    CopyImage(image, start);
    LinkStateRecord link = startLink;
    const std::span<const std::uint8_t> whole(data, size);
    const bool accepted = DecodeSettingFile(whole, image, &link);
    if (accepted != (size == kSettingFileSize))
        fuzz::Broken("a file of the wrong size was accepted, or the right size refused");
    if (!accepted && (!SameImage(image, start) || !(link == startLink)))
        fuzz::Broken("a refused file changed the image or the link state");

    // The input as patches over a real file.
    std::vector<std::uint8_t> file = layout.base;
    for (std::size_t at = 0; at + 3 <= size;) {
        const std::size_t offset = (data[at] | data[at + 1] << 8) % kSettingFileSize;
        const std::size_t n =
            std::min<std::size_t>({data[at + 2], size - at - 3, kSettingFileSize - offset});
        std::memcpy(file.data() + offset, data + at + 3, n);
        at += 3 + n;
    }
    CopyImage(image, start);
    link = startLink;
    std::vector<HeldField> held;
    if (!DecodeSettingFile(file, image, &link, &held))
        fuzz::Broken("a file of the right size was refused");
    if (image.controlGroupActive != start.controlGroupActive ||
        image.activeMuteGroup != start.activeMuteGroup)
        fuzz::Broken("decoding changed the group switches");
    if (!HeldToRanges(image, start))
        fuzz::Broken("a field was read outside its range");

    // Only the held fields' words may come back other than as read.
    const std::vector<std::uint8_t> written = EncodeSettingFile(image, link);
    std::size_t changedWords = 0;
    for (std::size_t i = 0; i < file.size(); ++i) {
        if (layout.fixed[i])
            continue;
        const std::uint8_t want = layout.oneByte[i] ? (file[i] != 0) : file[i];
        if (written[i] != want) {
            ++changedWords;
            i |= 3; // the rest of the word
        }
    }
    if (changedWords > held.size())
        fuzz::Broken("a field not named as held did not come back at its place");
    static DeviceImage again;
    CopyImage(again, start);
    LinkStateRecord linkAgain;
    std::vector<HeldField> heldAgain;
    if (!DecodeSettingFile(written, again, &linkAgain, &heldAgain) || !SameImage(again, image) ||
        !(linkAgain == link) || !heldAgain.empty())
        fuzz::Broken("reading the written file gave another image");

    // What a read file reaches: the diff against the window's image and the resend.
    for (const SettingDifference& d : DiffImages(start, image))
        if (d.parameter && (d.a.size() > 16 || d.b.size() > 16))
            fuzz::Broken("a difference reads as an unlikely text", d.path + ": " + d.b);
    CheckResend(image);
    return 0;
}
