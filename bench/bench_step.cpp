// STEP parts as a shop's scripts meet them, every figure a whole process:
//  - `tubrix-cli ybc` of a 20-bend part against bench_stepfloor, a bare program that only reads
//    and transfers the same file with STEPControl_Reader (target: at most 1.3 times the floor);
//  - `tubrix-cli export` of a 100-row program to a STEP solid (target: within 1 s);
//  - info, export to STL and render of a .csv, and ybc of the 20-bend part, against an earlier
//    tubrix-cli (TUBRIX_BASELINE_CLI, its helpers beside it; target: within 5 %), each pair run
//    one after the other so both meet the same load;
//  - a file of 10,000 faces and one of some 50 MB, read or refused, a few runs each.
#include "programfile.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

using namespace tubrix;

namespace {

using Command = std::vector<std::string>;

// The status of a whole process, its output thrown away, and its wall time in seconds.
struct Timed {
    int Status = -1;
    double Seconds = 0;
};

Timed RunTimed(Command args) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    Timed run;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    run.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return run;
}

std::map<std::string, std::vector<double>> Figures;

// `ours` and, when given, `other` one after the other in each repetition; the time is ours, the
// other's and the ratio are counters beside it. `accepted` are the exit statuses that count.
void RegisterPair(const std::string& name, const Command& ours, const Command& other, int runs,
                  std::vector<int> accepted = {0}) {
    benchmark::RegisterBenchmark(
        name.c_str(),
        [name, ours, other, accepted](benchmark::State& state) {
            for (auto _ : state) {
                const Timed a = RunTimed(ours);
                const Timed b = other.empty() ? Timed{0, 0} : RunTimed(other);
                const auto ok = [&](int s) {
                    return std::find(accepted.begin(), accepted.end(), s) != accepted.end();
                };
                if (!ok(a.Status) || !ok(b.Status)) {
                    state.SkipWithError((name + ": a process failed").c_str());
                    break;
                }
                state.SetIterationTime(a.Seconds);
                Figures[name].push_back(a.Seconds);
                if (!other.empty()) {
                    state.counters["other_ms"] = b.Seconds * 1000;
                    state.counters["ratio"] = a.Seconds / b.Seconds;
                    Figures[name + "/other"].push_back(b.Seconds);
                    Figures[name + "/ratio"].push_back(a.Seconds / b.Seconds);
                }
            }
        })
        ->UseManualTime()
        ->Iterations(1)
        ->Repetitions(runs)
        ->ReportAggregatesOnly(true)
        ->Unit(benchmark::kMillisecond);
}

// The median and the spread (lowest to highest) of a figure.
std::string Summary(const std::string& name, double scale, const char* unit) {
    std::vector<double> v = Figures[name];
    if (v.empty()) {
        return "not measured";
    }
    std::sort(v.begin(), v.end());
    char text[96];
    const char* format = scale == 1 ? "%.2f%s (%.2f to %.2f)" : "%.1f %s (%.1f to %.1f)";
    std::snprintf(text, sizeof text, format, v[v.size() / 2] * scale, unit, v.front() * scale,
                  v.back() * scale);
    return text;
}

