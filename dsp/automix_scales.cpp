#include "dsp/automix_scales.h"

#include "dsp/text_format.h"

namespace krm {
namespace {

constexpr int kHoldTimeStepMs = 50;

std::string dbText(int db) {
    return integerText(db) + " dB";
}

// One item per code of the range, in code order.
template <typename Text> std::vector<std::string> labelsOf(CodeRange codes, Text text) {
    std::vector<std::string> labels;
    labels.reserve(static_cast<std::size_t>(codes.count()));
    for (int code = codes.min; code <= codes.max; ++code)
        labels.push_back(text(code));
    return labels;
}

// A list whose index counts from the lowest code.
int codeFromIndex(CodeRange codes, int index) {
    return codes.clamp(index + codes.min);
}

int indexFromCode(CodeRange codes, int code) {
    return codes.clamp(code) - codes.min;
}

} // namespace

int holdTimeMs(int code) {
    return kHoldTimeCodes.clamp(code) * kHoldTimeStepMs;
}

std::string holdTimeText(int code) {
    return integerText(holdTimeMs(code)) + " ms";
}

std::vector<std::string> holdTimeLabels() {
    return labelsOf(kHoldTimeCodes, holdTimeText);
}

int holdTimeCodeFromListIndex(int index) {
    return codeFromIndex(kHoldTimeCodes, index);
}

std::optional<int> holdTimeListIndexFromCode(int code) {
    if (code <= 0)
        return std::nullopt;
    return indexFromCode(kHoldTimeCodes, code);
}

std::string maxOpenText(int code) {
    return integerText(kMaxOpenCodes.clamp(code));
}

std::vector<std::string> maxOpenLabels() {
    return labelsOf(kMaxOpenCodes, maxOpenText);
}

int maxOpenCodeFromListIndex(int index) {
    return codeFromIndex(kMaxOpenCodes, index);
}

int maxOpenListIndexFromCode(int code) {
    return indexFromCode(kMaxOpenCodes, code);
}

int nomAttnDb(int code) {
    return kNomAttnCodes.clamp(code) - 30;
}

std::string nomAttnText(int code) {
    return dbText(nomAttnDb(code));
}

std::vector<std::string> nomAttnLabels() {
    return labelsOf(kNomAttnCodes, nomAttnText);
}

int nomAttnCodeFromListIndex(int index) {
    return codeFromIndex(kNomAttnCodes, index);
}

int nomAttnListIndexFromCode(int code) {
    return indexFromCode(kNomAttnCodes, code);
}

int closedAttnDb(int code) {
    return kClosedAttnCodes.clamp(code) - 60;
}

std::string closedAttnText(int code) {
    return dbText(closedAttnDb(code));
}

std::vector<std::string> closedAttnLabels() {
    return labelsOf(kClosedAttnCodes, closedAttnText);
}

int closedAttnCodeFromListIndex(int index) {
    return codeFromIndex(kClosedAttnCodes, index);
}

int closedAttnListIndexFromCode(int code) {
    return indexFromCode(kClosedAttnCodes, code);
}

int autoMixLevelDb(int code) {
    return kAutoMixLevelCodes.clamp(code) - 80;
}

std::string autoMixLevelText(int code) {
    return dbText(autoMixLevelDb(code));
}

std::vector<std::string> autoMixLevelLabels() {
    return labelsOf(kAutoMixLevelCodes, autoMixLevelText);
}

int autoMixLevelCodeFromListIndex(int index) {
    return codeFromIndex(kAutoMixLevelCodes, index);
}

int autoMixLevelListIndexFromCode(int code) {
    return indexFromCode(kAutoMixLevelCodes, code);
}

std::string thresholdCompText(int code) {
    return dbText(kThresholdCompCodes.clamp(code));
}

} // namespace krm
