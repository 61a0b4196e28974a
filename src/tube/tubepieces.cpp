#include "tubepieces.h"

#include "numbertext.h"
#include "ybc.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>
#include <sstream>

namespace tubrix {

namespace {

constexpr double DegreesPerRadian = 180.0 / std::numbers::pi;
// Ends this close (a share of the diameter) meet; directions this close (the length of the sum
// of two unit vectors) are in line.
constexpr double JoinTolerance = 1e-6;
// Ties in picking the lead end, a share of the box diagonal.
constexpr double LeadTieTolerance = 1e-9;

// --- The text between the CAD reader and the command line ---------------------------------

void Put(std::ostringstream& out, double value) {
    out << ' ' << FormatNumber(value);
}
void Put(std::ostringstream& out, Vec3 v) {
    Put(out, v.X);
    Put(out, v.Y);
    Put(out, v.Z);
}

struct LineReader {
    std::string_view Line;
    std::size_t At = 0;
    int LineNumber = 0;
    const std::string& Source;

    Error Fault(const std::string& message) const {
        return FileError(Source, LineNumber, static_cast<int>(At) + 1, message);
    }
    std::string_view Word() {
        while (At < Line.size() && Line[At] == ' ') {
            ++At;
        }
        const std::size_t start = At;
        while (At < Line.size() && Line[At] != ' ') {
            ++At;
        }
        return Line.substr(start, At - start);
    }
    Result<double> Number() {
        const std::size_t before = At;
        const std::string_view word = Word();
        double value = 0;
        const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
        if (word.empty() || error != std::errc() || end != word.data() + word.size() ||
            !std::isfinite(value)) {
            At = before;
            return Fault("a number was expected");
        }
        return value;
    }
    Result<Vec3> Point() {
        Vec3 v;
        for (double* c : {&v.X, &v.Y, &v.Z}) {
            const Result<double> n = Number();
            if (!n) {
                return n.Failure();
            }
            *c = *n;
        }
        return v;
    }
    Result<void> Finished() {
        if (!Word().empty()) {
            return Fault("the line goes on after its last number");
        }
        return {};
    }
};

Result<TubePiece> ParsePiece(LineReader& in, PieceKind kind) {
    TubePiece piece;
    piece.Kind = kind;
    const Result<double> face = in.Number();
    if (!face || *face < 1 || *face > 1e9 || *face != std::floor(*face)) {
        return in.Fault("a face number was expected");
    }
    piece.Face = static_cast<int>(*face);
    std::vector<double*> numbers{&piece.TubeRadius, &piece.InnerRadius};
    for (double* n : numbers) {
        const Result<double> value = in.Number();
        if (!value) {
            return value.Failure();
        }
        *n = *value;
    }
    std::vector<Vec3*> points{&piece.From, &piece.To};
    if (kind == PieceKind::Arc) {
        points.insert(points.end(), {&piece.Centre, &piece.Axis});
    }
    for (Vec3* p : points) {
        const Result<Vec3> value = in.Point();
        if (!value) {
            return value.Failure();
        }
        *p = *value;
    }
    if (kind == PieceKind::Arc) {
        for (double* n : {&piece.Degrees, &piece.BendRadius}) {
            const Result<double> value = in.Number();
            if (!value) {
                return value.Failure();
            }
            *n = *value;
        }
    }
    // A bore as wide as the tube would leave a wall of no thickness.
    if (!(piece.TubeRadius > 0) || piece.InnerRadius < 0 || piece.InnerRadius >= piece.TubeRadius ||
        (kind == PieceKind::Arc && (!(piece.BendRadius > 0) || !(piece.Degrees > 0) ||
                                    std::fabs(Length(piece.Axis) - 1) > 1e-9))) {
        return in.Fault("a piece with sizes no tube has");
    }
    if (const Result<void> end = in.Finished(); !end) {
        return end.Failure();
    }
    return piece;
}

// --- The pieces in order --------------------------------------------------------------------

// One end of a piece: where its centre line ends and the way it leaves the piece there.
struct PieceEnd {
    Vec3 At;
    Vec3 Out;
};

PieceEnd EndOf(const TubePiece& piece, int end) {
    const Vec3 at = end == 0 ? piece.From : piece.To;
    Vec3 along;
    if (piece.Kind == PieceKind::Straight) {
        along = Normalized(piece.To - piece.From);
    } else {
        along = Normalized(Cross(piece.Axis, at - piece.Centre));
    }
    return {at, end == 0 ? along * -1 : along};
}

Error FaceError(const std::string& file, int face, const std::string& message) {
    return FileError(file, 0, 0, "face " + std::to_string(face) + ": " + message);
}

// Which end of which piece each end meets: -1 for a free end. Index 2 * piece + end.
Result<std::vector<int>> JoinEnds(const std::vector<TubePiece>& pieces, double diameter,
                                  const std::string& file) {
    const std::size_t count = pieces.size() * 2;
    const auto endAt = [&](std::size_t e) { return EndOf(pieces[e / 2], static_cast<int>(e % 2)); };
    const auto faceName = [&](std::size_t e) {
        return "face " + std::to_string(pieces[e / 2].Face);
    };
    std::vector<int> partner(count, -1);
    for (std::size_t a = 0; a < count; ++a) {
        const PieceEnd ea = endAt(a);
        for (std::size_t b = 0; b < count; ++b) {
            const PieceEnd eb = endAt(b);
            if (a / 2 == b / 2 || Length(ea.At - eb.At) > JoinTolerance * diameter) {
                continue;
            }
            if (Length(ea.Out + eb.Out) > JoinTolerance) {
                const double turn =
                    std::acos(std::clamp(-Dot(ea.Out, eb.Out), -1.0, 1.0)) * DegreesPerRadian;
                return FaceError(file, pieces[a / 2].Face,
                                 "does not meet " + faceName(b) +
                                     " tangentially: the tube kinks by " + FormatNumber(turn, 6) +
                                     " degrees");
            }
            if (partner[a] >= 0) {
                return FaceError(file, pieces[a / 2].Face,
                                 "the tube branches: three pieces meet at one end, here, at " +
                                     faceName(b) + " and at " +
                                     faceName(static_cast<std::size_t>(partner[a])));
            }
            partner[a] = static_cast<int>(b);
        }
    }
    // Free ends close to each other (within the tube's radius) are pieces that were meant to meet.
    for (std::size_t a = 0; a < count; ++a) {
        for (std::size_t b = a + 1; b < count && partner[a] < 0; ++b) {
            const double apart = Length(endAt(a).At - endAt(b).At);
            if (a / 2 != b / 2 && partner[b] < 0 && apart <= diameter / 2) {
                return FaceError(file, pieces[a / 2].Face,
                                 "does not meet " + faceName(b) +
                                     " tangentially: their centre lines end " +
                                     FormatNumber(apart, 6) + " apart");
            }
        }
    }
    return partner;
}

// The lead end: smaller in x, then y, then z, ties within `tie` going to the next coordinate.
bool LeadsBefore(Vec3 a, Vec3 b, double tie) {
    for (const auto& [p, q] : {std::pair{a.X, b.X}, {a.Y, b.Y}, {a.Z, b.Z}}) {
        if (std::fabs(p - q) > tie) {
            return p < q;
        }
    }
    return true;
}

Result<std::optional<double>> WallOf(const std::vector<TubePiece>& pieces, double tolerance,
                                     const std::string& file) {
    const TubePiece& first = pieces.front();
    for (const TubePiece& piece : pieces) {
        if (std::fabs(piece.TubeRadius - first.TubeRadius) > tolerance) {
            return FaceError(file, piece.Face,
                             "the diameter changes from " + FormatNumber(2 * first.TubeRadius, 6) +
                                 " (face " + std::to_string(first.Face) + ") to " +
                                 FormatNumber(2 * piece.TubeRadius, 6));
        }
        if (std::fabs(piece.InnerRadius - first.InnerRadius) > tolerance) {
            return FaceError(file, piece.Face, "the bore changes along the tube");
        }
    }
    if (first.InnerRadius > 0) {
        return std::optional<double>(first.TubeRadius - first.InnerRadius);
    }
    return std::optional<double>();
}

} // namespace

std::string FormatCadBodies(const std::vector<CadBody>& bodies) {
    std::ostringstream out;
    for (const CadBody& body : bodies) {
        out << "body " << body.Faces;
        Put(out, body.BoxDiagonal);
        out << '\n';
        if (!body.NotATube.empty()) {
            out << "notatube " << body.NotATube << '\n';
            continue;
        }
        for (const TubePiece& piece : body.Pieces) {
            out << (piece.Kind == PieceKind::Straight ? "straight " : "bend ") << piece.Face;
            Put(out, piece.TubeRadius);
            Put(out, piece.InnerRadius);
            Put(out, piece.From);
            Put(out, piece.To);
            if (piece.Kind == PieceKind::Arc) {
                Put(out, piece.Centre);
                Put(out, piece.Axis);
                Put(out, piece.Degrees);
                Put(out, piece.BendRadius);
            }
            out << '\n';
        }
    }
    return out.str();
}

Result<std::vector<CadBody>> ParseCadBodies(std::string_view text, const std::string& source) {
    std::vector<CadBody> bodies;
    int lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        LineReader in{text.substr(0, end), 0, ++lineNumber, source};
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const std::string_view word = in.Word();
        if (word == "body") {
            const Result<double> faces = in.Number();
            if (!faces || *faces < 0 || *faces > 1e9 || *faces != std::floor(*faces)) {
                return in.Fault("a face count was expected");
            }
            const Result<double> diagonal = in.Number();
            if (!diagonal) {
                return diagonal.Failure();
            }
            if (const Result<void> done = in.Finished(); !done) {
                return done.Failure();
            }
            bodies.push_back({static_cast<int>(*faces), *diagonal, {}, {}});
            continue;
        }
        if (bodies.empty()) {
            in.At = 0;
            return in.Fault("a body was expected first");
        }
        // A body is its pieces or why it is no tube, never both: the writer cannot say both,
        // and an answer that does is no answer to trust.
        const bool isPiece = word == "straight" || word == "bend";
        if ((isPiece || word == "notatube") && !bodies.back().NotATube.empty()) {
            in.At = 0;
            return in.Fault("the body was said to be no tube: \"body\" was expected");
        }
        if (word == "notatube" && !bodies.back().Pieces.empty()) {
            in.At = 0;
            return in.Fault("the body has pieces: it cannot be no tube as well");
        }
        if (word == "notatube") {
            const std::string_view reason = in.Line.substr(std::min(in.At + 1, in.Line.size()));
            bodies.back().NotATube = reason.empty() ? "not a tube" : std::string(reason);
        } else if (isPiece) {
            const Result<TubePiece> piece =
                ParsePiece(in, word == "bend" ? PieceKind::Arc : PieceKind::Straight);
            if (!piece) {
                return piece.Failure();
            }
            bodies.back().Pieces.push_back(*piece);
        } else {
            in.At = 0;
            return in.Fault("\"body\", \"notatube\", \"straight\" or \"bend\" was expected");
        }
    }
    return bodies;
}

