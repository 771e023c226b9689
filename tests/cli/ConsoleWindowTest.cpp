#include "cli/ConsoleWindow.h"

#include <gtest/gtest.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "cli/LogFile.h"
#include "cli/ProgressBar.h"
#include "cli/Terminal.h"
#include "tests/cli/Capture.h"

namespace orvane::cli {
namespace {

void Append(ConsoleWindow& window, const std::string& text) {
    {
        std::lock_guard<std::mutex> lock(window.m_logGuard);
        window.m_strLog += text;
    }
    window.LogRefresh();
}

TEST(ConsoleWindow, PrintsEachNewLineOnceWithoutItsLineEnd) {
    test::Capture out;
    ConsoleWindow window(out.File());
    window.PrintLine("Open USB interface success.");
    Append(window, "Enter bootloader mode success!\r\n");
    Append(window, "Start bootloader.\r\nBL Version:V1");
    EXPECT_EQ(window.LastLine(), "Start bootloader.") << "a line without its end waits";
    Append(window, ".2\r\n");
    window.LogRefresh();  // nothing new: prints nothing
    EXPECT_EQ(out.Text(),
              "Open USB interface success.\nEnter bootloader mode success!\nStart bootloader.\n"
              "BL Version:V1.2\n");
    EXPECT_EQ(window.LastLine(), "BL Version:V1.2");
}

TEST(ConsoleWindow, StartsAgainWhenTheWorkerEmptiesTheLog) {
    test::Capture out;
    ConsoleWindow window(out.File());
    Append(window, "Start bootloader.\r\nStart send bootloader command.\r\n");
    {
        std::lock_guard<std::mutex> lock(window.m_logGuard);
        window.m_strLog.clear();  // a new run
    }
    Append(window, "Read file fail.\r\n");
    EXPECT_EQ(out.Text(), "Start bootloader.\nStart send bootloader command.\nRead file fail.\n");
}

TEST(ConsoleWindow, DrawsProgressOnlyWhereItIsAskedForAndClearsItBeforeALine) {
    test::Capture out;
    test::Capture progress;
    ConsoleWindow window(out.File(), progress.File());
    window.OnProgress(0, 4);
    window.OnProgress(2, 4);
    EXPECT_NE(progress.Text().find("] 2/4\033[K"), std::string::npos) << progress.Text();
    window.PrintLine("Start bootloader.");
    window.EndProgress();
    EXPECT_EQ(out.Text(), "Start bootloader.\n") << "progress never reaches the log stream";
    const std::string shown = progress.Text();
    EXPECT_EQ(shown.substr(shown.size() - 4), "\r\033[K") << "the bar is wiped at the end";

    test::Capture quiet;
    ConsoleWindow noProgress(quiet.File());
    noProgress.OnProgress(1, 4);
    noProgress.PrintLine("x");
    EXPECT_EQ(quiet.Text(), "x\n");
}

// The worker's diagnostics go to the diagnostics stream, never to the log lines; the long
// wait shows in the bar, the exchanges only with -v.
TEST(ConsoleWindow, SendsTheWorkersDiagnosticsToTheirOwnStream) {
    for (const bool verbose : {false, true}) {
        test::Capture out;
        test::Capture err;
        test::Capture bar;
        ConsoleSetup setup;
        setup.out = out.File();
        setup.err = err.File();
        setup.verbose = verbose;
        setup.progress = bar.File();
        setup.columns = 80;
        ConsoleWindow window(setup);
        window.OnProgress(0, 3);
        window.OnLongWait({orvane::WaitKind::BootloaderEntry, 1, 5000});
        window.OnExchange({1, 0xC7, 0x12, 14, 16, 0xC7, 0x00, 2700});
        orvane::SendFailure failure;
        failure.frame = 2;
        failure.command = 0xC7;
        failure.sub = 0x16;
        failure.reply = orvane::ReplyKind::BadStatus;
        failure.replyBytes = 16;
        failure.replyCommand = 0xC7;
        failure.replyStatus = 0x05;
        window.OnSendFailed(failure);
        window.EndProgress();

        EXPECT_EQ(out.Text(), "");
        std::string expected;
        if (verbose) {
            expected +=
                "orvane-flash: frame 1: device restarting into its bootloader (5000 ms)\n"
                "orvane-flash: frame 1 C7/12: sent 14 bytes, reply 16 bytes C7/00, 2700 ms\n";
        }
        expected +=
            "orvane-flash: frame 2 (command C7, sub-command 16): reply status 05 (0 is success)\n";
        EXPECT_EQ(err.Text(), expected);
        EXPECT_NE(bar.Text().find("0/3  device restarting into its bootloader (5000 ms)"),
                  std::string::npos)
            << bar.Text();
    }
}

TEST(ConsoleWindow, QuietSendsNothingButTheLogLines) {
    test::Capture out;
    ConsoleSetup setup;
    setup.out = out.File();
    ConsoleWindow window(setup);
    orvane::ReadFailure failure;
    failure.path = "fw.txt";
    failure.reason = "No such file or directory";
    window.OnProgress(0, 2);
    window.OnReadFailed(failure);
    window.Diagnose("anything");
    window.PrintLine("Read file fail.");
    EXPECT_EQ(out.Text(), "Read file fail.\n");
}

TEST(ConsoleWindow, AppendsEachLogLineWithItsTimestampToTheLogFile) {
    const std::string path = ::testing::TempDir() + "orvane-flash-console.log";
    std::remove(path.c_str());
    std::ofstream(path) << "earlier run\n";
    LogFile log;
    std::string error;
    ASSERT_TRUE(log.Open(path, error)) << error;
    test::Capture out;
    ConsoleSetup setup;
    setup.out = out.File();
    setup.log = &log;
    ConsoleWindow window(setup);
    window.PrintLine("Open RS232 interface success.");
    Append(window, "Start bootloader.\r\n");
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), 3U);
    EXPECT_EQ(lines[0], "earlier run") << "the log is appended to";
    // 2026-12-10T14:03:07.250+0100 and the line.
    const std::regex stamped(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d{4} (.*))");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(lines[1], match, stamped)) << lines[1];
    EXPECT_EQ(match[1], "Open RS232 interface success.");
    ASSERT_TRUE(std::regex_match(lines[2], match, stamped)) << lines[2];
    EXPECT_EQ(match[1], "Start bootloader.");
    std::remove(path.c_str());

