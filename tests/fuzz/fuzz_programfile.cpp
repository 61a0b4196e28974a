// Feeds arbitrary text to the program and points file readers and checks what they promise: a
// file that loads holds only finite numbers within the format's limits and writes back to the
// same numbers bit for bit; a file that does not load gets an error at a line of the text; and
// neither a byte-order mark nor CRLF line ends change the outcome.
#include "fuzzcheck.h"
#include "programfile.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace tubrix;

namespace {

const std::string FileName = "fuzz.csv";

bool SameBits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

bool Same(const ProgramRows& a, const ProgramRows& b) {
    if (!SameBits(a.Diameter, b.Diameter) || a.Rows.size() != b.Rows.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.Rows.size(); ++i) {
        const BendRowInput& p = a.Rows[i];
        const BendRowInput& q = b.Rows[i];
        if (!SameBits(p.Y, q.Y) || !SameBits(p.B, q.B) || !SameBits(p.C, q.C) ||
            !SameBits(p.R, q.R)) {
            return false;
        }
    }
    return true;
}

bool Same(const PointsRows& a, const PointsRows& b) {
    if (!SameBits(a.Diameter, b.Diameter) || a.Points.size() != b.Points.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.Points.size(); ++i) {
        const PointRow& p = a.Points[i];
        const PointRow& q = b.Points[i];
        if (!SameBits(p.X, q.X) || !SameBits(p.Y, q.Y) || !SameBits(p.Z, q.Z) ||
            p.R.has_value() != q.R.has_value() || (p.R && !SameBits(*p.R, *q.R))) {
            return false;
        }
    }
    return true;
}

// Both loaded the same numbers, or both failed at the same place.
template <typename T> bool SameOutcome(const Result<T>& a, const Result<T>& b) {
    if (a && b) {
        return Same(*a, *b);
    }
    return !a && !b && a.Failure().Line == b.Failure().Line &&
           a.Failure().Column == b.Failure().Column;
}

void CheckProgram(const ProgramRows& program) {
    if (!(program.Diameter > 0) || !std::isfinite(program.Diameter) || program.Rows.empty() ||
        program.Rows.size() > MaxBendSteps) {
        FuzzFail("a program loaded with a bad diameter or row count");
    }
    for (const BendRowInput& row : program.Rows) {
        if (!std::isfinite(row.Y) || !std::isfinite(row.B) || !std::isfinite(row.C) ||
            !std::isfinite(row.R) || row.Y < 0 || row.C < 0 || row.C > 180 ||
            (row.C > 0 && !(row.R > 0))) {
            FuzzFail("a program loaded with a row outside the limits");
        }
    }
    if (program.Rows.back().C != 0) {
        FuzzFail("a program loaded that ends in a bend");
    }
    const Result<ProgramRows> back = ParseProgramText(FormatProgramText(program), FileName);
    if (!back || !Same(program, *back)) {
        FuzzFail("a loaded program, written out, does not load the same numbers");
    }
    if (ProgramFromRows(program).StepCount != static_cast<int>(program.Rows.size())) {
        FuzzFail("the record does not hold every row");
    }
}

void CheckPoints(const PointsRows& points, std::string_view text) {
    if (!(points.Diameter > 0) || !std::isfinite(points.Diameter) || points.Points.size() < 2 ||
        points.Points.size() > MaxBendSteps + 1) {
        FuzzFail("points loaded with a bad diameter or count");
    }
    // Written with the shortest numbers, semicolons and decimal commas, they read back the same.
    std::string written = "diameter;" + FormatNumber(points.Diameter) + "\n";
    int previousLine = 0;
    for (const PointRow& p : points.Points) {
        if (!std::isfinite(p.X) || !std::isfinite(p.Y) || !std::isfinite(p.Z) ||
            (p.R && !(std::isfinite(*p.R) && *p.R > 0))) {
            FuzzFail("a point loaded with a number outside the limits");
        }
        if (p.Line <= previousLine || p.Line > LineCount(text)) {
            FuzzFail("a point's line is out of order or past the text");
        }
        previousLine = p.Line;
        std::string row = FormatNumber(p.X) + ";" + FormatNumber(p.Y) + ";" + FormatNumber(p.Z) +
                          ";" + (p.R ? FormatNumber(*p.R) : "");
        std::replace(row.begin(), row.end(), '.', ',');
        written += row + "\n";
    }
    const Result<PointsRows> back = ParsePointsText(written, FileName);
    if (!back || !Same(points, *back)) {
        FuzzFail("loaded points, written out, do not load the same numbers");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const Result<ProgramRows> program = ParseProgramText(text, FileName);
    if (program) {
        CheckProgram(*program);
    } else {
        CheckFileError(program.Failure(), text, FileName);
    }
    const Result<PointsRows> points = ParsePointsText(text, FileName);
    if (points) {
        CheckPoints(*points, text);
    } else {
        CheckFileError(points.Failure(), text, FileName);
    }

    const std::string marked = "\xEF\xBB\xBF" + std::string(text);
    if (!text.starts_with("\xEF\xBB\xBF") &&
        (!SameOutcome(program, ParseProgramText(marked, FileName)) ||
         !SameOutcome(points, ParsePointsText(marked, FileName)))) {
        FuzzFail("a byte-order mark changed the outcome");
    }
    const std::string crlf = WithCrlf(text);
    if (!crlf.empty() && (!SameOutcome(program, ParseProgramText(crlf, FileName)) ||
                          !SameOutcome(points, ParsePointsText(crlf, FileName)))) {
        FuzzFail("CRLF line ends changed the outcome");
    }
    return 0;
}
