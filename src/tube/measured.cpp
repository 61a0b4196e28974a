#include "measured.h"

#include "bendrows.h"
#include "findings.h"
#include "numbertext.h"
#include "programfile.h"
#include "ybc.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <memory>
#include <utility>

namespace tubrix {

namespace {

Error RowError(int row, ProgramField field, std::string message) {
    Error error;
    error.Row = row;
    error.Field = field;
    error.Message = std::move(message);
    return error;
}

// The RMS of the best rigid fit of `from` onto `onto`; infinite where the points fix no motion,
// so that such a fit is never the better one.
double BestFitRms(std::span<const Vec3> from, std::span<const Vec3> onto) {
    const Result<RigidMotion> motion = BestRigidMotion(from, onto);
    return motion ? RmsDistance(*motion, from, onto) : std::numeric_limits<double>::infinity();
}

// The measured part walked from its other end: its points in the other order, each bend on the
// radius its file gave or, where it gave none, the nominal's at the bend's place in that order.
Result<MeasuredPart> ReadFromOtherEnd(const MeasuredPart& part, std::span<const XyzPoint> nominal) {
    PointsRows points;
    points.Diameter = part.Rows.Diameter;
    points.Units = part.Rows.Units;
    const std::size_t n = part.Points.size();
    for (std::size_t i = 0; i < n; ++i) {
        const Vec3 p = part.Points[n - 1 - i];
        const std::optional<double> given =
            n - 1 - i < part.GivenRadii.size() ? part.GivenRadii[n - 1 - i] : std::nullopt;
        points.Points.push_back({p.X, p.Y, p.Z, given ? given : nominal[i].R, 0});
    }
    Result<ProgramRows> rows = XyzToProgram(points, std::nullopt, "");
    if (!rows) {
        return Failed("the measured points read from their other end: " + rows.Failure().Message);
    }
    MeasuredPart out;
    out.Points.assign(part.Points.rbegin(), part.Points.rend());
    out.GivenRadii.assign(part.GivenRadii.rbegin(), part.GivenRadii.rend());
    out.Rows = std::move(*rows);
    out.Rows.Units = part.Rows.Units;
    out.FromPoints = true;
    out.FileUnits = part.FileUnits;
    return out;
}

} // namespace

std::string SheathVerdict(const SheathDeviation& sheath, double tolerance) {
    const bool pass = sheath.Value <= tolerance;
    const auto two = [](double value) {
        char text[400];
        return std::string(
            text, std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2).ptr);
    };
    return "Sheath " + two(sheath.Value) + (pass ? " <= " : " > ") + two(tolerance) + " at row " +
           std::to_string(sheath.Row) + (pass ? " \u2014 passes" : " \u2014 fails");
}

