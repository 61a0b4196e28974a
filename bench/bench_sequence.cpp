// The work of `tubrix-cli sequence --json` on a 100-row program, without the process: read,
// walk, play every bend with its exact contacts, write the JSON.
#include "bendsequence.h"
#include "commands.h"

#include <benchmark/benchmark.h>

namespace {

// Rows of every angle, plane and length: a part that folds back over itself and the stock.
std::string HundredRowProgram() {
    std::string text = "diameter,25\nY,B,C,R\n";
    for (int i = 0; i < 99; ++i) {
        text += std::to_string(20 + i % 7 * 5) + ',' + std::to_string(i * 37 % 360 - 180) + ',' +
                std::to_string(10 + i * 53 % 160) + ',' + std::to_string(15 + i % 5) + '\n';
    }
    return text + "40,0,0,15\n";
}

void Play(benchmark::State& state, const MachineProfile& profile) {
    const std::string text = HundredRowProgram();
    std::size_t contacts = 0;
    for (auto _ : state) {
        const Loaded<ProgramRows> rows = ParseProgramText(text, "bench");
        const auto program = std::make_unique<BendProgram>(ProgramFromRows(*rows.Value));
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
