// The cost of one build of the tube's display lists for 5, 20 and 100 steps, in the headless
// context. A build must grow no faster than linearly with the steps.
#include "headlessgl.h"
#include "tubemodel.h"

#include <GL/glu.h>
#include <benchmark/benchmark.h>

using namespace tubrix;

namespace {

// A program of `steps` rows like the main window's first rows: 30 straight, 90 degree bends on
// radius 45, the plane turned a quarter each step.
BendProgram Program(int steps) {
    BendProgram program{};
    program.TubeDiameter = 38;
    program.StepCount = steps;
    for (int i = 0; i < steps; ++i) {
        program.Steps[i] = {30, i == 0 ? 0.0 : 90.0, 90, 45, 0, 0, 0};
        program.TotalLength += 30 + 45 * 3.141592653589793 / 2;
    }
    return program;
}

void BM_BuildTubeModel(benchmark::State& state) {
    TFrmSimPipeState viewer{};
    viewer.ViewProgram = Program(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        BuildTubeModel(viewer, viewer.ListBase, viewer.HighlightStep, false);
        // The lists are compiled by the driver lazily in part; finish so the cost is counted.
        glFinish();
    }
    state.SetComplexityN(state.range(0));
    gluDeleteQuadric(viewer.Quadric);
    glDeleteLists(1, 2);
}
BENCHMARK(BM_BuildTubeModel)
    ->Arg(5)
    ->Arg(20)
    ->Arg(100)
    ->Complexity()
    ->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    HeadlessGL::MakeCurrent();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
