// The Win32 HID back end on stand-in Win32 calls: enumeration, open, capabilities, and the
// overlapped writes and reads with their waits, cancels and device-gone errors.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "link/HidLink.h"
#include "platform/HidBackendWin32.h"
#include "platform/HidDeviceWin32.h"
#include "platform/VirtualClock.h"
#include "tests/win32/FakeHidWin32Api.h"

namespace {

using win32test::FakeDevice;
using win32test::FakeHidWin32Api;
using win32test::Outcome;
using win32test::Report;

const std::string kPathA = "\\\\?\\hid#vid_0acd&pid_3710#a";
const std::string kPathB = "\\\\?\\hid#vid_0acd&pid_3710#b";
const std::string kMouse = "\\\\?\\hid#vid_845e&pid_0001#m";

Report ReportOf(uint8_t code, uint8_t fill) {
    Report r{};
    r.fill(fill);
    r[0] = code;
    return r;
}

Outcome Make(Outcome::Kind kind, DWORD error = 0, Report report = {}) {
    Outcome o;
    o.kind = kind;
    o.error = error;
    o.report = report;
    return o;
}

class Win32HidTest : public ::testing::Test {
protected:
    void SetUp() override {
        orvane::SetClock(&m_clock);
        m_backend = orvane::MakeWin32HidBackend(m_api);
    }
    void TearDown() override { orvane::SetClock(nullptr); }

    // Opens the one device of the stand-in for I/O and clears the log of the open.
    std::unique_ptr<orvane::IHidDevice> OpenOne() {
        m_api.devices = {FakeDevice{kPathA}};
        auto device = m_backend->OpenPath(kPathA);
        m_api.log.clear();
        return device;
    }

    orvane::VirtualClock m_clock;
    FakeHidWin32Api m_api;
    std::unique_ptr<orvane::IHidBackend> m_backend;
};

TEST_F(Win32HidTest, ListsEveryPresentInterfaceInOrderWithIdsFromAQueryOnlyHandle) {
    FakeDevice mouse{kMouse, 0x845E, 0x0001};
    mouse.rwOpens = false;  // held by the system: listed all the same
    m_api.devices = {mouse, FakeDevice{kPathA}};
    const auto list = m_backend->Enumerate();
    ASSERT_EQ(list.size(), 2U);
    EXPECT_EQ(list[0].path, kMouse);
    EXPECT_EQ(list[0].vendorId, 0x845E);
    EXPECT_EQ(list[0].productId, 0x0001);
    EXPECT_EQ(list[1].path, kPathA);
    EXPECT_EQ(list[1].vendorId, 0x0ACD);
    EXPECT_EQ(list[1].productId, 0x3710);
    EXPECT_EQ(m_api.log,
              (std::vector<std::string>{"OpenDevice " + kMouse + " 0 0", "CloseHandle device",
                                        "OpenDevice " + kPathA + " 0 0", "CloseHandle device",
                                        "Destroy set"}));
    EXPECT_EQ(m_api.openHandles, 0);
}

TEST_F(Win32HidTest, LeavesOutWhatCannotBeQueriedAndStopsAtAnUnreadableDetailRecord) {
    FakeDevice noQuery{"\\\\?\\hid#q"};
    noQuery.queryOpens = false;
    FakeDevice noAttributes{"\\\\?\\hid#n"};
    noAttributes.attributesOk = false;
    m_api.devices = {noQuery, noAttributes, FakeDevice{kPathA}, FakeDevice{kPathB}};
    m_api.detailFailsAt = 3;
    const auto list = m_backend->Enumerate();
    ASSERT_EQ(list.size(), 1U);
    EXPECT_EQ(list[0].path, kPathA);
    EXPECT_EQ(m_api.log.back(), "Destroy set");
    EXPECT_EQ(m_api.openHandles, 0);
}

TEST_F(Win32HidTest, NoDeviceSetMeansNoDevices) {
    m_api.devices = {FakeDevice{kPathA}};
    m_api.classDevsFail = true;
    EXPECT_TRUE(m_backend->Enumerate().empty());
    EXPECT_TRUE(m_api.log.empty());
}

TEST_F(Win32HidTest, OpensSharedForReadingAndWritingOverlappedWithTheCapsLengths) {
    FakeDevice device{kPathA};
    device.inputLength = 65;
    device.outputLength = 9;
    m_api.devices = {device};
    auto open = m_backend->OpenPath(kPathA);
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->InputReportLength(), 65U);
    EXPECT_EQ(open->OutputReportLength(), 9U);
    EXPECT_EQ(m_api.log, (std::vector<std::string>{"OpenDevice " + kPathA + " C0000000 40000000"}));
    EXPECT_EQ(m_api.freedPreparsed, 1);
    open.reset();
    EXPECT_EQ(m_api.openHandles, 0);
    EXPECT_EQ(m_backend->OpenPath("\\\\?\\hid#absent"), nullptr);
}

