#pragma once

// A hint that `at` will be read soon, so that waits on memory overlap; without the compiler's
// builtin (MSVC), nothing.
inline void prefetch(const void *at)
{
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(at);
#else
    (void)at;
#endif
}
