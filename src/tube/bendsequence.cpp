#include "bendsequence.h"

#include "bendrows.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double Pi = 3.141592653589793;
constexpr double DegreesPerRadian = 180 / Pi;
constexpr double Infinite = std::numeric_limits<double>::infinity();

// Contacts are found to this fraction of the diameter.
constexpr double Precision = 1e-6;
// Evaluations one minimisation may spend before it settles for the best it has: far above what
// a contact needs (some hundreds), they only bound the time a degenerate part can take (an arc
// ringing the stock is at one distance all along; numbers near overflow).
constexpr int MaxOuterEvaluations = 20000;
constexpr int MaxInnerEvaluations = 2000;

// A piece of the walk's centre line, straight or a bend's arc, in whatever coordinates its
// points are given; Start is its distance from the lead end along the tube.
struct Piece {
    bool Arc = false;
    Vec3 From;       // straight: its start
    Vec3 Heading;    // unit: a straight's direction, or an arc's heading at its start
    Vec3 Centre;     // arc
    Vec3 FromCentre; // arc: unit, from the centre to its start
    double Radius = 0;
    double Start = 0;
    double Length = 0;

    Vec3 At(double s) const {
        if (!Arc) {
            return From + Heading * s;
        }
        const double t = s / Radius;
        return Centre + (FromCentre * std::cos(t) + Heading * std::sin(t)) * Radius;
    }
    // A sphere holding the piece (an arc's whole circle, which is enough for culling).
    Vec3 Middle() const { return Arc ? Centre : At(Length * 0.5); }
    double Reach() const { return Arc ? Radius : Length * 0.5; }
};

Piece Placed(const Piece& piece, const WalkFrame& frame) {
    Piece placed = piece;
    placed.From = frame.Point(piece.From);
    placed.Heading = frame.Direction(piece.Heading);
    placed.Centre = frame.Point(piece.Centre);
    placed.FromCentre = frame.Direction(piece.FromCentre);
    return placed;
}

// The centre line as pieces, lead end first.
std::vector<Piece> WalkPieces(const TubeWalk& walk) {
    std::vector<Piece> pieces;
    double along = 0;
    for (const WalkStep& step : walk.Steps) {
        Piece straight;
        straight.From = step.StraightStart;
        straight.Heading = step.Heading;
        straight.Start = along;
        straight.Length = Length(step.StraightEnd - step.StraightStart);
        along += straight.Length;
        pieces.push_back(straight);
        if (step.Bend) {
            Piece arc;
            arc.Arc = true;
            arc.Heading = step.Heading;
            arc.Centre = step.Bend->Centre;
            arc.FromCentre = step.Bend->FromCentre;
            arc.Radius = step.Bend->Radius;
            arc.Start = along;
            arc.Length = step.Bend->ArcLength;
            along += arc.Length;
            pieces.push_back(arc);
        }
    }
    return pieces;
}

WalkFrame Multiply(const WalkFrame& a, const WalkFrame& b) {
    WalkFrame product;
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            double sum = 0;
            for (int k = 0; k < 4; ++k) {
                sum += a.M[k * 4 + row] * b.M[column * 4 + k];
            }
            product.M[column * 4 + row] = sum;
        }
    }
    return product;
}

// The rigid motion that takes `origin` to the machine's origin and the walk's directions
// heading, toward-centre and axis to +x, +y and +z (each of the last two times dieSide).
WalkFrame MachinePlacement(Vec3 origin, Vec3 heading, Vec3 towardCentre, Vec3 axis, int dieSide) {
    const Vec3 rows[3] = {heading, towardCentre * dieSide, axis * dieSide};
    WalkFrame frame;
    for (int row = 0; row < 3; ++row) {
        frame.M[0 * 4 + row] = rows[row].X;
        frame.M[1 * 4 + row] = rows[row].Y;
        frame.M[2 * 4 + row] = rows[row].Z;
        frame.M[12 + row] = -Dot(rows[row], origin);
    }
    return frame;
}

// The bend's motion: the formed part turns about the die's axis (parallel to z through its
// centre) by the angle bent so far. The sense takes the walk's heading at the bend's end to +x.
WalkFrame DieTurn(double radius, int dieSide, double degrees) {
    const Vec3 centre{0, dieSide * radius, 0};
    return WalkFrame{}.Moved(centre).Turned(2, -dieSide * degrees).Moved(centre * -1);
}

