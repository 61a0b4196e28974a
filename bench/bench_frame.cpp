// The frame budget, on a real native GL window (needs an X display; Xvfb will do):
// - one whole tick of the viewer with a turn button held (size-toggle and rebuild steps, the
//   turn, clear, the two lists, swap) against the bare loop of clear, the two lists and swap on
//   the same window, called back to back and, live, at 100 Hz from a timer;
// - the share of one core the running program takes at rest with the initial tube shown;
// - "Make 3D" of a 100-row program, from the click to the new picture's frame drawn.
#include "benchprograms.h"
#include "frmmain.h"
#include "fsimpipe.h"
#include "movpal.h"
#include "programfiles.h"
#include "programmodel.h"
#include "startup.h"

#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <sys/resource.h>
#include <vector>

using namespace tubrix;

namespace {

void BareFrame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    FrmSimPipe->DrawTube();
    glFlush();
    SwapBuffers(FrmSimPipe->ViewDC);
}

// A tick with the turn of BtnRight held, the flag set directly so that no wake runs a tick.
void HeldTick() {
    FrmSimPipe->MotionFlags.HeldRight = true;
    FrmSimPipe->TmMovPipeTimer();
    FrmSimPipe->MotionFlags = {};
}

void BM_ViewerFrameTurnHeld(benchmark::State& state) {
    for (auto _ : state) {
        HeldTick();
    }
}
BENCHMARK(BM_ViewerFrameTurnHeld)->Unit(benchmark::kMicrosecond);

void BM_BareFrame(benchmark::State& state) {
    for (auto _ : state) {
        BareFrame();
    }
}
BENCHMARK(BM_BareFrame)->Unit(benchmark::kMicrosecond);

// Both loops in alternation, so that machine noise falls on both alike.
void BM_FrameRatio(benchmark::State& state) {
    AlternatedRatio(state, "whole_over_bare", HeldTick, BareFrame);
}
BENCHMARK(BM_FrameRatio)->Unit(benchmark::kMillisecond);

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Span {
    double Cpu = 0;  // CPU seconds of the whole process, every thread
    double Wall = 0; // seconds
};

