#include "fwkernel.h"

#include <algorithm>
#include <barrier>
#include <cmath>
#include <limits>
#include <string_view>
#include <thread>
#include <vector>

#if (defined(__GNUC__) || defined(__clang__)) && defined(__x86_64__)
#define GPS_X86_DISPATCH 1
#include <immintrin.h>
#endif

namespace fw {
namespace {

using RowFn = void (*)(double *du, std::int32_t *pu, double duk, const double *dk,
                       const std::int32_t *pk, int n);

template <bool WithPred>
void rowScalar(double *du, std::int32_t *pu, double duk, const double *dk, const std::int32_t *pk,
               int n)
{
    for (int v = 0; v < n; ++v) {
        const double s = duk + dk[v];
        if (du[v] > s) {
            du[v] = s;
            if constexpr (WithPred)
                pu[v] = pk[v];
        }
    }
}

#ifdef GPS_X86_DISPATCH
template <bool WithPred>
__attribute__((target("avx2"))) void rowAvx2(double *du, std::int32_t *pu, double duk,
                                             const double *dk, const std::int32_t *pk, int n)
{
    const __m256d vk = _mm256_set1_pd(duk);
    const __m256i even = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
    int v = 0;
    for (; v + 4 <= n; v += 4) {
        const __m256d s = _mm256_add_pd(vk, _mm256_loadu_pd(dk + v));
        const __m256d cur = _mm256_loadu_pd(du + v);
        const __m256d gt = _mm256_cmp_pd(cur, s, _CMP_GT_OQ); // false on NaN, like '>'
        _mm256_storeu_pd(du + v, _mm256_blendv_pd(cur, s, gt));
        if constexpr (WithPred) {
            const __m128i m32 = _mm256_castsi256_si128(
                _mm256_permutevar8x32_epi32(_mm256_castpd_si256(gt), even));
            const __m128i pc = _mm_loadu_si128(reinterpret_cast<const __m128i *>(pu + v));
            const __m128i pn = _mm_loadu_si128(reinterpret_cast<const __m128i *>(pk + v));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(pu + v), _mm_blendv_epi8(pc, pn, m32));
        }
    }
    rowScalar<WithPred>(du + v, WithPred ? pu + v : nullptr, duk, dk + v,
                        WithPred ? pk + v : nullptr, n - v);
}

template <bool WithPred>
__attribute__((target("avx512f,avx512vl"))) void rowAvx512(double *du, std::int32_t *pu,
                                                           double duk, const double *dk,
                                                           const std::int32_t *pk, int n)
{
    const __m512d vk = _mm512_set1_pd(duk);
    for (int v = 0; v < n; v += 8) {
        const int left = n - v;
        const __mmask8 live = left >= 8 ? __mmask8(0xFF) : __mmask8((1u << left) - 1u);
        const __m512d s = _mm512_add_pd(vk, _mm512_maskz_loadu_pd(live, dk + v));
        const __m512d cur = _mm512_maskz_loadu_pd(live, du + v);
        const __mmask8 gt = _mm512_mask_cmp_pd_mask(live, cur, s, _CMP_GT_OQ);
        _mm512_mask_storeu_pd(du + v, gt, s);
        if constexpr (WithPred)
            _mm256_mask_storeu_epi32(pu + v, gt, _mm256_maskz_loadu_epi32(gt, pk + v));
    }
}
#endif

struct Kernels
{
    RowFn plain;
    RowFn withPred;
    const char *name;
};

// The kernels this processor runs, best first; the scalar one always.
std::vector<Kernels> availableKernels()
{
    std::vector<Kernels> list;
#ifdef GPS_X86_DISPATCH
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl"))
        list.push_back({rowAvx512<false>, rowAvx512<true>, "avx512"});
    if (__builtin_cpu_supports("avx2"))
        list.push_back({rowAvx2<false>, rowAvx2<true>, "avx2"});
#endif
    list.push_back({rowScalar<false>, rowScalar<true>, "scalar"});
    return list;
}

Kernels &kernels()
{
    static Kernels k = availableKernels().front();
    return k;
}

// The literal loop for pivots [k0, k1). Used when a pivot's own entry is negative: then its
// row and column change while it is the pivot, and only the plain order gives the same result.
void relaxSequential(double *d, std::int32_t *pred, int n, int k0, int k1)
{
    for (int k = k0; k < k1; ++k) {
        for (int u = 0; u < n; ++u) {
            for (int v = 0; v < n; ++v) {
                const double s = d[std::size_t(u) * n + k] + d[std::size_t(k) * n + v];
                if (d[std::size_t(u) * n + v] > s) {
                    d[std::size_t(u) * n + v] = s;
                    if (pred)
                        pred[std::size_t(u) * n + v] = pred[std::size_t(k) * n + v];
                }
            }
        }
    }
}

} // namespace

