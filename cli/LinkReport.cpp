#include "cli/LinkReport.h"

#include "cli/Diagnostics.h"

namespace orvane::cli {

void LinkReport::OnLinkTrying(const LinkAttempt& attempt) {
    if (m_verbose) {
        m_window.Diagnose(DescribeTrying(attempt));
    }
}

void LinkReport::OnLinkFailed(const LinkAttempt& attempt, LinkFault fault) {
    const bool ruleInstalled = fault == LinkFault::PermissionDenied &&
                               attempt.kind == LinkKind::Usb && UdevRuleInstalled();
    m_window.Diagnose(DescribeLinkFailure(attempt, fault, ruleInstalled));
}

void LinkReport::OnLinkAnswered(const LinkAttempt& attempt) {
    m_window.Diagnose(DescribeAnswer(attempt));
}

}  // namespace orvane::cli
