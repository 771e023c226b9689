// The window's handlers without a toolkit: start-up, interface switching, the system menu, keys.
#include <string>
#include <vector>

#include "ConsoleFixture.h"
#include "app/console/Resource.h"

namespace consoletest {
namespace {

using Ops = std::vector<std::string>;

TEST_F(HandlerTest, InitDialogSetsUpTheWindowInItsOrder) {
    CUpdaterDlg& w = Open();
    const Ops expected = {// members (all empty) into the controls
                          "text 1010", "text 1002", "text 1004", "text 1003",
                          // the control font, in the template's order but for the Test button
                          "font 1000", "font 1009", "font 1005", "font 1006", "font 1007",
                          "font 1008", "font 1001", "font 1002", "font 1003", "font 1004",
                          "font 1010", "cursel 0", "hide 1007", "hide 1008", "hide 1003",
                          "hide 1004", "text 1002", "hide 1011", "text 1013", "focus 1000"};
    EXPECT_EQ(ws.ops, expected);
    EXPECT_FALSE(ws.controls[IDC_BTN_TEST].font);
    ASSERT_EQ(ws.menuEntries.size(), 1U);
    EXPECT_EQ(ws.menuEntries[0].first, 0x0010U);
    EXPECT_EQ(ws.menuEntries[0].second, "&About Orvane Bootloader...");
    EXPECT_EQ(ws.iconSets, 1);
    EXPECT_EQ(w.m_strBaud, "19200");
    EXPECT_TRUE(w.m_strVid.empty());
    EXPECT_TRUE(w.m_strPid.empty());
    EXPECT_TRUE(LogText().empty());
    EXPECT_EQ(ws.progressValue, 0);
    EXPECT_EQ(w.WorkerThread(), nullptr);
}

TEST_F(HandlerTest, WithoutTheFontTheControlsKeepTheirOwn) {
    ws.fontAvailable = false;
    Open();
    for (const std::string& op : ws.ops) {
        EXPECT_NE(op.rfind("font ", 0), 0U) << op;
    }
    dlg->OnCancel();
    EXPECT_FALSE(ws.fontReleased);  // nothing was created
}

TEST_F(HandlerTest, SwitchingTheInterfaceShowsItsFieldsAndWritesTheDefaults) {
    struct Case {
        int index;
        Ops ops;
        std::string baud, vid, pid;
    };
    const std::vector<Case> cases = {
        {1,
         {"hide 1006", "show 1007", "show 1008", "hide 1002", "show 1003", "show 1004", "text 1003",
          "text 1004"},
         "9600",
         "0x0ACD",
         "0x3710"},
        {0,
         {"show 1006", "hide 1007", "hide 1008", "show 1002", "hide 1003", "hide 1004",
          "text 1002"},
         "19200",
         "1234",
         "5678"},
        {-1, {}, "9600", "1234", "5678"},
    };
    CUpdaterDlg& w = Open();
    for (const Case& c : cases) {
        ws.controls[IDC_EDT_BAUD].text = "9600";
        ws.controls[IDC_EDT_VID].text = "1234";
        ws.controls[IDC_EDT_PID].text = "5678";
        ws.ops.clear();
        Pick(c.index);
        EXPECT_EQ(ws.ops, c.ops) << c.index;
        EXPECT_EQ(ws.controls[IDC_EDT_BAUD].text, c.baud) << c.index;
        EXPECT_EQ(ws.controls[IDC_EDT_VID].text, c.vid) << c.index;
        EXPECT_EQ(ws.controls[IDC_EDT_PID].text, c.pid) << c.index;
        // The members got what the fields held before the defaults went in.
        EXPECT_EQ(w.m_strBaud, "9600") << c.index;
        EXPECT_EQ(w.m_strVid, "1234") << c.index;
    }
}

TEST_F(HandlerTest, TheAboutCommandOpensTheAboutBoxWhateverItsLowBits) {
    CUpdaterDlg& w = Open();
    EXPECT_TRUE(w.OnSysCommand(0x0010));
    EXPECT_TRUE(w.OnSysCommand(0x001F));
    EXPECT_EQ(ws.aboutRuns, 2);
    for (unsigned other : {0xF060U /* SC_CLOSE */, 0xF020U /* SC_MINIMIZE */, 0x0020U}) {
        EXPECT_FALSE(w.OnSysCommand(other)) << other;
    }
    EXPECT_EQ(ws.aboutRuns, 2);
}

TEST_F(HandlerTest, EnterInAFieldKeepsTheWindowAndEscapeEndsIt) {
    CUpdaterDlg& w = Open();
    w.OnOK();
    EXPECT_FALSE(ws.endResult.has_value());
    EXPECT_FALSE(ws.fontReleased);
    w.OnCancel();
    EXPECT_EQ(ws.endResult, 2);
    EXPECT_TRUE(ws.fontReleased);
    // Nothing starts once the window is ending.
    ws.chooserAnswer = "/scripts/a.txt";
    w.OnButtonLoad();
    EXPECT_EQ(ws.chooserRuns, 0);
}

TEST(IconOrigin, CentresTheIconTruncatingTowardZero) {
    struct Case {
        int cw, ch, iw, ih, x, y;
    };
    for (const Case& c : std::vector<Case>{{600, 471, 32, 32, 284, 220},
                                           {33, 32, 32, 32, 1, 0},
                                           {0, 0, 32, 32, -15, -15},
                                           {31, 2, 32, 32, 0, -14}}) {
        const IconOrigin o = CenteredIconOrigin(c.cw, c.ch, c.iw, c.ih);
        EXPECT_EQ(o.x, c.x) << c.cw;
        EXPECT_EQ(o.y, c.y) << c.ch;
    }
}

}  // namespace
}  // namespace consoletest