// Through the link: which device Open settles on, and when it refuses.
struct OpenCase {
    const char* name;
    FakeDevice first;
    FakeDevice second;
    int result;
    const char* path;  // of the open device; "" when closed
};

class Win32HidOpenTest : public Win32HidTest, public ::testing::WithParamInterface<OpenCase> {};

FakeDevice With(FakeDevice d, void (*change)(FakeDevice&)) {
    change(d);
    return d;
}

const OpenCase kOpenCases[] = {
    {"FirstOfTwoMatching", FakeDevice{kPathA}, FakeDevice{kPathB}, 1,
     "\\\\?\\hid#vid_0acd&pid_3710#a"},
    {"SkipsOtherIds", FakeDevice{kMouse, 0x845E, 1}, FakeDevice{kPathB}, 1,
     "\\\\?\\hid#vid_0acd&pid_3710#b"},
    {"SkipsOneThatWillNotOpen", With(FakeDevice{kPathA}, [](FakeDevice& d) { d.rwOpens = false; }),
     FakeDevice{kPathB}, 1, "\\\\?\\hid#vid_0acd&pid_3710#b"},
    {"RefusesLongInputReports", With(FakeDevice{kPathA}, [](FakeDevice& d) { d.inputLength = 65; }),
     FakeDevice{kPathB}, 0, ""},
    {"RefusesShortOutputReports",
     With(FakeDevice{kPathA}, [](FakeDevice& d) { d.outputLength = 32; }), FakeDevice{kPathB}, 0,
     ""},
    {"RefusesUnreadablePreparsedData",
     With(FakeDevice{kPathA}, [](FakeDevice& d) { d.preparsedOk = false; }), FakeDevice{kPathB}, 0,
     ""},
    {"RefusesUnreadableCaps", With(FakeDevice{kPathA}, [](FakeDevice& d) { d.capsOk = false; }),
     FakeDevice{kPathB}, 0, ""},
    {"NoneMatching", FakeDevice{kMouse, 0x845E, 1}, FakeDevice{"\\\\?\\hid#k", 0x845E, 2}, 0, ""},
};

