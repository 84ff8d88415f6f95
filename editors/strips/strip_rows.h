#pragma once
// StripRows: the row sizes the channel strips lay their controls out with. From 700 pixels
// of strip height up the strips use the roomy rows; a shorter strip (a laptop screen: 768
// or 720 pixels high) uses compact rows with smaller gaps and a shorter curve thumbnail, so
// that every control stays inside the strip and the fader keeps what is left. Pure values;
// any thread.

namespace krm {

struct StripRows {
    int top = 10;       // y of the name button
    int name = 26;      // name button
    int caption = 16;   // "SIGNAL" caption
    int row = 24;       // lists and buttons
    int gap = 4;        // between rows
    int graph = 56;     // curve thumbnail
    int indicator = 20; // auto-mixer open state
    int label = 22;     // channel label plate
    int bottom = 8;     // free under the last control

    // Below this strip height the compact rows apply.
    static constexpr int kCompactBelow = 700;

    static constexpr StripRows forHeight(int stripHeight) {
        if (stripHeight >= kCompactBelow)
            return {};
        return {8, 22, 13, 22, 3, 34, 18, 18, 6};
    }
};

} // namespace krm
