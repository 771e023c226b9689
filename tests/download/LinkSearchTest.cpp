// Load's USB step: the open, up to two probes, what the observer hears, and a stop.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "WorkerFixture.h"
#include "link/LinkProbe.h"

namespace worktest {
namespace {

using orvane::LinkAttempt;
using orvane::LinkFault;
using orvane::SearchResult;

class Recorder final : public orvane::ILinkObserver {
public:
    void OnLinkTrying(const LinkAttempt& a) override { lines.push_back("trying " + Name(a)); }
    void OnLinkFailed(const LinkAttempt& a, LinkFault fault) override {
        lines.push_back("failed " + Name(a) + ": " + orvane::LinkFaultText(fault));
    }
    void OnLinkAnswered(const LinkAttempt& a) override { lines.push_back("answered " + Name(a)); }
    static std::string Name(const LinkAttempt& a) {
        char ids[16];
        std::snprintf(ids, sizeof ids, "%04X:%04X", a.vid, a.pid);
        return std::string(ids) + " [" + a.port + "] " + std::to_string(a.index + 1) + "/" +
               std::to_string(a.count);
    }
    std::vector<std::string> lines;
};

// A back end that lists a matching device it cannot open, at a path that does not exist (so
// that access(2) refuses it, even for root).
class UnopenableHidBackend final : public orvane::IHidBackend {
public:
    std::vector<orvane::HidDeviceInfo> Enumerate() override {
        return {{"/nonexistent/hidraw7", 0x0ACD, 0x3710, ""}};
    }
    std::unique_ptr<orvane::IHidDevice> OpenPath(const std::string&) override { return nullptr; }
};

class UsbSearch : public WorkerFixture {
protected:
    void SetUp() override {
        WorkerFixture::SetUp();
        g_interfaceKind = 1;
        clock.ClearSleeps();
    }
    SearchResult Search() { return orvane::OpenAndProbeUsb(kVid, kPid, &recorder, &backend); }

    Recorder recorder;
};

TEST_F(UsbSearch, AnswerOnTheFirstProbe) {
    hid->respond = [](const Bytes&) { return CutIntoReports(Message(0x18, 0x00)); };
    EXPECT_EQ(Search(), SearchResult::Answered);
    EXPECT_EQ(recorder.lines,
              (std::vector<std::string>{"trying 0ACD:3710 [/dev/hidraw-test] 1/2",
                                        "answered 0ACD:3710 [/dev/hidraw-test] 1/2"}));
    EXPECT_TRUE(g_hidLink.IsOpen());
}

TEST_F(UsbSearch, SilentDeviceIsProbedTwice) {
    EXPECT_EQ(Search(), SearchResult::NoAnswer);
    EXPECT_EQ(recorder.lines, (std::vector<std::string>{
                                  "trying 0ACD:3710 [/dev/hidraw-test] 1/2",
                                  "failed 0ACD:3710 [/dev/hidraw-test] 1/2: opened but no answer",
                                  "trying 0ACD:3710 [/dev/hidraw-test] 2/2",
                                  "failed 0ACD:3710 [/dev/hidraw-test] 2/2: opened but no answer",
                              }));
    EXPECT_EQ(hid->written.size(), 2U);
    EXPECT_EQ(clock.Sleeps(), (std::vector<uint32_t>{500, 500}));
}

// The probes still run after an open that found nothing, as Load's steps say; the observer is
// told why once, before them.
TEST_F(UsbSearch, MissingDeviceIsNamedNotFound) {
    hid->present = [](int) { return false; };
    EXPECT_EQ(Search(), SearchResult::NoAnswer);
    EXPECT_EQ(recorder.lines, (std::vector<std::string>{
                                  "failed 0ACD:3710 [] 1/2: not found",
                                  "trying 0ACD:3710 [] 1/2",
                                  "trying 0ACD:3710 [] 2/2",
                              }));
    // Two probes of 500 ms and a 5000 ms window each, slept through rather than spun.
    EXPECT_EQ(clock.NowMs(), 2U * 5500);
}

TEST_F(UsbSearch, DeviceThatWillNotOpenIsNamedWithItsPath) {
    UnopenableHidBackend unopenable;
    g_hidLink.SetBackend(&unopenable);
    EXPECT_EQ(orvane::OpenAndProbeUsb(kVid, kPid, &recorder, &unopenable), SearchResult::NoAnswer);
    ASSERT_FALSE(recorder.lines.empty());
    EXPECT_EQ(recorder.lines.front(),
              "failed 0ACD:3710 [/nonexistent/hidraw7] 1/2: permission denied");
}

TEST_F(UsbSearch, StopDuringTheFirstProbeEndsTheSearch) {
    clock.SetOnSleep([this](uint32_t) { clock.RequestStop(); });
    EXPECT_EQ(Search(), SearchResult::Stopped);
    EXPECT_EQ(hid->written.size(), 1U);  // no second probe
    EXPECT_EQ(recorder.lines,
              (std::vector<std::string>{"trying 0ACD:3710 [/dev/hidraw-test] 1/2"}));
}

TEST_F(UsbSearch, StopBeforeTheSearchOpensNothing) {
    clock.RequestStop();
    EXPECT_EQ(Search(), SearchResult::Stopped);
    EXPECT_EQ(hid->opens, 0);
    EXPECT_TRUE(recorder.lines.empty());
}

}  // namespace
}  // namespace worktest