    LogFile nowhere;
    EXPECT_FALSE(nowhere.Open(::testing::TempDir() + "no-such-dir/x.log", error));
    EXPECT_EQ(error, "No such file or directory");
}

TEST(LogFile, StampsLocalTimeWithMillisecondsAndOffset) {
    const char* zone = std::getenv("TZ");
    const std::string saved = zone != nullptr ? zone : "";
    setenv("TZ", "UTC", 1);
    tzset();
    const auto when = std::chrono::system_clock::time_point(
        std::chrono::milliseconds(1'781'100'187'250LL));  // 2026-06-10T14:03:07.250Z
    EXPECT_EQ(FormatTimestamp(when), "2026-06-10T14:03:07.250+0000");
    if (zone != nullptr) {
        setenv("TZ", saved.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
}

// The bar never reaches the terminal's last column, cuts the note before it narrows itself,
// and keeps only the count when even a narrow bar does not fit.
TEST(ProgressText, FitsTheTerminalWidth) {
    struct Case {
        int done;
        int total;
        const char* note;
        int columns;
        std::string text;
    };
    const std::string full40 = "[" + std::string(20, '#') + std::string(20, '.') + "]";
    const Case cases[] = {
        {2, 4, "", 80, full40 + " 2/4"},
        {2, 4, "erasing (2000 ms)", 80, full40 + " 2/4  erasing (2000 ms)"},
        {1, 4, "device restarting into its bootloader (5000 ms)", 40,
         "[##........] 1/4  device restarting ..."},
        {4, 4, "", 20, "[#############] 4/4"},
        {0, 9, "finishing (4000 ms)", 17, "[..........] 0/9"},
        {3, 9, "", 12, "3/9"},
        {3, 9, "", 3, ""},
        {12, 9, "", 20, "[#############] 9/9"},  // clamped
    };
    for (const Case& c : cases) {
        const std::string text = ProgressText(c.done, c.total, c.note, c.columns);
        EXPECT_EQ(text, c.text) << c.columns;
        EXPECT_LT(static_cast<int>(text.size()), c.columns > 0 ? c.columns : 1) << c.columns;
    }
}

// Not a terminal, or TERM=dumb: no bar and no control codes.
TEST(Terminal, RedrawsOnlyOnACapableTerminal) {
    test::Capture file;
    EXPECT_FALSE(CanRedrawLine(file.File()));
    int master = -1;
    int slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    std::FILE* tty = fdopen(slave, "w");
    ASSERT_NE(tty, nullptr);
    winsize size{};
    size.ws_col = 57;
    size.ws_row = 20;
    ioctl(slave, TIOCSWINSZ, &size);
    const char* term = std::getenv("TERM");
    const std::string saved = term != nullptr ? term : "";
    setenv("TERM", "xterm", 1);
    EXPECT_TRUE(CanRedrawLine(tty));
    EXPECT_EQ(TerminalColumns(tty), 57);
    setenv("TERM", "dumb", 1);
    EXPECT_FALSE(CanRedrawLine(tty));
    unsetenv("TERM");
    EXPECT_FALSE(CanRedrawLine(tty));
    if (term != nullptr) {
        setenv("TERM", saved.c_str(), 1);
    }
    std::fclose(tty);
    close(master);
}

}  // namespace
}  // namespace orvane::cli
