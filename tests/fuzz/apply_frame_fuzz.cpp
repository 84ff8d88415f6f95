// ApplyParameterFrame, the virtual device's reading of the program's parameter frames.
// The first input byte picks the letter ("A".."Z"), the rest is the text between
// "%<letter>," and the checksum.
//
// Properties: a rejected frame leaves the image byte for byte as it was; an accepted one
// is accepted again (applying is idempotent).

#include "fuzz_input.h"
#include "model/apply_frame.h"

#include <cstring>
#include <type_traits>

using namespace krm;

static_assert(std::is_trivially_copyable_v<DeviceImage>);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    static const DeviceImage start = [] {
        DeviceImage image;
        ResetToStartupValues(image);
        return image;
    }();
    static DeviceImage image;
    std::memcpy(&image, &start, sizeof image);
    const char letter = static_cast<char>('A' + data[0] % 26);
    const std::string frame = fuzz::Checked(letter, fuzz::Bytes(data + 1, size - 1));

    // Byte copies, so that even padding compares equal.
    static DeviceImage before;
    std::memcpy(&before, &image, sizeof image);
    if (!ApplyParameterFrame(frame, image)) {
        if (std::memcmp(&before, &image, sizeof image) != 0)
            fuzz::Broken("a rejected frame changed the image", frame);
        return 0;
    }
    std::memcpy(&before, &image, sizeof image);
    if (!ApplyParameterFrame(frame, image))
        fuzz::Broken("an accepted frame was rejected the second time", frame);
    if (std::memcmp(&before, &image, sizeof image) != 0)
        fuzz::Broken("applying the same frame twice gave another image", frame);
    return 0;
}
