#include "fwkernel.h"
#include "infinity.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <functional>
#include <limits>
#include <mutex>
#include <optional>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#if (defined(__GNUC__) || defined(__clang__)) && defined(__x86_64__)
#define GPS_X86_DISPATCH 1
#include <immintrin.h>
#endif

namespace fw {
namespace {

std::function<bool(int)> startFails;

// Threads meet here after each step. Not std::barrier: it waits through std::atomic::wait,
// which GCC's library before 13 can leave waiting for ever where there is no futex (MinGW:
// seen hanging under wine); a mutex and a condition variable are portable.
class Barrier
{
public:
    explicit Barrier(int count) : count(count) {}

    void arriveAndWait()
    {
        std::unique_lock<std::mutex> hold(lock);
        const unsigned long long round = rounds;
        if (++arrived == count) {
            arrived = 0;
            ++rounds;
            changed.notify_all();
            return;
        }
        changed.wait(hold, [&] { return rounds != round; });
    }

    // Lets every thread waiting in wait() go on (once).
    void open()
    {
        const std::lock_guard<std::mutex> hold(lock);
        ++rounds;
        changed.notify_all();
    }
    void wait()
    {
        std::unique_lock<std::mutex> hold(lock);
        changed.wait(hold, [&] { return rounds != 0; });
    }

private:
    std::mutex lock;
    std::condition_variable changed;
    int count;
    int arrived = 0;
    unsigned long long rounds = 0;
};

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
            const __m128i m32 =
                _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(_mm256_castpd_si256(gt), even));
            const __m128i pc = _mm_loadu_si128(reinterpret_cast<const __m128i *>(pu + v));
            const __m128i pn = _mm_loadu_si128(reinterpret_cast<const __m128i *>(pk + v));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(pu + v), _mm_blendv_epi8(pc, pn, m32));
        }
    }
    rowScalar<WithPred>(du + v, WithPred ? pu + v : nullptr, duk, dk + v,
                        WithPred ? pk + v : nullptr, n - v);
}

#endif

// A group of rows goes through the block's pivot rows in order. duk[r * dukStride + j] is row
// r's entry for pivot j as it stands when that pivot's turn comes; +inf leaves the row alone.
// Only the pivots listed in `active` can change anything.
struct Tile
{
    double *const *du;
    std::int32_t *const *pu; // null when no predecessors are kept
    int rows;
    const double *duk;
    int dukStride;
    const int *active;
    int activeCount;
    const double *pd; // pivot j's times start at pd + j * stride
    const std::int32_t *pp;
    std::size_t stride;
    int n;
};

using TileFn = void (*)(const Tile &t);

// Row by row with a row kernel: the portable way, and the AVX2 one.
template <RowFn Plain, RowFn WithPred> void tileByRows(const Tile &t)
{
    for (int r = 0; r < t.rows; ++r) {
        for (int a = 0; a < t.activeCount; ++a) {
            const int j = t.active[a];
            const double duk = t.duk[r * t.dukStride + j];
            if (duk == kInf)
                continue;
            if (t.pu)
                WithPred(t.du[r], t.pu[r], duk, t.pd + j * t.stride, t.pp + j * t.stride, t.n);
            else
                Plain(t.du[r], nullptr, duk, t.pd + j * t.stride, nullptr, t.n);
        }
    }
}

