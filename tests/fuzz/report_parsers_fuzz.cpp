// The four report parsers (dump "Z", identification "Y", status "Q", levels "P") on
// frames that passed the checksum: the input is the text between "%<letter>," and the
// checksum, wrapped for each letter in turn. Accepted reports are stored in an image as
// the owner thread would, and a dump brings the image into its legal ranges.
//
// Properties: nothing but the sanitizers'; a status report is accepted only with its
// 62 digits.

#include "fuzz_input.h"
#include "model/dispatch.h"
#include "model/parsers.h"

using namespace krm;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    DeviceImage image;
    ResetToStartupValues(image);
    const std::string_view body = fuzz::Bytes(data, size);
    for (char letter : {'Z', 'Y', 'Q', 'P'}) {
        const std::string frame = fuzz::Checked(letter, body);
        const auto report = DispatchFrame(frame);
        if (!report)
            continue;
        if (letter == 'Q') {
            const auto fields = CheckedFrameFields(frame);
            if (!fields || fields->size() < 4 || (*fields)[2].size() < kStatusDigits)
                fuzz::Broken("a status report without its 62 digits was accepted", frame);
        }
        ApplyReport(*report, image);
    }
    return 0;
}
