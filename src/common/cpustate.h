#pragma once

// Some library code (Qt 6.4's string helpers among it) returns with the upper halves of the
// AVX registers still in use. Until they are cleared, the plain SSE code that follows (libm's
// sin and cos included) runs many times slower on some CPUs: 650 ns instead of 20 for a
// great-circle distance, which made up almost half of an OpenStreetMap conversion's CPU time.
// Called before work that leans on such code; a no-op where there is nothing to clear.
inline void clearUpperRegisters()
{
#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
    static const bool avx = __builtin_cpu_supports("avx");
    if (avx)
        __asm__ __volatile__("vzeroupper" ::: "memory");
#endif
}
