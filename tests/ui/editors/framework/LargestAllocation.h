#pragma once
#include <cstddef>
#include <functional>

// The largest single allocation made while the action ran.
size_t LargestAllocationDuring(const std::function<void()>& action);
