#include "cli/Diagnostics.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifndef ORVANE_UDEV_RULE_PATH
#define ORVANE_UDEV_RULE_PATH "/usr/lib/udev/rules.d/70-orvane.rules"
#endif

namespace orvane::cli {

namespace {

std::string Hex2(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X", value & 0xFFU);
    return text;
}

std::string UsbName(const LinkAttempt& attempt) {
    char text[32];
    std::snprintf(text, sizeof text, "USB %04X:%04X", attempt.vid & 0xFFFFU, attempt.pid & 0xFFFFU);
    std::string name = text;
    if (!attempt.port.empty()) {
        name += " at " + attempt.port;
    }
    return name;
}

std::string PortName(const LinkAttempt& attempt) {
    return attempt.port + " (port " + std::to_string(attempt.index + 1) + " of " +
           std::to_string(attempt.count) + ")";
}

std::string UdevHint(bool ruleInstalled) {
    const std::string rule = InstalledUdevRule();
    if (ruleInstalled) {
        return "the udev rule " + rule +
               " is installed but not applied to this device: unplug it and plug it in again "
               "(without a seat, as over ssh, join the plugdev group: sudo usermod -aG plugdev "
               "$USER, then log in again)";
    }
    return "install the udev rule as " + rule + " (sudo install -m 644 res/udev/70-orvane.rules " +
           rule.substr(0, rule.rfind('/') + 1) +
           ", then sudo udevadm control --reload && sudo udevadm trigger) and plug the device "
           "in again";
}

}  // namespace

const char* InstalledUdevRule() {
    return ORVANE_UDEV_RULE_PATH;
}

bool UdevRuleInstalled() {
    std::error_code error;
    return std::filesystem::exists(InstalledUdevRule(), error);
}

std::string DescribeReadFailure(const ReadFailure& failure) {
    return (failure.readable ? "script " + failure.path + " refused: "
                             : "cannot read script " + failure.path + ": ") +
           failure.reason;
}

std::string DescribeTrying(const LinkAttempt& attempt) {
    if (attempt.kind == LinkKind::Usb) {
        return UsbName(attempt) + ": probe " + std::to_string(attempt.index + 1) + " of " +
               std::to_string(attempt.count);
    }
    return "trying " + PortName(attempt);
}

std::string DescribeLinkFailure(const LinkAttempt& attempt, LinkFault fault, bool ruleInstalled) {
    const bool usb = attempt.kind == LinkKind::Usb;
    std::string text = usb ? UsbName(attempt) : PortName(attempt);
    if (usb && fault == LinkFault::NoAnswer) {
        text +=
            ": probe " + std::to_string(attempt.index + 1) + " of " + std::to_string(attempt.count);
    }
    text += std::string(": ") + LinkFaultText(fault);
    switch (fault) {
        case LinkFault::NotFound:
            if (usb) {
                text += " (no HID device with these ids is present)";
            }
            break;
        case LinkFault::PermissionDenied:
            text += usb ? "; " + UdevHint(ruleInstalled)
                        : "; add this user to the dialout group (sudo usermod -aG dialout $USER), "
                          "then log in again";
            break;
        case LinkFault::Busy:
            text += " (another program holds it)";
            break;
        case LinkFault::OpenFailed:
            if (attempt.systemError == ENOTTY) {
                text += " (not a serial port)";
            } else if (attempt.systemError != 0) {
                text += std::string(" (") + std::strerror(attempt.systemError) + ")";
            }
            break;
        case LinkFault::NoAnswer:
            break;
    }
    return text;
}

std::string DescribeAnswer(const LinkAttempt& attempt) {
    return "device answered on " +
           (attempt.kind == LinkKind::Usb ? UsbName(attempt) : attempt.port);
}

std::string DescribeSendFailure(const SendFailure& failure) {
    std::string text = failure.versionQuery
                           ? "bootloader version query after frame " + std::to_string(failure.frame)
                           : "frame " + std::to_string(failure.frame);
    text += " (command " + Hex2(failure.command) + ", sub-command " + Hex2(failure.sub) + "): ";
    switch (failure.reply) {
        case ReplyKind::Nothing:
            text += failure.replyBytes < 0 ? "the reply read failed" : "no reply";
            break;
        case ReplyKind::WrongCommand:
            text += "reply of " + std::to_string(failure.replyBytes) +
                    (failure.replyBytes == 1 ? " byte" : " bytes") + " with command " +
                    Hex2(failure.replyCommand) + " instead of C7";
            break;
        case ReplyKind::BadStatus:
            text += "reply status " + Hex2(failure.replyStatus) + " (0 is success)";
            break;
    }
    return text;
}

std::string DescribeExchange(const ExchangeRecord& exchange) {
    std::string text = "frame " + std::to_string(exchange.frame) + " " + Hex2(exchange.command) +
                       "/" + Hex2(exchange.sub) + ": sent " + std::to_string(exchange.sentBytes) +
                       " bytes, ";
    if (exchange.replyBytes > 0) {
        text += "reply " + std::to_string(exchange.replyBytes) + " bytes " +
                Hex2(exchange.replyCommand) + "/" + Hex2(exchange.replyStatus);
    } else {
        text += exchange.replyBytes < 0 ? "reply read failed" : "no reply";
    }
    return text + ", " + std::to_string(exchange.elapsedMs) + " ms";
}

std::string DescribeLongWait(const LongWait& wait) {
    return "frame " + std::to_string(wait.frame) + ": " + WaitKindText(wait.kind) + " (" +
           std::to_string(wait.ms) + " ms)";
}

std::string DescribeInterrupt(Interrupt interrupt, int done, int total) {
    const char* what = interrupt == Interrupt::Terminated ? "terminated" : "interrupted";
    if (done < 0) {
        return std::string(what) + " before the download started; nothing was sent";
    }
    return std::string("download ") + what + " after " + std::to_string(done) + " of " +
           std::to_string(total) + " frames; no further frame was sent";
}

}  // namespace orvane::cli