Result<CadTube> TubeFromPieces(const CadBody& body, bool reverse, const std::string& file) {
    if (!body.NotATube.empty()) {
        return FileError(file, 0, 0, body.NotATube);
    }
    const std::vector<TubePiece>& pieces = body.Pieces;
    if (pieces.empty()) {
        return FileError(file, 0, 0, "no tube: the body has no cylindrical or toroidal face");
    }
    const double diameter = 2 * pieces.front().TubeRadius;
    const Result<std::optional<double>> wall = WallOf(pieces, JoinTolerance * diameter, file);
    if (!wall) {
        return wall.Failure();
    }
    for (const TubePiece& piece : pieces) {
        if (piece.Kind == PieceKind::Arc && piece.Degrees >= 360 - 1e-9) {
            return FaceError(file, piece.Face, "a closed ring: the tube has no ends");
        }
    }
    const Result<std::vector<int>> partner = JoinEnds(pieces, diameter, file);
    if (!partner) {
        return partner.Failure();
    }
    std::vector<int> free;
    for (std::size_t e = 0; e < partner->size(); ++e) {
        if ((*partner)[e] < 0) {
            free.push_back(static_cast<int>(e));
        }
    }
    if (free.empty()) {
        return FaceError(file, pieces.front().Face, "a closed ring: the tube has no ends");
    }
    if (free.size() > 2) {
        return FaceError(file, pieces[static_cast<std::size_t>(free[2] / 2)].Face,
                         "the tube branches or falls apart: it has " + std::to_string(free.size()) +
                             " free ends, not 2");
    }
    const auto endAt = [&](int e) { return EndOf(pieces[static_cast<std::size_t>(e / 2)], e % 2); };
    int lead = free[0];
    const bool firstLeads =
        LeadsBefore(endAt(free[0]).At, endAt(free[1]).At, LeadTieTolerance * body.BoxDiagonal);
    if (firstLeads == reverse) {
        lead = free[1];
    }

    std::vector<PathPiece> path;
    std::vector<bool> walked(pieces.size(), false);
    for (int e = lead; e >= 0;) {
        const std::size_t index = static_cast<std::size_t>(e / 2);
        const TubePiece& piece = pieces[index];
        walked[index] = true;
        const int entry = e % 2;
        const Vec3 start = entry == 0 ? piece.From : piece.To;
        if (piece.Kind == PieceKind::Straight) {
            path.push_back({false, Length(piece.To - piece.From), 0, 0, {}});
        } else {
            path.push_back(
                {true, 0, piece.Degrees, piece.BendRadius, Normalized(piece.Centre - start)});
        }
        e = (*partner)[static_cast<std::size_t>(2 * index + static_cast<std::size_t>(1 - entry))];
    }
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (!walked[i]) {
            return FaceError(file, pieces[i].Face,
                             "a closed ring apart from the tube: the body falls apart");
        }
    }
    const Vec3 heading = endAt(lead).Out * -1;
    CadTube tube{ProgramAlongPath(path, heading, diameter), *wall};
    // Pieces far out in the model's range can give straights (or a sum of them) past the
    // largest number: such a program is refused, never handed on with "inf" in it.
    for (const BendRowInput& row : tube.Program.Rows) {
        if (!std::isfinite(row.Y) || !std::isfinite(row.B) || !std::isfinite(row.C) ||
            !std::isfinite(row.R)) {
            return FileError(file, 0, 0, "the tube is too large for its lengths to be numbers");
        }
    }
    if (tube.Program.Rows.size() > static_cast<std::size_t>(MaxBendSteps)) {
        return FileError(file, 0, 0,
                         "the tube has " + std::to_string(tube.Program.Rows.size()) +
                             " rows; a program holds at most " + std::to_string(MaxBendSteps));
    }
    return tube;
}

} // namespace tubrix
