// The bare frame loop that the viewer's frame is measured against from outside, in a process of
// its own and without Qt: an Xlib window of the viewer's size, a GLX context made as the shape
// library makes its own (double buffered, 24-bit depth, swap interval 0, SetupSceneState), the
// builder's own two display lists of the program, the home view, and then every 10 ms what a
// tick with BtnRight held draws: the turn of one degree, clear, the two lists, flush, swap.
//
//   bench_bareloop PROGRAM.csv WIDTH HEIGHT [LEFT TOP]
//
// Says "first frame" on standard error once its first frame is swapped, and runs until SIGTERM.
#include "coordtransform.h"
#include "homeview.h"
#include "orbgl.h"
#include "programfile.h"
#include "simpipestate.h"
#include "tubemodel.h"

#include <GL/glu.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

using namespace tubrix;

namespace {

constexpr long FrameIntervalNs = 10'000'000; // the viewer's tick
volatile std::sig_atomic_t Stop = 0;

void OnTerminate(int) {
    Stop = 1;
}

struct Surface {
    Display* X = nullptr;
    Window Target = 0;
    GLXContext Context = nullptr;
};

bool Open(Surface& surface, int left, int top, int width, int height) {
    surface.X = XOpenDisplay(nullptr);
    if (!surface.X) {
        std::fprintf(stderr, "bench_bareloop: no X display\n");
        return false;
    }
    Display* x = surface.X;
    int attributes[] = {
        GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 8,   GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE,
        8,        GLX_DEPTH_SIZE,   24,           None};
    XVisualInfo* visual = glXChooseVisual(x, DefaultScreen(x), attributes);
    if (!visual) {
        std::fprintf(stderr, "bench_bareloop: no double-buffered visual with depth\n");
        return false;
    }
    const Window root = RootWindow(x, visual->screen);
    XSetWindowAttributes set{};
    set.colormap = XCreateColormap(x, root, visual->visual, AllocNone);
    set.event_mask = StructureNotifyMask | ExposureMask;
    surface.Target = XCreateWindow(x, root, left, top, static_cast<unsigned>(width),
                                   static_cast<unsigned>(height), 0, visual->depth, InputOutput,
                                   visual->visual, CWColormap | CWEventMask, &set);
    XStoreName(x, surface.Target, "bench_bareloop");
    XMapWindow(x, surface.Target);
    for (XEvent event; XNextEvent(x, &event) == 0;) {
        if (event.type == MapNotify) {
            break;
        }
    }
    surface.Context = glXCreateContext(x, visual, nullptr, True);
    XFree(visual);
    if (!surface.Context || !glXMakeCurrent(x, surface.Target, surface.Context)) {
        std::fprintf(stderr, "bench_bareloop: no GL context\n");
        return false;
    }
    // A swap that waited for vertical sync would stretch the tick, as it would the viewer's.
    using SwapInterval = int (*)(unsigned);
    if (auto interval = reinterpret_cast<SwapInterval>(
            glXGetProcAddress(reinterpret_cast<const GLubyte*>("glXSwapIntervalMESA")))) {
        interval(0);
    }
    return true;
}

void Close(Surface& surface) {
    glXMakeCurrent(surface.X, None, nullptr);
    glXDestroyContext(surface.X, surface.Context);
    XDestroyWindow(surface.X, surface.Target);
    XCloseDisplay(surface.X);
}

void AddNs(timespec& time, long ns) {
    time.tv_nsec += ns;
    while (time.tv_nsec >= 1'000'000'000) {
        time.tv_nsec -= 1'000'000'000;
        ++time.tv_sec;
    }
}

bool Before(const timespec& a, const timespec& b) {
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4 && argc != 6) {
        std::fprintf(stderr, "usage: bench_bareloop PROGRAM.csv WIDTH HEIGHT [LEFT TOP]\n");
        return 2;
    }
    const Result<ProgramRows> rows = ReadProgramFile(argv[1]);
    if (!rows) {
        std::fprintf(stderr, "bench_bareloop: %s\n", rows.Failure().ToString().c_str());
        return 2;
    }
    const int width = std::atoi(argv[2]);
    const int height = std::atoi(argv[3]);
    const int left = argc == 6 ? std::atoi(argv[4]) : 0;
    const int top = argc == 6 ? std::atoi(argv[5]) : 0;
    if (width < 1 || height < 1) {
        std::fprintf(stderr, "bench_bareloop: the size must be positive\n");
        return 2;
    }
    std::signal(SIGTERM, OnTerminate);
    std::signal(SIGINT, OnTerminate);

    Surface surface;
    if (!Open(surface, left, top, width, height)) {
        return 1;
    }
    SetupSceneState();
    // The lists as the viewer builds them after "Make 3D": list base 0, the first row
    // highlighted, the hand as programmed; then its home view.
    auto viewer = std::make_unique<TFrmSimPipeState>();
    viewer->ViewProgram = ProgramFromRows(*rows);
    BuildTubeModel(*viewer, 0, 0, false);
    viewer->ViewScale = static_cast<float>(viewer->ViewProgram.TotalLength * 0.5);
    ReSizeWindows_wh(viewer->ViewScale, width, height);
    ApplyViewOp(ViewReset, 1.0);
    TurnToHomeView();

    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    bool first = true;
    while (!Stop) {
        while (XPending(surface.X) > 0) {
            XEvent event;
            XNextEvent(surface.X, &event);
        }
        ApplyViewOp(ViewTurnY, 1.0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        DrawTube(0);
        glFlush();
        glXSwapBuffers(surface.X, surface.Target);
        if (first) {
            first = false;
            std::fputs("first frame\n", stderr);
        }
        // The next tick 10 ms after this one was due; a loop held up (stopped, or the machine
        // busy) goes on from now rather than catching up in a burst, as a timer would.
        AddNs(next, FrameIntervalNs);
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        if (Before(next, now)) {
            next = now;
        }
        while (!Stop && clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr) != 0) {
        }
    }
    if (viewer->Quadric) {
        gluDeleteQuadric(viewer->Quadric);
    }
    Close(surface);
    return 0;
}
