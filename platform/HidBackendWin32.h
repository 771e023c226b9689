#pragma once

#include <memory>

#include "platform/HidBackend.h"
#include "platform/HidWin32Api.h"

namespace orvane {

// The HID back end on the Win32 HID class driver interface and SetupAPI, over `api` (the
// caller keeps it alive; SystemHidBackend uses SystemHidWin32Api()). Windows only.
//
// Enumerate lists the present HID interfaces in SetupAPI's order, with the ids read through a
// query-only handle (so that devices the system holds, keyboards and mice, are listed too);
// an interface whose detail record cannot be read ends the list, one whose attributes cannot
// be read is left out. OpenPath opens for reading and writing, shared both ways, overlapped,
// and reads the report lengths from the capabilities (0 when they cannot be had: the link
// refuses such a device). Every call on the thread that owns the link.
std::unique_ptr<IHidBackend> MakeWin32HidBackend(IHidWin32Api& api);

}  // namespace orvane
