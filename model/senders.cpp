#include "model/senders.h"

#include "model/frame_builders.h"

namespace krm {

CommandSet::CommandSet(const DeviceImage& image, FrameSink& sink, Clock& clock,
                       const GlyphRenderer* glyphs)
    : m_image(image), m_sink(sink), m_clock(clock), m_glyphs(glyphs) {}

template <class Build> bool CommandSet::send(Build build, Pause pause, SendGate gate) {
    if (gate == SendGate::WhileOnline && !m_sink.isOnline())
        return false;
    const std::string frame = build();
    if (frame.empty())
        return false; // selector outside the letter's range
    const bool sent = m_sink.SendFrame(frame);
    if (pause == Pause::After)
        m_clock.sleepFor(kPauseAfterSend);
    return sent;
}

namespace {
constexpr auto kOnline = SendGate::WhileOnline;
} // namespace

bool CommandSet::SendA(int ch) {
    return send([&] { return BuildA(m_image, ch); }, Pause::None, kOnline);
}
bool CommandSet::SendB(int ch) {
    return send([&] { return BuildB(m_image, ch); }, Pause::None, kOnline);
}
bool CommandSet::SendC(int ch) {
    return send([&] { return BuildC(m_image, ch); }, Pause::None, kOnline);
}
bool CommandSet::SendD(int bus) {
    return send([&] { return BuildD(m_image, bus); }, Pause::None, kOnline);
}
bool CommandSet::SendE(int ch) {
    return send([&] { return BuildE(m_image, ch); }, Pause::None, kOnline);
}
bool CommandSet::SendF(int ch) {
    return send([&] { return BuildF(m_image, ch); }, Pause::None, kOnline);
}
bool CommandSet::SendG(int ch, int band) {
    return send([&] { return BuildG(m_image, ch, band); }, Pause::None, kOnline);
}
bool CommandSet::SendH(int bus) {
    return send([&] { return BuildH(m_image, bus); }, Pause::None, kOnline);
}
bool CommandSet::SendI(int bus) {
    return send([&] { return BuildI(m_image, bus); }, Pause::None, kOnline);
}
bool CommandSet::SendJ(int bus) {
    return send([&] { return BuildJ(m_image, bus); }, Pause::None, kOnline);
}
bool CommandSet::SendK(int bus) {
    return send([&] { return BuildK(m_image, bus); }, Pause::None, kOnline);
}
bool CommandSet::SendL(int ch) {
    return send([&] { return BuildL(m_image, ch); }, Pause::None, kOnline);
}
bool CommandSet::SendM() {
    return send([&] { return BuildM(m_image); }, Pause::None, kOnline);
}
bool CommandSet::SendN() {
    return send([&] { return BuildN(m_image); }, Pause::None, kOnline);
}
bool CommandSet::SendO(int ch) {
    return send([&] { return BuildO(m_image, ch); }, Pause::None, kOnline);
}
bool CommandSet::SendQ(int value, SendGate gate) {
    return send([&] { return BuildQ(value); }, Pause::None, gate);
}
bool CommandSet::SendV(int ch) {
    return send([&] { return BuildV(m_image, ch, m_glyphs); }, Pause::After, kOnline);
}
bool CommandSet::SendW(int unit) {
    return send([&] { return BuildW(unit); }, Pause::After, kOnline);
}
bool CommandSet::SendX(int unit) {
    return send([&] { return BuildX(m_image, unit); }, Pause::After, kOnline);
}
bool CommandSet::SendZ(SendGate gate) {
    return send([&] { return BuildZ(); }, Pause::After, gate);
}

} // namespace krm