Result<Comparison> CompareMeasured(const ProgramRows& nominal, const MeasuredPart& given,
                                   const CompareOptions& options) {
    const auto nominalProgram = std::make_unique<BendProgram>(ProgramFromRows(nominal));
    const Result<std::vector<XyzPoint>> nominalXyz = ProgramToXyz(WalkTube(*nominalProgram));
    if (!nominalXyz) {
        return NoPoint(nominalXyz.Failure());
    }
    std::vector<Vec3> nominalPoints;
    for (const XyzPoint& point : *nominalXyz) {
        nominalPoints.push_back(point.At);
    }
    if (nominalPoints.size() != given.Points.size()) {
        return Failed("the measured part has " + Counted(given.Points.size(), "point", "points") +
                      ", the nominal program " + Counted(nominalPoints.size(), "point", "points"));
    }
    // The other hand: the nominal's mirror image laid on the measured points as closely.
    std::vector<Vec3> mirrored = nominalPoints;
    for (Vec3& p : mirrored) {
        p.X = -p.X;
    }
    const bool aligned = options.Align == Alignment::Best;
    Comparison out;
    MeasuredPart reversed;
    const MeasuredPart* measured = &given;
    if (aligned && options.Order == MeasuredOrder::Choose) {
        const std::vector<Vec3> back(given.Points.rbegin(), given.Points.rend());
        const double givenFit =
            std::min(BestFitRms(given.Points, nominalPoints), BestFitRms(given.Points, mirrored));
        const double backFit =
            std::min(BestFitRms(back, nominalPoints), BestFitRms(back, mirrored));
        if (backFit < 0.5 * givenFit) {
            Result<MeasuredPart> read = ReadFromOtherEnd(given, *nominalXyz);
            if (!read) {
                return read.Failure();
            }
            reversed = std::move(*read);
            measured = &reversed;
            out.Reversed = true;
        }
    }
    if (aligned) {
        const Result<RigidMotion> motion = BestRigidMotion(measured->Points, nominalPoints);
        if (!motion) {
            return Failed("no single best alignment: " + motion.Failure().Message +
                          " (--align none compares the coordinates as they are)");
        }
        out.Motion = *motion;
    }
    out.Rms = RmsDistance(out.Motion, measured->Points, nominalPoints);
    for (std::size_t i = 0; i < measured->Points.size(); ++i) {
        const Vec3 d = out.Motion.Apply(measured->Points[i]) - nominalPoints[i];
        out.Points.push_back({d, Length(d)});
    }
    out.OtherHand =
        BestFitRms(measured->Points, mirrored) < 0.5 * BestFitRms(measured->Points, nominalPoints);
    out.MeasuredRows = measured->Rows;

    const auto measuredProgram = std::make_unique<BendProgram>(ProgramFromRows(measured->Rows));
    const BendingRows nominalBends = FindBendingRows(*nominalProgram);
    const BendingRows measuredBends = FindBendingRows(*measuredProgram);
    if (nominalBends.Rows.size() != measuredBends.Rows.size()) {
        return Failed(
            "the measured part has " + Counted(measuredBends.Rows.size(), "bend", "bends") +
            ", the nominal program " + Counted(nominalBends.Rows.size(), "bend", "bends"));
    }
    for (std::size_t k = 0; k < nominalBends.Rows.size(); ++k) {
        const BendingRow& n = nominalBends.Rows[k];
        const BendingRow& m = measuredBends.Rows[k];
        const BendStep& ns = nominalProgram->Steps[n.Row];
        const BendStep& ms = measuredProgram->Steps[m.Row];
        out.Bends.push_back({n.Row + 1, m.StraightBefore - n.StraightBefore,
                             k == 0 ? 0.0 : NormalizedTurn(m.Turn - n.Turn) + 0.0, ms.C - ns.C,
                             ms.R - ns.R});
    }
    out.TailDY = measuredBends.Tail - nominalBends.Tail;

    // The measured centre line, from its own walk laid where its points are, then aligned.
    const TubeWalk measuredWalk = WalkTube(*measuredProgram);
    RigidMotion placement = out.Motion;
    if (measured->FromPoints) {
        const Result<std::vector<Vec3>> walkPoints = WalkPoints(measured->Rows);
        if (walkPoints && walkPoints->size() == measured->Points.size()) {
            placement = Composed(out.Motion, WalkOntoPoints(*walkPoints, measured->Points));
        }
    }
    const WalkFrame frame = placement.Frame();
    for (const Piece& piece : CentrelinePieces(measuredWalk)) {
        out.MeasuredPieces.push_back(Placed(piece, frame));
    }
    const std::vector<Piece> nominalPieces = CentrelinePieces(WalkTube(*nominalProgram));
    const double precision = 1e-6 * std::max(std::fabs(nominal.Diameter), 1e-9);
    out.Sheath = LargestDeviation(out.MeasuredPieces, nominalPieces, precision);
    // A part hundreds of digits long gives distances that are no numbers: said, never shown.
    bool finite =
        std::isfinite(out.Rms) && std::isfinite(out.Sheath.Value) && std::isfinite(out.TailDY);
    for (const BendDelta& b : out.Bends) {
        finite = finite && std::isfinite(b.DY) && std::isfinite(b.DB) && std::isfinite(b.DC) &&
                 std::isfinite(b.DR);
    }
    if (!finite) {
        return Failed("the parts are too large for their distances to be numbers");
    }
    for (PieceDeviation& piece : out.Sheath.Pieces) {
        for (std::size_t k = 0; k < measuredBends.Rows.size(); ++k) {
            const int row = measuredBends.Rows[k].Row;
            if (piece.Row <= row) {
                piece.BendingRow = static_cast<int>(k);
                break;
            }
        }
    }
    return out;
}

