#pragma once

#include "centreline.h"
#include "error.h"
#include "programrows.h"
#include "tubewalk.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tubrix {

// A tube recognised in a CAD model, as the pieces of its centre line: a straight from each run
// of cylindrical faces on one axis, a bend from each run of toroidal faces on one torus. The CAD
// reader (tubrix-step, on Open CASCADE) finds the pieces; putting them in order, picking the
// lead end and writing the program needs no CAD kernel and lives here.

struct TubePiece {
    PieceKind Kind = PieceKind::Straight; // a bend is an arc of the centre line
    int Face = 0;                         // the piece's first face, counted from 1 over its solid
    double TubeRadius = 0;                // the outer faces' radius
    double InnerRadius = 0;               // a hollow tube's inner faces' radius; 0 for a bar
    Vec3 From;             // the centre line's ends: a straight runs From -> To, a bend
    Vec3 To;               //   turns From -> To about Axis through Centre
    Vec3 Centre;           // bends only
    Vec3 Axis;             // bends only: unit, right-handed from From to To
    double Degrees = 0;    // bends only: the turn, above 0 and up to 360
    double BendRadius = 0; // bends only: the torus's major radius
};

// One body of a model (a solid, or a shell when the tube's ends are open): how many faces it
// has, and either its pieces or why it is no tube (naming the face, counted from 1).
struct CadBody {
    int Faces = 0;
    double BoxDiagonal = 0; // the body's bounding box, which the tolerances scale with
    std::vector<TubePiece> Pieces;
    std::string NotATube; // empty for a tube
};

// The text tubrix-step writes for a model and tubrix-cli reads: a line per body and per piece,
// numbers in their shortest exact form. The reader is strict: a line it does not expect names
// the line and column of `source`.
std::string FormatCadBodies(const std::vector<CadBody>& bodies);
Result<std::vector<CadBody>> ParseCadBodies(std::string_view text, const std::string& source);

// The exit status of a helper whose memory ran out (past the limit tubrix-cli sets on it), for
// tubrix-cli to say so rather than a status number.
inline constexpr int HelperOutOfMemory = 3;

// A tube's program, read from its pieces: the lead end is the end whose centre is smaller in x,
// then y, then z (ties within 1e-9 of the box diagonal go to the next coordinate), or the other
// with `reverse`. Straights in line are one row; the first bend's plane gives B 0; a bend of 180
// degrees is read as C 180. Refused, naming the face in `file`: ends that do not meet
// tangentially (within 1e-6 of the diameter), a diameter that changes, a branch, a ring with no
// ends, more than MaxBendSteps rows.
struct CadTube {
    ProgramRows Program;
    std::optional<double> Wall; // a hollow tube's wall thickness
};
Result<CadTube> TubeFromPieces(const CadBody& body, bool reverse, const std::string& file);

} // namespace tubrix
