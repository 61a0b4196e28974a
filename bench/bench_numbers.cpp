// The numbers of a 100-row program: `tubrix-cli info` (read, walk, JSON) and `tubrix-cli ybc`
// (read the points, back to YBC, write), each the work of one command without the process.
#include "benchprograms.h"
#include "commands.h"
#include "ybc.h"

#include <benchmark/benchmark.h>

using namespace tubrix;

namespace {

std::string PointsOf(const std::string& programText) {
    const ProgramRows rows = *ParseProgramText(programText, "bench");
    std::string text = "diameter,25\n";
    const auto points = ProgramToXyz(WalkTube(ProgramFromRows(rows)));
    for (const XyzPoint& p : *points) {
        text += FormatNumber(p.At.X) + ',' + FormatNumber(p.At.Y) + ',' + FormatNumber(p.At.Z) +
                ',' + (p.R ? FormatNumber(*p.R) : "") + '\n';
    }
    return text;
}

void BM_Info(benchmark::State& state) {
    const std::string text = HundredRowProgram();
    for (auto _ : state) {
        const Result<ProgramRows> rows = ParseProgramText(text, "bench");
        const BendProgram program = ProgramFromRows(*rows);
        benchmark::DoNotOptimize(InfoJson(program, WalkTube(program)));
    }
}
BENCHMARK(BM_Info)->Unit(benchmark::kMicrosecond);

void BM_InfoTable(benchmark::State& state) {
    const std::string text = HundredRowProgram();
    for (auto _ : state) {
        const BendProgram program = ProgramFromRows(*ParseProgramText(text, "bench"));
        benchmark::DoNotOptimize(InfoText(program, WalkTube(program)));
    }
}
BENCHMARK(BM_InfoTable)->Unit(benchmark::kMicrosecond);

void BM_Ybc(benchmark::State& state) {
    const std::string points = PointsOf(HundredRowProgram());
    for (auto _ : state) {
        const Result<PointsRows> rows = ParsePointsText(points, "bench");
        const Result<ProgramRows> program = XyzToProgram(*rows, std::nullopt, "bench");
        benchmark::DoNotOptimize(FormatProgramText(*program));
    }
}
BENCHMARK(BM_Ybc)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
