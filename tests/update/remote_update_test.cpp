// The remote update end to end: a real HTTP server on 127.0.0.1 serves the update page and
// the firmware files; the identification and the transfer are recorded fakes, time is the
// fake clock.

#include "update/remote_update.h"

#include "tests/support/fake_clock.h"
#include "tests/support/http_test_server.h"
#include "update/update_page.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace krm {
namespace {

namespace fs = std::filesystem;
using test::FakeClock;
using test::HttpTestServer;
using namespace std::chrono_literals;

struct Shown {
    std::string en;
    std::string zh;
    std::string caption;
    friend bool operator==(const Shown&, const Shown&) = default;
};

std::ostream& operator<<(std::ostream& os, const Shown& s) {
    return os << '"' << s.en << "\" / \"" << s.zh << "\" [" << s.caption << ']';
}

class RecordingReporter final : public UpdateReporter {
public:
    std::vector<Shown> messages;
    std::vector<std::vector<std::string>> versionCalls;

    void progressRange(int) override {}
    void progress(int) override {}
    void message(const Message& text) override { messages.push_back({text.en, text.zh, ""}); }
    void messageWithCaption(const Message& text, const std::string& caption) override {
        messages.push_back({text.en, text.zh, caption});
    }
    void versions(const std::string& hardware, const std::string& basic,
                  const std::string& remote) override {
        versionCalls.push_back({hardware, basic, remote});
    }
    bool ask(const Message&) override { return false; }
};

struct SentFile {
    std::string path;
    int kind;
    Millis at;
    std::string contents; // the file as it lay on disk when the transfer began
};

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Firmware-like bytes: every byte value, NULs included.
std::string Firmware(std::size_t size, int seed) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + static_cast<std::size_t>(seed)) & 0xFF);
    return bytes;
}

std::set<std::string> FolderNames(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

struct RemoteRig {
    RemoteRig() {
        ::setenv("KRM416X_LOOPBACK_ONLY", "1", 1);
        std::string dir = (fs::temp_directory_path() / "krm-remote-XXXXXX").string();
        folder = ::mkdtemp(dir.data());
        server.serve("/dsp.bin", {200, dsp});
        server.serve("/digital.bin", {200, digital});
    }
    ~RemoteRig() { fs::remove_all(folder); }

    std::string page(const std::string& version) const {
        return "<html><p>KRM news</p>##$$" + server.url("/dsp.bin") + "%%%%" +
               server.url("/digital.bin") + "%%%%" + version + "$$##</html>";
    }

    RemoteUpdateResult run() { return update.run(server.url("/page"), folder.string()); }
    std::size_t requests(const std::string& path) const {
        std::size_t n = 0;
        for (const auto& r : server.requests())
            n += r.path == path;
        return n;
    }

    HttpTestServer server;
    FakeClock clock;
    RecordingReporter reporter;
    std::atomic<bool> stop{false};
    HttpClient http{clock, &stop, HttpLimits{2s, 2s, 1 << 20}};
    fs::path folder;
    const std::string dsp = Firmware(5000, 1);
    const std::string digital = Firmware(42995, 2);

    std::optional<std::string> hardware = "32";
    int failKind = -1; // the transfer of this kind fails
    std::vector<SentFile> sent;
    RemoteUpdate update{
        RemoteUpdateSteps{[this] { return hardware; },
                          [this](const std::string& path, int kind) {
                              sent.push_back({path, kind, clock.now(), ReadFile(path)});
                              return kind != failKind;
                          }},
        http, clock, reporter, &stop};
};

TEST(RemoteUpdate, NewerPageDownloadsBothFilesAndSendsTheDigitalFirmwareFirst) {
    RemoteRig rig;
    rig.server.serve("/page", {200, rig.page("33")});
    const Millis start = rig.clock.now();

    EXPECT_EQ(rig.run(), RemoteUpdateResult::Updated);

    const std::string dspPath = (rig.folder / "upate1.bin").string();
    const std::string digitalPath = (rig.folder / "upate2.bin").string();
    ASSERT_EQ(rig.sent.size(), 2u);
    EXPECT_EQ(rig.sent[0].path, digitalPath);
    EXPECT_EQ(rig.sent[0].kind, 1);
    EXPECT_EQ(rig.sent[0].contents, rig.digital);
    EXPECT_EQ(rig.sent[1].path, dspPath);
    EXPECT_EQ(rig.sent[1].kind, 0);
    EXPECT_EQ(rig.sent[1].contents, rig.dsp);
    EXPECT_EQ(rig.sent[0].at - start, 1000ms); // after both downloads
    EXPECT_EQ(rig.sent[1].at - rig.sent[0].at, 2000ms);
    EXPECT_EQ(ReadFile(dspPath), rig.dsp);
    EXPECT_EQ(ReadFile(digitalPath), rig.digital);
    EXPECT_EQ(FolderNames(rig.folder), (std::set<std::string>{"upate1.bin", "upate2.bin"}));

    EXPECT_EQ(rig.reporter.versionCalls, (std::vector<std::vector<std::string>>{{"32", "", "33"}}));
    EXPECT_EQ(rig.reporter.messages,
              (std::vector<Shown>{{"Update successfully.", "Update successfully.", ""}}));

    // Page first, then the DSP file, then the digital file; every request asks past caches.
    const auto requests = rig.server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].path, "/page");
    EXPECT_EQ(requests[1].path, "/dsp.bin");
    EXPECT_EQ(requests[2].path, "/digital.bin");
    for (const auto& r : requests) {
        SCOPED_TRACE(r.path);
        EXPECT_EQ(r.method, "GET");
        EXPECT_EQ(r.headers.at("accept"), "*/*");
        EXPECT_EQ(r.headers.at("cache-control"), "no-cache");
        EXPECT_EQ(r.headers.at("pragma"), "no-cache");
        // The agent carries the millisecond tick of the injected clock.
        EXPECT_EQ(r.headers.at("user-agent"), "Agent" + std::to_string(start.count()));
    }
}

