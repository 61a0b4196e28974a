#include "bendsequence.h"

#include "bendrows.h"
#include "goldensection.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double Pi = 3.141592653589793;
constexpr double DegreesPerRadian = 180 / Pi;
constexpr double Infinite = std::numeric_limits<double>::infinity();

// Contacts are bracketed to this fraction of the diameter at the contact's limit (squared
// distances to 2e-3 D^2; no dip deeper than that is missed), then the smallest distance is
// refined inside its bracket by golden section, whose 40 steps shrink it a hundred-million-fold:
// to far better than 1e-6 of the diameter.
constexpr double Precision = 1e-3;
constexpr int GoldenSteps = 40;
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
        if (!(Radius > 0)) {
            return Centre; // a bend of no radius is a corner
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

WalkFrame Fed(double feed) {
    return WalkFrame{}.Moved({-feed, 0, 0});
}

// The smallest value of f over [a, b] by bracketing, for functions that bend upward at most
// `Curvature` (f'' <= Curvature wherever it exists, and no upward kinks: so is a squared
// distance to a moving point, a height on a turning body, and the least of several of them).
// Such an f lies above its chord less (Curvature / 2) (x - a)(b - x), which bounds what an
// interval can hold from the values at its ends. Intervals that cannot beat the best value found
// (or `Above`, past which the value is of no interest) by `Tolerance` are dropped, the others
// halved: the result is within `Tolerance` of the true minimum whenever that lies below
// `Above`, whatever the function's shape, and no minimum is missed between samples. `Lowest` is
// a value f never goes below (0 for a distance), so a stretch already at it is not split. The
// few intervals left undecided are then searched by golden section for the bottom of their dip.
struct Bracket {
    double Curvature;
    double Lowest;
    double Above;
    double Tolerance;
    int Budget;
};

// `refined` gives the same values as f, to the last digit where f may stop at the precision
// (an inner minimisation): the bracketing needs only that precision, the golden section more.
template <typename Function, typename Refined>
double Minimise(Function f, Refined refined, double a, double b, const Bracket& at) {
    const double curvature = at.Curvature;
    const double above = at.Above;
    const double tolerance = at.Tolerance;
    const double fa = f(a);
    const double fb = f(b);
    double best = std::min(fa, fb);
    if (!(b > a) || !std::isfinite(curvature) || !std::isfinite(best) || !(tolerance > 0)) {
        return best;
    }
    struct Span {
        double A, FA, B, FB;
    };
    const auto bound = [&](const Span& span) {
        // The chord less the parabola, lowest at u along the interval (from 0 to 1).
        const double bow = curvature * (span.B - span.A) * (span.B - span.A) * 0.5;
        const double rise = span.FB - span.FA;
        const double u = bow > 0 ? std::clamp(0.5 - rise / (2 * bow), 0.0, 1.0) : 0.0;
        return std::max(span.FA + rise * u - bow * u * (1 - u), at.Lowest);
    };
    std::vector<Span> open{{a, fa, b, fb}};
    std::vector<Span> undecided; // dropped, but they may still hold a little less than the best
    int evaluations = 2;
    while (!open.empty() && evaluations < at.Budget) {
        const Span span = open.back();
        open.pop_back();
        const double low = bound(span);
        const double middle = (span.A + span.B) * 0.5;
        if (low >= std::min(best, above) - tolerance || !(middle > span.A && middle < span.B)) {
            if (low < best && best < above) {
                undecided.push_back(span);
            }
            continue;
        }
        const double fm = f(middle);
        ++evaluations;
        best = std::min(best, fm);
        open.push_back({middle, fm, span.B, span.FB});
        open.push_back({span.A, span.FA, middle, fm});
    }
    if (!(best < above)) {
        return best;
    }
    // The few stretches whose bound still lies below the best are where its last fraction of
    // the tolerance can hide; each is one dip at this scale.
    std::erase_if(undecided, [&](const Span& span) { return !(bound(span) < best); });
    constexpr std::size_t MostRefined = 4;
    const auto last =
        undecided.begin() + static_cast<std::ptrdiff_t>(std::min(undecided.size(), MostRefined));
    std::partial_sort(undecided.begin(), last, undecided.end(),
                      [&](const Span& x, const Span& y) { return bound(x) < bound(y); });
    for (auto span = undecided.begin(); span != last; ++span) {
        best = std::min(best, GoldenSection(refined, span->A, span->B, GoldenSteps));
    }
    return best;
}

template <typename Function> double Minimise(Function f, double a, double b, const Bracket& at) {
    return Minimise(f, f, a, b, at);
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
// more than pi * D / 2 from the origin along the tube, as a local range [0, end]; negative when
// none of it counts.
double CountedEnd(const Piece& piece, double formed, double diameter) {
    return std::min(piece.Length, formed - Pi * diameter * 0.5 - piece.Start);
}

// A placed piece's distance to the stock over its local range [0, end], exact to the
// precision: straights in closed form, arcs bracketed along their length. An arc whose whole
// circle keeps D away gives the distance of its circle's box instead: less than the true one,
// and no less than D.
double PieceToStock(const Piece& piece, double end, double stockLength, double diameter,
                    bool refine = true) {
    if (!piece.Arc) {
        return SegmentToStock(piece.From, piece.Heading * end, stockLength);
    }
    const double fromCentre = PointToStock(piece.Centre, stockLength);
    if (fromCentre - piece.Radius >= diameter) {
        return fromCentre - piece.Radius;
    }
    // Along the arc a point moves at unit speed and turns by 1/R: the squared distance bends
    // upward at most 2 + 2 d / R, with d at most the centre's distance plus R.
    const double curvature = 2 + 2 * (fromCentre + piece.Radius) / piece.Radius;
    const auto squared = [&](double s) {
        const double d = PointToStock(piece.At(s), stockLength);
        return d * d;
    };
    const Bracket bracket{curvature, 0, diameter * diameter, 2 * diameter * Precision * diameter,
                          MaxInnerEvaluations};
    return std::sqrt(refine ? Minimise(squared, 0, end, bracket)
                            : Minimise(
                                  squared, [](double) { return Infinite; }, 0, end, bracket));
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

// A placed piece turned by `radians` about the vertical through `centre` (the die's axis).
Piece Swung(const Piece& piece, Vec3 centre, double radians) {
    const double c = std::cos(radians), s = std::sin(radians);
    const auto turn = [&](Vec3 v) { return Vec3{c * v.X - s * v.Y, s * v.X + c * v.Y, v.Z}; };
    Piece swung = piece;
    swung.From = centre + turn(piece.From - centre);
    swung.Centre = centre + turn(piece.Centre - centre);
    swung.Heading = turn(piece.Heading);
    swung.FromCentre = turn(piece.FromCentre);
    return swung;
}

// A placed piece turned by `radians` about the x axis (right-handed).
Piece Rolled(const Piece& piece, double radians) {
    const double c = std::cos(radians), s = std::sin(radians);
    const auto turn = [&](Vec3 v) { return Vec3{v.X, c * v.Y - s * v.Z, s * v.Y + c * v.Z}; };
    Piece rolled = piece;
    rolled.From = turn(piece.From);
    rolled.Centre = turn(piece.Centre);
    rolled.Heading = turn(piece.Heading);
    rolled.FromCentre = turn(piece.FromCentre);
    return rolled;
}

// The lowest a point comes while turned about x by every angle from `from` to `to` (radians),
// exactly: at distance r from the axis its height is r sin(angle + its own), lowest (-r) where
// the two angles sum to -pi/2, else at an end of the turn.
double PointLowestOverTurn(Vec3 p, double from, double to) {
    const double r = std::hypot(p.Y, p.Z);
    double bottom = -Pi / 2 - std::atan2(p.Z, p.Y);
    bottom -= 2 * Pi * std::floor((bottom - from) / (2 * Pi)); // first at or after `from`
    if (bottom <= to) {
        return -r;
    }
    return std::min(p.Y * std::sin(from) + p.Z * std::cos(from),
                    p.Y * std::sin(to) + p.Z * std::cos(to));
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
            const double end = CountedEnd(placed, formed, Diameter);
            if (end < 0 ||
                PointToStock(placed.Middle(), stockLength) - placed.Reach() >= Diameter) {
                continue;
            }
            nearest = std::min(nearest, PieceToStock(placed, end, stockLength, Diameter));
        }
        return nearest;
    }

    // The stock over the bend: the distance between centre lines does not change while the tube
    // turns about x, but it does while the part swings about the die, so it is minimised over
    // the bend angle, piece by piece. A point of a piece moves at most (its distance from the
    // die's axis) per radian, the stock's far end and the counted stretch's end by R: that sum
    // bounds each piece's slope for the bracketing. Only the nearest of all pieces is wanted:
    // `atEnds`, the distance in the states before and after the bend (both within the swing),
    // and each piece's result bound what the next must beat, so a piece that cannot come nearer
    // is dropped early, while one that can is still minimised to the full precision.
    double StockOverBend(const SequenceBend& bend, std::size_t pieceCount, double formedBefore,
                         double atEnds) const {
        const double radians = bend.Angle / DegreesPerRadian;
        const int side = Sequence.DieSide;
        const Vec3 dieCentre{0, side * bend.Radius, 0};
        const double stockReach = std::hypot(bend.Radius, Sequence.DevelopedLength - formedBefore);
        const double formedAfter = formedBefore + bend.Radius * radians;
        double nearest = atEnds >= 0 ? atEnds : Infinite; // a distance that did not come out
        for (std::size_t i = 0; i < pieceCount; ++i) {
            const double limit = std::min(nearest, Diameter);
            const Piece start = Placed(Pieces[i], bend.Before.Placement);
            const Vec3 middle = start.Middle();
            const double reach = start.Reach();
            const double fromAxis = std::hypot(middle.X - dieCentre.X, middle.Y - dieCentre.Y);
            // The stock's points lie from R to stockReach from the die's axis, at height 0.
            if (std::fabs(middle.Z) - reach >= limit || fromAxis - reach >= stockReach + limit ||
                fromAxis + reach <= bend.Radius - limit ||
                formedAfter - Pi * Diameter * 0.5 <= start.Start) {
                continue;
            }
            // The piece counts from the angle at which its start is pi * D / 2 from the origin.
            const double counted = std::clamp(
                (start.Start + Pi * Diameter * 0.5 - formedBefore) / bend.Radius, 0.0, radians);
            const auto at = [&](double t, bool refine) {
                const double formed = formedBefore + bend.Radius * t;
                const double stockLength = std::max(Sequence.DevelopedLength - formed, 0.0);
                const double end = std::max(CountedEnd(start, formed, Diameter), 0.0);
                const double d = PieceToStock(Swung(start, dieCentre, -side * t), end, stockLength,
                                              Diameter, refine);
                return d * d;
            };
            // A point at rho from the die's axis moves at rho per radian and turns as fast; the
            // stock's end comes toward it at R. Its squared distance d^2 = e^2 + y^2 + z^2 then
            // bends upward at most 2 (rho + R)^2 + 2 rho^2 + 4 rho d, with d <= rho + R.
            const double rho = fromAxis + reach;
            const double curvature = 2 * (rho + bend.Radius) * (rho + bend.Radius) + 2 * rho * rho +
                                     4 * rho * (rho + bend.Radius);
            // Past `limit` squared a value is of no interest; the tolerance above it keeps every
            // stretch that might come nearer in the search, however little nearer.
            const double tolerance = 2 * Diameter * Precision * Diameter;
            const double squared =
                Minimise([&](double t) { return at(t, false); },
                         [&](double t) { return at(t, true); }, counted, radians,
                         {curvature, 0, limit * limit + tolerance, tolerance, MaxOuterEvaluations});
            nearest = std::min(nearest, std::sqrt(squared));
        }
        return nearest;
    }

    // The floor over the plane turn before a bend: heights do not change while the part bends
    // about the vertical die axis, but they do while it turns about x, so each piece's lowest
    // point is minimised over the turn: in closed form for a straight (its lowest point is an
    // end), bracketed for an arc, whose points' heights r sin(angle + their own) bend upward at
    // most r, their distance from the x axis.
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
            const double end = std::min(start.Length, formed - start.Start);
            if (!start.Arc) {
                lowest = std::min({lowest, PointLowestOverTurn(start.From, from, to),
                                   PointLowestOverTurn(start.At(end), from, to)});
                continue;
            }
            const auto at = [&](double t) { return PieceLowest(Rolled(start, t), end); };
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
        bend.Turn = first ? 0 : TurnBetween(Multiply(Fed(bend.Feed), previousAfter), before);

        const std::size_t formedBefore = straightIndex + 1;
        const std::size_t formedAfter = straightIndex + 2;
        bend.Before.LowestZ = player.Lowest(before, formedBefore, arc.Start);
        bend.After.LowestZ = player.Lowest(after, formedAfter, arc.Start + arc.Length);

        const double stockBefore = player.StockDistance(before, formedBefore, arc.Start);
        const double stockAfter = player.StockDistance(after, formedAfter, arc.Start + arc.Length);
        // The bend's own contact counts only when there was none before it.
        const double stockBend = stockBefore < diameter
                                     ? Infinite
                                     : player.StockOverBend(bend, formedAfter, arc.Start,
                                                            std::min(stockBefore, stockAfter));
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

std::vector<Finding> SequenceFindings(const BendSequence& sequence) {
    std::vector<Finding> findings;
    const double diameter = std::fabs(sequence.Diameter);
    for (const SequenceBend& bend : sequence.Bends) {
        for (ContactKind kind : {ContactKind::Stock, ContactKind::Floor}) {
            const SequenceContact* nearest = nullptr;
            for (const SequenceContact& contact : bend.Contacts) {
                if (contact.With == kind && (!nearest || contact.Distance < nearest->Distance)) {
                    nearest = &contact;
                }
            }
            if (!nearest) {
                continue;
            }
            const bool stock = kind == ContactKind::Stock;
            const double limit = stock ? diameter : diameter * 0.5;
            const char* when = nearest->Phase == ContactPhase::Rotate ? "in the plane turn"
                               : nearest->Phase == ContactPhase::Bend ? "while bending"
                                                                      : "after the bend";
            Finding finding;
            finding.Rule = stock ? FindingRule::Stock : FindingRule::Floor;
            finding.Row = bend.Row + 1;
            finding.Value = nearest->Distance;
            finding.Limit = limit;
            finding.Message = std::string(stock ? "part to stock " : "part above the floor ") +
                              when + " " + FindingNumber(nearest->Distance) + " < " +
                              FindingNumber(limit);
            findings.push_back(std::move(finding));
        }
    }
    return findings;
}
