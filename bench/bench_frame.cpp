// The frame budget, on a real native GL window (needs an X display; Xvfb will do):
// - one whole frame of the viewer (size-toggle and rebuild steps, held motions, clear, the two
//   lists, swap) against the bare loop of clear, the two lists and swap on the same window;
// - the share of one core the running program takes while it shows the initial tube, beside a
//   minimal GL window that draws the same lists every 10 ms, in the same run.
#include "frmmain.h"
#include "fsimpipe.h"
#include "startup.h"
#include "tubemodel.h"

#include <benchmark/benchmark.h>

#include <GL/glu.h>

#include <QElapsedTimer>
#include <QOpenGLContext>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <chrono>
#include <sys/resource.h>

namespace {

void BareFrame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    FrmSimPipe->DrawTube();
    glFlush();
    SwapBuffers(FrmSimPipe->ViewDC);
}

void BM_ViewerFrame(benchmark::State& state) {
    for (auto _ : state) {
        FrmSimPipe->TmMovPipeTimer();
    }
}
BENCHMARK(BM_ViewerFrame)->Unit(benchmark::kMicrosecond);

void BM_BareFrame(benchmark::State& state) {
    for (auto _ : state) {
        BareFrame();
    }
}
BENCHMARK(BM_BareFrame)->Unit(benchmark::kMicrosecond);

// Both loops in alternation, so that machine noise falls on both alike.
void BM_FrameRatio(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    Clock::duration whole{}, bare{};
    for (auto _ : state) {
        auto start = Clock::now();
        for (int i = 0; i < 20; ++i) {
            FrmSimPipe->TmMovPipeTimer();
        }
        whole += Clock::now() - start;
        start = Clock::now();
        for (int i = 0; i < 20; ++i) {
            BareFrame();
        }
        bare += Clock::now() - start;
    }
    state.counters["whole_over_bare"] =
        std::chrono::duration<double>(whole) / std::chrono::duration<double>(bare);
}
BENCHMARK(BM_FrameRatio)->Unit(benchmark::kMillisecond);

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// CPU seconds per wall second while the event loop runs for `ms`.
double CpuShareOver(int ms) {
    QElapsedTimer wall;
    const double cpu = CpuSeconds();
    wall.start();
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return (CpuSeconds() - cpu) / (wall.nsecsElapsed() / 1e9);
}

// The least a GL window can do for the same picture: a timer, the two lists, a swap.
class MinimalWindow : public QWindow {
public:
    explicit MinimalWindow(const BendProgram& program) {
        setSurfaceType(QSurface::OpenGLSurface);
        QSurfaceFormat format;
        format.setProfile(QSurfaceFormat::CompatibilityProfile);
        format.setDepthBufferSize(24);
        format.setSwapInterval(0);
        setFormat(format);
        resize(787, 423);
        create();
        context.setFormat(format);
        context.create();
        context.makeCurrent(this);
        SetupSceneState();
        state.ViewProgram = program;
        BuildTubeModel(state, 0, 0, false);
        ReSizeWindows_wh(static_cast<float>(program.TotalLength * 0.5), 787, 423);
        timer.setTimerType(Qt::PreciseTimer);
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, [this] { Frame(); });
    }
    ~MinimalWindow() override {
        context.makeCurrent(this);
        gluDeleteQuadric(state.Quadric);
        glDeleteLists(1, 2);
        context.doneCurrent();
    }
    void Start() { timer.start(); }
    void Stop() { timer.stop(); }

private:
    void Frame() {
        context.makeCurrent(this);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glCallList(1);
        glPushMatrix();
        glRotatef(180, 0, 1, 0);
        glCallList(2);
        glPopMatrix();
        context.swapBuffers(this);
    }
    QOpenGLContext context;
    TFrmSimPipeState state{};
    QTimer timer;
};

void BM_IdleCpuShare(benchmark::State& state) {
    double tubrix = 0, minimal = 0;
    for (auto _ : state) {
        FrmSimPipe->TmMovPipe->start();
        tubrix = CpuShareOver(3000);
        FrmSimPipe->TmMovPipe->stop();

        MinimalWindow window(FrmSimPipe->ViewProgram);
        window.show();
        window.Start();
        minimal = CpuShareOver(3000);
        window.Stop();
    }
    state.counters["tubrix_cpu_share"] = tubrix;
    state.counters["minimal_gl_window_cpu_share"] = minimal;
    state.counters["tubrix_over_minimal"] = minimal > 0 ? tubrix / minimal : 0;
}
BENCHMARK(BM_IdleCpuShare)->Iterations(1)->Unit(benchmark::kSecond);

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
    FrmSimPipe->TmMovPipe->stop();

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    FrmMain->close();
    DestroyForms();
    return 0;
}
