#pragma once
// Runs the closing half of a bracket when the scope ends, also when an exception passes.
#include <utility>

template <class F> class TScopeExit {
public:
    explicit TScopeExit(F f) : f_(std::move(f)) {}
    ~TScopeExit() { f_(); }
    TScopeExit(const TScopeExit&) = delete;
    TScopeExit& operator=(const TScopeExit&) = delete;

private:
    F f_;
};