WalkFrame FeedTurn(double feed, double degrees) {
    return WalkFrame{}.Turned(0, degrees).Moved({-feed, 0, 0});
}

// The smallest value of f over [a, b], f changing by at most `slope` per unit: Piyavskii's
// bracketing. An interval whose ends give f(a), f(b) can hold nothing below
// (f(a) + f(b)) / 2 - slope * (b - a) / 2; intervals that cannot beat the best value found (or
// `above`, past which the value is of no interest) by `tolerance` are dropped, the others
// halved. The result is within `tolerance` of the true minimum whenever that lies below `above`,
// whatever the function's shape: no minimum is missed between samples. `lowest` is a value f
// never goes below (0 for a distance), so a stretch already at it is not split further.
struct Bracket {
    double Slope;
    double Lowest;
    double Above;
    double Tolerance;
    int Budget;
};
template <typename Function> double Minimise(Function f, double a, double b, const Bracket& at) {
    const double slope = at.Slope;
    const double above = at.Above;
    const double tolerance = at.Tolerance;
    const double fa = f(a);
    const double fb = f(b);
    double best = std::min(fa, fb);
    if (!(b > a) || !std::isfinite(slope) || !std::isfinite(best) || !(tolerance > 0)) {
        return best;
    }
    struct Span {
        double A, FA, B, FB;
    };
    std::vector<Span> open{{a, fa, b, fb}};
    int evaluations = 2;
    while (!open.empty() && evaluations < at.Budget) {
        const Span span = open.back();
        open.pop_back();
        const double bound =
            std::max((span.FA + span.FB) * 0.5 - slope * (span.B - span.A) * 0.5, at.Lowest);
        if (bound >= std::min(best, above) - tolerance) {
            continue;
        }
        const double middle = (span.A + span.B) * 0.5;
        if (!(middle > span.A && middle < span.B)) {
            continue; // no room left between two neighbouring doubles
        }
        const double fm = f(middle);
        ++evaluations;
        best = std::min(best, fm);
        open.push_back({middle, fm, span.B, span.FB});
        open.push_back({span.A, span.FA, middle, fm});
    }
    return best;
}

// Distances to the stock, a segment of the x axis from the origin to `length`.
double PointToStock(Vec3 p, double length) {
    const double past = std::max({0.0, -p.X, p.X - length});
    return std::sqrt(past * past + p.Y * p.Y + p.Z * p.Z);
}

// A straight's points P + s * d (s from 0 to 1) against the stock, exactly: the squared
// distance is a convex quadratic in s on each stretch where P + s * d is behind, alongside or
// past the stock, so each stretch's minimum is its vertex or an end.
double SegmentToStock(Vec3 p, Vec3 d, double length) {
    // Where the straight crosses x = 0 and x = length, in order along it.
    double cuts[4] = {0, 0, 0, 0};
    int count = 1;
    if (d.X != 0) {
        const double first = -p.X / d.X;
        const double second = (length - p.X) / d.X;
        for (double s : {std::min(first, second), std::max(first, second)}) {
            if (s > 0 && s < 1) {
                cuts[count++] = s;
            }
        }
    }
    cuts[count++] = 1;
    double best = Infinite;
    for (int i = 0; i + 1 < count; ++i) {
        const double middle = p.X + d.X * (cuts[i] + cuts[i + 1]) * 0.5;
        // past = alpha + beta * s on this stretch
        double alpha = 0, beta = 0;
        if (middle < 0) {
            alpha = -p.X, beta = -d.X;
        } else if (middle > length) {
            alpha = p.X - length, beta = d.X;
        }
        const double square = beta * beta + d.Y * d.Y + d.Z * d.Z;
        const double linear = alpha * beta + p.Y * d.Y + p.Z * d.Z;
        const double s = square > 0 ? std::clamp(-linear / square, cuts[i], cuts[i + 1]) : cuts[i];
        best = std::min(best, PointToStock(p + d * s, length));
    }
    return best;
}

// What of a piece counts for the stock: the part formed (up to `formed` from the lead end) and
// more than pi * D / 2 from the origin along the tube, as a local range [0, end].
double CountedEnd(const Piece& piece, double formed, double diameter) {
    return std::min(piece.Length, formed - Pi * diameter * 0.5 - piece.Start);
}