TEST(RemoteUpdate, EachOutcomeShowsItsMessageAndSendsOnlyWhatItShould) {
    struct Case {
        const char* name;
        std::function<void(RemoteRig&)> setup;
        RemoteUpdateResult result;
        Shown shown;
        std::vector<std::string> remoteLabel; // versions() call; empty: none
        int downloads;                        // firmware requests
        int transfers;
    };
    const Shown updateFail{"update fail", "update fail", ""};
    const Shown pageFail{"Update fail.", "Update fail.", "Warming"};
    const Shown newest{"Software is the newst.", "软件已是最新版本.", ""};
    const std::vector<Case> cases = {
        {"device already at the page's version",
         [](RemoteRig& r) {
             r.hardware = "33";
             r.server.serve("/page", {200, r.page("33")});
         },
         RemoteUpdateResult::UpToDate,
         newest,
         {"33", "", "33"},
         0,
         0},
        {"a smaller number that is larger as text is not newer",
         [](RemoteRig& r) {
             r.hardware = "31";
             r.server.serve("/page", {200, r.page("4")});
         },
         RemoteUpdateResult::UpToDate,
         newest,
         {"31", "", "4"},
         0,
         0},
        {"one %%%% only: no version, nothing newer",
         [](RemoteRig& r) {
             r.server.serve("/page", {200, "##$$" + r.server.url("/dsp.bin") + "%%%%33$$##"});
         },
         RemoteUpdateResult::UpToDate,
         newest,
         {"32", "", ""},
         0,
         0},
        {"page not found",
         [](RemoteRig& r) {
             r.server.serve("/page", {404, r.page("33")});
         },
         RemoteUpdateResult::PageError,
         pageFail,
         {},
         0,
         0},
        {"page without its markers",
         [](RemoteRig& r) {
             r.server.serve("/page", {200, "<html>maintenance</html>"});
         },
         RemoteUpdateResult::PageError,
         pageFail,
         {},
         0,
         0},
        {"device does not answer",
         [](RemoteRig& r) {
             r.hardware.reset();
             r.server.serve("/page", {200, r.page("33")});
         },
         RemoteUpdateResult::VersionError,
         Shown{"Get version error.", "获得版本失败.", ""},
         {},
         0,
         0},
        {"first download missing",
         [](RemoteRig& r) {
             r.server.serve("/page", {200, r.page("33")});
             r.server.serve("/dsp.bin", {404, "gone"});
         },
         RemoteUpdateResult::DownloadFailed,
         updateFail,
         {"32", "", "33"},
         1,
         0},
        {"digital transfer fails: the DSP file is not sent",
         [](RemoteRig& r) {
             r.failKind = 1;
             r.server.serve("/page", {200, r.page("33")});
         },
         RemoteUpdateResult::TransferFailed,
         updateFail,
         {"32", "", "33"},
         2,
         1},
        {"DSP transfer fails",
         [](RemoteRig& r) {
             r.failKind = 0;
             r.server.serve("/page", {200, r.page("33")});
         },
         RemoteUpdateResult::TransferFailed,
         updateFail,
         {"32", "", "33"},
         2,
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RemoteRig rig;
        c.setup(rig);
        EXPECT_EQ(rig.run(), c.result);
        EXPECT_EQ(rig.reporter.messages, std::vector<Shown>{c.shown});
        if (c.remoteLabel.empty())
            EXPECT_TRUE(rig.reporter.versionCalls.empty());
        else
            EXPECT_EQ(rig.reporter.versionCalls,
                      std::vector<std::vector<std::string>>{c.remoteLabel});
        EXPECT_EQ(rig.requests("/dsp.bin") + rig.requests("/digital.bin"),
                  static_cast<std::size_t>(c.downloads));
        EXPECT_EQ(rig.requests("/page"), c.result == RemoteUpdateResult::VersionError ? 0u : 1u);
        EXPECT_EQ(rig.sent.size(), static_cast<std::size_t>(c.transfers));
    }
}

TEST(RemoteUpdate, PageReadInSmallPiecesIsJoinedExactly) {
    RemoteRig rig;
    rig.hardware = "33";
    // Three-byte pieces: every four-byte marker straddles a piece boundary, and the page
    // carries a NUL and bytes above 0x7F that must survive the joining.
    const std::string page = std::string("x\0\xFF\xFE", 4) + "ab" + rig.page("34") + "tail";
    rig.server.serve("/page", {200, page, {}, 3, 2ms});

    EXPECT_EQ(rig.http.fetch(rig.server.url("/page")), page);
    EXPECT_EQ(rig.run(), RemoteUpdateResult::Updated);
    EXPECT_EQ(rig.reporter.versionCalls, (std::vector<std::vector<std::string>>{{"33", "", "34"}}));
}

TEST(RemoteUpdate, BrokenSecondDownloadSendsNothingAndKeepsTheOldFile) {
    RemoteRig rig;
    rig.server.serve("/page", {200, rig.page("33")});
    // The server hangs up halfway while its Content-Length announces the whole file.
    rig.server.serve("/digital.bin", {200, rig.digital, {}, 4096, 1ms, rig.digital.size() / 2});
    WriteFile(rig.folder / "upate2.bin", "old digital firmware");

    EXPECT_EQ(rig.run(), RemoteUpdateResult::DownloadFailed);
    EXPECT_TRUE(rig.sent.empty());
    EXPECT_EQ(ReadFile(rig.folder / "upate2.bin"), "old digital firmware");
    EXPECT_EQ(rig.http.lastError(), HttpError::Connect);
    // No temporary file is left behind; the complete first file is in place.
    EXPECT_EQ(FolderNames(rig.folder), (std::set<std::string>{"upate1.bin", "upate2.bin"}));
    EXPECT_EQ(ReadFile(rig.folder / "upate1.bin"), rig.dsp);
    EXPECT_EQ(rig.reporter.messages, (std::vector<Shown>{{"update fail", "update fail", ""}}));
}

TEST(RemoteUpdate, LoopbackGuardRefusesOutsideAddressesBeforeAnyConnection) {
    RemoteRig rig;
    const std::string target = (rig.folder / "upate1.bin").string();
    // An outside address, a name (a lookup would already leave the machine) and a redirect
    // from the local server to an outside address.
    rig.server.serve("/away", {302, "", {"Location: http://192.0.2.7:8080/upate1.bin"}});
    rig.server.serve("/page", {200, "the page"});
    rig.server.serve("/moved", {301, "moved", {"Location: " + rig.server.url("/page")}});
    for (const std::string& url :
         {std::string("http://192.0.2.7:8080/page"),
          std::string("http://update.example.invalid/page"), rig.server.url("/away")}) {
        SCOPED_TRACE(url);
        EXPECT_EQ(rig.http.fetch(url), std::nullopt);
        EXPECT_EQ(rig.http.lastError(), HttpError::Refused);
        EXPECT_FALSE(rig.http.download(url, target));
        EXPECT_EQ(rig.http.lastError(), HttpError::Refused);
    }
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(rig.server.requestCount(), 2u); // only "/away", fetched and downloaded

    // A redirect within the machine is followed; only the final body is the page.
    EXPECT_EQ(rig.http.fetch(rig.server.url("/moved")), "the page");
    EXPECT_EQ(rig.http.fetch("ftp://127.0.0.1/page"), std::nullopt);
    EXPECT_EQ(rig.http.lastError(), HttpError::BadAddress);
}

TEST(RemoteUpdate, StopEndsASlowDownloadPromptlyAndKeepsTheOldFile) {
    RemoteRig rig;
    // 100 pieces 100 ms apart: ten seconds if nobody stops it.
    rig.server.serve("/slow.bin", {200, Firmware(100 * 64, 3), {}, 64, 100ms});
    const fs::path target = rig.folder / "upate1.bin";
    WriteFile(target, "old");

    std::thread stopper([&] {
        std::this_thread::sleep_for(150ms);
        rig.stop = true;
    });
    const auto begin = std::chrono::steady_clock::now();
    const bool ok = rig.http.download(rig.server.url("/slow.bin"), target.string());
    const auto took = std::chrono::steady_clock::now() - begin;
    stopper.join();

    EXPECT_FALSE(ok);
    EXPECT_EQ(rig.http.lastError(), HttpError::Stopped);
    EXPECT_LT(took, 150ms + 250ms);
    EXPECT_EQ(ReadFile(target), "old");
    EXPECT_EQ(FolderNames(rig.folder), std::set<std::string>{"upate1.bin"});
}

} // namespace
} // namespace krm