Result<MachineProgram> CorrectMachineProgram(const MachineProgram& used, const ProgramRows& nominal,
                                             const ProgramRows& measured,
                                             const MachineProfile& profile) {
    if (used.Rows.size() != nominal.Rows.size()) {
        return Failed("the machine program has " + Counted(used.Rows.size(), "row", "rows") +
                      ", the nominal program " + Counted(nominal.Rows.size(), "row", "rows") +
                      ": they must match row for row");
    }
    const BendingRows n = BendingRowsOf(nominal);
    const BendingRows m = BendingRowsOf(measured);
    if (n.Rows.size() != m.Rows.size()) {
        return Failed("the measured part has " + Counted(m.Rows.size(), "bend", "bends") +
                      ", the nominal program " + Counted(n.Rows.size(), "bend", "bends"));
    }
    MachineProgram next = used;
    std::vector<double> planeShift(used.Rows.size(), 0);
    for (std::size_t k = 0; k < n.Rows.size(); ++k) {
        const auto row = static_cast<std::size_t>(n.Rows[k].Row);
        MachineRow& out = next.Rows[row];
        out.C += nominal.Rows[row].C - measured.Rows[static_cast<std::size_t>(m.Rows[k].Row)].C;
        const double feed = n.Rows[k].StraightBefore - m.Rows[k].StraightBefore;
        out.Y += feed;
        // The first bend's plane is the reference the others are measured from: it stays.
        if (k > 0) {
            planeShift[row] = profile.BSign * NormalizedTurn(n.Rows[k].Turn - m.Rows[k].Turn);
        }
    }
    next.Rows.back().Y += n.Tail - m.Tail;
    // The stock to cut: the nominal's, longer or shorter by what the feeds now differ from it.
    const auto nominalProgram = std::make_unique<BendProgram>(ProgramFromRows(nominal));
    next.CutLength = CutLength(*nominalProgram, profile);
    for (std::size_t i = 0; i < next.Rows.size(); ++i) {
        next.CutLength += next.Rows[i].Y - nominal.Rows[i].Y;
    }
    double running = 0;
    for (std::size_t i = 0; i < next.Rows.size(); ++i) {
        MachineRow& out = next.Rows[i];
        running += planeShift[i];
        if (used.BMode == MachineProfile::PlaneMode::Relative) {
            out.B = NormalizedTurn(out.B + planeShift[i]) + 0.0;
        } else if (running != 0) {
            out.B = FullTurn(out.B + running);
        }
    }
    for (std::size_t i = 0; i < next.Rows.size(); ++i) {
        const MachineRow& out = next.Rows[i];
        const int row = static_cast<int>(i) + 1;
        if (!std::isfinite(out.Y) || !std::isfinite(out.B) || !std::isfinite(out.C)) {
            return RowError(row, ProgramField::None, "the corrected value is not a number");
        }
        if (out.Y < 0) {
            return RowError(row, ProgramField::Y,
                            "the corrected feed, " + FormatNumber(out.Y) + ", is below 0");
        }
        if (used.Rows[i].C > 0 && !(out.C > 0 && out.C <= profile.MaxAngle)) {
            return RowError(row, ProgramField::C,
                            "the corrected machine angle, " + FormatNumber(out.C) +
                                ", is not above 0 and at most max_angle, " +
                                FormatNumber(profile.MaxAngle));
        }
    }
    return next;
}

Result<std::vector<BentAngle>> PairBentAngles(const MachineProgram& used,
                                              const ProgramRows& measured) {
    std::vector<int> machineBends;
    for (std::size_t i = 0; i + 1 < used.Rows.size(); ++i) {
        if (used.Rows[i].C > 0) {
            machineBends.push_back(static_cast<int>(i));
        }
    }
    const BendingRows m = BendingRowsOf(measured);
    if (m.Rows.size() != machineBends.size()) {
        return Failed("the measured part has " + Counted(m.Rows.size(), "bend", "bends") +
                      ", the machine program " + Counted(machineBends.size(), "bend", "bends"));
    }
    std::vector<BentAngle> angles;
    for (std::size_t k = 0; k < machineBends.size(); ++k) {
        angles.push_back({measured.Rows[static_cast<std::size_t>(m.Rows[k].Row)].C,
                          used.Rows[static_cast<std::size_t>(machineBends[k])].C});
    }
    return angles;
}

