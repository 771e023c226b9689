#include "cli/ConsoleWindow.h"

#include <gtest/gtest.h>

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
    EXPECT_NE(progress.Text().find("2/4 frames"), std::string::npos) << progress.Text();
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

}  // namespace
}  // namespace orvane::cli
