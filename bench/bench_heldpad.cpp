// The window's frame with a pad button held, measured from outside against the bare loop
// (bench_bareloop: clear, the builder's two lists, swap, with no Qt) in a process of its own at
// the viewer's size; needs an X display (Xvfb will do) and the XTest extension.
//
// The window is started with the window's initial program and BtnRight is held on its pad with
// XTest, as a hand would hold it; the bare loop runs the same program's lists in its own window
// beside it. Each round holds the button for a while, then lets the bare loop run as long
// (it is stopped with SIGSTOP in between), so that the machine's load falls on both alike. What
// each costs is the CPU time of all the process's threads (Mesa draws on threads of its own),
// read from /proc, over the frames it swapped, counted by swapcount, preloaded into both. With
// TUBRIX_XSERVER_PID set, the X server's CPU over the same frames is counted as well; with
// TUBRIX_HELDPAD_WINDOW, that window program is measured in place of this build's.
#include <benchmark/benchmark.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

// After Qt: Xlib defines names (None, Bool, Status) that Qt's headers use.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int Rounds = 7;
constexpr int RoundMs = 3000;
constexpr int SettleMs = 400;
// The viewer's size in the window, and the pad's, with BtnRight's middle on the pad.
constexpr int ViewerWidth = 787;
constexpr int ViewerHeight = 423;
constexpr int PadWidth = 137;
constexpr int PadHeight = 216;
constexpr int BtnRightX = 90 + 21;
constexpr int BtnRightY = 45 + 20;

void Sleep(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// CPU time of every thread of the process so far, in nanoseconds.
double CpuNs(qint64 pid) {
    double total = 0;
    std::error_code error;
    const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        std::ifstream schedstat(task.path() / "schedstat");
        double ns = 0;
        if (schedstat >> ns) {
            total += ns;
        }
    }
    return total;
}

// The swap count a process preloaded with swapcount keeps in `path`.
class SwapCounter {
public:
    explicit SwapCounter(const std::string& path) {
        const int file = open(path.c_str(), O_RDWR | O_CREAT, 0600);
        if (file >= 0 && ftruncate(file, sizeof(std::uint64_t)) == 0) {
            void* shared = mmap(nullptr, sizeof(std::uint64_t), PROT_READ, MAP_SHARED, file, 0);
            if (shared != MAP_FAILED) {
                Count = static_cast<const std::atomic<std::uint64_t>*>(shared);
            }
        }
        if (file >= 0) {
            close(file);
        }
    }
    ~SwapCounter() {
        if (Count) {
            munmap(const_cast<std::atomic<std::uint64_t>*>(Count), sizeof(std::uint64_t));
        }
    }
    SwapCounter(const SwapCounter&) = delete;
    SwapCounter& operator=(const SwapCounter&) = delete;
    std::uint64_t Frames() const { return Count ? Count->load() : 0; }

private:
    const std::atomic<std::uint64_t>* Count = nullptr;
};

std::unique_ptr<QProcess> Start(const QString& program, const QStringList& arguments,
                                const QString& counterPath, const QString& home) {
    auto process = std::make_unique<QProcess>();
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(TUBRIX_SWAP_COUNT));
    environment.insert(QStringLiteral("TUBRIX_SWAP_COUNTER"), counterPath);
    // Whatever the window keeps between runs stays with this run.
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home);
    process->setProcessEnvironment(environment);
    process->start(program, arguments);
    return process;
}

void End(QProcess& process) {
    if (process.state() == QProcess::NotRunning) {
        return;
    }
    kill(static_cast<pid_t>(process.processId()), SIGCONT);
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished();
    }
}

bool WaitForFrame(const SwapCounter& counter, int ms) {
    for (int waited = 0; counter.Frames() == 0 && waited < ms; waited += 20) {
        Sleep(20);
    }
    return counter.Frames() > 0;
}

