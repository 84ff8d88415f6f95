// Values typed in display units: every text the table shows reads back as its own code,
// and the forms an integrator types ("1k", "on", "+2.5 dB") read as the window's values.

#include "app/ctl/ctl_values.h"

#include <gtest/gtest.h>

namespace krm::ctl {
namespace {

Channel FirstChannel(const Parameter& p) {
    for (int i = 0; i < kInputCount; ++i) {
        const Channel c{p.side, p.side == Side::Device ? 0 : i};
        if (p.existsOn(c))
            return c;
    }
    return Channel::device();
}

TEST(CtlValues, EveryShownTextReadsBackAsItsCode) {
    for (const Parameter& p : Parameters()) {
        const Channel ch = FirstChannel(p);
        const CodeRange codes = p.rangeFor(ch);
        // Long ranges (frequencies) are sampled, ends included.
        const int step = std::max(1, codes.count() / 40);
        for (int code = codes.min; code <= codes.max; code += code == codes.max ? 1 : step) {
            const int c = std::min(code, codes.max);
            const std::string text = ValueText(p, ch, c);
            const auto parsed = ParseDisplayValue(p, ch, text);
            ASSERT_TRUE(std::holds_alternative<std::int32_t>(parsed))
                << p.path(ch) << " '" << text << "': " << std::get<std::string>(parsed);
            EXPECT_EQ(std::get<std::int32_t>(parsed), c) << p.path(ch) << " '" << text << "'";
            if (c == codes.max)
                break;
        }
    }
}

struct Typed {
    const char* path;
    const char* text;
    std::int32_t code; // -1: refused
};

TEST(CtlValues, TypedFormsAndRangeEnds) {
    const Typed cases[] = {
        {"in1.peq1.freq", "1k", 1000},
        {"in1.peq1.freq", "1.5kHz", 1500},
        {"in1.peq1.freq", "19999", 19999},
        {"in1.peq1.freq", "20001", -1},
        {"in1.peq1.gain", "+2.5 dB", 175},
        {"in1.peq1.gain", "-15", 0},
        {"in1.peq1.gain", "-15.1dB", -1},
        {"in1.peq1.gain", "2.54", 175},
        {"in1.mute", "on", 1},
        {"in1.mute", "OFF", 0},
        {"in1.mute", "close", 0},
        {"in1.mute", "maybe", -1},
        {"out1.limiter.ratio", "1:10", 100},
        {"out1.limiter.ratio", "1:11", -1},
        {"in1.source", "d3", 3},
        {"in1.source", "analog", 0},
        {"out1.delay", "100ms", 200},
        {"out1.delay", "0.5 ms", 1},
        {"out1.delay", "101 ms", -1},
        {"in1.gain", "10dB", 70},
        {"in1.gain", "-60", 0},
        {"in1.gain", "11dB", -1},
        {"automix.lastHold", "on", 1},
        {"in1.peq1.freq", "", -1},
    };
    for (const Typed& t : cases) {
        SCOPED_TRACE(std::string(t.path) + " '" + t.text + "'");
        const ParamAddress at = *FindParameter(t.path);
        const auto parsed = ParseDisplayValue(*at.parameter, at.channel, t.text);
        if (t.code < 0) {
            EXPECT_TRUE(std::holds_alternative<std::string>(parsed));
            continue;
        }
        ASSERT_TRUE(std::holds_alternative<std::int32_t>(parsed)) << std::get<std::string>(parsed);
        EXPECT_EQ(std::get<std::int32_t>(parsed), t.code);
    }
}

} // namespace
} // namespace krm::ctl
