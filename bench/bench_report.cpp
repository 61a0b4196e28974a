// The setup sheet as a shop's script makes it: the whole `tubrix-cli report` process, from its
// start to the PDF on disk, for the window's initial program (target: within 1 s) and a fixed
// 100-row program (target: within 3 s); and both again with the example machine profile, whose
// sheet adds the machine's columns, its findings and a picture of every bend (99 for the
// 100-row program). Prints the median of each beside its target.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr int ProcessRuns = 11;

const char* const InitialProgram = "diameter,38\nY,B,C,R\n30,0,90,45\n30,90,90,45\n30,90,90,45\n"
                                   "30,90,90,45\n30,0,0,45\n";

// The same 100 rows as the other benchmarks: lengths, plane turns and angles vary row by row.
std::string HundredRows() {
    std::string text = "diameter,38\nY,B,C,R\n";
    for (int i = 0; i < 100; ++i) {
        text += std::to_string(30 + i % 7 * 10) + ',' + std::to_string(i * 37 % 360) + ',' +
                std::to_string(i == 99 ? 0 : 30 + i * 13 % 150) + ",60\n";
    }
    return text;
}

// Runs tubrix-cli with its output thrown away; the wall time in seconds, or -1 when it failed.
double TimedReport(const std::string& program, const std::string& pdf, bool machine) {
    std::vector<std::string> args{TUBRIX_CLI, "report", program, "-o", pdf};
    if (machine) {
        args.insert(args.end(), {"--machine", TUBRIX_EXAMPLE_PROFILE});
    }
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    int status = 0;
    const bool ran = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0 &&
                     waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
                     WEXITSTATUS(status) == 0;
    const auto end = std::chrono::steady_clock::now();
    posix_spawn_file_actions_destroy(&actions);
    return ran ? std::chrono::duration<double>(end - start).count() : -1;
}

std::map<std::string, std::vector<double>> Seconds;

void Register(const std::string& name, const std::string& program, const std::string& pdf,
              bool machine) {
    benchmark::RegisterBenchmark(("process/report/" + name).c_str(),
                                 [name, program, pdf, machine](benchmark::State& state) {
                                     for (auto _ : state) {
                                         const double seconds = TimedReport(program, pdf, machine);
                                         if (seconds < 0) {
                                             state.SkipWithError("tubrix-cli report failed");
                                             break;
                                         }
                                         state.SetIterationTime(seconds);
                                         Seconds[name].push_back(seconds);
                                     }
                                 })
        ->UseManualTime()
        ->Iterations(1)
        ->Repetitions(ProcessRuns)
        ->ReportAggregatesOnly(true)
        ->Unit(benchmark::kMillisecond);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("tubrix-bench-report-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string initial = folder / "initial.csv";
    const std::string hundred = folder / "hundred.csv";
    std::ofstream(initial) << InitialProgram;
    std::ofstream(hundred) << HundredRows();
    Register("initial", initial, folder / "initial.pdf", false);
    Register("hundred_rows", hundred, folder / "hundred.pdf", false);
    Register("initial_machine", initial, folder / "initial.pdf", true);
    Register("hundred_machine", hundred, folder / "hundred.pdf", true);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const struct {
        const char* name;
        double target;
    } targets[] = {{"initial", 1.0},
                   {"hundred_rows", 3.0},
                   {"initial_machine", 1.0},
                   {"hundred_machine", 3.0}};
    for (const auto& t : targets) {
        const double median = Median(Seconds[t.name]);
        std::printf("report %-16s median %7.1f ms   target %5.0f ms   %s\n", t.name, median * 1000,
                    t.target * 1000,
                    !Seconds[t.name].empty() && median <= t.target ? "met" : "NOT MET");
    }
    std::filesystem::remove_all(folder);
    return 0;
}
