// The four report parsers (dump "Z", identification "Y", status "Q", levels "P") on
// frames that passed the checksum: the input is the text between "%<letter>," and the
// checksum, wrapped for each letter in turn. Accepted reports are stored in an image as
// the owner thread would, and a dump brings the image into its legal ranges.
//
// Properties: a status report is accepted only with its 62 digits; whatever a dump or
// identification left in the image travels unchanged through the device's own dump and
// identification (written as the virtual device writes them, read back by the parsers).

#include "fuzz_input.h"
#include "model/dispatch.h"
#include "model/parsers.h"
#include "sim/device_frames.h"

using namespace krm;

namespace {

DeviceImage Stored(const std::string& frame) {
    DeviceImage image;
    ResetToStartupValues(image);
    if (const auto report = DispatchFrame(frame))
        ApplyReport(*report, image);
    return image;
}

void CheckIdentRoundTrip(const DeviceImage& image, const std::string& frame) {
    const DeviceImage again = Stored(sim::BuildIdentReply(image));
    for (std::size_t c = 0; c < kInputCount; ++c)
        if (again.inputs[c].name.view() != image.inputs[c].name.view())
            fuzz::Broken("an input name changed on its way back", frame);
    for (std::size_t o = 0; o < kOutputCount; ++o)
        if (again.outputs[o].name.view() != image.outputs[o].name.view())
            fuzz::Broken("an output name changed on its way back", frame);
    if (again.micUnits != image.micUnits || again.unitCount != image.unitCount)
        fuzz::Broken("the microphone units changed on their way back", frame);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view body = fuzz::Bytes(data, size);
    for (char letter : {'Z', 'Y', 'Q', 'P'}) {
        const std::string frame = fuzz::Checked(letter, body);
        const auto report = DispatchFrame(frame);
        if (!report)
            continue;
        DeviceImage image;
        ResetToStartupValues(image);
        ApplyReport(*report, image);
        switch (letter) {
        case 'Z': {
            const std::string dump = sim::BuildDumpReply(image);
            if (sim::BuildDumpReply(Stored(dump)) != dump)
                fuzz::Broken("a stored dump changed on its way back", frame);
            break;
        }
        case 'Y':
            CheckIdentRoundTrip(image, frame);
            break;
        case 'Q': {
            const auto fields = CheckedFrameFields(frame);
            if (!fields || fields->size() < 4 || (*fields)[2].size() < kStatusDigits)
                fuzz::Broken("a status report without its 62 digits was accepted", frame);
            break;
        }
        default:
            break;
        }
    }
    return 0;
}