std::optional<long> WindowPid(Display* x, Window window) {
    const Atom pidAtom = XInternAtom(x, "_NET_WM_PID", True);
    if (pidAtom == None) {
        return std::nullopt;
    }
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    std::optional<long> pid;
    if (XGetWindowProperty(x, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &items,
                           &after, &data) == Success &&
        data && items == 1 && format == 32) {
        pid = *reinterpret_cast<long*>(data);
    }
    if (data) {
        XFree(data);
    }
    return pid;
}

// The first mapped window of the given size under `parent`, depth first.
std::optional<Window> FindBySize(Display* x, Window parent, int width, int height) {
    Window root = 0, up = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(x, parent, &root, &up, &children, &count)) {
        return std::nullopt;
    }
    std::optional<Window> found;
    for (unsigned i = 0; i < count && !found; ++i) {
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(x, children[i], &attributes) &&
            attributes.map_state == IsViewable && attributes.width == width &&
            attributes.height == height) {
            found = children[i];
        } else {
            found = FindBySize(x, children[i], width, height);
        }
    }
    if (children) {
        XFree(children);
    }
    return found;
}

// The pad of the window the process `pid` shows: a native child of the pad's size.
std::optional<Window> FindPad(Display* x, qint64 pid) {
    Window root = 0, up = 0, *children = nullptr;
    unsigned count = 0;
    XQueryTree(x, DefaultRootWindow(x), &root, &up, &children, &count);
    std::optional<Window> pad;
    for (unsigned i = 0; i < count && !pad; ++i) {
        if (WindowPid(x, children[i]) == pid) {
            pad = FindBySize(x, children[i], PadWidth, PadHeight);
        }
    }
    if (children) {
        XFree(children);
    }
    return pad;
}

struct Span {
    double CpuNs = 0;
    double ServerNs = 0;
    double Frames = 0;
    double Seconds = 0;
};

