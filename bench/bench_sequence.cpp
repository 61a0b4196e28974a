// The work of `tubrix-cli sequence --json` on a 100-row program, without the process: read,
// walk, play every bend with its exact contacts, write the JSON.
#include "benchprograms.h"
#include "bendsequence.h"
#include "commands.h"

#include <benchmark/benchmark.h>

using namespace tubrix;

namespace {

void Play(benchmark::State& state, const MachineProfile& profile) {
    const std::string text = HundredRowProgram();
    std::size_t contacts = 0;
    for (auto _ : state) {
        const Result<ProgramRows> rows = ParseProgramText(text, "bench");
        const auto program = std::make_unique<BendProgram>(ProgramFromRows(*rows));
        const BendSequence sequence = PlayBendSequence(*program, profile);
        benchmark::DoNotOptimize(SequenceJson(sequence));
        contacts = 0;
        for (const SequenceBend& bend : sequence.Bends) {
            contacts += bend.Contacts.size();
        }
    }
    state.counters["contacts"] = static_cast<double>(contacts);
}

void BM_SequenceJson(benchmark::State& state) {
    Play(state, MachineProfile{});
}
BENCHMARK(BM_SequenceJson)->Unit(benchmark::kMillisecond);

// With a floor the part swings past in every plane turn.
void BM_SequenceJsonWithFloor(benchmark::State& state) {
    MachineProfile profile;
    profile.CentrelineHeight = 150;
    Play(state, profile);
}
BENCHMARK(BM_SequenceJsonWithFloor)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