// A placed piece's distance to the stock, exact to the precision: straights in closed form,
// arcs bracketed along their length (a point moves at most one unit per unit of arc).
double PieceToStock(const Piece& piece, double formed, double stockLength, double diameter) {
    const double end = CountedEnd(piece, formed, diameter);
    if (!(end >= 0)) {
        return Infinite;
    }
    if (!piece.Arc) {
        return SegmentToStock(piece.From, piece.Heading * end, stockLength);
    }
    if (PointToStock(piece.Centre, stockLength) - piece.Radius >= diameter) {
        return Infinite;
    }
    return Minimise([&](double s) { return PointToStock(piece.At(s), stockLength); }, 0, end,
                    {1, 0, diameter, Precision * diameter, MaxInnerEvaluations});
}

// The lowest z of a piece's points from 0 to `end`, exactly: an arc's height is
// c + a cos t + b sin t, lowest at an end or where (cos t, sin t) points along -(a, b).
double PieceLowest(const Piece& piece, double end) {
    if (!piece.Arc) {
        return std::min(piece.From.Z, piece.At(end).Z);
    }
    double lowest = std::min(piece.At(0).Z, piece.At(end).Z);
    const double a = piece.FromCentre.Z;
    const double b = piece.Heading.Z;
    if (a != 0 || b != 0) {
        double t = std::atan2(-b, -a);
        if (t < 0) {
            t += 2 * Pi;
        }
        if (t * piece.Radius <= end) {
            lowest = std::min(lowest, piece.Centre.Z - piece.Radius * std::hypot(a, b));
        }
    }
    return lowest;
}

// How far a piece reaches from the x axis: a straight's farthest point is an end (the distance
// is convex along it); for an arc its centre's distance plus the radius bounds it.
double FarthestFromAxis(const Piece& piece) {
    if (piece.Arc) {
        return std::hypot(piece.Centre.Y, piece.Centre.Z) + piece.Radius;
    }
    const Vec3 end = piece.At(piece.Length);
    return std::max(std::hypot(piece.From.Y, piece.From.Z), std::hypot(end.Y, end.Z));
}

// Everything one bend needs: the walk's pieces and which of them are formed when.
struct Player {
    const BendSequence& Sequence;
    const std::vector<Piece>& Pieces;
    double Diameter;

    double Lowest(const WalkFrame& placement, std::size_t pieceCount, double formed) const {
        double lowest = 0; // the origin, where the part meets the stock, is always formed
        for (std::size_t i = 0; i < pieceCount; ++i) {
            const Piece placed = Placed(Pieces[i], placement);
            lowest = std::min(lowest,
                              PieceLowest(placed, std::min(placed.Length, formed - placed.Start)));
        }
        return lowest;
    }

    double StockDistance(const WalkFrame& placement, std::size_t pieceCount, double formed) const {
        const double stockLength = std::max(Sequence.DevelopedLength - formed, 0.0);
        double nearest = Infinite;
        for (std::size_t i = 0; i < pieceCount; ++i) {
            const Piece placed = Placed(Pieces[i], placement);
            if (PointToStock(placed.Middle(), stockLength) - placed.Reach() >= Diameter) {
                continue;
            }
            nearest = std::min(nearest, PieceToStock(placed, formed, stockLength, Diameter));
        }
        return nearest;
    }

    // The stock over the bend: the distance between centre lines does not change while the tube
    // turns about x, but it does while the part swings about the die, so it is minimised over
    // the bend angle, piece by piece. A point of a piece moves at most (its distance from the
    // die's axis) per radian, the stock's far end and the counted stretch's end by R: that sum
    // bounds each piece's slope for the bracketing.
    double StockOverBend(const SequenceBend& bend, std::size_t pieceCount,
                         double formedBefore) const {
        const double radians = bend.Angle / DegreesPerRadian;
        const int side = Sequence.DieSide;
        const Vec3 dieCentre{0, side * bend.Radius, 0};
        const double stockReach = std::hypot(bend.Radius, Sequence.DevelopedLength - formedBefore);
        const double formedAfter = formedBefore + bend.Radius * radians;
        double nearest = Infinite;
        for (std::size_t i = 0; i < pieceCount; ++i) {
            const Piece start = Placed(Pieces[i], bend.Before.Placement);
            const Vec3 middle = start.Middle();
            const double reach = start.Reach();
            const double fromAxis = std::hypot(middle.X - dieCentre.X, middle.Y - dieCentre.Y);
            if (std::fabs(middle.Z) - reach >= Diameter ||
                fromAxis - reach >= stockReach + Diameter ||
                formedAfter - Pi * Diameter * 0.5 <= start.Start) {
                continue;
            }
            const auto at = [&](double t) {
                const WalkFrame placement = Multiply(
                    DieTurn(bend.Radius, side, t * DegreesPerRadian), bend.Before.Placement);
                const double formed = formedBefore + bend.Radius * t;
                const double stockLength = std::max(Sequence.DevelopedLength - formed, 0.0);
                return PieceToStock(Placed(Pieces[i], placement), formed, stockLength, Diameter);
            };
            const double slope = fromAxis + reach + 2 * bend.Radius;
            nearest = std::min(
                nearest, Minimise(at, 0, radians,
                                  {slope, 0, Diameter, Precision * Diameter, MaxOuterEvaluations}));
        }
        return nearest;
    }

