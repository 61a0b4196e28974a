// Feeds arbitrary text to the reader of the STEP helper's answer and checks what it promises:
// an answer that does not read gets an error naming the source and a line of the text; bodies
// that read are written back and read again as the same bodies; and every body, read from
// either end, gives a program of finite numbers within MaxBendSteps rows or an error naming the
// file.
#include "fuzzcheck.h"
#include "tubepieces.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace tubrix;

namespace {

const std::string Source = "helper";
const std::string StepFile = "part.step";

bool Same(Vec3 a, Vec3 b) {
    return a.X == b.X && a.Y == b.Y && a.Z == b.Z;
}

bool Same(const TubePiece& a, const TubePiece& b) {
    return a.Kind == b.Kind && a.Face == b.Face && a.TubeRadius == b.TubeRadius &&
           a.InnerRadius == b.InnerRadius && Same(a.From, b.From) && Same(a.To, b.To) &&
           Same(a.Centre, b.Centre) && Same(a.Axis, b.Axis) && a.Degrees == b.Degrees &&
           a.BendRadius == b.BendRadius;
}

bool Same(const CadBody& a, const CadBody& b) {
    if (a.Faces != b.Faces || a.BoxDiagonal != b.BoxDiagonal || a.NotATube != b.NotATube ||
        a.Pieces.size() != b.Pieces.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.Pieces.size(); ++i) {
        if (!Same(a.Pieces[i], b.Pieces[i])) {
            return false;
        }
    }
    return true;
}

void CheckTube(const CadBody& body, bool reverse) {
    const Result<CadTube> tube = TubeFromPieces(body, reverse, StepFile);
    if (!tube) {
        if (tube.Failure().File != StepFile || tube.Failure().Message.empty()) {
            FuzzFail("a body that gives no tube is refused without naming the file or saying why");
        }
        return;
    }
    const ProgramRows& program = tube->Program;
    if (!(program.Diameter > 0) || !std::isfinite(program.Diameter) || program.Rows.empty() ||
        program.Rows.size() > MaxBendSteps) {
        FuzzFail("a tube with a bad diameter or row count");
    }
    for (const BendRowInput& row : program.Rows) {
        if (!std::isfinite(row.Y) || !std::isfinite(row.B) || !std::isfinite(row.C) ||
            !std::isfinite(row.R)) {
            FuzzFail("a tube's program holds a number that is no number");
        }
    }
    if (tube->Wall && !(std::isfinite(*tube->Wall) && *tube->Wall > 0)) {
        FuzzFail("a tube with a wall that is no thickness");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const Result<std::vector<CadBody>> bodies = ParseCadBodies(text, Source);
    if (!bodies) {
        CheckFileError(bodies.Failure(), text, Source);
        if (bodies.Failure().Line < 1) {
            FuzzFail("an answer that does not read is refused without naming its line");
        }
        return 0;
    }
    const Result<std::vector<CadBody>> again = ParseCadBodies(FormatCadBodies(*bodies), Source);
    if (!again || again->size() != bodies->size()) {
        FuzzFail("bodies written back do not read again");
    }
    for (std::size_t i = 0; i < bodies->size(); ++i) {
        if (!Same((*bodies)[i], (*again)[i])) {
            FuzzFail("bodies written back read again as other bodies");
        }
        CheckTube((*bodies)[i], false);
        CheckTube((*bodies)[i], true);
    }
    return 0;
}
