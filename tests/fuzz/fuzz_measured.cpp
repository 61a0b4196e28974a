// Feeds arbitrary text to the measured-file reader against two nominal programs (one bent in a
// plane, in millimetres; one bent in space, saying no unit) and compares what reads, as
// `compare` and `correct` do, checking what they promise: an error names the file and a line
// of the text; a part that reads has a point for each of the nominal's; a comparison has one
// finite delta per nominal bending row, in the nominal's order; the order given is kept where
// it is asked for; a part of the other hand is never correctable, and a forced correction
// stops at nothing else; and neither a byte-order mark nor CRLF line ends change what reads.
#include "bendrows.h"
#include "fuzzcheck.h"
#include "measured.h"
#include "measuredfile.h"

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace tubrix;

namespace {

const std::string FileName = "m.csv";

ProgramRows Nominal(double diameter, std::vector<BendRowInput> rows,
                    std::optional<LengthUnit> units) {
    ProgramRows program;
    program.Diameter = diameter;
    program.Rows = std::move(rows);
    program.Units = units;
    return program;
}

// B of 0 and 180 keeps every bend in one plane; the other turns it out of the plane.
const ProgramRows InPlane =
    Nominal(38, {{50, 0, 90, 60}, {40, 180, 45, 60}, {30, 0, 60, 60}, {20, 0, 0, 60}},
            LengthUnit::Millimetre);
const ProgramRows InSpace = Nominal(
    20, {{30, 0, 90, 40}, {40, 90, 90, 40}, {25, -45, 30, 40}, {35, 0, 0, 40}}, std::nullopt);

bool SameBits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

// Both read the same points, or both failed at the same place.
bool SameOutcome(const Result<MeasuredPart>& a, const Result<MeasuredPart>& b) {
    if (!a || !b) {
        return !a && !b && a.Failure().Line == b.Failure().Line &&
               a.Failure().Column == b.Failure().Column;
    }
    if (a->Points.size() != b->Points.size() || a->FileUnits != b->FileUnits) {
        return false;
    }
    for (std::size_t i = 0; i < a->Points.size(); ++i) {
        const Vec3 p = a->Points[i];
        const Vec3 q = b->Points[i];
        if (!SameBits(p.X, q.X) || !SameBits(p.Y, q.Y) || !SameBits(p.Z, q.Z)) {
            return false;
        }
    }
    return true;
}

void CheckComparison(const ProgramRows& nominal, const MeasuredPart& part,
                     const CompareOptions& options) {
    const Result<Comparison> compared = CompareMeasured(nominal, part, options);
    if (!compared) {
        if (compared.Failure().Message.empty()) {
            FuzzFail("a comparison failed without a message");
        }
        return;
    }
    const BendingRows bends = BendingRowsOf(nominal);
    if (compared->Bends.size() != bends.Rows.size()) {
        FuzzFail("a comparison without one delta per nominal bending row");
    }
    for (std::size_t k = 0; k < bends.Rows.size(); ++k) {
        const BendDelta& d = compared->Bends[k];
        if (d.Row != bends.Rows[k].Row + 1) {
            FuzzFail("a delta on another row than the nominal's bending row");
        }
        if (!std::isfinite(d.DY) || !std::isfinite(d.DB) || !std::isfinite(d.DC) ||
            !std::isfinite(d.DR) || !(d.DB > -180 && d.DB <= 180)) {
            FuzzFail("a delta that is no number, or a plane turn out of its range");
        }
    }
    if (!std::isfinite(compared->Rms) || !std::isfinite(compared->TailDY) ||
        !std::isfinite(compared->Sheath.Value) || compared->Points.size() != part.Points.size()) {
        FuzzFail("a comparison with a fit that is no number or points missing");
    }
    const bool given = options.Align == Alignment::None || options.Order == MeasuredOrder::Given;
    if (given && compared->Reversed) {
        FuzzFail("the measured points were reversed where their order was to be kept");
    }
    const MachineProfile profile;
    const bool forced = bool(CheckCorrectable(*compared, nominal, profile, true));
    if (compared->OtherHand && (forced || CheckCorrectable(*compared, nominal, profile, false))) {
        FuzzFail("a part of the other hand was found correctable");
    }
    if (!compared->OtherHand && !forced) {
        FuzzFail("a forced correction of a part of the same hand was refused");
    }
}

void CheckAgainst(const ProgramRows& nominal, std::string_view text) {
    const Result<MeasuredPart> part = ParseMeasuredText(text, FileName, nominal);
    if (!part) {
        CheckFileError(part.Failure(), text, FileName);
    } else {
        const Result<std::vector<Vec3>> points = WalkPoints(nominal);
        if (!points || part->Points.size() != points->size()) {
            FuzzFail("a measured part read with another number of points than the nominal's");
        }
        if (part->Rows.Units != (nominal.Units ? nominal.Units : part->FileUnits)) {
            FuzzFail("a measured part read in another unit than the nominal's");
        }
        CheckComparison(nominal, *part, {});
        CheckComparison(nominal, *part, {Alignment::None});
        CheckComparison(nominal, *part, {Alignment::Best, MeasuredOrder::Given});
    }
    const std::string marked = "\xEF\xBB\xBF" + std::string(text);
    if (!text.starts_with("\xEF\xBB\xBF") &&
        !SameOutcome(part, ParseMeasuredText(marked, FileName, nominal))) {
        FuzzFail("a byte-order mark changed the outcome");
    }
    const std::string crlf = WithCrlf(text);
    if (!crlf.empty() && !SameOutcome(part, ParseMeasuredText(crlf, FileName, nominal))) {
        FuzzFail("CRLF line ends changed the outcome");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckAgainst(InPlane, text);
    CheckAgainst(InSpace, text);
    return 0;
}