#ifdef GPS_X86_DISPATCH
// Eight columns of R rows stay in registers while every pivot passes over them, so a row is
// loaded and stored once per block and each pivot load serves R rows.
template <int R, bool WithPred, bool Tail>
__attribute__((target("avx512f,avx512vl"), always_inline)) inline void
tileAvx512Chunk(const Tile &t, const double *const *duk, int v, __mmask8 live)
{
    __m512d cur[R];
    __m256i cp[R];
    for (int r = 0; r < R; ++r) {
        cur[r] = Tail ? _mm512_maskz_loadu_pd(live, t.du[r] + v) : _mm512_loadu_pd(t.du[r] + v);
        if constexpr (WithPred)
            cp[r] = Tail ? _mm256_maskz_loadu_epi32(live, t.pu[r] + v)
                         : _mm256_loadu_si256(reinterpret_cast<const __m256i *>(t.pu[r] + v));
    }
    for (int a = 0; a < t.activeCount; ++a) {
        const int j = t.active[a];
        const double *kdp = t.pd + std::size_t(j) * t.stride + v;
        const __m512d kd = Tail ? _mm512_maskz_loadu_pd(live, kdp) : _mm512_loadu_pd(kdp);
        __m256i kp;
        if constexpr (WithPred) {
            const std::int32_t *kpp = t.pp + std::size_t(j) * t.stride + v;
            kp = Tail ? _mm256_maskz_loadu_epi32(live, kpp)
                      : _mm256_loadu_si256(reinterpret_cast<const __m256i *>(kpp));
        }
        for (int r = 0; r < R; ++r) {
            const __m512d s = _mm512_add_pd(_mm512_set1_pd(duk[r][j]), kd);
            const __mmask8 gt = Tail ? _mm512_mask_cmp_pd_mask(live, cur[r], s, _CMP_GT_OQ)
                                     : _mm512_cmp_pd_mask(cur[r], s, _CMP_GT_OQ);
            cur[r] = _mm512_mask_mov_pd(cur[r], gt, s);
            if constexpr (WithPred)
                cp[r] = _mm256_mask_mov_epi32(cp[r], gt, kp);
        }
    }
    for (int r = 0; r < R; ++r) {
        if constexpr (Tail)
            _mm512_mask_storeu_pd(t.du[r] + v, live, cur[r]);
        else
            _mm512_storeu_pd(t.du[r] + v, cur[r]);
        if constexpr (WithPred) {
            if constexpr (Tail)
                _mm256_mask_storeu_epi32(t.pu[r] + v, live, cp[r]);
            else
                _mm256_storeu_si256(reinterpret_cast<__m256i *>(t.pu[r] + v), cp[r]);
        }
    }
}

// Eight columns of R rows stay in registers while every pivot passes over them, so a row is
// loaded and stored once per block and each pivot load serves R rows.
template <int R, bool WithPred>
__attribute__((target("avx512f,avx512vl"))) void tileAvx512Rows(const Tile &t)
{
    const double *duk[R];
    for (int r = 0; r < R; ++r)
        duk[r] = t.duk + r * t.dukStride;
    int v = 0;
    for (; v + 8 <= t.n; v += 8)
        tileAvx512Chunk<R, WithPred, false>(t, duk, v, 0xFF);
    if (v < t.n)
        tileAvx512Chunk<R, WithPred, true>(t, duk, v, __mmask8((1u << (t.n - v)) - 1u));
}

template <bool WithPred>
__attribute__((target("avx512f,avx512vl"))) void tileAvx512Pred(const Tile &t)
{
    switch (t.rows) {
    case 8:
        tileAvx512Rows<8, WithPred>(t);
        break;
    case 4:
        tileAvx512Rows<4, WithPred>(t);
        break;
    default:
        for (int r = 0; r < t.rows; ++r) {
            Tile one = t;
            one.du = t.du + r;
            one.pu = WithPred ? t.pu + r : nullptr;
            one.duk = t.duk + r * t.dukStride;
            one.rows = 1;
            tileAvx512Rows<1, WithPred>(one);
        }
    }
}

__attribute__((target("avx512f,avx512vl"))) void tileAvx512(const Tile &t)
{
    if (t.pu)
        tileAvx512Pred<true>(t);
    else
        tileAvx512Pred<false>(t);
}
#endif

struct Kernels
{
    TileFn tile;
    const char *name;
};

