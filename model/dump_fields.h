#pragma once
// The layout of the full dump "Z": one table of its 26 data fields (2..27), read by the
// parser and the apply step and written by the virtual device's dump builder, so the
// layout exists exactly once.
//
// Each field is a run of items without separators; an item is one or more values of a
// fixed number of hexadecimal digits. Items go to consecutive channels of the field's
// scope. The accessors translate between wire values and image codes (PEQ type + 1,
// halved EQ gains, the phantom bit masks). Pure functions over const tables; any thread.

#include "model/device_image.h"
#include "model/reports.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace krm {

enum class DumpScope {
    AllChannels, // CH1..CH20, then buses 1..8 (items 20..27)
    Inputs,      // CH1..CH20
    MicInputs,   // CH1..CH16
    Outputs,     // buses 1..8
    Once,        // one item for the whole device
    Text,        // plain characters, not hexadecimal
};

// How many items the scope holds; items beyond it are ignored.
int DumpScopeItems(DumpScope scope);

struct DumpField {
    using ReadFn = void (*)(const DeviceImage& image, int item, std::int32_t* wire);
    using WriteFn = void (*)(DeviceImage& image, int item, const std::int32_t* wire);
    using ReadTextFn = std::string (*)(const DeviceImage& image);
    using WriteTextFn = void (*)(DeviceImage& image, std::string_view text);

    int number; // 2..27
    DumpScope scope;
    std::vector<int> widths; // digits of each value of one item (empty for Text)
    ReadFn read = nullptr;   // image -> wire values of one item
    WriteFn write = nullptr; // wire values of one item -> image
    ReadTextFn readText = nullptr;
    WriteTextFn writeText = nullptr;

    int valueCount() const { return static_cast<int>(widths.size()); }
    int itemDigits() const;
};

// The 26 fields, in wire order (numbers 2..27).
const std::vector<DumpField>& DumpFields();

// Builder side: the field's text for the image (every item of the scope). Values that
// do not fit their digits are clamped so that the layout never shifts; in the text
// field the frame marks ',', '%' and '#' become '.'.
std::string DumpFieldText(const DumpField& field, const DeviceImage& image);

// Parser side: the complete items of a numeric field's text, at most the scope's count.
// A trailing partial item is not an item. Digits are read as HexToBytes reads them
// (non-hex characters count as 0).
DumpFieldValues ReadDumpFieldText(const DumpField& field, std::string_view text);

// Apply side: writes the items that came into the image; later channels keep their values.
void StoreDumpField(const DumpField& field, const DumpFieldValues& values, DeviceImage& image);

// Big-endian value of hexadecimal digits as HexToBytes converts them (1 digit reads as
// "0" + digit; 4 digits give two bytes, high byte first).
std::int32_t HexDigitsValue(std::string_view digits);

} // namespace krm
