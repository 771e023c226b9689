#pragma once

#include <cstdint>
#include <string>

#include "download/Script.h"

// What CWorkerWindow's diagnostic calls carry: facts of a run that the log lines do not say.
namespace orvane {

// Why a run ended with "Read file fail.".
struct ReadFailure {
    bool readable = false;  // false: the file could not be read at all
    std::string path;
    std::string reason;  // one line, no line end: the system's reason ("No such file or
                         // directory"), or DescribeScriptFault of the refusal
    ScriptCheck check;   // when readable: the refusal (fault, and block and line where one is
                         // named)
};

// What came back for the frame whose check failed.
enum class ReplyKind {
    Nothing,       // no byte arrived (or the read failed)
    WrongCommand,  // reply byte 10 is not 0xC7
    BadStatus,     // byte 10 is 0xC7 but the status (byte 11) is not 0
};

// Why a run ended with "Send command fail.".
struct SendFailure {
    int frame = 0;              // the frame counter of the failed exchange (2 or more)
    uint8_t command = 0;        // the script frame's command and sub-command, from where the link
    uint8_t sub = 0;            // places them (RS232 bytes 10, 11; USB 11, 12)
    bool versionQuery = false;  // the USB version query after frame 2 failed (command and sub
                                // are then 0xC7, 0x10), not the frame's own reply
    ReplyKind reply = ReplyKind::Nothing;
    int32_t replyBytes = 0;    // bytes the reply read brought; 0 nothing, -1 the read failed
    uint8_t replyCommand = 0;  // reply byte 10 (0 when nothing came)
    uint8_t replyStatus = 0;   // reply byte 11
};

// One script frame's exchange, whatever its outcome.
struct ExchangeRecord {
    int frame = 0;  // the frame counter (1 for the first frame)
    uint8_t command = 0;
    uint8_t sub = 0;
    uint32_t sentBytes = 0;  // decoded bytes of the script frame
    int32_t replyBytes = 0;  // as in SendFailure
    uint8_t replyCommand = 0;
    uint8_t replyStatus = 0;
    uint32_t elapsedMs = 0;  // from before the frame's first wait or write to after its reply
                             // was read, on orvane::Clock()'s tick count
};

// A wait of the run long enough for the operator to be told of it (1000 ms or more).
enum class WaitKind {
    BootloaderEntry,  // after frame 1 the device restarts into its bootloader (RS232: 5000 ms;
                      // USB: the bootloader poll, up to about 5 s)
    Erase,            // 0xC7/0x12: 2000 ms
    Restart,          // 0xC7/0x15: RS232 2000 ms; USB the device is opened anew
    Finish,           // 0xC7/0x16: 4000 ms
};

// "device restarting into its bootloader", "erasing", "device restarting", "finishing".
const char* WaitKindText(WaitKind kind);

struct LongWait {
    WaitKind kind = WaitKind::BootloaderEntry;
    int frame = 0;    // the frame counter the wait belongs to
    uint32_t ms = 0;  // its length, or for the USB poll its bound
};

}  // namespace orvane