TEST_P(Win32HidOpenTest, OpensTheFirstMatchingDeviceWithSixtyFourByteReports) {
    const OpenCase& c = GetParam();
    m_api.devices = {c.first, c.second};
    CHidLink link(m_backend.get());
    EXPECT_EQ(link.Open(0x0ACD, 0x3710), c.result);
    EXPECT_EQ(link.IsOpen(), c.result == 1);
    if (c.result == 1) {
        EXPECT_STREQ(link.DevicePath(), c.path);
        EXPECT_EQ(m_api.openHandles, 1);
    } else {
        EXPECT_EQ(m_api.openHandles, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Win32HidOpenTest, ::testing::ValuesIn(kOpenCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Win32HidTest, AWriteDoneAtOnceOrWithinTheLimitIsSent) {
    auto device = OpenOne();
    m_api.writes = {Make(Outcome::kDone), Make(Outcome::kPendingDone)};
    const Report first = ReportOf(2, 0x11);
    const Report second = ReportOf(4, 0x22);
    EXPECT_EQ(device->Write(first.data(), 64), 64);
    EXPECT_EQ(device->Write(second.data(), 64), 64);
    EXPECT_EQ(m_api.log, (std::vector<std::string>{"WriteFile", "WriteFile", "Wait write 100"}));
    EXPECT_EQ(m_api.written, (std::vector<Report>{first, second}));
}

TEST_F(Win32HidTest, AWriteStillPendingAfterTheLimitIsLeftPendingWithItsBufferKept) {
    auto device = OpenOne();
    m_api.writes = {Make(Outcome::kPendingStuck)};
    const Report report = ReportOf(1, 0x5A);
    EXPECT_EQ(device->Write(report.data(), 64), 0);
    EXPECT_EQ(m_api.log, (std::vector<std::string>{"WriteFile", "Wait write 100"}));
    // Not cancelled, and the bytes the driver still reads are the report's.
    const std::vector<uint8_t> inFlight = m_api.PendingWriteBytes();
    EXPECT_EQ(inFlight, std::vector<uint8_t>(report.begin(), report.end()));

    // The next write gives it the same time before it reuses the buffer: still stuck, 0 again,
    // and nothing new goes out; once it went, the next report does.
    const Report next = ReportOf(1, 0x6B);
    m_api.log.clear();
    EXPECT_EQ(device->Write(next.data(), 64), 0);
    EXPECT_EQ(m_api.log, (std::vector<std::string>{"Wait write 100"}));
    EXPECT_EQ(m_api.PendingWriteBytes(), inFlight);
    m_api.FinishPendingWrite();
    m_api.log.clear();
    EXPECT_EQ(device->Write(next.data(), 64), 64);
    EXPECT_EQ(m_api.log, (std::vector<std::string>{"Wait write 100", "WriteFile"}));
    EXPECT_EQ(m_api.written.back(), next);
}

TEST_F(Win32HidTest, AMessageStopsAtTheReportThatStaysPending) {
    m_api.devices = {FakeDevice{kPathA}};
    CHidLink link(m_backend.get());
    ASSERT_EQ(link.Open(0x0ACD, 0x3710), 1);
    m_api.writes = {Make(Outcome::kDone), Make(Outcome::kPendingStuck)};
    std::vector<uint8_t> message(127, 0xA5);  // three reports
    EXPECT_EQ(link.WriteMessage(message.data(), 127), 0);
    ASSERT_EQ(m_api.written.size(), 2U);
    EXPECT_EQ(m_api.written[0][0], 2);
    EXPECT_EQ(m_api.written[1][0], 3);
}

TEST_F(Win32HidTest, ADeviceGoneFailsThatCallAndEveryLaterOneAtOnce) {
    for (const bool byWrite : {true, false}) {
        auto device = OpenOne();
        Report report = ReportOf(1, 0);
        if (byWrite) {
            m_api.writes = {Make(Outcome::kFail, ERROR_DEVICE_NOT_CONNECTED)};
            EXPECT_EQ(device->Write(report.data(), 64), -1);
        } else {
            m_api.reads = {Make(Outcome::kPendingFail, ERROR_DEVICE_NOT_CONNECTED)};
            EXPECT_EQ(device->Read(report.data(), 64, 20), -1);
        }
        m_api.log.clear();
        EXPECT_EQ(device->Write(report.data(), 64), -1);
        EXPECT_EQ(device->Read(report.data(), 64, 500), -1);
        EXPECT_TRUE(m_api.log.empty()) << (byWrite ? "write" : "read");
    }
}

TEST_F(Win32HidTest, AnotherWriteFailureIsThatReportsAlone) {
    auto device = OpenOne();
    m_api.writes = {Make(Outcome::kFail, ERROR_INVALID_USER_BUFFER), Make(Outcome::kDone)};
    const Report report = ReportOf(1, 0x33);
    EXPECT_EQ(device->Write(report.data(), 64), -1);
    EXPECT_EQ(device->Write(report.data(), 64), 64);
}

// One read as the link's slices make it: what the driver does, what the read gives, and the
// calls it makes.
struct ReadCase {
    const char* name;
    Outcome::Kind kind;
    DWORD error;
    int result;
    std::vector<std::string> calls;
};

class Win32HidReadTest : public Win32HidTest, public ::testing::WithParamInterface<ReadCase> {};

const ReadCase kReadCases[] = {
    {"DoneAtOnce", Outcome::kDone, 0, 64, {"ReadFile"}},
    {"ArrivesWithinTheWait", Outcome::kPendingDone, 0, 64, {"ReadFile", "Wait read 20"}},
    {"SilenceIsCancelledAndSettled",
     Outcome::kPendingStuck,
     0,
     0,
     {"ReadFile", "Wait read 20", "CancelIo", "Wait read 100"}},
    {"AReportThatComesWithTheCancelIsKept",
     Outcome::kPendingWithCancel,
     0,
     64,
     {"ReadFile", "Wait read 20", "CancelIo", "Wait read 100"}},
    {"ACancelThatFailsFailsTheRead",
     Outcome::kPendingNoCancel,
     0,
     -1,
     {"ReadFile", "Wait read 20", "CancelIo"}},
    {"FailsAtOnce", Outcome::kFail, ERROR_INVALID_USER_BUFFER, -1, {"ReadFile"}},
};

TEST_P(Win32HidReadTest, ReadsOneReportWithinTheWait) {
    const ReadCase& c = GetParam();
    auto device = OpenOne();
    const Report input = ReportOf(1, 0x42);
    m_api.reads = {Make(c.kind, c.error, input)};
    Report got{};
    EXPECT_EQ(device->Read(got.data(), got.size(), 20), c.result);
    EXPECT_EQ(m_api.log, c.calls);
    EXPECT_EQ(got, c.result > 0 ? input : Report{});
}

INSTANTIATE_TEST_SUITE_P(Cases, Win32HidReadTest, ::testing::ValuesIn(kReadCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Win32HidTest, AReadThatWouldNotCancelIsWaitedOnRatherThanStartedAgain) {
    auto device = OpenOne();
    m_api.reads = {Make(Outcome::kPendingNoCancel)};
    Report got{};
    EXPECT_EQ(device->Read(got.data(), 64, 20), -1);
    m_api.log.clear();
    EXPECT_EQ(device->Read(got.data(), 64, 20), -1);
    EXPECT_EQ(m_api.log, (std::vector<std::string>{"Wait read 20", "CancelIo"}));
}

TEST_F(Win32HidTest, ThroughTheLinkASilentDeviceCostsTheWholeWaitAndGivesNothing) {
    m_api.devices = {FakeDevice{kPathA}};
    CHidLink link(m_backend.get());
    ASSERT_EQ(link.Open(0x0ACD, 0x3710), 1);
    m_api.log.clear();
    m_api.clock = &m_clock;
    uint8_t dest[64] = {};
    uint32_t count = 99;
    EXPECT_EQ(link.ReadMessage(dest, &count, sizeof dest), 0U);
    EXPECT_EQ(count, 0U);
    // 25 slices of 20 ms, each a read cancelled and settled: nothing is left pending.
    std::vector<std::string> slice = {"ReadFile", "Wait read 20", "CancelIo", "Wait read 100"};
    std::vector<std::string> expected;
    for (int i = 0; i < 25; ++i) {
        expected.insert(expected.end(), slice.begin(), slice.end());
    }
    EXPECT_EQ(m_api.log, expected);
    EXPECT_EQ(m_clock.NowMs(), 500U);
    EXPECT_TRUE(m_clock.Sleeps().empty());
}

TEST_F(Win32HidTest, ClosingAPendingDeviceCancelsAndWaitsForItsIo) {
    auto device = OpenOne();
    m_api.writes = {Make(Outcome::kPendingStuck)};
    const Report report = ReportOf(1, 1);
    EXPECT_EQ(device->Write(report.data(), 64), 0);
    m_api.log.clear();
    device.reset();
    EXPECT_EQ(m_api.log,
              (std::vector<std::string>{"CancelIo", "CloseHandle device", "Wait write 100"}));
    EXPECT_EQ(m_api.openHandles, 0);
}

TEST(Win32HidErrors, TheErrorsOfADeviceThatLeftTheBus) {
    for (DWORD gone : {ERROR_DEVICE_NOT_CONNECTED, ERROR_GEN_FAILURE, ERROR_DEV_NOT_EXIST,
                       ERROR_INVALID_HANDLE}) {
        EXPECT_TRUE(orvane::IsDeviceGoneError(gone)) << gone;
    }
    for (DWORD other : {DWORD{ERROR_IO_PENDING}, DWORD{ERROR_OPERATION_ABORTED},
                        DWORD{ERROR_INVALID_USER_BUFFER}, DWORD{ERROR_SUCCESS}}) {
        EXPECT_FALSE(orvane::IsDeviceGoneError(other)) << other;
    }
}

}  // namespace
