// Cost of one ApplyViewOp of each kind on a headless GL context, and the number of C++ heap
// allocations each makes, which must be none: the viewer issues these per input event.

#include "coordtransform.h"
#include "headlessgl.h"

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace {

std::atomic<long long> Allocations{0};

void* CountedAllocation(std::size_t size) {
    Allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}

void* CountedAlignedAllocation(std::size_t size, std::align_val_t alignment) {
    Allocations.fetch_add(1, std::memory_order_relaxed);
    const auto align = static_cast<std::size_t>(alignment);
    // aligned_alloc wants a size that is a multiple of the alignment.
    const std::size_t rounded = (size + align - 1) / align * align;
    if (void* p = std::aligned_alloc(align, rounded == 0 ? align : rounded)) {
        return p;
    }
    throw std::bad_alloc();
}

} // namespace

// Every C++ allocation in the process goes through these, so any on the measured path shows.
// The array and nothrow forms forward to these in libstdc++.
void* operator new(std::size_t size) {
    return CountedAllocation(size);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
    return CountedAlignedAllocation(size, alignment);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}

namespace {

// Moves and turns pile up in the GL matrix; starting again from the base view this often keeps
// it finite and the axes as orthonormal as a viewer session would see them.
constexpr int StepsPerReset = 4096;

void StartFromBaseView() {
    glLoadIdentity();
    ApplyViewOp(ViewReset, 1.0);
}

void BM_ApplyViewOp(benchmark::State& state, int code, double amount) {
    StartFromBaseView();
    long long allocations = 0;
    int steps = 0;
    for (auto _ : state) {
        const long long before = Allocations.load(std::memory_order_relaxed);
        ApplyViewOp(code, amount);
        allocations += Allocations.load(std::memory_order_relaxed) - before;
        if (++steps == StepsPerReset) {
            state.PauseTiming();
            StartFromBaseView();
            steps = 0;
            state.ResumeTiming();
        }
    }
    // Timings of calls GL rejected would be meaningless.
    if (glGetError() != GL_NO_ERROR) {
        state.SkipWithError("GL reported an error");
    }
    state.counters["allocs_per_op"] =
        benchmark::Counter(static_cast<double>(allocations), benchmark::Counter::kAvgIterations);
}

BENCHMARK_CAPTURE(BM_ApplyViewOp, move_x, ViewMoveX, 0.5);
BENCHMARK_CAPTURE(BM_ApplyViewOp, move_z, ViewMoveZ, 0.5);
BENCHMARK_CAPTURE(BM_ApplyViewOp, turn_x, ViewTurnX, 1.5);
BENCHMARK_CAPTURE(BM_ApplyViewOp, turn_y, ViewTurnY, 1.5);
BENCHMARK_CAPTURE(BM_ApplyViewOp, reset, ViewReset, 1.0);
BENCHMARK_CAPTURE(BM_ApplyViewOp, invalid_code, 0, 1.0);

} // namespace

int main(int argc, char** argv) {
    HeadlessGL::MakeCurrent();
    if (glGetString(GL_VERSION) == nullptr) {
        std::fprintf(stderr, "no headless GL context\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
