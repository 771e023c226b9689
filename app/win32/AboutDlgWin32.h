#pragma once

#include <windows.h>

// The about box: the IDD_ABOUTBOX template, run modally over `owner`; OK (or Escape) ends it.
void RunAboutBox(HINSTANCE instance, HWND owner);
