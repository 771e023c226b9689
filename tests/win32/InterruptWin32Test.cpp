// Every console control event stops a download as Ctrl-C does (exit status 130).
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <gtest/gtest.h>

#include "cli/Interrupt.h"

namespace orvane::cli {
namespace {

TEST(InterruptWin32, EveryConsoleControlEventIsAnInterrupt) {
    struct Case {
        unsigned long event;
        Interrupt kind;
    };
    const Case cases[] = {
        {CTRL_C_EVENT, Interrupt::Interrupted},
        {CTRL_BREAK_EVENT, Interrupt::Interrupted},
        {CTRL_CLOSE_EVENT, Interrupt::Interrupted},
        {CTRL_LOGOFF_EVENT, Interrupt::Interrupted},
        {CTRL_SHUTDOWN_EVENT, Interrupt::Interrupted},
        {3, Interrupt::None},
        {7, Interrupt::None},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(InterruptOfControlEvent(c.event), c.kind) << c.event;
    }
}

}  // namespace
}  // namespace orvane::cli
