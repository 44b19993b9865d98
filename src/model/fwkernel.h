#pragma once

#include <cstdint>
#include <functional>

// All-pairs relaxation over a flat row-major n x n matrix of minutes.
//
// The result (times and, when given, predecessors) is bit-for-bit the one of the plain loop
//   for k, for u, for v: if (d[u][v] > d[u][k] + d[k][v]) { d[u][v] = ...; pred[u][v] = pred[k][v];
//   }
// including which of two equal routes wins. Pivot rows are processed in blocks so that each
// row stays in cache while several pivots pass over it, rows are shared between threads, and
// the row update is vectorised when the processor allows it.
namespace fw {

void relax(double *d, std::int32_t *pred, int n);

// Same, forcing a thread count and a block size (1 to 64 pivots; benchmarks and tests).
void relax(double *d, std::int32_t *pred, int n, int threads, int block);

// Name of the row kernel in use ("avx512", "avx2" or "scalar"): the best this processor runs.
const char *kernelName();

// Switch to the named row kernel (tests compare them all). False, changing nothing, when the
// processor or the build does not have it. Not to be called while a relaxation runs.
bool useKernel(const char *name);

// Tests: make the start of worker thread t (1, 2, ...) fail when `fails(t)` is true, as when the
// system has no thread to give; an empty function restores normal starts.
void failThreadStarts(std::function<bool(int)> fails);

} // namespace fw
