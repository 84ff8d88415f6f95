#pragma once
// Static input/output curve of the compressor and the limiter: what the dynamics editors
// draw and what their IN / GR / OUT meters show.
//
// Pure function; callable from any thread.

namespace krm {

// Output level (dB) for input level inDb, threshold thresholdDb, ratio (1:ratio) and make-up
// gain makeupDb. Up to the threshold the level passes with the make-up gain; above it the
// line continues with slope 1/ratio up to where it reaches 0 dB output (at most up to 0 dB
// input), and reads 0 dB beyond. When threshold plus make-up gain is already above 0 dB the
// output reads 0 dB everywhere above the threshold. A ratio below 1 (the code 0 of a record
// that was never loaded) counts as 1.
double staticGainCurve(double inDb, double thresholdDb, double ratio, double makeupDb);

} // namespace krm
