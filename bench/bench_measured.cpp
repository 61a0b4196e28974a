// `tubrix-cli compare` on a 100-row part, without the process: read the measured points, align
// them, the points' and bends' deviations and the sheath deviation to 1e-6 of the diameter. A
// first part off by tenths, and a part after a good correction, off by a few thousandths,
// where the sheath's bounds have the least room.
#include "benchprograms.h"
#include "measured.h"
#include "programfile.h"
#include "ybc.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

using namespace tubrix;

namespace {

// The nominal with every bend, plane and feed off by `off` (in degrees and length units),
// walked, turned and shifted away, as a points file.
std::string MeasuredPoints(const ProgramRows& nominal, double off) {
    ProgramRows bent = nominal;
    for (std::size_t i = 0; i < bent.Rows.size(); ++i) {
        const double sign = i % 2 == 0 ? 1 : -1;
        bent.Rows[i].Y += off * sign;
        bent.Rows[i].B += i > 0 && i + 1 < bent.Rows.size() ? off * sign : 0;
        bent.Rows[i].C += bent.Rows[i].C > 0 ? off * sign : 0;
    }
    const auto program = std::make_unique<BendProgram>(ProgramFromRows(bent));
    const std::vector<XyzPoint> points = *ProgramToXyz(WalkTube(*program));
    const double c = std::cos(0.3), s = std::sin(0.3);
    std::string text = "diameter," + FormatNumber(nominal.Diameter) + "\nX,Y,Z,R\n";
    for (const XyzPoint& p : points) {
        text += FormatNumber(c * p.At.X - s * p.At.Y + 100) + "," +
                FormatNumber(s * p.At.X + c * p.At.Y - 50) + "," + FormatNumber(p.At.Z + 20) + "," +
                (p.R ? FormatNumber(*p.R) : "") + "\n";
    }
    return text;
}

void Compare(benchmark::State& state, double off) {
    const ProgramRows nominal = *ParseProgramText(HundredRowProgram(), "nominal");
    const std::string text = MeasuredPoints(nominal, off);
    double sheath = 0;
    for (auto _ : state) {
        const Result<MeasuredPart> part = ParseMeasuredText(text, "measured", nominal);
        const Result<Comparison> comparison = CompareMeasured(nominal, *part, Alignment::Best);
        sheath = comparison->Sheath.Value;
        // Kept by its pieces' address: a double given to DoNotOptimize itself may go through
        // an integer register and come back mangled.
        benchmark::DoNotOptimize(comparison->Sheath.Pieces.data());
    }
    state.SetLabel("sheath " + FormatNumber(sheath, 6));
}

void BM_CompareFirstPart(benchmark::State& state) {
    Compare(state, 0.2);
}
void BM_CompareCorrectedPart(benchmark::State& state) {
    Compare(state, 0.002);
}
void BM_CompareSamePart(benchmark::State& state) {
    Compare(state, 0);
}

} // namespace

BENCHMARK(BM_CompareFirstPart)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompareCorrectedPart)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompareSamePart)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