// What `pid` (and the X server) spend over RoundMs, and the frames swapped in it.
Span Measure(qint64 pid, const SwapCounter& counter, qint64 serverPid) {
    const auto start = std::chrono::steady_clock::now();
    const double cpu = CpuNs(pid), server = serverPid ? CpuNs(serverPid) : 0;
    const auto frames = counter.Frames();
    Sleep(RoundMs);
    Span span;
    span.CpuNs = CpuNs(pid) - cpu;
    span.ServerNs = serverPid ? CpuNs(serverPid) - server : 0;
    span.Frames = static_cast<double>(counter.Frames() - frames);
    span.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return span;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void BM_HeldPadAgainstBareLoopProcess(benchmark::State& state) {
    QTemporaryDir home;
    const QString program = QStringLiteral(TUBRIX_SOURCE_DIR "/docs/examples/window.csv");
    const std::string windowCounterPath = home.filePath(QStringLiteral("window")).toStdString();
    const std::string bareCounterPath = home.filePath(QStringLiteral("bare")).toStdString();
    const SwapCounter windowFrames(windowCounterPath), bareFrames(bareCounterPath);
    const qint64 serverPid =
        std::getenv("TUBRIX_XSERVER_PID") ? std::atoll(std::getenv("TUBRIX_XSERVER_PID")) : 0;
    Display* x = XOpenDisplay(nullptr);
    int event = 0, error = 0, major = 0, minor = 0;
    if (!x || !XTestQueryExtension(x, &event, &error, &major, &minor)) {
        state.SkipWithError("needs an X display with the XTest extension");
        return;
    }
    // Another build's window may be measured in its place, against the same bare loop.
    const char* other = std::getenv("TUBRIX_HELDPAD_WINDOW");
    auto window = Start(other ? QString::fromLocal8Bit(other) : QStringLiteral(TUBRIX_WINDOW),
                        {program}, QString::fromStdString(windowCounterPath), home.path());
    // The bare loop below the window, where nothing covers either.
    auto bare = Start(QStringLiteral(TUBRIX_BARE_LOOP),
                      {program, QString::number(ViewerWidth), QString::number(ViewerHeight),
                       QStringLiteral("0"), QStringLiteral("600")},
                      QString::fromStdString(bareCounterPath), home.path());
    std::optional<Window> pad;
    if (WaitForFrame(windowFrames, 10000) && WaitForFrame(bareFrames, 10000)) {
        kill(static_cast<pid_t>(bare->processId()), SIGSTOP);
        for (int waited = 0; !pad && waited < 5000; waited += 50) {
            Sleep(50);
            pad = FindPad(x, window->processId());
        }
    }
    if (!pad) {
        state.SkipWithError("the window or the bare loop did not show a frame, or no pad");
        End(*window);
        End(*bare);
        XCloseDisplay(x);
        return;
    }
    int padX = 0, padY = 0;
    Window child = 0;
    XTranslateCoordinates(x, *pad, DefaultRootWindow(x), BtnRightX, BtnRightY, &padX, &padY,
                          &child);
    XTestFakeMotionEvent(x, -1, padX, padY, CurrentTime);
    XSync(x, False);
    Sleep(SettleMs);
    // A window just shown may not take the first press yet: press until a held button draws.
    bool drawing = false;
    for (int attempt = 0; attempt < 10 && !drawing; ++attempt) {
        const auto frames = windowFrames.Frames();
        XTestFakeButtonEvent(x, 1, True, CurrentTime);
        XSync(x, False);
        Sleep(SettleMs);
        drawing = windowFrames.Frames() > frames + 5;
        XTestFakeButtonEvent(x, 1, False, CurrentTime);
        XSync(x, False);
        Sleep(SettleMs);
    }

    std::vector<double> held, bareCost, ratio, withServer, heldRate, bareRate;
    for (auto _ : state) {
        for (int round = 0; round < Rounds; ++round) {
            XTestFakeButtonEvent(x, 1, True, CurrentTime);
            XSync(x, False);
            Sleep(SettleMs);
            const Span h = Measure(window->processId(), windowFrames, serverPid);
            XTestFakeButtonEvent(x, 1, False, CurrentTime);
            XSync(x, False);
            Sleep(SettleMs);

            kill(static_cast<pid_t>(bare->processId()), SIGCONT);
            Sleep(SettleMs);
            const Span b = Measure(bare->processId(), bareFrames, serverPid);
            kill(static_cast<pid_t>(bare->processId()), SIGSTOP);
            Sleep(SettleMs);
            if (h.Frames < 1 || b.Frames < 1) {
                state.SkipWithError("no frames drawn in a round");
                break;
            }
            held.push_back(h.CpuNs / h.Frames);
            bareCost.push_back(b.CpuNs / b.Frames);
            ratio.push_back(held.back() / bareCost.back());
            withServer.push_back(((h.CpuNs + h.ServerNs) / h.Frames) /
                                 ((b.CpuNs + b.ServerNs) / b.Frames));
            heldRate.push_back(h.Frames / h.Seconds);
            bareRate.push_back(b.Frames / b.Seconds);
            std::fprintf(stderr,
                         "round %d: held %.0f us/frame (%.0f fps), bare %.0f us/frame (%.0f fps), "
                         "ratio %.3f, with the X server %.3f\n",
                         round + 1, held.back() / 1e3, heldRate.back(), bareCost.back() / 1e3,
                         bareRate.back(), ratio.back(), withServer.back());
        }
    }
    End(*window);
    End(*bare);
    XCloseDisplay(x);
    if (ratio.empty()) {
        return;
    }
    state.counters["held_cpu_us_per_frame"] = Median(held) / 1e3;
    state.counters["bare_cpu_us_per_frame"] = Median(bareCost) / 1e3;
    state.counters["held_fps"] = Median(heldRate);
    state.counters["bare_fps"] = Median(bareRate);
    state.counters["held_over_bare"] = Median(ratio);
    state.counters["held_over_bare_min"] = *std::min_element(ratio.begin(), ratio.end());
    state.counters["held_over_bare_max"] = *std::max_element(ratio.begin(), ratio.end());
    if (serverPid) {
        state.counters["with_server_held_over_bare"] = Median(withServer);
    }
}
BENCHMARK(BM_HeldPadAgainstBareLoopProcess)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