// A program of `bends` bends varying in length, plane and angle, on radius 60, D 38.
ProgramRows Program(int bends) {
    ProgramRows rows;
    rows.Diameter = 38;
    for (int i = 0; i <= bends; ++i) {
        const double c = i == bends ? 0.0 : 30.0 + i * 13 % 150;
        rows.Rows.push_back({30.0 + i % 7 * 10, static_cast<double>(i * 37 % 360), c, 60});
    }
    return rows;
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    char folderName[] = "/tmp/tubrix-bench-step-XXXXXX";
    if (mkdtemp(folderName) == nullptr) {
        std::perror("bench_step: temporary folder");
        return 1;
    }
    const std::filesystem::path folder = folderName;
    const auto in = [&folder](const char* name) { return (folder / name).string(); };
    const std::string cli = TUBRIX_CLI, floor = TUBRIX_STEP_FLOOR;
    const char* baselineGiven = std::getenv("TUBRIX_BASELINE_CLI");
    const std::string baseline = baselineGiven ? baselineGiven : "";

    (void)WriteFileWhole(in("bends20.csv"), FormatProgramText(Program(20)));
    (void)WriteFileWhole(in("rows100.csv"), FormatProgramText(Program(MaxBendSteps - 1)));
    const ProgramRows initial{
        38,
        {{30, 0, 90, 45}, {30, 90, 90, 45}, {30, 90, 90, 45}, {30, 90, 90, 45}, {30, 0, 0, 45}}};
    (void)WriteFileWhole(in("initial.csv"), FormatProgramText(initial));
    // The parts, made once and untimed: the 20-bend part, and copies of the 100-row part (some
    // 200 faces, 0.7 MB) side by side for the large files: 50 for 10,000 faces, and enough for
    // 50 MB.
    bool made =
        RunTimed({cli, "export", in("bends20.csv"), "-o", in("bends20.step")}).Status == 0 &&
        RunTimed({cli, "export", in("rows100.csv"), "-o", in("rows100.step")}).Status == 0;
    const auto part = made ? std::filesystem::file_size(in("rows100.step")) : 1;
    const std::string copies = std::to_string((50u << 20) / part + 1);
    made =
        made &&
        RunTimed({floor, "copies", in("rows100.step"), "50", in("faces10000.step")}).Status == 0 &&
        RunTimed({floor, "copies", in("rows100.step"), copies, in("large.step")}).Status == 0;
    if (!made) {
        std::fprintf(stderr, "bench_step: the STEP parts could not be made\n");
        return 1;
    }
    // Once each untimed, so every program starts with its libraries in the page cache.
    RunTimed({cli, "ybc", in("bends20.step")});
    RunTimed({floor, in("bends20.step")});

    RegisterPair("ybc_20_bends_against_bare_reader", {cli, "ybc", in("bends20.step")},
                 {floor, in("bends20.step")}, 11);
    RegisterPair("export_100_rows_to_step",
                 {cli, "export", in("rows100.csv"), "-o", in("out.step")}, {}, 7);
    const std::vector<std::pair<std::string, Command>> plain{
        {"info", {"info", in("initial.csv")}},
        {"export_stl", {"export", in("initial.csv"), "-o", in("out.stl")}},
        {"render", {"render", in("initial.csv"), "-o", in("out.png")}}};
    if (!baseline.empty()) {
        // ybc itself against the tubrix-cli given, each with the helpers beside it.
        RegisterPair("ybc_20_bends_against_before", {cli, "ybc", in("bends20.step")},
                     {baseline, "ybc", in("bends20.step")}, 11);
        for (const auto& [name, args] : plain) {
            Command ours{cli}, before{baseline};
            ours.insert(ours.end(), args.begin(), args.end());
            before.insert(before.end(), args.begin(), args.end());
            RegisterPair("csv_" + name + "_against_before_step", ours, before, 21);
        }
    }
    // Several tubes: without --solid they are refused (exit 2), with it one is read.
    RegisterPair("ybc_10000_faces_solid_1", {cli, "ybc", in("faces10000.step"), "--solid", "1"},
                 {floor, in("faces10000.step")}, 2);
    RegisterPair("ybc_large_file", {cli, "ybc", in("large.step")}, {}, 2, {0, 2});
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::printf("\nMedians (lowest to highest), whole processes:\n");
    std::printf("  ybc of a 20-bend STEP part:       %s; the bare reader %s; ratio %s "
                "(target: at most 1.3)\n",
                Summary("ybc_20_bends_against_bare_reader", 1000, "ms").c_str(),
                Summary("ybc_20_bends_against_bare_reader/other", 1000, "ms").c_str(),
                Summary("ybc_20_bends_against_bare_reader/ratio", 1, "").c_str());
    std::printf("  export of 100 rows to STEP:       %s (target: within 1000 ms)\n",
                Summary("export_100_rows_to_step", 1000, "ms").c_str());
    if (baseline.empty()) {
        std::printf("  commands on a .csv against before STEP: skipped, set TUBRIX_BASELINE_CLI\n");
    }
    if (!Figures["ybc_20_bends_against_before"].empty()) {
        std::printf("  ybc of the 20-bend part: %s; the tubrix-cli given %s; ratio %s (target: at "
                    "most 1.05)\n",
                    Summary("ybc_20_bends_against_before", 1000, "ms").c_str(),
                    Summary("ybc_20_bends_against_before/other", 1000, "ms").c_str(),
                    Summary("ybc_20_bends_against_before/ratio", 1, "").c_str());
    }
    for (const auto& [name, args] : plain) {
        const std::string key = "csv_" + name + "_against_before_step";
        if (!Figures[key].empty()) {
            std::printf("  %-10s of a .csv: %s; before STEP %s; ratio %s (target: at most 1.05)\n",
                        name.c_str(), Summary(key, 1000, "ms").c_str(),
                        Summary(key + "/other", 1000, "ms").c_str(),
                        Summary(key + "/ratio", 1, "").c_str());
        }
    }
    std::printf("  10,000 faces (50 tubes), --solid 1: %s; the bare reader %s\n",
                Summary("ybc_10000_faces_solid_1", 1000, "ms").c_str(),
                Summary("ybc_10000_faces_solid_1/other", 1000, "ms").c_str());
    std::printf("  %.1f MB (%s tubes), read or refused (the helper has 30 s): %s\n",
                static_cast<double>(std::filesystem::file_size(in("large.step"))) / (1 << 20),
                copies.c_str(), Summary("ybc_large_file", 1000, "ms").c_str());
    std::filesystem::remove_all(folder);
    return 0;
}