    // The floor over the plane turn before a bend: heights do not change while the part bends
    // about the vertical die axis, but they do while it turns about x, so each piece's lowest
    // point (exact for any one turn) is minimised over the turn. A point moves at most its
    // distance from the x axis per radian: that bounds the slope for the bracketing.
    double LowestOverTurn(const SequenceBend& bend, std::size_t pieceCount, double formed,
                          double floorLimit) const {
        const double turn = bend.Turn / DegreesPerRadian;
        const double from = std::min(-turn, 0.0);
        const double to = std::max(-turn, 0.0);
        double lowest = Infinite;
        for (std::size_t i = 0; i < pieceCount; ++i) {
            const Piece start = Placed(Pieces[i], bend.Before.Placement);
            const double fromAxis = FarthestFromAxis(start);
            if (-fromAxis >= floorLimit) {
                continue;
            }
            const auto at = [&](double t) {
                const WalkFrame turned =
                    Multiply(WalkFrame{}.Turned(0, t * DegreesPerRadian), bend.Before.Placement);
                const Piece placed = Placed(Pieces[i], turned);
                return PieceLowest(placed, std::min(placed.Length, formed - placed.Start));
            };
            lowest = std::min(lowest, Minimise(at, from, to,
                                               {fromAxis, -fromAxis, floorLimit,
                                                Precision * Diameter, MaxOuterEvaluations}));
        }
        return lowest;
    }
};

// The turn about +x that takes the fed state after the previous bend to the state before
// this one, brought into (-180, 180]; a half turn goes the positive way.
double TurnBetween(const WalkFrame& fed, const WalkFrame& before) {
    const WalkFrame turn = Multiply(before, fed.Inverse());
    double degrees = std::atan2(turn.M[6], turn.M[5]) * DegreesPerRadian;
    const double nearest = std::round(degrees);
    if (std::fabs(degrees - nearest) < 1e-9) {
        degrees = nearest; // whole degrees, as programs give them, come out whole
    }
    return NormalizedTurn(degrees == -180 ? 180 : degrees);
}

MachineState StateAt(const WalkFrame& placement, const TubeWalk& walk, double formed,
                     double developed) {
    MachineState state;
    state.Placement = placement;
    state.FormedLength = formed;
    state.StockLength = std::max(developed - formed, 0.0);
    state.LeadEnd = placement.Point(walk.Start);
    return state;
}

// A contact already there before the bend is the turn's; one that begins while bending is the
// bend's, even when it lasts into the state after it, which then has its own.
void AddContacts(SequenceBend& bend, ContactKind kind, double beforeValue, double phaseValue,
                 double afterValue, double limit) {
    if (beforeValue < limit) {
        bend.Contacts.push_back({kind, ContactPhase::Rotate, beforeValue});
    }
    if (phaseValue < limit && !(beforeValue < limit)) {
        bend.Contacts.push_back({kind, ContactPhase::Bend, phaseValue});
    }
    if (afterValue < limit) {
        bend.Contacts.push_back({kind, ContactPhase::After, afterValue});
    }
}

} // namespace

const MachineState& BendSequence::State(int step) const {
    return step <= 0 ? Bends.front().Before : Bends[static_cast<std::size_t>(step - 1)].After;
}

int BendSequence::StateRows(int step) const {
    if (Bends.empty()) {
        return 0;
    }
    return step <= 0 ? Bends.front().Row + 1 : Bends[static_cast<std::size_t>(step - 1)].Row + 1;
}

