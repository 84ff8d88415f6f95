#pragma once
// Scales of the automatic microphone mixer: global settings, detector settings and the
// per-channel level, with the items of the auto-mixer page's lists and the mapping between
// list index and code. Codes outside their range are held to the range first.
//
// Pure functions; callable from any thread.

#include "dsp/code_range.h"

#include <optional>
#include <string>
#include <vector>

namespace krm {

inline constexpr CodeRange kAutoMixModeCodes{0, 1}; // 0 automatic, 1 manual
inline constexpr CodeRange kMaxOpenCodes{1, 16};
inline constexpr CodeRange kHoldTimeCodes{1, 100};  // steps of 50 ms
inline constexpr CodeRange kClosedAttnCodes{0, 60}; // code - 60 dB
inline constexpr CodeRange kNomAttnCodes{20, 30};   // code - 30 dB
inline constexpr CodeRange kZeroCrossRateCodes{0, 100};
inline constexpr CodeRange kEnergyCodes{1, 200};
inline constexpr CodeRange kCompareCountCodes{1, 100};
inline constexpr CodeRange kThresholdCompCodes{0, 40}; // dB
inline constexpr CodeRange kAutoMixLevelCodes{0, 80};  // code - 80 dB

// Hold time: code x 50 ms. List "50 ms" .. "5000 ms" (100 items), index + 1 = code. A code
// of 0 or less (never set) selects nothing, and the list keeps its selection.
int holdTimeMs(int code);
std::string holdTimeText(int code); // "%d ms"
std::vector<std::string> holdTimeLabels();
int holdTimeCodeFromListIndex(int index);
std::optional<int> holdTimeListIndexFromCode(int code);

// Largest number of open microphones: "1" .. "16", index + 1 = code.
std::string maxOpenText(int code);
std::vector<std::string> maxOpenLabels();
int maxOpenCodeFromListIndex(int index);
int maxOpenListIndexFromCode(int code);

// Attenuation by number of open microphones (NOM): "-10 dB" .. "0 dB", index + 20 = code.
int nomAttnDb(int code);
std::string nomAttnText(int code);
std::vector<std::string> nomAttnLabels();
int nomAttnCodeFromListIndex(int index);
int nomAttnListIndexFromCode(int code);

// Attenuation of closed channels: "-60 dB" .. "0 dB", index = code.
int closedAttnDb(int code);
std::string closedAttnText(int code);
std::vector<std::string> closedAttnLabels();
int closedAttnCodeFromListIndex(int index);
int closedAttnListIndexFromCode(int code);

// Per-channel auto-mixer level: "-80 dB" .. "0 dB", index = code.
int autoMixLevelDb(int code);
std::string autoMixLevelText(int code);
std::vector<std::string> autoMixLevelLabels();
int autoMixLevelCodeFromListIndex(int index);
int autoMixLevelListIndexFromCode(int code);

// Detector threshold compensation: "%d dB".
std::string thresholdCompText(int code);

} // namespace krm
