#pragma once
// CommandSet: the senders SendA … SendZ. Each builds its frame from the image at the
// moment of the call (model/frame_builders.h) and hands it to the FrameSink as one
// datagram; the result is true when the whole frame went out. Senders read the image
// and never write it; nothing is queued, acknowledged or retried.
//
// Every sender refuses (returns false, sends nothing) while the sink is not online, so a
// change made offline stays in the image only. The two link-control frames are the
// exception the connect handshake needs: "%Q," 0 and the hello "%Z," go out while the
// link is still connecting (and "%Q," 0 again before a firmware update while only the
// receive thread runs), so SendQ and SendZ take SendGate::Always from those callers.
// The gate stays explicit at each such call rather than lifted for good, so that an
// editor or page can never send them while offline by accident.
//
// "%V,", "%W,", "%X," and "%Z," pause 10 ms after sending (through the Clock).
//
// Threading: reads the image, so call it on the thread that owns the image (the
// user-interface thread). Paced workers send prebuilt frames through the sink instead.

#include "link/clock.h"
#include "link/frame_sink.h"
#include "model/device_image.h"
#include "model/glyph_renderer.h"

#include <string>

namespace krm {

enum class SendGate {
    WhileOnline, // the rule for every parameter frame
    Always,      // link control during the handshake: the sink alone decides
};

class CommandSet {
public:
    static constexpr Millis kPauseAfterSend{10};

    CommandSet(const DeviceImage& image, FrameSink& sink, Clock& clock,
               const GlyphRenderer* glyphs = nullptr);

    // The renderer of name bitmaps; without one "%V," carries an all-zero bitmap.
    void setGlyphRenderer(const GlyphRenderer* glyphs) { m_glyphs = glyphs; }

    bool SendA(int ch);           // inputs 1..20, buses 21..28
    bool SendB(int ch);           // inputs 1..20
    bool SendC(int ch);           // inputs 1..20
    bool SendD(int bus);          // buses 1..8
    bool SendE(int ch);           // inputs 1..20
    bool SendF(int ch);           // inputs 1..20
    bool SendG(int ch, int band); // inputs 1..20, bands 1..5
    bool SendH(int bus);          // buses 1..8
    bool SendI(int bus);
    bool SendJ(int bus);
    bool SendK(int bus);
    bool SendL(int ch);
    bool SendM();
    bool SendN();
    bool SendO(int ch);
    bool SendQ(int value, SendGate gate = SendGate::WhileOnline); // 1 start, 0 stop
    bool SendV(int ch);                                           // inputs 1..20, buses 21..28
    bool SendW(int unit);                                         // 0 when no unit is selected
    bool SendX(int unit);                                         // units 1..10
    bool SendZ(SendGate gate = SendGate::WhileOnline);

private:
    enum class Pause { None, After };
    // Sends a frame built by build() when the gate allows; builds nothing otherwise.
    template <class Build> bool send(Build build, Pause pause, SendGate gate);

    const DeviceImage& m_image;
    FrameSink& m_sink;
    Clock& m_clock;
    const GlyphRenderer* m_glyphs;
};

} // namespace krm
