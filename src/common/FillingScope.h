#pragma once

namespace vardex {

// Whether a dialog is filling its controls itself: their notifications are then its own doing,
// not changes of the user's. Fillings nest (a page's refill refills its list as well), so the
// state ends with the outermost one.
class FillingState {
public:
    bool Active() const noexcept { return depth_ > 0; }

private:
    friend class FillingScope;
    int depth_ = 0;
};

class FillingScope {
public:
    explicit FillingScope(FillingState& state) noexcept : state_(state) { ++state_.depth_; }
    ~FillingScope() { --state_.depth_; }
    FillingScope(const FillingScope&) = delete;
    FillingScope& operator=(const FillingScope&) = delete;

private:
    FillingState& state_;
};

}  // namespace vardex