Result<void> CheckCorrectable(const Comparison& comparison, const ProgramRows& nominal,
                              const MachineProfile& profile, bool force) {
    if (comparison.OtherHand) {
        return Failed("the measured part is of the other hand: a correction would turn every "
                      "plane; check the program's hand or the measurement");
    }
    if (force) {
        return {};
    }
    if (profile.FitLimit && comparison.Rms > *profile.FitLimit) {
        return Failed("the measured part fits its nominal at an RMS of " +
                      FormatNumber(comparison.Rms, 3) + ", more than fit_limit, " +
                      FormatNumber(*profile.FitLimit) +
                      ": another part, or a measurement gone wrong (--force corrects all the "
                      "same)");
    }
    const double feedLimit = CorrectionFeedLimit(profile, nominal.Units);
    const auto beyond = [](int row, ProgramField field, const std::string& what, double value,
                           const std::string& limit) {
        return RowError(row, field,
                        "a correction of " + FormatNumber(value, 3) + " to the " + what +
                            " is more than " + limit +
                            ": another part, or a measurement gone wrong (--force corrects all "
                            "the same)");
    };
    for (const BendDelta& bend : comparison.Bends) {
        const double c = nominal.Rows[static_cast<std::size_t>(bend.Row - 1)].C;
        const double angleLimit = profile.MaxCorrectionAngle + profile.MaxCorrectionShare * c;
        if (!(std::fabs(bend.DC) <= angleLimit)) {
            return beyond(bend.Row, ProgramField::C, "angle", -bend.DC,
                          "max_correction_angle + max_correction_share \u00d7 C, " +
                              FormatNumber(angleLimit, 3));
        }
        if (!(std::fabs(bend.DB) <= profile.MaxCorrectionPlane)) {
            return beyond(bend.Row, ProgramField::B, "plane turn", -bend.DB,
                          "max_correction_plane, " + FormatNumber(profile.MaxCorrectionPlane));
        }
        if (!(std::fabs(bend.DY) <= feedLimit)) {
            return beyond(bend.Row, ProgramField::Y, "feed", -bend.DY,
                          "max_correction_feed, " + FormatNumber(feedLimit, 4));
        }
    }
    if (!(std::fabs(comparison.TailDY) <= feedLimit)) {
        return beyond(static_cast<int>(nominal.Rows.size()), ProgramField::Y, "tail's feed",
                      -comparison.TailDY, "max_correction_feed, " + FormatNumber(feedLimit, 4));
    }
    return {};
}

Result<MachineProgram> CorrectedProgram(const MachineProgram& used, const ProgramRows& nominal,
                                        const Comparison& comparison, const MachineProfile& profile,
                                        bool force) {
    if (Result<void> correctable = CheckCorrectable(comparison, nominal, profile, force);
        !correctable) {
        return correctable.Failure();
    }
    return CorrectMachineProgram(used, nominal, comparison.MeasuredRows, profile);
}

ProgramRows BentPart(const MachineProgram& used, const MachineProfile& profile) {
    ProgramRows rows;
    rows.Diameter = used.Diameter;
    rows.Units = used.Units;
    double plane = 0; // the absolute plane of the row before, from the first bend's
    bool bent = false;
    for (std::size_t i = 0; i < used.Rows.size(); ++i) {
        const MachineRow& row = used.Rows[i];
        const bool bends = i + 1 < used.Rows.size() && row.C > 0;
        double b = row.B;
        if (used.BMode == MachineProfile::PlaneMode::Absolute) {
            // Up to and on the first bend the plane is the reference, 0; after it each row's
            // turn is its plane less the one before.
            b = bent ? NormalizedTurn(row.B - plane) : 0.0;
            plane = bent ? row.B : 0.0;
        }
        bent = bent || bends;
        const double c = bends ? PartAngle(profile, row.C, {row.R, used.Diameter}) : 0.0;
        rows.Rows.push_back({row.Y, profile.BSign * b + 0.0, c, row.R});
    }
    return rows;
}

} // namespace tubrix
