// Flushes denormal floats to zero while it lives. Decaying feedback (reverb tails, echoes,
// filter memories) otherwise sinks into denormals, which some processors handle a hundred
// times slower. The previous mode comes back at the end, since the non-real-time outputs
// render on the caller's own thread.
#pragma once

#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#include <xmmintrin.h>
#endif

namespace soundlib {

class DenormalGuard {
public:
#if defined(__x86_64__) || defined(__i386__)
    DenormalGuard() : saved_(_mm_getcsr()) {
        _mm_setcsr(saved_ | 0x8040u);
    } // FTZ | DAZ
    ~DenormalGuard() {
        _mm_setcsr(saved_);
    }

private:
    unsigned saved_;
#elif defined(__aarch64__)
    DenormalGuard() {
        asm volatile("mrs %0, fpcr" : "=r"(saved_));
        asm volatile("msr fpcr, %0" : : "r"(saved_ | (uint64_t{1} << 24))); // FZ
    }
    ~DenormalGuard() {
        asm volatile("msr fpcr, %0" : : "r"(saved_));
    }

private:
    uint64_t saved_;
#else
    DenormalGuard() = default;
#endif

public:
    DenormalGuard(const DenormalGuard&) = delete;
    DenormalGuard& operator=(const DenormalGuard&) = delete;
};

} // namespace soundlib