// The kernels this processor runs, best first; the scalar one always.
std::vector<Kernels> availableKernels()
{
    std::vector<Kernels> list;
#ifdef GPS_X86_DISPATCH
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl"))
        list.push_back({tileAvx512, "avx512"});
    if (__builtin_cpu_supports("avx2"))
        list.push_back({tileByRows<rowAvx2<false>, rowAvx2<true>>, "avx2"});
#endif
    list.push_back({tileByRows<rowScalar<false>, rowScalar<true>>, "scalar"});
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
    constexpr int rowsPerTile = 8;
    constexpr int maxBlock = 64;
    threads = std::clamp(threads, 1, n);
    block = std::clamp(block, 1, std::min(n, maxBlock));
    const TileFn tile = kernels().tile;
    const std::size_t stride = std::size_t(n);

    // Pivot rows of the current block, each as it stands when its turn as pivot comes.
    std::vector<double> pivD(std::size_t(block) * stride);
    std::vector<std::int32_t> pivP(pred ? std::size_t(block) * stride : 0);
    int blockStart = 0;
    int blockLen = 0;
    bool plainOrder = false;

    // Rows u0.. (count of them) go through the block's first `pivots` pivots in order. Each
    // row's entries in the pivot columns are worked out first, on a copy, so that every pivot
    // sees the entry as it will stand at its turn. A pivot's own row does not change under it.
    auto passRows = [&](int u0, double *const *du, std::int32_t *const *pu, int count, int pivots) {
        double duk[rowsPerTile * maxBlock];
        double seg[maxBlock];
        int active[maxBlock];
        bool used[maxBlock] = {};
        for (int r = 0; r < count; ++r) {
            std::copy_n(du[r] + blockStart, pivots, seg);
            for (int j = 0; j < pivots; ++j) {
                const double value = u0 + r == blockStart + j ? kInf : seg[j];
                duk[r * maxBlock + j] = value;
                if (value == kInf || std::isnan(value))
                    continue;
                used[j] = true;
                const double *kd = &pivD[std::size_t(j) * stride] + blockStart;
                for (int i = 0; i < pivots; ++i) {
                    const double s = value + kd[i];
                    if (seg[i] > s)
                        seg[i] = s;
                }
            }
        }
        int activeCount = 0;
        for (int j = 0; j < pivots; ++j)
            if (used[j])
                active[activeCount++] = j;
        if (activeCount == 0)
            return;
        tile(Tile{du, pu, count, duk, maxBlock, active, activeCount, pivD.data(),
                  pred ? pivP.data() : nullptr, stride, n});
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
            passRows(k, &pd, pred ? &pp : nullptr, 1, j); // the pivots before this one
            if (pd[k] < 0) { // NaN and -0.0 are fine: they never shorten anything
                plainOrder = true;
                return;
            }
        }
    };

    auto work = [&](int t, Barrier *sync) {
        const int u0 = int(std::int64_t(n) * t / threads);
        const int u1 = int(std::int64_t(n) * (t + 1) / threads);
        double *du[rowsPerTile];
        std::int32_t *pu[rowsPerTile];
        for (int k0 = 0; k0 < n; k0 += block) {
            if (t == 0) {
                blockStart = k0;
                blockLen = std::min(block, n - k0);
                preparePivots();
                if (plainOrder)
                    relaxSequential(d, pred, n, k0, k0 + blockLen);
            }
            if (sync)
                sync->arriveAndWait();
            if (!plainOrder) {
                for (int u = u0; u < u1; u += rowsPerTile) {
                    const int count = std::min(rowsPerTile, u1 - u);
                    for (int r = 0; r < count; ++r) {
                        du[r] = d + std::size_t(u + r) * stride;
                        pu[r] = pred ? pred + std::size_t(u + r) * stride : nullptr;
                    }
                    passRows(u, du, pred ? pu : nullptr, count, blockLen);
                }
            }
            if (sync)
                sync->arriveAndWait();
        }
    };

    if (threads == 1) {
        work(0, nullptr);
        return;
    }
    // The system may refuse a thread. The work is then shared by those that did start: each
    // waits until that count is known before it takes its rows.
    Barrier counted(1); // opened once the number of threads is known
    std::optional<Barrier> sync;
    std::vector<std::thread> pool;
    const int wanted = threads;
    for (int t = 1; t < wanted; ++t) {
        try {
            if (startFails && startFails(t))
                throw std::system_error(
                    std::make_error_code(std::errc::resource_unavailable_try_again));
            pool.emplace_back([&, t] {
                counted.wait();
                work(t, &*sync);
            });
        } catch (const std::exception &) {
            threads = t;
            break;
        }
    }
    sync.emplace(threads);
    counted.open();
    work(0, threads > 1 ? &*sync : nullptr);
    for (auto &th : pool)
        th.join();
}

void failThreadStarts(std::function<bool(int)> fails)
{
    startFails = std::move(fails);
}

} // namespace fw
