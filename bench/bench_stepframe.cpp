// A frame of the bend sequence's step view against a normal frame of the same part, on a real
// native GL window (needs an X display; Xvfb will do): the window's initial program, after its
// last bend, so the step draws the whole part and the stock besides.
#include "benchprograms.h"
#include "frmmain.h"
#include "fsimpipe.h"
#include "sequencesteps.h"
#include "startup.h"

#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QToolButton>

using namespace tubrix;

namespace {

GLuint StepList = 0;

void Frame(GLuint stepList) {
    FrmSimPipe->StepList = stepList;
    FrmSimPipe->RenderFrame();
    SwapBuffers(FrmSimPipe->ViewDC);
}

void BM_NormalFrame(benchmark::State& state) {
    for (auto _ : state) {
        Frame(0);
    }
}
BENCHMARK(BM_NormalFrame)->Unit(benchmark::kMicrosecond);

void BM_StepFrame(benchmark::State& state) {
    for (auto _ : state) {
        Frame(StepList);
    }
}
BENCHMARK(BM_StepFrame)->Unit(benchmark::kMicrosecond);

// Both in alternation, so that machine noise falls on both alike.
void BM_StepOverNormal(benchmark::State& state) {
    AlternatedRatio(
        state, "step_over_normal", [] { Frame(StepList); }, [] { Frame(0); });
}
BENCHMARK(BM_StepOverNormal)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    TubrixApplication application(argc, argv);
    CreateForms();
    FrmMain->show();
    QElapsedTimer wait;
    wait.start();
    while (!FrmSimPipe->Surface->isExposed() && wait.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    FrmMain->SBtnMake3D->click(); // the initial program
    auto* steps = FrmMain->findChild<TSequenceSteps*>();
    steps->ShowStep(4);
    StepList = FrmSimPipe->StepList;

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    FrmSimPipe->StepList = StepList;
    steps->ShowStep(-1);
    FrmMain->close();
    DestroyForms();
    return 0;
}