const char *kernelName()
{
    return kernels().name;
}

bool useKernel(const char *name)
{
    for (const Kernels &k : availableKernels()) {
        if (std::string_view(k.name) == name) {
            kernels() = k;
            return true;
        }
    }
    return false;
}

void relax(double *d, std::int32_t *pred, int n)
{
    const unsigned hw = std::max(1u, std::thread::hardware_concurrency());
    const int threads = n < 256 ? 1 : int(std::min(hw, 8u));
    relax(d, pred, n, threads, 16);
}

void relax(double *d, std::int32_t *pred, int n, int threads, int block)
{
    if (n <= 0)
        return;
    threads = std::clamp(threads, 1, n);
    block = std::clamp(block, 1, n);
    const RowFn row = pred ? kernels().withPred : kernels().plain;
    const std::size_t stride = std::size_t(n);
    constexpr double inf = std::numeric_limits<double>::infinity();

    // Pivot rows of the current block, each as it stands when its turn as pivot comes.
    std::vector<double> pivD(std::size_t(block) * stride);
    std::vector<std::int32_t> pivP(pred ? std::size_t(block) * stride : 0);
    int blockStart = 0;
    int blockLen = 0;
    bool plainOrder = false;

    // Row u goes through the block's first `pivots` pivots in order. A pivot whose entry in row u is +inf
    // cannot shorten anything, and a pivot's own row does not change under itself.
    auto passRow = [&](int u, double *du, std::int32_t *pu, int pivots) {
        for (int j = 0; j < pivots; ++j) {
            const int k = blockStart + j;
            const double duk = du[k];
            if (u == k || duk == inf)
                continue;
            row(du, pu, duk, &pivD[std::size_t(j) * stride],
                pred ? &pivP[std::size_t(j) * stride] : nullptr, n);
        }
    };

    auto preparePivots = [&]() {
        plainOrder = false;
        for (int j = 0; j < blockLen; ++j) {
            const int k = blockStart + j;
            double *pd = &pivD[std::size_t(j) * stride];
            std::int32_t *pp = pred ? &pivP[std::size_t(j) * stride] : nullptr;
            std::copy_n(d + std::size_t(k) * stride, n, pd);
            if (pred)
                std::copy_n(pred + std::size_t(k) * stride, n, pp);
            passRow(k, pd, pp, j); // the pivots before this one
            if (pd[k] < 0) { // NaN and -0.0 are fine: they never shorten anything
                plainOrder = true;
                return;
            }
        }
    };

    auto work = [&](int t, std::barrier<> *sync) {
        const int u0 = int(std::int64_t(n) * t / threads);
        const int u1 = int(std::int64_t(n) * (t + 1) / threads);
        for (int k0 = 0; k0 < n; k0 += block) {
            if (t == 0) {
                blockStart = k0;
                blockLen = std::min(block, n - k0);
                preparePivots();
                if (plainOrder)
                    relaxSequential(d, pred, n, k0, k0 + blockLen);
            }
            if (sync)
                sync->arrive_and_wait();
            if (!plainOrder) {
                for (int u = u0; u < u1; ++u)
                    passRow(u, d + std::size_t(u) * stride,
                            pred ? pred + std::size_t(u) * stride : nullptr, blockLen);
            }
            if (sync)
                sync->arrive_and_wait();
        }
    };

    if (threads == 1) {
        work(0, nullptr);
        return;
    }
    std::barrier<> sync(threads);
    std::vector<std::thread> pool;
    pool.reserve(std::size_t(threads - 1));
    for (int t = 1; t < threads; ++t)
        pool.emplace_back(work, t, &sync);
    work(0, &sync);
    for (auto &th : pool)
        th.join();
}

} // namespace fw
