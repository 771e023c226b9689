#include "app/console/StatusText.h"

#include <cstdio>

namespace orvane::status {

namespace {

std::string Ids(uint32_t vid, uint32_t pid) {
    char text[32];
    std::snprintf(text, sizeof(text), "%04X:%04X", static_cast<unsigned>(vid & 0xFFFFU),
                  static_cast<unsigned>(pid & 0xFFFFU));
    return text;
}

std::string Hex2(uint8_t value) {
    char text[8];
    std::snprintf(text, sizeof(text), "%02X", value);
    return text;
}

}  // namespace

std::string Trying(const LinkAttempt& attempt) {
    if (attempt.kind == LinkKind::Usb) {
        return "Probing USB device " + Ids(attempt.vid, attempt.pid) +
               (attempt.index == 0 ? "..." : " again (second try)...");
    }
    return "Trying " + attempt.port + " (port " + std::to_string(attempt.index + 1) + " of " +
           std::to_string(attempt.count) + ")...";
}

std::string Failed(const LinkAttempt& attempt, LinkFault fault) {
    std::string text = attempt.kind == LinkKind::Usb
                           ? "USB device " + Ids(attempt.vid, attempt.pid) + ": "
                           : attempt.port + ": ";
    text += LinkFaultText(fault);
    if (fault == LinkFault::PermissionDenied) {
#if defined(_WIN32)
        text += " (another program or the driver refuses it)";
#else
        text += attempt.kind == LinkKind::Usb
                    ? " (install the udev rule 70-orvane.rules and replug the device)"
                    : " (add yourself to the dialout group and log in again)";
#endif
    }
    return text;
}

std::string Answered(const LinkAttempt& attempt) {
    if (attempt.kind == LinkKind::Usb) {
        return "USB device " + Ids(attempt.vid, attempt.pid) + " answered.";
    }
    return "Device answered on " + attempt.port + ".";
}

std::string NoAnswer(const std::string& lastFailure) {
    return lastFailure.empty() ? "No device answered: no port to try."
                               : "No device answered. Last: " + lastFailure;
}

std::string Waiting(const LongWait& wait) {
    return "Frame " + std::to_string(wait.frame) + ": " + WaitKindText(wait.kind) + " (" +
           std::to_string(wait.ms) + " ms)...";
}

std::string ReadFailed(const ReadFailure& failure) {
    return "Read file fail: " + failure.path + ": " + failure.reason;
}

std::string SendFailed(const SendFailure& failure) {
    std::string text = "Send command fail: frame " + std::to_string(failure.frame) + " (" +
                       Hex2(failure.command) + "/" + Hex2(failure.sub) + ")";
    if (failure.versionQuery) {
        text += ", version query";
    }
    switch (failure.reply) {
        case ReplyKind::Nothing:
            return text + (failure.replyBytes < 0 ? ": the read failed" : ": nothing came back");
        case ReplyKind::WrongCommand:
            return text + ": reply command " + Hex2(failure.replyCommand) + ", not C7";
        case ReplyKind::BadStatus:
            return text + ": reply status " + Hex2(failure.replyStatus);
    }
    return text;
}

std::string Finished(int done, int total) {
    return "Downloaded: " + std::to_string(done) + " of " + std::to_string(total) + " exchanges.";
}

std::string Stopped(int done, int total) {
    return "Stopped at " + std::to_string(done) + " of " + std::to_string(total) + " exchanges.";
}

}  // namespace orvane::status