bool BendSequence::StateHasContact(int step, ContactKind kind) const {
    const auto has = [&](const SequenceBend& bend, bool phaseBefore) {
        return std::any_of(bend.Contacts.begin(), bend.Contacts.end(),
                           [&](const SequenceContact& contact) {
                               return contact.With == kind &&
                                      (contact.Phase == ContactPhase::After) != phaseBefore;
                           });
    };
    if (step <= 0) {
        return !Bends.empty() && has(Bends.front(), true);
    }
    const SequenceBend& bend = Bends[static_cast<std::size_t>(step - 1)];
    return has(bend, true) || has(bend, false);
}

BendSequence PlayBendSequence(const BendProgram& program, const MachineProfile& profile) {
    BendSequence sequence;
    sequence.Diameter = program.TubeDiameter;
    sequence.DieSide = profile.DieSide < 0 ? -1 : 1;
    sequence.CentrelineHeight = profile.CentrelineHeight;
    sequence.Walk = WalkTube(program);
    sequence.DevelopedLength = sequence.Walk.DevelopedLength;
    const BendingRows rows = FindBendingRows(program);
    sequence.CutLength =
        sequence.DevelopedLength - profile.GainPerBend * static_cast<double>(rows.Rows.size());

    const std::vector<Piece> pieces = WalkPieces(sequence.Walk);
    const Player player{sequence, pieces, std::fabs(program.TubeDiameter)};
    const double diameter = player.Diameter;
    const int side = sequence.DieSide;

    // Pieces are two to a row that bends, one to any other: the arc of row j follows its
    // straight.
    std::size_t straightIndex = 0;
    std::size_t nextRow = 0;
    WalkFrame previousAfter;
    for (const BendingRow& row : rows.Rows) {
        const WalkStep& step = sequence.Walk.Steps[static_cast<std::size_t>(row.Row)];
        for (; nextRow < static_cast<std::size_t>(row.Row); ++nextRow) {
            straightIndex += sequence.Walk.Steps[nextRow].Bend ? 2 : 1;
        }
        if (!step.Bend) {
            continue; // a row whose bend is not placed
        }
        const WalkBend& walkBend = *step.Bend;
        const Piece& arc = pieces[straightIndex + 1];
        SequenceBend bend;
        bend.Row = row.Row;
        bend.Feed = row.StraightBefore;
        bend.Rotate = NormalizedTurn(profile.BSign * row.Turn);
        bend.Angle = walkBend.Degrees;
        bend.Radius = walkBend.Radius;

        const WalkFrame before = MachinePlacement(step.StraightEnd, step.Heading,
                                                  walkBend.FromCentre * -1, walkBend.Axis, side);
        const WalkFrame after = Multiply(DieTurn(bend.Radius, side, bend.Angle), before);
        bend.Before = StateAt(before, sequence.Walk, arc.Start, sequence.DevelopedLength);
        bend.After =
            StateAt(after, sequence.Walk, arc.Start + arc.Length, sequence.DevelopedLength);
        const bool first = sequence.Bends.empty();
        bend.Turn =
            first ? 0 : TurnBetween(Multiply(FeedTurn(bend.Feed, 0), previousAfter), before);

        const std::size_t formedBefore = straightIndex + 1;
        const std::size_t formedAfter = straightIndex + 2;
        bend.Before.LowestZ = player.Lowest(before, formedBefore, arc.Start);
        bend.After.LowestZ = player.Lowest(after, formedAfter, arc.Start + arc.Length);

        const double stockBefore = player.StockDistance(before, formedBefore, arc.Start);
        const double stockAfter = player.StockDistance(after, formedAfter, arc.Start + arc.Length);
        const double stockBend = player.StockOverBend(bend, formedAfter, arc.Start);
        AddContacts(bend, ContactKind::Stock, stockBefore, stockBend, stockAfter, diameter);

        if (sequence.CentrelineHeight) {
            const double height = *sequence.CentrelineHeight;
            const double limit = diameter * 0.5;
            // The turn ends in the state before the bend, so its smallest height is the rotate
            // phase's; the bend changes no height, so it adds nothing of its own.
            double lowestTurn = bend.Before.LowestZ;
            if (!first) {
                lowestTurn = std::min(lowestTurn, player.LowestOverTurn(bend, formedBefore,
                                                                        arc.Start, limit - height));
            }
            AddContacts(bend, ContactKind::Floor, lowestTurn + height, Infinite,
                        bend.After.LowestZ + height, limit);
        }
        if (!bend.Contacts.empty() && !sequence.FirstContact) {
            sequence.FirstContact = static_cast<int>(sequence.Bends.size()) + 1;
        }
        previousAfter = after;
        sequence.Bends.push_back(std::move(bend));
    }
    return sequence;
}
