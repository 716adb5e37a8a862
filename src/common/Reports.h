#pragma once
// The one route of every report the program shows the user (errors that escape a handler, bad
// settings, the screen-saver hint). While a lock session runs nothing modal may appear: reports
// are held back and shown once the session is over, each distinct text once.
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace vardex {

enum class ReportKind { Error, Information };

struct Report {
    std::string text;
    ReportKind kind = ReportKind::Error;
    // Runs when the report has been shown and closed (the hint's Display settings).
    std::function<void()> afterShown;
};

// Where errors go: the catch boundary of every window and loop hands its error here.
class ErrorSink {
public:
    virtual ~ErrorSink() = default;
    virtual void Submit(Report report) = 0;
    void ReportError(std::string text) { Submit({std::move(text), ReportKind::Error, {}}); }
};

// Shows one report to the user; on Windows a message box, which runs a nested message loop.
class ReportDisplay {
public:
    virtual ~ReportDisplay() = default;
    virtual void Show(const Report& report) = 0;
};

class ReportQueue final : public ErrorSink {
public:
    explicit ReportQueue(ReportDisplay& display) : display_(display) {}

    // Shown at once unless held; a text already waiting or on screen is not added again.
    void Submit(Report report) override;
    // Holds reports back until every hold has been released; holds nest.
    void Hold() noexcept { ++holds_; }
    void Release() noexcept;
    bool Held() const noexcept { return holds_ > 0; }
    // Shows the waiting reports one after the other while nothing holds them. Safe to re-enter
    // from the display's nested loop: each report is taken off the queue before it is shown.
    void ShowPending();
    const std::deque<Report>& Pending() const noexcept { return pending_; }

private:
    bool Known(const std::string& text) const noexcept;

    ReportDisplay& display_;
    std::deque<Report> pending_;
    std::vector<std::string> onScreen_;
    int holds_ = 0;
};

// Holds a queue's reports for a scope.
class ReportHold {
public:
    explicit ReportHold(ReportQueue& queue) noexcept : queue_(queue) { queue_.Hold(); }
    ReportHold(const ReportHold&) = delete;
    ReportHold& operator=(const ReportHold&) = delete;
    ~ReportHold() { queue_.Release(); }

private:
    ReportQueue& queue_;
};

}  // namespace vardex
