#pragma once
// Counts every operator new of the process (containers, strings, objects). Include it in the one
// source file of a benchmark program: it replaces the global allocation operators.
#include <atomic>
#include <cstdlib>
#include <new>

inline std::atomic<long> benchAllocations{0};

void* operator new(size_t size) {
    ++benchAllocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, size_t) noexcept {
    std::free(p);
}
