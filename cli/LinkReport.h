#pragma once

#include "cli/ConsoleWindow.h"
#include "link/LinkProbe.h"

namespace orvane::cli {

// Load's search as the flasher tells it on stderr through the window's Diagnose: why each port
// or the USB device did not become the link, and which device answered; with `verbose` also
// each attempt as it begins. Called on the thread that runs the search.
class LinkReport final : public ILinkObserver {
public:
    LinkReport(ConsoleWindow& window, bool verbose) : m_window(window), m_verbose(verbose) {}

    void OnLinkTrying(const LinkAttempt& attempt) override;
    void OnLinkFailed(const LinkAttempt& attempt, LinkFault fault) override;
    void OnLinkAnswered(const LinkAttempt& attempt) override;

private:
    ConsoleWindow& m_window;
    bool m_verbose;
};

}  // namespace orvane::cli
