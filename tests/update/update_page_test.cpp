#include "update/update_page.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace krm {
namespace {

struct PageCase {
    const char* name;
    std::string page;
    std::optional<UpdatePageInfo> expected;
};

std::optional<UpdatePageInfo> Info(std::string dsp, std::string digital, std::string version) {
    return UpdatePageInfo{std::move(dsp), std::move(digital), std::move(version)};
}

TEST(UpdatePage, ParsesTheMarkedBodyExactlyAndRejectsBrokenMarkers) {
    const std::vector<PageCase> cases = {
        {"page text around the markers is ignored",
         "<html><body>news ##$$http://h/1.bin%%%%http://h/2.bin%%%%33$$## more</body></html>",
         Info("http://h/1.bin", "http://h/2.bin", "33")},
        {"a second pair of markers is ignored", "##$$a%%%%b%%%%33$$## ##$$c%%%%d%%%%44$$##",
         Info("a", "b", "33")},
        {"blanks and line ends belong to the fields", "##$$ a \r\n%%%%\tb%%%%33\r\n$$##",
         Info(" a \r\n", "\tb", "33\r\n")},
        {"the first %%%% of five percent signs counts", "##$$a%%%%%b%%%%33$$##",
         Info("a", "%b", "33")},
        {"a third %%%% stays in the version", "##$$a%%%%b%%%%3%%%%3$$##", Info("a", "b", "3%%%%3")},
        {"one %%%% only: no second address, no version", "##$$http://h/1.bin%%%%rest$$##",
         Info("http://h/1.bin", "", "")},
        {"empty fields around the separators", "##$$%%%%%%%%$$##", Info("", "", "")},
        {"no start marker", "a%%%%b%%%%33$$##", std::nullopt},
        {"no end marker", "##$$a%%%%b%%%%33", std::nullopt},
        {"end marker before the start marker", "$$## ##$$a%%%%b%%%%33$$##", std::nullopt},
        {"markers overlapping", "##$$##", std::nullopt},
        {"markers too close", "##$$ab$$##", std::nullopt},
        {"no %%%% in the body", "##$$http://h/1.bin$$## %%%%", std::nullopt},
        {"empty page", "", std::nullopt},
    };
    for (const PageCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto info = ParseUpdatePage(c.page);
        ASSERT_EQ(info.has_value(), c.expected.has_value());
        if (info) {
            EXPECT_EQ(info->dspUrl, c.expected->dspUrl);
            EXPECT_EQ(info->digitalUrl, c.expected->digitalUrl);
            EXPECT_EQ(info->remoteVersion, c.expected->remoteVersion);
        }
    }
}

TEST(UpdatePage, VersionsCompareAsNumbersNeverAsTexts) {
    struct Case {
        const char* hardware;
        const char* remote;
        bool newer;
    };
    const std::vector<Case> cases = {
        {"31", "4", false}, // as texts "4" > "31": an older firmware
        {"32", "33", true},
        {"33", "33", false},
        {"33", "32", false},
        {"09", "10", true},
        {"99", "100", true},
        {"32", "033", true},
        {"32", "33\r\n", true}, // a version on a line of its own
        {"32", "", false},
        {"32", "3a", false},
        {"32", "-40", false},
        {"32", "3.3", false},
        {"32", "100000000000000000000000000", true}, // no overflow
        {"", "33", true},                            // an unreadable hardware version is 0
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.hardware) + " vs " + c.remote);
        EXPECT_EQ(RemoteIsNewer(c.hardware, c.remote), c.newer);
    }

    EXPECT_DOUBLE_EQ(VersionLabelValue("33"), 3.3);
    EXPECT_DOUBLE_EQ(VersionLabelValue("4"), 0.4);
    EXPECT_DOUBLE_EQ(VersionLabelValue(""), 0.0);
    EXPECT_DOUBLE_EQ(VersionLabelValue("x1"), 0.0);
}

} // namespace
} // namespace krm
