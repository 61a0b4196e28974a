// `tubrix-cli compare` on a 100-row part, without the process: read the measured points, choose
// the end and hand they are read in, align them, the points' and bends' deviations and the sheath
// deviation to 1e-6 of the diameter. A first part off by tenths, and a part after a good
// correction, off by a few thousandths, where the sheath's bounds have the least room; the first
// part measured in inches against a nominal in millimetres beside it. And the window's question
// when the pointer rests on the tube: which piece of the 100-row part is under it.
#include "benchprograms.h"
#include "measured.h"
#include "piecepick.h"
#include "programfile.h"
#include "ybc.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

using namespace tubrix;

namespace {

// The nominal with every bend, plane and feed off by `off` (in degrees and length units),
// walked, turned and shifted away, as a points file; its lengths divided by `scale`, after
// `head`.
std::string MeasuredPoints(const ProgramRows& nominal, double off, double scale = 1,
                           const std::string& head = "") {
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
    std::string text = head + "diameter," + FormatNumber(nominal.Diameter / scale) + "\nX,Y,Z,R\n";
    for (const XyzPoint& p : points) {
        text += FormatNumber((c * p.At.X - s * p.At.Y + 100) / scale) + "," +
                FormatNumber((s * p.At.X + c * p.At.Y - 50) / scale) + "," +
                FormatNumber((p.At.Z + 20) / scale) + "," +
                (p.R ? FormatNumber(*p.R / scale) : "") + "\n";
    }
    return text;
}

// One comparison of a measured file with the nominal (in millimetres); its sheath deviation.
double CompareOnce(const ProgramRows& nominal, const std::string& text,
                   MeasuredOrder order = MeasuredOrder::Choose) {
    const Result<MeasuredPart> part = ParseMeasuredText(text, "measured", nominal);
    const Result<Comparison> comparison = CompareMeasured(nominal, *part, {Alignment::Best, order});
    // Kept by its pieces' address: a double given to DoNotOptimize itself may go through an
    // integer register and come back mangled.
    benchmark::DoNotOptimize(comparison->Sheath.Pieces.data());
    return comparison->Sheath.Value;
}

ProgramRows Nominal() {
    ProgramRows nominal = *ParseProgramText(HundredRowProgram(), "nominal");
    nominal.Units = LengthUnit::Millimetre;
    return nominal;
}

void Compare(benchmark::State& state, double off) {
    const ProgramRows nominal = Nominal();
    const std::string text = MeasuredPoints(nominal, off);
    double sheath = 0;
    for (auto _ : state) {
        sheath = CompareOnce(nominal, text);
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
// The first part measured in inches against the same in millimetres, alternated: what reading
// it in the nominal's units costs, as the ratio of their times.
void BM_CompareFirstPartInchesOverMillimetres(benchmark::State& state) {
    const ProgramRows nominal = Nominal();
    const std::string millimetres = MeasuredPoints(nominal, 0.2);
    const std::string inches = MeasuredPoints(nominal, 0.2, 25.4, "# units: in\n");
    double sheath = 0;
    AlternatedRatio(
        state, "inches_over_mm", [&] { sheath = CompareOnce(nominal, inches); },
        [&] { CompareOnce(nominal, millimetres); });
    state.SetLabel("sheath " + FormatNumber(sheath, 6));
}

// The first part measured from its other end, read reversed; and the four readings that decide
// which end and which hand against the one reading of the order given, alternated.
void BM_CompareFirstPartReversed(benchmark::State& state) {
    const ProgramRows nominal = Nominal();
    std::string text = MeasuredPoints(nominal, 0.2);
    const std::size_t body = text.find('\n', text.find("X,Y,Z")) + 1;
    std::vector<std::string> lines;
    for (std::size_t at = body; at < text.size();) {
        const std::size_t end = text.find('\n', at) + 1;
        lines.insert(lines.begin(), text.substr(at, end - at));
        at = end;
    }
    text.erase(body);
    for (const std::string& line : lines) {
        text += line;
    }
    double sheath = 0;
    for (auto _ : state) {
        sheath = CompareOnce(nominal, text);
    }
    state.SetLabel("sheath " + FormatNumber(sheath, 6));
}
void BM_CompareFirstPartFourReadingsOverOne(benchmark::State& state) {
    const ProgramRows nominal = Nominal();
    const std::string text = MeasuredPoints(nominal, 0.2);
    AlternatedRatio(
        state, "four_over_one", [&] { CompareOnce(nominal, text); },
        [&] { CompareOnce(nominal, text, MeasuredOrder::Given); });
}

// The piece under a pointer resting on the middle of row 51's bend, the view turned off every
// axis as the window's would be. The 100 rows make a tangle: there, row 20's straight lies in
// front of that bend, and a search of the pieces sampled 2000 times each finds it so too.
void BM_PieceUnderPointer(benchmark::State& state) {
    const ProgramRows rows = *ParseProgramText(HundredRowProgram(), "nominal");
    const auto program = std::make_unique<BendProgram>(ProgramFromRows(rows));
    const std::vector<Piece> pieces = CentrelinePieces(WalkTube(*program));
    const double c = std::cos(0.4), s = std::sin(0.4);
    const auto project = [&](Vec3 p) {
        const double x = c * p.X - s * p.Z, z = s * p.X + c * p.Z;
        return WindowPoint{0.2 * x + 800, 0.2 * (c * p.Y - s * z) + 600, s * p.Y + c * z};
    };
    const Piece& target = pieces[FindPiece(pieces, 50, PieceKind::Arc)];
    const WindowPoint at = project(target.At(target.Length / 2));
    const TubeReach reach{0.2 * rows.Diameter / 2, rows.Diameter / 2, 4};
    std::size_t found = 0;
    for (auto _ : state) {
        found = PieceUnderPointer(pieces, project, at.X, at.Y, reach).value_or(pieces.size());
        benchmark::DoNotOptimize(found);
    }
    state.SetLabel("row " + std::to_string(found < pieces.size() ? pieces[found].Row + 1 : 0));
}

} // namespace

BENCHMARK(BM_CompareFirstPart)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompareCorrectedPart)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompareSamePart)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompareFirstPartInchesOverMillimetres)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompareFirstPartReversed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompareFirstPartFourReadingsOverOne)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PieceUnderPointer)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
