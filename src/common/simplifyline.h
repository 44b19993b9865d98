#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

// Douglas–Peucker: which points of a line of `n` points (`at(k)`: point k as {x, y} in a flat
// unit) to keep so that the line between kept points leaves none of the others by more than
// `tolerance` (distance to the segment, to its ends beyond them); the ends always.
//
// Splitting at the farthest point takes quadratic time on some shapes (a long zigzag, where the
// farthest point sits next to an end, span after span). Once it has weighed many times more
// points than the line has, the long spans left are split at their middle instead: every span
// is still checked against the tolerance, so the line kept still stays within it, in time near
// n log n; the lines real roads make never get there and keep what they always did.
// `check()` is called now and then while the work is long (to throw, say, on a cancel).
template <typename At, typename Check>
std::vector<char> simplifyLine(std::size_t n, At at, double tolerance, Check check)
{
    std::vector<char> keep(n, 0);
    if (n == 0)
        return keep;
    keep.front() = keep.back() = 1;
    if (n < 3)
        return keep;
    const std::size_t budget = 64 * n + (std::size_t(1) << 20);
    constexpr std::size_t kLong = 64; // spans shorter than this always split as they should
    std::size_t weighed = 0, sinceCheck = 0;
    std::vector<std::pair<std::size_t, std::size_t>> spans{{0, n - 1}};
    while (!spans.empty()) {
        const auto [first, last] = spans.back();
        spans.pop_back();
        if (last - first < 2)
            continue;
        if (weighed > budget && last - first > kLong) {
            const std::size_t middle = first + (last - first) / 2;
            keep[middle] = 1;
            spans.push_back({first, middle});
            spans.push_back({middle, last});
            continue;
        }
        weighed += last - first;
        sinceCheck += last - first;
        if (sinceCheck > (std::size_t(1) << 22)) {
            sinceCheck = 0;
            check();
        }
        const auto [ax, ay] = at(first);
        const auto [bx, by] = at(last);
        const double dx = bx - ax, dy = by - ay;
        const double length2 = dx * dx + dy * dy;
        double worst = -1;
        std::size_t far = first;
        for (std::size_t k = first + 1; k < last; ++k) {
            const auto [x, y] = at(k);
            const double px = x - ax, py = y - ay;
            const double t =
                length2 > 0 ? std::clamp((px * dx + py * dy) / length2, 0.0, 1.0) : 0.0;
            const double ex = px - t * dx, ey = py - t * dy;
            const double d = ex * ex + ey * ey;
            if (d > worst) {
                worst = d;
                far = k;
            }
        }
        if (worst > tolerance * tolerance) {
            keep[far] = 1;
            spans.push_back({first, far});
            spans.push_back({far, last});
        }
    }
    return keep;
}

template <typename At> std::vector<char> simplifyLine(std::size_t n, At at, double tolerance)
{
    return simplifyLine(n, at, tolerance, [] {});
}
