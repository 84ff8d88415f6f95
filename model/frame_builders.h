#pragma once
// Frame builders: one pure function per letter the program sends. Each reads the
// parameter group from the image and returns the finished frame text ("%A,01,...,CRC#"),
// or an empty string when the selector is outside the letter's range (nothing is sent).
//
// Pure, no side effects: paced bulk sequences build their frames on the user-interface
// thread (which owns the image) and send the texts from a worker.
//
// Selectors are wire numbers: inputs 1..20; in "%A," and "%V," output buses 21..28;
// in every output-only frame buses 1..8; PEQ bands 1..5; microphone units 1..10.

#include "model/device_image.h"
#include "model/glyph_renderer.h"

#include <string>

namespace krm {

// Level and mute: inputs 1..20, buses 21..28; any other channel 0..255 carries the
// channel field alone.
std::string BuildA(const DeviceImage& image, int ch);
// Matrix row of an input: eight single hex digits, bus 1 first.
std::string BuildB(const DeviceImage& image, int ch);
// Compressor of an input.
std::string BuildC(const DeviceImage& image, int ch);
// Limiter of a bus 1..8.
std::string BuildD(const DeviceImage& image, int bus);
// Low-pass and high-pass filters of an input.
std::string BuildE(const DeviceImage& image, int ch);
std::string BuildF(const DeviceImage& image, int ch);
// One PEQ band (1..5) of an input, with the channel's EQ switch.
std::string BuildG(const DeviceImage& image, int ch, int band);
// Graphic EQ of a bus: the switch and the 31 halved gains as one field of 62 digits.
std::string BuildH(const DeviceImage& image, int bus);
// MIC/LINE level, delay and feedback switch of a bus.
std::string BuildI(const DeviceImage& image, int bus);
std::string BuildJ(const DeviceImage& image, int bus);
std::string BuildK(const DeviceImage& image, int bus);
// Send levels of an input: the six aux sends ("%I,", CH1..CH18) and the delay and reverb
// sends after the tag 02 ("%J,", CH1..CH16). Other channels send nothing.
std::string BuildAuxSends(const DeviceImage& image, int ch);
std::string BuildEffectSends(const DeviceImage& image, int ch);
// Auto-mixer level and priority of an input.
std::string BuildL(const DeviceImage& image, int ch);
// Auto-mixer settings and detector (no channel).
std::string BuildM(const DeviceImage& image);
std::string BuildN(const DeviceImage& image);
// Source and input gain of an input, with the phantom switches of CH1..CH16 as a mask.
std::string BuildO(const DeviceImage& image, int ch);
// Start (1) or stop (0) the periodic status reports.
std::string BuildQ(int value);
// Name of an input 1..20 or a bus 21..28: the name cut to 8 GBK bytes (whole
// characters) as eight UTF-16 units, and its 288-byte bitmap drawn by the renderer
// (all zeros without one).
std::string BuildV(const DeviceImage& image, int ch, const GlyphRenderer* renderer);
// Call microphone unit 0..255 (0 when no unit is selected).
std::string BuildW(int unit);
// Assignments of microphone unit 1..10: five bytes in one field, 0 written FF.
std::string BuildX(const DeviceImage& image, int unit);
// The hello: ask for the full dump.
std::string BuildZ();
// Ask for the basic version ("%r," 01, 00), answered with an "r" frame (field 2).
std::string BuildBasicVersionQuery();

} // namespace krm
