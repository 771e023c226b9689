// Resource and control ids of the two dialog templates. The ids 1000..1011 are the template's;
// 1012 and 1013 are the console's own controls beside them. The resource compiler reads the
// macros, C++ the constants (macros would rename the Qt template's widgets of the same names);
// the two lists must agree.
#pragma once

#ifdef RC_INVOKED

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_UPDATER_DIALOG 102
#define IDR_MAINFRAME 128
#define IDM_ABOUTBOX 0x0010
#define IDC_BTN_LOAD 1000
#define IDC_CMB_INTERFACE 1001
#define IDC_EDT_BAUD 1002
#define IDC_EDT_VID 1003
#define IDC_EDT_PID 1004
#define IDC_LBL_INTERFACE 1005
#define IDC_LBL_BAUD 1006
#define IDC_LBL_VID 1007
#define IDC_LBL_PID 1008
#define IDC_BTN_STOP 1009
#define IDC_EDT_LOG 1010
#define IDC_BTN_TEST 1011
#define IDC_PRG_DOWNLOAD 1012
#define IDC_STATUS 1013
// Dialog initialisation data (the combo box's items), a resource type of its own.
#define RT_DLGINIT 240
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#else

enum : int {
    IDD_ABOUTBOX = 100,
    IDS_ABOUTBOX = 101,
    IDD_UPDATER_DIALOG = 102,
    IDR_MAINFRAME = 128,
    IDC_BTN_LOAD = 1000,
    IDC_CMB_INTERFACE = 1001,
    IDC_EDT_BAUD = 1002,
    IDC_EDT_VID = 1003,
    IDC_EDT_PID = 1004,
    IDC_LBL_INTERFACE = 1005,
    IDC_LBL_BAUD = 1006,
    IDC_LBL_VID = 1007,
    IDC_LBL_PID = 1008,
    IDC_BTN_STOP = 1009,
    IDC_EDT_LOG = 1010,
    IDC_BTN_TEST = 1011,
    IDC_PRG_DOWNLOAD = 1012,
    IDC_STATUS = 1013,
};
// The resource type of the dialog initialisation data.
constexpr int RT_DLGINIT = 240;
// The system-menu command of the about entry.
constexpr unsigned IDM_ABOUTBOX = 0x0010;
// The private message of the synchronous log refresh (WM_USER + 100).
constexpr unsigned WM_LOG_REFRESH = 0x0464;

#endif
