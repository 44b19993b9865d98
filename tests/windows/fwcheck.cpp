// The all-pairs kernel against the plain triple loop, bit for bit, with no Qt: the check that
// scripts/gps windows-check builds with mingw-w64 and runs under wine. Every row kernel this
// processor runs, threads and blocks of several sizes, matrices rich in ties, missing roads,
// NaN and negative entries.

#include "fwkernel.h"
#include "infinity.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace {

std::vector<double> randomMatrix(std::mt19937 &rng, int n, bool hostile)
{
    std::vector<double> m(std::size_t(n) * n, kInf);
    for (int u = 0; u < n; ++u) {
        m[std::size_t(u) * n + u] = 0.0;
        for (int v = 0; v < n; ++v) {
            if (u == v || rng() % 100 >= 30)
                continue;
            double t = double(rng() % 6);
            if (hostile) {
                const unsigned roll = rng() % 100;
                if (roll < 3)
                    t = std::numeric_limits<double>::quiet_NaN();
                else if (roll < 6)
                    t = -double(rng() % 3);
                else if (roll < 9)
                    t = double(rng() % 1000) / 97.0;
            }
            m[std::size_t(u) * n + v] = t;
        }
    }
    return m;
}

bool sameBits(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

// Returns the number of cells compared, or -1 at the first difference.
long long compare(const std::vector<double> &m, int n, int threads, int block)
{
    std::vector<double> ref = m;
    std::vector<std::int32_t> refPred(std::size_t(n) * n);
    for (int u = 0; u < n; ++u)
        for (int v = 0; v < n; ++v)
            refPred[std::size_t(u) * n + v] = u;
    for (int k = 0; k < n; ++k)
        for (int u = 0; u < n; ++u)
            for (int v = 0; v < n; ++v) {
                const double s = ref[std::size_t(u) * n + k] + ref[std::size_t(k) * n + v];
                if (ref[std::size_t(u) * n + v] > s) {
                    ref[std::size_t(u) * n + v] = s;
                    refPred[std::size_t(u) * n + v] = refPred[std::size_t(k) * n + v];
                }
            }
    std::vector<double> d = m;
    std::vector<std::int32_t> pred(std::size_t(n) * n);
    for (int u = 0; u < n; ++u)
        for (int v = 0; v < n; ++v)
            pred[std::size_t(u) * n + v] = u;
    fw::relax(d.data(), pred.data(), n, threads, block);
    for (std::size_t i = 0; i < d.size(); ++i)
        if (!sameBits(d[i], ref[i]) || pred[i] != refPred[i]) {
            std::printf("fwcheck: n=%d threads=%d block=%d differs at cell %zu\n", n, threads,
                        block, i);
            return -1;
        }
    return (long long)d.size();
}

} // namespace

int main(int argc, char **argv)
{
    std::mt19937 rng(7);
    struct Shape
    {
        int n, threads, block;
    };
    const Shape shapes[] = {{1, 1, 1},  {2, 2, 1},   {5, 2, 2},   {17, 2, 3},
                            {33, 3, 8}, {64, 2, 16}, {100, 4, 7}, {257, 2, 16}};
    long long cells = 0;
    std::vector<const char *> kernels{"avx512", "avx2", "scalar"};
    if (argc > 1) // only those named
        kernels.assign(argv + 1, argv + argc);
    for (const char *kernel : kernels) {
        if (!fw::useKernel(kernel)) {
            std::printf("fwcheck: kernel %s: not on this processor or build\n", kernel);
            continue;
        }
        for (const Shape &s : shapes)
            for (const bool hostile : {false, true}) {
                if (std::getenv("FWCHECK_VERBOSE"))
                    std::printf("fwcheck: %s n=%d threads=%d\n", kernel, s.n, s.threads);
                std::fflush(stdout);
                const long long compared =
                    compare(randomMatrix(rng, s.n, hostile), s.n, s.threads, s.block);
                if (compared < 0)
                    return 1;
                cells += compared;
            }
        std::printf("fwcheck: kernel %s: identical to the triple loop\n", kernel);
    }
    std::printf("fwcheck: %lld cells compared, all identical\n", cells);
    return 0;
}
