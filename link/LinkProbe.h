#pragma once

#include <cstdint>

// 0 selects the RS232 link (g_serialLink), 1 the USB link (g_hidLink). Written by Load before
// each probe; read by the probe, the version query and the worker for every script frame.
extern int g_interfaceKind;

// Sends the link probe (0x18/0x01) on the selected link and reports whether the device answered
// (reply byte 10 is 0x18; the status is not looked at). RS232: 500 ms after the write, then one
// read. USB: 500 ms after the write, then reads until a message arrives or 5000 ms have passed,
// pumping the caller's events once per turn.
bool ProbeLink();

// Asks the bootloader for its version text (0xC7/0x10) on the selected link. On success (reply
// byte 10 is 0xC7, byte 11 is 0) copies min(reply byte 13, outCapacity) text bytes to `out`,
// stores that count in *outLen and returns true; otherwise touches neither and returns false.
bool QueryBootloaderVersion(uint8_t* out, uint32_t* outLen, uint32_t outCapacity);
