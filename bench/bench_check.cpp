// `tubrix-cli check` on 100-row programs, without the process: read the program, walk it and
// run every rule against the example profile; then the same with the bend sequence played for
// the stock and the floor, as the command does. The coil touches itself turn on turn, so the
// contact search has many pairs of pieces to measure; the zigzag is an ordinary long part.
#include "benchprograms.h"
#include "bendsequence.h"
#include "findings.h"
#include "machineprofile.h"
#include "programfile.h"

#include <benchmark/benchmark.h>

using namespace tubrix;

namespace {

// Twelve bends of 30 degrees make a turn; a twist of 2 degrees a row lifts each turn less than
// the tube's diameter above the last, so neighbouring turns touch.
std::string CoilProgram() {
    std::string text = "diameter,25\nY,B,C,R\n";
    for (int i = 0; i < 99; ++i) {
        text += "10,2,30,40\n";
    }
    return text + "40,0,0,40\n";
}

void Check(benchmark::State& state, const std::string& text, bool sequence = false) {
    const MachineProfile profile = *ReadMachineProfile(TUBRIX_EXAMPLE_PROFILE);
    std::size_t found = 0;
    for (auto _ : state) {
        const BendProgram program = ProgramFromRows(*ParseProgramText(text, "bench"));
        std::vector<Finding> findings = CheckPart(program, &profile);
        if (sequence) {
            const std::vector<Finding> bending =
                SequenceFindings(PlayBendSequence(program, profile));
            findings.insert(findings.end(), bending.begin(), bending.end());
        }
        found = findings.size();
        benchmark::DoNotOptimize(findings.data());
    }
    std::size_t contacts = 0;
    for (const Finding& f :
         CheckPart(ProgramFromRows(*ParseProgramText(text, "bench")), &profile)) {
        contacts += f.Rule == FindingRule::Contact;
    }
    state.counters["findings"] = static_cast<double>(found);
    state.counters["contacts"] = static_cast<double>(contacts);
}

void BM_CheckCoil(benchmark::State& state) {
    Check(state, CoilProgram());
}
BENCHMARK(BM_CheckCoil)->Unit(benchmark::kMillisecond);

void BM_CheckZigzag(benchmark::State& state) {
    Check(state, HundredRowProgram());
}
BENCHMARK(BM_CheckZigzag)->Unit(benchmark::kMillisecond);

void BM_CheckCoilWithSequence(benchmark::State& state) {
    Check(state, CoilProgram(), true);
}
BENCHMARK(BM_CheckCoilWithSequence)->Unit(benchmark::kMillisecond);

void BM_CheckZigzagWithSequence(benchmark::State& state) {
    Check(state, HundredRowProgram(), true);
}
BENCHMARK(BM_CheckZigzagWithSequence)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