// What the process spends while the event loop runs for `ms`.
Span RunEventLoop(int ms) {
    QElapsedTimer wall;
    const double cpu = CpuSeconds();
    wall.start();
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return {CpuSeconds() - cpu, wall.nsecsElapsed() / 1e9};
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The program as the operator leaves it: the tube shown, nothing touched. Median of 5 rounds.
void BM_RestCpuShare(benchmark::State& state) {
    std::vector<double> shares;
    for (auto _ : state) {
        FrmSimPipe->RequestFrame(); // as after "Make 3D": a frame, then rest
        RunEventLoop(200);
        for (int round = 0; round < 5; ++round) {
            const Span span = RunEventLoop(4000);
            shares.push_back(span.Cpu / span.Wall);
        }
    }
    state.counters["rest_cpu_share_of_a_core"] = Median(shares);
    state.counters["timer_running_at_rest"] = FrmSimPipe->TmMovPipe->isActive();
}
BENCHMARK(BM_RestCpuShare)->Iterations(1)->Unit(benchmark::kSecond);

// Live at 100 Hz: BtnRight held on the viewer's own loop, against a timer that runs the bare
// loop on the same window; CPU per frame drawn, in alternating rounds.
void BM_HeldTurnAgainstBareLoop(benchmark::State& state) {
    constexpr int RoundMs = 2000;
    std::vector<double> held, bare, heldRate;
    for (auto _ : state) {
        for (int round = 0; round < 3; ++round) {
            auto frames = FrmSimPipe->FramesDrawn;
            FrmSimPipe->BtnUpMouseDown(FrmSimPipe->BtnRight);
            const Span turning = RunEventLoop(RoundMs);
            FrmSimPipe->BtnUpMouseUp(FrmSimPipe->BtnRight);
            frames = FrmSimPipe->FramesDrawn - frames;
            held.push_back(turning.Cpu / static_cast<double>(frames));
            heldRate.push_back(static_cast<double>(frames) / turning.Wall);
            RunEventLoop(100); // the release's frame, then rest

            std::uint64_t bareFrames = 0;
            QTimer timer;
            timer.setTimerType(Qt::PreciseTimer);
            timer.setInterval(10);
            QObject::connect(&timer, &QTimer::timeout, [&] {
                BareFrame();
                ++bareFrames;
            });
            timer.start();
            const Span looping = RunEventLoop(RoundMs);
            timer.stop();
            bare.push_back(looping.Cpu / static_cast<double>(bareFrames));
        }
    }
    state.counters["held_frames_per_second"] = Median(heldRate);
    state.counters["held_cpu_us_per_frame"] = Median(held) * 1e6;
    state.counters["bare_cpu_us_per_frame"] = Median(bare) * 1e6;
    state.counters["held_over_bare"] = Median(held) / Median(bare);
}
BENCHMARK(BM_HeldTurnAgainstBareLoop)->Iterations(1)->Unit(benchmark::kSecond);

// BtnRight held on a viewer of 1920 x 1080 (a full-HD screen's worth), live on the viewer's own
// 100 Hz loop: CPU of every thread of the process per frame drawn. The window is made as large
// as that for it, and given back its size after.
void BM_HeldTurnFullHd(benchmark::State& state) {
    // The window made 1920 x 1080: the viewer takes what the column and the bars leave.
    const QSize window = FrmMain->size();
    FrmMain->resize(1920, 1080);
    RunEventLoop(200);
    FrmSimPipe->BitBtnRestClick(); // the home view at the new size
    std::vector<double> held, rate;
    for (auto _ : state) {
        for (int round = 0; round < 3; ++round) {
            auto frames = FrmSimPipe->FramesDrawn;
            FrmSimPipe->BtnUpMouseDown(FrmSimPipe->BtnRight);
            const Span turning = RunEventLoop(2000);
            FrmSimPipe->BtnUpMouseUp(FrmSimPipe->BtnRight);
            frames = FrmSimPipe->FramesDrawn - frames;
            held.push_back(turning.Cpu / static_cast<double>(frames));
            rate.push_back(static_cast<double>(frames) / turning.Wall);
            RunEventLoop(100);
        }
    }
    state.counters["viewer_width"] = FrmSimPipe->width();
    state.counters["viewer_height"] = FrmSimPipe->height();
    state.counters["held_cpu_ms_per_frame"] = Median(held) * 1e3;
    state.counters["held_frames_per_second"] = Median(rate);
    FrmMain->resize(window);
    RunEventLoop(200);
    FrmSimPipe->BitBtnRestClick();
}
BENCHMARK(BM_HeldTurnFullHd)->Iterations(1)->Unit(benchmark::kSecond);

// A shop's longest program: 100 rows of short straights and bends of every plane turn.
ProgramRows HundredRows() {
    ProgramRows program;
    program.Diameter = 20;
    for (int i = 0; i < MaxBendSteps; ++i) {
        const bool last = i + 1 == MaxBendSteps;
        program.Rows.push_back({30.0 + i % 7 * 5, static_cast<double>(i * 37 % 360 - 180),
                                last ? 0.0 : 20.0 + i % 5 * 30, 40});
    }
    return program;
}

// From the click on "Make 3D" to the first frame drawn after it, with the record, the lists and
// the home view all made anew; and the frames drawn for each click, which must be 1: no picture
// between the fields' read and the new one.
void BM_Make3DHundredRows(benchmark::State& state) {
    FrmMain->Program->Load(HundredRows());
    std::uint64_t framesDrawn = 0;
    for (auto _ : state) {
        const auto frames = FrmSimPipe->FramesDrawn;
        QElapsedTimer clock;
        clock.start();
        FrmMain->SBtnMake3D->click();
        while (FrmSimPipe->FramesDrawn == frames) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        state.SetIterationTime(clock.nsecsElapsed() / 1e9);
        framesDrawn += FrmSimPipe->FramesDrawn - frames;
    }
    state.counters["rows"] = FrmSimPipe->ViewProgram.StepCount;
    state.counters["frames_per_click"] =
        static_cast<double>(framesDrawn) / static_cast<double>(state.iterations());
    FrmMain->Program->Load(ProgramRows{
        38,
        {{30, 0, 90, 45}, {30, 90, 90, 45}, {30, 90, 90, 45}, {30, 90, 90, 45}, {30, 0, 0, 45}}});
    FrmMain->SBtnMake3D->click();
}
BENCHMARK(BM_Make3DHundredRows)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    TubrixApplication application(argc, argv);
    TProgramFiles::AskYesNo = [](QWidget*, const QString&) { return true; };
    CreateForms();
    FrmMain->show();
    QElapsedTimer wait;
    wait.start();
    while (!FrmSimPipe->Surface->isExposed() && wait.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    FrmMain->SBtnMake3D->click(); // the initial program

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    FrmMain->close();
    DestroyForms();
    return 0;
}
