#include "bendsequence.h"

#include "bendrows.h"
#include "centreline.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace tubrix {

namespace {

constexpr double DegreesPerRadian = 180 / std::numbers::pi;
constexpr double Infinite = std::numeric_limits<double>::infinity();

// Contacts are bracketed to this fraction of the diameter, in distance, however near the part
// comes (no dip deeper than that is missed), then the smallest distance is refined inside its
// bracket by golden section, whose 40 steps (a Bracket's GoldenSteps) shrink it a
// hundred-million-fold: to far better than 1e-6 of the diameter. A tolerance fixed in squared
// distance would be no bracket at all for a part that comes within its root of the stock.
constexpr double Precision = 1e-3;
// Evaluations one minimisation may spend before it settles for the best it has: far above what
// a contact needs (some hundreds), they only bound the time a degenerate part can take (an arc
// ringing the stock is at one distance all along; numbers near overflow).
constexpr int MaxOuterEvaluations = 20000;
constexpr int MaxInnerEvaluations = 2000;

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

// What of a piece counts for the stock: the part formed (up to `formed` from the lead end) and
// more than pi * D / 2 from the origin along the tube, as a local range [0, end]; negative when
// none of it counts.
double CountedEnd(const Piece& piece, double formed, double diameter) {
    return std::min(piece.Length, formed - std::numbers::pi * diameter * 0.5 - piece.Start);
}

// A placed piece's distance to the stock over its local range [0, end], exact to the
// precision: straights in closed form, arcs bracketed along their length (and closed in on
// when `refine`; without, within the bracket's Precision * D above it). An arc whose whole
// circle keeps D away gives the distance of its circle's box instead: less than the true one,
// and no less than D.
double PieceToStock(const Piece& piece, double end, double stockLength, double diameter,
                    bool refine = true) {
    if (!piece.IsArc()) {
        return SegmentToXSegment(piece.From, piece.Heading * end, stockLength);
    }
    const double fromCentre = PointToXSegment(piece.Centre, stockLength);
    if (fromCentre - piece.Radius >= diameter) {
        return fromCentre - piece.Radius;
    }
    // Along the arc a point moves at unit speed and turns by 1/R: the squared distance bends
    // upward at most 2 + 2 d / R, with d at most the centre's distance plus R.
    const double curvature = 2 + 2 * (fromCentre + piece.Radius) / piece.Radius;
    const auto squared = [&](double s) {
        const double d = PointToXSegment(piece.At(s), stockLength);
        return d * d;
    };
    const Bracket bracket{.Curvature = curvature,
                          .Lowest = 0,
                          .Above = diameter * diameter,
                          .Tolerance = Precision * diameter,
                          .Budget = MaxInnerEvaluations,
                          .GoldenSteps = refine ? Bracket{}.GoldenSteps : 0,
                          .Squared = true};
    return std::sqrt(Minimise(squared, 0, end, bracket));
}

// The lowest a point comes while turned about x by every angle from `from` to `to` (radians),
// exactly: at distance r from the axis its height is r sin(angle + its own), lowest (-r) where
// the two angles sum to -pi/2, else at an end of the turn.
double PointLowestOverTurn(Vec3 p, double from, double to) {
    const double r = std::hypot(p.Y, p.Z);
    double bottom = -std::numbers::pi / 2 - std::atan2(p.Z, p.Y);
    bottom -= 2 * std::numbers::pi *
              std::floor((bottom - from) / (2 * std::numbers::pi)); // first at or after `from`
    if (bottom <= to) {
        return -r;
    }
    return std::min(p.Y * std::sin(from) + p.Z * std::cos(from),
                    p.Y * std::sin(to) + p.Z * std::cos(to));
}

// How far a placed piece's points can lie from the die's axis, which bounds how fast the swing
// moves them: a straight's middle's distance plus half its length, an arc's centre's plus its
// radius, whatever its sweep.
double FarthestFromDieAxis(const Piece& piece, Vec3 dieCentre) {
    const Vec3 middle = piece.IsArc() ? piece.Centre : piece.At(piece.Length * 0.5);
    const double reach = piece.IsArc() ? piece.Radius : piece.Length * 0.5;
    return std::hypot(middle.X - dieCentre.X, middle.Y - dieCentre.Y) + reach;
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
                PointToXSegment(placed.SphereCentre, stockLength) - placed.SphereRadius >=
                    Diameter) {
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
            const Vec3 middle = start.SphereCentre;
            const double reach = start.SphereRadius;
            const double fromAxis = std::hypot(middle.X - dieCentre.X, middle.Y - dieCentre.Y);
            // The stock's points lie from R to stockReach from the die's axis, at height 0.
            if (std::fabs(middle.Z) - reach >= limit || fromAxis - reach >= stockReach + limit ||
                fromAxis + reach <= bend.Radius - limit ||
                formedAfter - std::numbers::pi * Diameter * 0.5 <= start.Start) {
                continue;
            }
            // The piece counts from the angle at which its start is pi * D / 2 from the origin.
            const double counted = std::clamp(
                (start.Start + std::numbers::pi * Diameter * 0.5 - formedBefore) / bend.Radius, 0.0,
                radians);
            const auto at = [&](double t, bool refine) {
                const double formed = formedBefore + bend.Radius * t;
                const double stockLength = std::max(Sequence.DevelopedLength - formed, 0.0);
                const double end = std::max(CountedEnd(start, formed, Diameter), 0.0);
                const double d = PieceToStock(TurnedAboutVertical(start, dieCentre, -side * t), end,
                                              stockLength, Diameter, refine);
                return d * d;
            };
            // A point at rho from the die's axis moves at rho per radian and turns as fast; the
            // stock's end comes toward it at R. Its squared distance d^2 = e^2 + y^2 + z^2 then
            // bends upward at most 2 (rho + R)^2 + 2 rho^2 + 4 rho d, with d <= rho + R.
            const double rho = FarthestFromDieAxis(start, dieCentre);
            const double curvature = 2 * (rho + bend.Radius) * (rho + bend.Radius) + 2 * rho * rho +
                                     4 * rho * (rho + bend.Radius);
            // Past `limit` a distance is of no interest; the tolerance above it keeps every
            // stretch that might come nearer in the search, however little nearer.
            const double tolerance = Precision * Diameter;
            const double squared = Minimise([&](double t) { return at(t, false); },
                                            [&](double t) { return at(t, true); }, counted, radians,
                                            {.Curvature = curvature,
                                             .Lowest = 0,
                                             .Above = (limit + tolerance) * (limit + tolerance),
                                             .Tolerance = tolerance,
                                             .Budget = MaxOuterEvaluations,
                                             .Squared = true});
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
            const double fromAxis = FarthestFromXAxis(start);
            if (-fromAxis >= floorLimit) {
                continue;
            }
            const double end = std::min(start.Length, formed - start.Start);
            if (!start.IsArc()) {
                lowest = std::min({lowest, PointLowestOverTurn(start.From, from, to),
                                   PointLowestOverTurn(start.At(end), from, to)});
                continue;
            }
            const auto at = [&](double t) { return PieceLowest(TurnedAboutX(start, t), end); };
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

bool BendSequence::StatesFinite() const {
    const auto finite = [](const MachineState& state) {
        return std::isfinite(state.LeadEnd.X) && std::isfinite(state.LeadEnd.Y) &&
               std::isfinite(state.LeadEnd.Z) && std::isfinite(state.LowestZ);
    };
    return std::all_of(Bends.begin(), Bends.end(), [&](const SequenceBend& bend) {
        return finite(bend.Before) && finite(bend.After);
    });
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

    const std::vector<Piece> pieces = CentrelinePieces(sequence.Walk);
    const Player player{sequence, pieces, std::fabs(program.TubeDiameter)};
    const double diameter = player.Diameter;
    const int side = sequence.DieSide;

    WalkFrame previousAfter;
    for (const BendingRow& row : rows.Rows) {
        const WalkStep& step = sequence.Walk.Steps[static_cast<std::size_t>(row.Row)];
        // The part formed before the bend is every piece before its arc, after it the arc too.
        const std::size_t arcIndex = FindPiece(pieces, row.Row, PieceKind::Arc);
        if (!step.Bend || arcIndex == pieces.size()) {
            continue; // a row whose bend is not placed
        }
        const WalkBend& walkBend = *step.Bend;
        const Piece& arc = pieces[arcIndex];
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

        const std::size_t formedBefore = arcIndex;
        const std::size_t formedAfter = arcIndex + 1;
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

const char* ContactKindName(ContactKind kind, Language language) {
    return language == Language::German ? (kind == ContactKind::Stock ? "Rohrstange" : "Boden")
                                        : ContactKindName(kind);
}

const char* ContactPhaseName(ContactPhase phase, Language language) {
    static constexpr const char* german[] = {"Drehen", "Biegen", "nach dem Biegen"};
    return language == Language::German ? german[static_cast<std::size_t>(phase)]
                                        : ContactPhaseName(phase);
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
            Finding finding;
            finding.Rule = stock ? FindingRule::Stock : FindingRule::Floor;
            finding.Row = bend.Row + 1;
            finding.Value = nearest->Distance;
            finding.Limit = limit;
            finding.Phase = nearest->Phase;
            finding.Message = FindingMessage(finding, Language::English);
            findings.push_back(std::move(finding));
        }
    }
    return findings;
}

} // namespace tubrix
