// The window's start-up against f3d showing the same tube (needs an X display; Xvfb will do):
// from the start of the process to its first frame with the tube drawn, and the resident memory
// then, for `tubrix PROGRAM.csv` and for f3d with the program's STL, started in alternation so
// that the machine's load falls on both alike.
//
// Both are marked the same way: a small library preloaded into each (firstswap) says "first
// frame" when the program's first buffer swap returns; the window swaps only frames it has drawn,
// and the program is opened before its first one, so that frame has the tube. The resident
// memory of each is read from /proc half a second after the mark.
#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int Rounds = 7;
constexpr int SettleMs = 500;

double ResidentMegabytes(qint64 pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stod(line.substr(6)) / 1024;
        }
    }
    return 0;
}

struct StartUp {
    double FirstFrameMs = 0;
    double ResidentMb = 0;
};

// Starts the program, waits for `mark` on its standard output, reads its memory, ends it.
std::optional<StartUp> Measure(const QString& program, const QStringList& arguments,
                               const QByteArray& mark) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(TUBRIX_FIRST_SWAP));
    process.setProcessEnvironment(environment);
    QElapsedTimer clock;
    clock.start();
    process.start(program, arguments);
    QByteArray output;
    StartUp result;
    while (!output.contains(mark)) {
        if (!process.waitForReadyRead(10000)) {
            process.kill();
            process.waitForFinished();
            return std::nullopt;
        }
        output += process.readAll();
    }
    result.FirstFrameMs = clock.nsecsElapsed() / 1e6;
    std::this_thread::sleep_for(std::chrono::milliseconds(SettleMs));
    result.ResidentMb = ResidentMegabytes(process.processId());
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished();
    }
    return result;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void BM_StartUpAgainstF3d(benchmark::State& state) {
    const std::string program = TUBRIX_SOURCE_DIR "/docs/examples/window.csv";
    const std::string stl = "/tmp/bench_startup_" + std::to_string(getpid()) + ".stl";
    if (QProcess::execute(QStringLiteral(TUBRIX_CLI), {"export", QString::fromStdString(program),
                                                       "-o", QString::fromStdString(stl)}) != 0) {
        state.SkipWithError("tubrix-cli export failed");
        return;
    }
    std::vector<double> ours, theirs, oursMb, theirsMb, timeRatio, memoryRatio;
    for (auto _ : state) {
        for (int round = 0; round < Rounds; ++round) {
            const auto window = Measure(QStringLiteral(TUBRIX_WINDOW),
                                        {QString::fromStdString(program)}, "first frame");
            const auto f3d =
                Measure(QStringLiteral("f3d"), {QString::fromStdString(stl)}, "first frame");
            if (!window || !f3d) {
                state.SkipWithError(window ? "f3d did not start (Debian package f3d)"
                                           : "the window did not start");
                break;
            }
            ours.push_back(window->FirstFrameMs);
            theirs.push_back(f3d->FirstFrameMs);
            oursMb.push_back(window->ResidentMb);
            theirsMb.push_back(f3d->ResidentMb);
            timeRatio.push_back(window->FirstFrameMs / f3d->FirstFrameMs);
            memoryRatio.push_back(window->ResidentMb / f3d->ResidentMb);
        }
    }
    std::remove(stl.c_str());
    if (ours.empty()) {
        return;
    }
    state.counters["tubrix_first_frame_ms"] = Median(ours);
    state.counters["f3d_first_frame_ms"] = Median(theirs);
    state.counters["first_frame_ratio"] = Median(timeRatio);
    state.counters["tubrix_rss_mb"] = Median(oursMb);
    state.counters["f3d_rss_mb"] = Median(theirsMb);
    state.counters["rss_ratio"] = Median(memoryRatio);
}
BENCHMARK(BM_StartUpAgainstF3d)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
