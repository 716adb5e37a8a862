#pragma once
// Runs a function when the scope is left, however it is left.
#include <utility>

namespace vardex {

template <typename Function>
class ScopeGuard {
public:
    explicit ScopeGuard(Function function) noexcept : function_(std::move(function)) {}
    ScopeGuard(const ScopeGuard&) = delete;
    ScopeGuard& operator=(const ScopeGuard&) = delete;
    ~ScopeGuard() { function_(); }

private:
    Function function_;
};

}  // namespace vardex
