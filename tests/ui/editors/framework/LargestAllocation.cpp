// Records the largest single allocation of the test program, so that tests can show that hostile
// input is refused before anything is allocated for it.
#include "LargestAllocation.h"

#include <cstdlib>
#include <new>

namespace {
size_t largest = 0;

void* Allocate(size_t n) {
    if (n > largest) largest = n;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
} // namespace

size_t LargestAllocationDuring(const std::function<void()>& action) {
    largest = 0;
    action();
    return largest;
}

void* operator new(size_t n) {
    return Allocate(n);
}
void* operator new[](size_t n) {
    return Allocate(n);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, size_t) noexcept {
    std::free(p);
}
