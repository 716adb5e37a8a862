#include "Reports.h"

#include "ScopeGuard.h"

#include <algorithm>

namespace vardex {

bool ReportQueue::Known(const std::string& text) const noexcept
{
    return std::any_of(pending_.begin(), pending_.end(), [&](const Report& r) { return r.text == text; }) ||
           std::find(onScreen_.begin(), onScreen_.end(), text) != onScreen_.end();
}

void ReportQueue::Submit(Report report)
{
    if (!Known(report.text))
        pending_.push_back(std::move(report));
    ShowPending();
}

void ReportQueue::Release() noexcept
{
    if (holds_ > 0)
        --holds_;
}

void ReportQueue::ShowPending()
{
    while (!Held() && !pending_.empty()) {
        Report report = std::move(pending_.front());
        pending_.pop_front();
        onScreen_.push_back(report.text);
        const ScopeGuard offScreen([&] { onScreen_.erase(std::find(onScreen_.begin(), onScreen_.end(), report.text)); });
        display_.Show(report);
        if (report.afterShown)
            report.afterShown();
    }
}

}  // namespace vardex
