// Pictures and meshes as a shop's scripts make them, on a fixed 100-row program: the whole
// `tubrix-cli render` process against the whole f3d process drawing the same tube from its
// exported STL at the same size (target: at most 0.3 of f3d's time), and the export of the
// program to binary STL (target: at most 50 ms). The other mesh formats and the whole export
// process are timed beside them. f3d needs an X display: an Xvfb is started once, outside the
// timing. Without f3d, Xvfb or a tubrix-cli that renders, that comparison is skipped and says
// so.
#include "meshfile.h"
#include "programfile.h"
#include "tubemesh.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

using namespace tubrix;

namespace {

constexpr int ProcessRuns = 11;
constexpr int ExportRuns = 21;
constexpr const char* PictureSize = "787x423";
constexpr const char* F3dResolution = "787,423";

// Row by row the lengths, plane turns and bend angles vary; on radius 60 the sag rule cuts the
// bends finer than the facet angle, as it does a shop's larger parts.
ProgramRows HundredRows() {
    ProgramRows rows;
    rows.Diameter = 38;
    for (int i = 0; i < MaxBendSteps; ++i) {
        const double c = i == MaxBendSteps - 1 ? 0.0 : 30.0 + i * 13 % 150;
        rows.Rows.push_back({30.0 + i % 7 * 10, static_cast<double>(i * 37 % 360), c, 60});
    }
    return rows;
}

// An input file of the processes timed, written before them; a failed write shows in their runs.
void WriteInput(const std::string& path, std::string_view content) {
    (void)WriteFileWhole(path, content);
}

// A program's tube as binary STL; empty when it cannot be encoded.
std::string StlBytes(const BendProgram& program) {
    const Result<std::string> encoded = EncodeMesh(BuildTubeMesh(program), MeshFormats()[0]);
    return encoded ? *encoded : std::string();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// This process's environment for a child, with DISPLAY set to `display` when one is given.
std::vector<std::string> Environment(const std::string& display = {}) {
    std::vector<std::string> list;
    for (char** e = environ; *e != nullptr; ++e) {
        if (display.empty() || std::strncmp(*e, "DISPLAY=", 8) != 0) {
            list.emplace_back(*e);
        }
    }
    if (!display.empty()) {
        list.push_back("DISPLAY=" + display);
    }
    return list;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings) {
        pointers.push_back(s.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// Starts a program with its output thrown away (and `channel`, when given, as its descriptor
// 3); -1 when it cannot start.
pid_t Start(std::vector<std::string> args, std::vector<std::string> environment, int channel = -1) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    if (channel >= 0) {
        posix_spawn_file_actions_adddup2(&actions, channel, 3);
    }
    std::vector<char*> argv = Pointers(args), envp = Pointers(environment);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

bool Succeeded(pid_t pid) {
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

// The wall time of a whole process from start to exit, in seconds; none when it failed.
std::optional<double> TimedRun(const std::vector<std::string>& args,
                               const std::vector<std::string>& environment) {
    const auto start = std::chrono::steady_clock::now();
    if (!Succeeded(Start(args, environment))) {
        return std::nullopt;
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// An X server for f3d, started once: Xvfb picks a free display and writes its number to
// descriptor 3 when it is ready to take clients.
struct VirtualDisplay {
    pid_t Pid = -1;
    std::string Name;

    VirtualDisplay() {
        int fds[2];
        if (pipe(fds) != 0) {
            return;
        }
        Pid = Start({"Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"},
                    Environment(), fds[1]);
        close(fds[1]);
        // Read up to the line's end: Xvfb writes the number and the newline apart, and dies if
        // the pipe is closed between the two.
        std::string number;
        char c = 0;
        while (Pid > 0 && read(fds[0], &c, 1) == 1 && c != '\n') {
            number += c;
        }
        close(fds[0]);
        if (c == '\n' && !number.empty()) {
            Name = ":" + number;
        }
    }
    ~VirtualDisplay() {
        if (Pid > 0) {
            kill(Pid, SIGTERM);
            waitpid(Pid, nullptr, 0);
        }
    }
};

struct Figures {
    std::map<std::string, std::vector<double>> Seconds;
};

// One timed process a repetition; a failure stops the benchmark with its reason.
void RegisterProcess(Figures& figures, const std::string& name, std::vector<std::string> args,
                     std::vector<std::string> environment) {
    benchmark::RegisterBenchmark(name.c_str(),
                                 [&figures, name, args, environment](benchmark::State& state) {
                                     for (auto _ : state) {
                                         const std::optional<double> seconds =
                                             TimedRun(args, environment);
                                         if (!seconds) {
                                             state.SkipWithError((args[0] + " failed").c_str());
                                             break;
                                         }
                                         state.SetIterationTime(*seconds);
                                         figures.Seconds[name].push_back(*seconds);
                                     }
                                 })
        ->UseManualTime()
        ->Iterations(1)
        ->Repetitions(ProcessRuns)
        ->ReportAggregatesOnly(true)
        ->Unit(benchmark::kMillisecond);
}

// tubrix-cli render and f3d one after the other in each repetition, so both meet the same load
// on the machine; the time is tubrix-cli's, f3d's and the ratio are counters beside it.
void RegisterRenderAgainstF3d(Figures& figures, const std::string& tube,
                              std::vector<std::string> render, std::vector<std::string> f3d,
                              std::vector<std::string> display) {
    benchmark::RegisterBenchmark(
        ("process/render_against_f3d/" + tube).c_str(),
        [&figures, tube, render, f3d, display](benchmark::State& state) {
            for (auto _ : state) {
                const std::optional<double> tubrix = TimedRun(render, Environment());
                const std::optional<double> other = TimedRun(f3d, display);
                if (!tubrix || !other) {
                    state.SkipWithError(tubrix ? "f3d failed" : "tubrix-cli render failed");
                    break;
                }
                state.SetIterationTime(*tubrix);
                state.counters["f3d_ms"] = *other * 1000;
                state.counters["ratio"] = *tubrix / *other;
                figures.Seconds[tube + "/render"].push_back(*tubrix);
                figures.Seconds[tube + "/f3d"].push_back(*other);
                figures.Seconds[tube + "/ratio"].push_back(*tubrix / *other);
            }
        })
        ->UseManualTime()
        ->Iterations(1)
        ->Repetitions(ProcessRuns)
        ->ReportAggregatesOnly(true)
        ->Unit(benchmark::kMillisecond);
}

// The mesh built, encoded and written whole (flushed to the disk, then renamed), as the export
// command does after reading; the time to the encoded bytes is kept apart.
void RegisterExport(Figures& figures, const BendProgram& program, const MeshFormat& format,
                    const std::string& path, int runs) {
    const std::string name = std::string("export_100_rows/") + (format.Extension + 1);
    benchmark::RegisterBenchmark(
        name.c_str(),
        [&figures, &program, &format, name, path](benchmark::State& state) {
            for (auto _ : state) {
                using Clock = std::chrono::steady_clock;
                const Clock::time_point start = Clock::now();
                const Result<std::string> encoded = EncodeMesh(BuildTubeMesh(program), format);
                const Clock::time_point encodedAt = Clock::now();
                if (!encoded || !WriteFileWhole(path, *encoded)) {
                    state.SkipWithError("the export failed");
                    break;
                }
                const std::chrono::duration<double> whole = Clock::now() - start;
                state.SetIterationTime(whole.count());
                figures.Seconds[name].push_back(whole.count());
                figures.Seconds[name + "/encode"].push_back(
                    std::chrono::duration<double>(encodedAt - start).count());
            }
        })
        ->UseManualTime()
        ->Iterations(1)
        ->Repetitions(runs)
        ->ReportAggregatesOnly(true)
        ->Unit(benchmark::kMillisecond);
}

std::string Milliseconds(const Figures& figures, const std::string& name) {
    const auto found = figures.Seconds.find(name);
    if (found == figures.Seconds.end() || found->second.empty()) {
        return "not measured";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f ms", Median(found->second) * 1000);
    return text;
}

// Why the render comparison cannot run here, or nothing when it can.
std::string RenderComparisonMissing(const std::string& cli, const VirtualDisplay& display) {
    if (!Succeeded(Start({cli, "render", "--help"}, Environment()))) {
        return "this tubrix-cli has no render command yet";
    }
    if (!Succeeded(Start({"f3d", "--version"}, Environment()))) {
        return "f3d is not installed (Debian package f3d)";
    }
    if (display.Name.empty()) {
        return "no Xvfb to give f3d a display (Debian package xvfb)";
    }
    return {};
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    char folderName[] = "/tmp/tubrix-bench-XXXXXX";
    if (mkdtemp(folderName) == nullptr) {
        std::perror("bench_export: temporary folder");
        return 1;
    }
    const std::filesystem::path folder = folderName;
    const auto in = [&folder](const char* name) { return (folder / name).string(); };

    const ProgramRows rows = HundredRows();
    const BendProgram program = ProgramFromRows(rows);
    WriteInput(in("program.csv"), FormatProgramText(rows));
    WriteInput(in("tube.stl"), StlBytes(program));

    Figures figures;
    for (const MeshFormat& format : MeshFormats()) {
        const bool timed = format.ExporterId == nullptr;
        RegisterExport(figures, program, format, in("out") + format.Extension,
                       timed ? ExportRuns : 3);
    }
    const std::string cli = TUBRIX_CLI;
    const std::vector<std::string> plain = Environment();
    RegisterProcess(figures, "process/tubrix-cli_export_stl",
                    {cli, "export", in("program.csv"), "-o", in("cli.stl")}, plain);
    const VirtualDisplay display;
    const std::string missing = RenderComparisonMissing(cli, display);
    const std::vector<std::string> onDisplay = Environment(display.Name);
    // The main window's initial program, the picture a job folder usually gets, and the
    // 100-row program, the largest the files hold.
    const ProgramRows initial{
        38,
        {{30, 0, 90, 45}, {30, 90, 90, 45}, {30, 90, 90, 45}, {30, 90, 90, 45}, {30, 0, 0, 45}}};
    WriteInput(in("initial.csv"), FormatProgramText(initial));
    WriteInput(in("initial.stl"), StlBytes(ProgramFromRows(initial)));
    for (const std::string tube : {"initial", "program"}) {
        const std::vector<std::string> render{
            cli,      "render",   in((tube + ".csv").c_str()), "-o", in("tubrix.png"),
            "--size", PictureSize};
        const std::string stl = tube == "program" ? in("tube.stl") : in("initial.stl");
        const std::vector<std::string> f3d{
            "f3d",          stl,           "--output",  in("f3d.png"),
            "--resolution", F3dResolution, "--dry-run", "--quiet"};
        if (missing.empty()) {
            // Once each untimed, so both start with their files and libraries in the page cache.
            TimedRun(render, plain);
            TimedRun(f3d, onDisplay);
            RegisterRenderAgainstF3d(figures, tube, render, f3d, onDisplay);
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::printf("\nMedians, the 100-row program (%zu triangles at %d facets):\n",
                BuildTubeMesh(program).Triangles.size(), DefaultMeshSegments);
    std::printf("  export to binary STL, in process:    %s built and encoded, %s written whole "
                "(target: at most 50 ms)\n",
                Milliseconds(figures, "export_100_rows/stl/encode").c_str(),
                Milliseconds(figures, "export_100_rows/stl").c_str());
    std::printf("  the whole tubrix-cli export process: %s\n",
                Milliseconds(figures, "process/tubrix-cli_export_stl").c_str());
    if (!missing.empty()) {
        std::printf("  render against f3d: skipped, %s\n", missing.c_str());
    } else {
        for (const std::string tube : {"initial", "program"}) {
            if (figures.Seconds[tube + "/ratio"].empty()) {
                continue;
            }
            std::printf("  %s PNG of the %s, whole process: tubrix-cli render %s | f3d from the "
                        "STL %s | ratio %.2f (target: at most 0.30)\n",
                        PictureSize, tube == "initial" ? "initial program" : "100-row program",
                        Milliseconds(figures, tube + "/render").c_str(),
                        Milliseconds(figures, tube + "/f3d").c_str(),
                        Median(figures.Seconds[tube + "/ratio"]));
        }
    }
    std::filesystem::remove_all(folder);
    return 0;
}
