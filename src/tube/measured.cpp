#include "measured.h"

#include "bendrows.h"
#include "findings.h"
#include "numbertext.h"
#include "programfile.h"
#include "tubetextreader.h"
#include "ybc.h"

#include <Eigen/Dense>
#include <toml++/toml.h>

#include <charconv>
#include <cmath>
#include <memory>
#include <numbers>
#include <utility>

namespace tubrix {

namespace {

Eigen::Vector3d ToEigen(Vec3 v) {
    return {v.X, v.Y, v.Z};
}

Vec3 FromEigen(const Eigen::Vector3d& v) {
    return {v.x(), v.y(), v.z()};
}

// The points' spread across their best line, against their spread along it: next to nothing
// when they lie in one line (or on one point), where a turn about that line fits them alike.
bool SpansAPlane(std::span<const Vec3> points) {
    Eigen::Vector3d mean = Eigen::Vector3d::Zero();
    for (const Vec3 p : points) {
        mean += ToEigen(p);
    }
    mean /= static_cast<double>(points.size());
    Eigen::Matrix3d scatter = Eigen::Matrix3d::Zero();
    for (const Vec3 p : points) {
        const Eigen::Vector3d d = ToEigen(p) - mean;
        scatter += d * d.transpose();
    }
    const Eigen::Vector3d spread =
        Eigen::SelfAdjointEigenSolver<Eigen::Matrix3d>(scatter).eigenvalues(); // ascending
    return std::isfinite(spread(2)) && spread(2) > 0 && spread(1) > 1e-13 * spread(2);
}

// The turn that takes the unit direction `from` to `to` about their common normal: how a part of
// two points (a straight tube) is placed, the turn about its own axis being free.
RigidMotion TurnBetween(Vec3 from, Vec3 to) {
    const Eigen::Quaterniond turn = Eigen::Quaterniond::FromTwoVectors(ToEigen(from), ToEigen(to));
    const Eigen::Matrix3d r = turn.toRotationMatrix();
    RigidMotion motion;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            motion.Rotation[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] = r(i, j);
        }
    }
    return motion;
}

// a after b.
RigidMotion Composed(const RigidMotion& a, const RigidMotion& b) {
    RigidMotion out;
    for (std::size_t i = 0; i < 3; ++i) {
        for (std::size_t j = 0; j < 3; ++j) {
            double sum = 0;
            for (std::size_t k = 0; k < 3; ++k) {
                sum += a.Rotation[i][k] * b.Rotation[k][j];
            }
            out.Rotation[i][j] = sum;
        }
    }
    out.Translation = a.Apply(b.Translation);
    return out;
}

// The motion that lays a program's walk onto the points it was measured as: the same points up
// to rounding, so the fit is exact; a straight tube is placed by its one direction.
RigidMotion WalkOntoPoints(std::span<const Vec3> walkPoints, std::span<const Vec3> points) {
    if (const Result<RigidMotion> fit = BestRigidMotion(walkPoints, points); fit) {
        return *fit;
    }
    RigidMotion motion = TurnBetween(Normalized(walkPoints.back() - walkPoints.front()),
                                     Normalized(points.back() - points.front()));
    motion.Translation = points.front() - motion.Apply(walkPoints.front());
    return motion;
}

Result<std::vector<Vec3>> WalkPoints(const ProgramRows& rows) {
    const auto program = std::make_unique<BendProgram>(ProgramFromRows(rows));
    const Result<std::vector<XyzPoint>> points = ProgramToXyz(WalkTube(*program));
    if (!points) {
        return points.Failure();
    }
    std::vector<Vec3> out;
    for (const XyzPoint& point : *points) {
        out.push_back(point.At);
    }
    return out;
}

BendingRows BendingRowsOf(const ProgramRows& rows) {
    const auto program = std::make_unique<BendProgram>(ProgramFromRows(rows));
    return FindBendingRows(*program);
}

std::string Count(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

Result<void> SameBendingRows(const ProgramRows& nominal, const ProgramRows& measured,
                             const std::string& file) {
    const std::size_t n = BendingRowsOf(nominal).Rows.size();
    const std::size_t m = BendingRowsOf(measured).Rows.size();
    if (n != m) {
        return FileError(file, 0, 0,
                         "the measured part has " + Count(m, "bend", "bends") +
                             ", the nominal program " + Count(n, "bend", "bends") +
                             ": they must match one for one");
    }
    return {};
}

// A nominal program whose bend of 180 degrees has no point to compare with.
Error NoPoint(const Error& walkError) {
    return Failed("the nominal program's row " + std::to_string(walkError.Row) +
                  " bends by 180 degrees: its legs meet at no point to lay the parts on");
}

// ---- The sheath ----------------------------------------------------------------------------

// The nominal centre line, measured from: exactly at a point, and bounded over a stretch of
// measured points by the geometry of the pieces.
class NominalLine {
public:
    explicit NominalLine(std::span<const Piece> pieces) : pieces_(pieces) {}

    // The exact distance from p to the nominal line, over the pieces listed; `nearest` is set
    // to the piece it is measured to.
    double Distance(Vec3 p, std::span<const std::size_t> candidates,
                    std::size_t* nearest = nullptr) const {
        double best = std::numeric_limits<double>::infinity();
        for (const std::size_t i : candidates) {
            const Piece& piece = pieces_[i];
            const Vec3 d = p - piece.SphereCentre;
            const double reach = best + piece.SphereRadius;
            if (Dot(d, d) >= reach * reach) {
                continue;
            }
            const double distance = DistanceToStretch(piece, p, 0, piece.Length);
            if (distance < best) {
                best = distance;
                if (nearest) {
                    *nearest = i;
                }
            }
        }
        return best;
    }

    // No less than the largest distance to the nominal line over the stretch of the measured
    // piece from `a` to `b` along it: the least, over the pieces listed, of a bound to one
    // piece. The piece nearest the stretch's middle goes first, so that its bound rules most
    // others out by their spheres alone.
    double Bound(const Piece& measured, double a, double b, std::span<const std::size_t> candidates,
                 std::size_t first) const {
        const Vec3 q0 = measured.At(a);
        double bound = std::numeric_limits<double>::infinity();
        for (std::size_t n = 0; n <= candidates.size(); ++n) {
            const std::size_t i = n == 0 ? first : candidates[n - 1];
            if (i >= pieces_.size() || (n > 0 && i == first)) {
                continue;
            }
            const Piece& piece = pieces_[i];
            const Vec3 d = q0 - piece.SphereCentre;
            const double reach = bound + piece.SphereRadius;
            if (n > 0 && Dot(d, d) >= reach * reach) {
                continue;
            }
            bound = std::min(bound, PieceBound(piece, measured, a, b));
        }
        return bound;
    }

private:
    // Along the nominal piece, where the point is nearest: its projection onto a straight, or
    // its angle about an arc's centre, within the piece's ends.
    static double Nearest(const Piece& piece, Vec3 q) {
        if (!piece.IsArc()) {
            return std::clamp(Dot(q - piece.From, piece.Heading), 0.0, piece.Length);
        }
        if (!(piece.Radius > 0)) {
            return 0;
        }
        const Vec3 v = q - piece.Centre;
        double t = std::atan2(Dot(v, piece.Heading), Dot(v, piece.FromCentre));
        const double sweep = piece.Length / piece.Radius;
        if (t < -(2 * std::numbers::pi - sweep) / 2) {
            t += 2 * std::numbers::pi;
        }
        return std::clamp(t, 0.0, sweep) * piece.Radius;
    }

    // The measured points q(s), s from a to b, against the nominal points p(sigma(s)) with sigma
    // running evenly between the ends' nearest: e = q - p is no longer at any s than its chord,
    // whose length is at most the larger end's, plus (b - a)^2 / 8 times the largest |e''|.
    // Both move on circles (or lines), so e'' = (k^2 / R) n_p - (1 / r) n_q, with k the speed of
    // sigma and n the unit vectors from the centres: where the two arcs run alike it is next to
    // nothing, and the bound closes in on the truth as the cube of the stretch. Between two
    // straights it is the convexity of the distance: the larger end's.
    static double PieceBound(const Piece& nominal, const Piece& measured, double a, double b) {
        const Vec3 q0 = measured.At(a), q1 = measured.At(b);
        const double s0 = Nearest(nominal, q0), s1 = Nearest(nominal, q1);
        const Vec3 p0 = nominal.At(s0), p1 = nominal.At(s1);
        const double h = b - a;
        const double k = h > 0 ? std::fabs(s1 - s0) / h : 0.0;
        const bool nominalArc = nominal.IsArc() && nominal.Radius > 0;
        const bool measuredArc = measured.IsArc() && measured.Radius > 0;
        const double pc = nominalArc ? k * k / nominal.Radius : 0.0;
        const double qc = measuredArc ? 1 / measured.Radius : 0.0;
        double curvature = pc + qc;
        if (nominalArc && measuredArc) {
            const auto apart = [&](Vec3 p, Vec3 q) {
                return Length((p - nominal.Centre) * (1 / nominal.Radius) -
                              (q - measured.Centre) * (1 / measured.Radius));
            };
            // n_p - n_q turns no faster than the two unit vectors together.
            const double turn =
                std::max(apart(p0, q0), apart(p1, q1)) + h * 0.5 * (k / nominal.Radius + qc);
            curvature = std::min(curvature, std::fabs(pc - qc) + qc * std::min(turn, 2.0));
        }
        return std::max(Length(q0 - p0), Length(q1 - p1)) + h * h * 0.125 * curvature;
    }

    std::span<const Piece> pieces_;
};

// The largest distance from the measured piece's points to the nominal line.
double PieceLargest(const Piece& piece, const NominalLine& nominal, std::size_t nominalCount,
                    std::span<const Piece> nominalPieces, double precision) {
    std::vector<std::size_t> all(nominalCount);
    for (std::size_t i = 0; i < nominalCount; ++i) {
        all[i] = i;
    }
    if (!(piece.Length > 0)) {
        return nominal.Distance(piece.At(0), all);
    }
    // Only a nominal piece that comes within this of the measured piece's sphere can be the
    // nearest to any of its points.
    const double reach = nominal.Distance(piece.SphereCentre, all) + piece.SphereRadius;
    std::vector<std::size_t> near;
    for (std::size_t i = 0; i < nominalCount; ++i) {
        const Piece& other = nominalPieces[i];
        if (Length(other.SphereCentre - piece.SphereCentre) - other.SphereRadius -
                piece.SphereRadius <=
            reach * (1 + 1e-12) + precision) {
            near.push_back(i);
        }
    }
    const auto at = [&](double s) { return nominal.Distance(piece.At(s), near); };
    double best = std::max(at(0), at(piece.Length));
    // An arc is taken a quarter turn at a time at most, so that no stretch wraps round.
    const double quarter = piece.IsArc() ? piece.Radius * std::numbers::pi / 2 : piece.Length;
    const int first = static_cast<int>(std::clamp(std::ceil(piece.Length / quarter), 1.0, 4.0));
    struct Stretch {
        double A, B;
    };
    std::vector<Stretch> open;
    for (int k = 0; k < first; ++k) {
        open.push_back({piece.Length * k / first, piece.Length * (k + 1) / first});
    }
    constexpr int Budget = 1 << 20;
    for (int evaluations = 0; !open.empty() && evaluations < Budget; ++evaluations) {
        const Stretch stretch = open.back();
        open.pop_back();
        const double middle = (stretch.A + stretch.B) * 0.5;
        std::size_t nearest = nominalCount;
        best = std::max(best, nominal.Distance(piece.At(middle), near, &nearest));
        const double bound = nominal.Bound(piece, stretch.A, stretch.B, near, nearest);
        if (bound <= best + precision || !(middle > stretch.A && middle < stretch.B)) {
            continue;
        }
        open.push_back({stretch.A, middle});
        open.push_back({middle, stretch.B});
    }
    return best;
}

// ---- Machine programs ----------------------------------------------------------------------

const char* const MachineHeader[] = {"Y", "B", "C", "R"};

// An angle in [0, 360), with no negative zero.
double FullTurn(double degrees) {
    double r = std::fmod(degrees, 360.0);
    if (r < 0) {
        r += 360;
    }
    return r >= 360 || r == 0 ? 0.0 : r;
}

Error RowError(int row, ProgramField field, std::string message) {
    Error error;
    error.Row = row;
    error.Field = field;
    error.Message = std::move(message);
    return error;
}

// ---- The profile's springback --------------------------------------------------------------

struct TextPosition {
    std::size_t Line = 0;   // 1-based
    std::size_t Column = 0; // 1-based
};

// The byte offset of a 1-based line and column in the text.
std::size_t OffsetOf(std::string_view text, TextPosition at) {
    std::size_t offset = 0;
    for (std::size_t line = 1; line < at.Line && offset < text.size(); ++line) {
        const std::size_t end = text.find('\n', offset);
        offset = end == std::string_view::npos ? text.size() : end + 1;
    }
    return std::min(offset + at.Column - 1, text.size());
}

// The offset just past the end of the given line (its line end included).
std::size_t AfterLine(std::string_view text, std::size_t line) {
    const std::size_t start = OffsetOf(text, {line, 1});
    const std::size_t end = text.find('\n', start);
    return end == std::string_view::npos ? text.size() : end + 1;
}

std::string LineEnd(std::string_view text) {
    return text.find("\r\n") != std::string_view::npos ? "\r\n" : "\n";
}

} // namespace

Vec3 RigidMotion::Apply(Vec3 p) const {
    const auto& r = Rotation;
    return {r[0][0] * p.X + r[0][1] * p.Y + r[0][2] * p.Z + Translation.X,
            r[1][0] * p.X + r[1][1] * p.Y + r[1][2] * p.Z + Translation.Y,
            r[2][0] * p.X + r[2][1] * p.Y + r[2][2] * p.Z + Translation.Z};
}

WalkFrame RigidMotion::Frame() const {
    WalkFrame frame;
    for (std::size_t row = 0; row < 3; ++row) {
        for (std::size_t column = 0; column < 3; ++column) {
            frame.M[column * 4 + row] = Rotation[row][column];
        }
    }
    frame.M[12] = Translation.X;
    frame.M[13] = Translation.Y;
    frame.M[14] = Translation.Z;
    return frame;
}

Result<RigidMotion> BestRigidMotion(std::span<const Vec3> from, std::span<const Vec3> onto) {
    if (from.size() != onto.size() || from.size() < 3) {
        return Failed("fewer than three points fix no motion");
    }
    if (!SpansAPlane(from) || !SpansAPlane(onto)) {
        return Failed("the points lie in one line, which leaves a turn about it free");
    }
    const auto n = static_cast<double>(from.size());
    Eigen::Vector3d meanFrom = Eigen::Vector3d::Zero(), meanOnto = Eigen::Vector3d::Zero();
    for (std::size_t i = 0; i < from.size(); ++i) {
        meanFrom += ToEigen(from[i]);
        meanOnto += ToEigen(onto[i]);
    }
    meanFrom /= n;
    meanOnto /= n;
    Eigen::Matrix3d cross = Eigen::Matrix3d::Zero();
    for (std::size_t i = 0; i < from.size(); ++i) {
        cross += (ToEigen(from[i]) - meanFrom) * (ToEigen(onto[i]) - meanOnto).transpose();
    }
    // The turn that maximises trace(R H) is V U^T, with the last axis turned over when that
    // would be a reflection: the best proper rotation (Kabsch, Umeyama).
    const Eigen::JacobiSVD<Eigen::Matrix3d> svd(cross, Eigen::ComputeFullU | Eigen::ComputeFullV);
    Eigen::Matrix3d flip = Eigen::Matrix3d::Identity();
    if ((svd.matrixV() * svd.matrixU().transpose()).determinant() < 0) {
        flip(2, 2) = -1;
    }
    const Eigen::Matrix3d r = svd.matrixV() * flip * svd.matrixU().transpose();
    RigidMotion motion;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            motion.Rotation[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] = r(i, j);
        }
    }
    motion.Translation = FromEigen(meanOnto - r * meanFrom);
    return motion;
}

double RmsDistance(const RigidMotion& motion, std::span<const Vec3> from,
                   std::span<const Vec3> onto) {
    double sum = 0;
    for (std::size_t i = 0; i < from.size() && i < onto.size(); ++i) {
        const Vec3 d = motion.Apply(from[i]) - onto[i];
        sum += Dot(d, d);
    }
    return from.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(from.size()));
}

namespace {

// A measured file read as it stands, its lengths in its own unit, `nominal` in that unit too.
Result<MeasuredPart> ParseInItsUnits(std::string_view text, const std::string& file,
                                     const ProgramRows& nominal) {
    MeasuredPart part;
    if (!IsPointsText(text)) {
        Result<ProgramRows> rows = ParseProgramText(text, file);
        if (!rows) {
            return rows.Failure();
        }
        if (Result<void> same = SameBendingRows(nominal, *rows, file); !same) {
            return same.Failure();
        }
        Result<std::vector<Vec3>> points = WalkPoints(*rows);
        if (!points) {
            return FileError(file, 0, 0, points.Failure().InProgram());
        }
        part.Rows = std::move(*rows);
        part.Points = std::move(*points);
        return part;
    }
    Result<PointsRows> points = ParsePointsText(text, file, nominal.Diameter);
    if (!points) {
        return points.Failure();
    }
    const auto program = std::make_unique<BendProgram>(ProgramFromRows(nominal));
    const Result<std::vector<XyzPoint>> nominalPoints = ProgramToXyz(WalkTube(*program));
    if (!nominalPoints) {
        return NoPoint(nominalPoints.Failure());
    }
    if (points->Points.size() != nominalPoints->size()) {
        return FileError(
            file, 0, 0,
            "the measured part has " + Count(points->Points.size(), "point", "points") +
                ", the nominal program " + Count(nominalPoints->size(), "point", "points") +
                " (its start, one per bend, its end): they must match one for one");
    }
    for (std::size_t i = 0; i < points->Points.size(); ++i) {
        PointRow& point = points->Points[i];
        if (!point.R) {
            point.R = (*nominalPoints)[i].R;
        }
        part.Points.push_back({point.X, point.Y, point.Z});
    }
    Result<ProgramRows> rows = XyzToProgram(*points, std::nullopt, file);
    if (!rows) {
        return rows.Failure();
    }
    if (Result<void> same = SameBendingRows(nominal, *rows, file); !same) {
        return same.Failure();
    }
    part.Rows = std::move(*rows);
    part.FromPoints = true;
    return part;
}

// ---- Units ---------------------------------------------------------------------------------

// A diameter line written in one unit for a diameter given in another is the same tube when
// it agrees to this share of it: five figures, as such a length is written rounded.
constexpr double ConvertedDiameterAgreement = 1e-4;

// The lengths of a program (its diameter, straights and radii) from `from` into `to`; fails,
// naming the file, where one is too large for a number in `to`.
Result<ProgramRows> RowsConverted(ProgramRows rows, LengthUnit from, LengthUnit to,
                                  const std::string& file) {
    bool finite = true;
    const auto convert = [&](double& length) {
        length = ConvertLength(length, from, to);
        finite = finite && std::isfinite(length);
    };
    convert(rows.Diameter);
    if (rows.Wall) {
        convert(*rows.Wall);
    }
    for (BendRowInput& row : rows.Rows) {
        convert(row.Y);
        convert(row.R);
    }
    rows.Units = to;
    if (!finite) {
        return FileError(file, 0, 0,
                         std::string("a length is too large for a number in ") + UnitName(to));
    }
    return rows;
}

// The diameter a points file's diameter line gives, where it has one that reads.
std::optional<double> DiameterLine(std::string_view text, const std::string& file) {
    TubeTextReader reader(text, file);
    const Result<double> diameter = reader.ReadDiameter();
    return diameter ? std::optional<double>(*diameter) : std::nullopt;
}

// The nominal as a measured file in `unit` is read against: its radii and diameter in that
// unit, and the diameter the file's own line says where it agrees with it as far as a length
// converted and written rounded can.
Result<ProgramRows> NominalInUnit(const ProgramRows& nominal, LengthUnit unit,
                                  std::string_view text, const std::string& file) {
    Result<ProgramRows> converted = RowsConverted(nominal, *nominal.Units, unit, file);
    if (converted && IsPointsText(text)) {
        const std::optional<double> written = DiameterLine(text, file);
        if (written && std::fabs(*written - converted->Diameter) <=
                           ConvertedDiameterAgreement * converted->Diameter) {
            converted->Diameter = *written;
        }
    }
    return converted;
}

// The measured part with its lengths from `from` into `to`.
Result<MeasuredPart> PartConverted(MeasuredPart part, LengthUnit from, LengthUnit to,
                                   const std::string& file) {
    Result<ProgramRows> rows = RowsConverted(std::move(part.Rows), from, to, file);
    if (!rows) {
        return rows.Failure();
    }
    part.Rows = std::move(*rows);
    for (Vec3& p : part.Points) {
        p = Vec3{ConvertLength(p.X, from, to), ConvertLength(p.Y, from, to),
                 ConvertLength(p.Z, from, to)};
        if (!std::isfinite(p.X) || !std::isfinite(p.Y) || !std::isfinite(p.Z)) {
            return FileError(file, 0, 0,
                             std::string("a point is too far out for a number in ") + UnitName(to));
        }
    }
    return part;
}

// A measured file in `unit`, read against the nominal taken into that unit, and brought into
// the nominal's.
Result<MeasuredPart> ParseConverted(std::string_view text, const std::string& file,
                                    const ProgramRows& nominal, LengthUnit unit) {
    const Result<ProgramRows> defaults = NominalInUnit(nominal, unit, text, file);
    if (!defaults) {
        return defaults.Failure();
    }
    Result<MeasuredPart> part = ParseInItsUnits(text, file, *defaults);
    if (!part) {
        return part;
    }
    return PartConverted(std::move(*part), unit, *nominal.Units, file);
}

} // namespace

Result<MeasuredPart> ParseMeasuredText(std::string_view text, const std::string& file,
                                       const ProgramRows& nominal) {
    const Result<std::optional<LengthUnit>> said = ReadUnitsLine(text, file);
    if (!said) {
        return said.Failure();
    }
    const std::optional<LengthUnit> own = *said;
    Result<MeasuredPart> part = own && nominal.Units && *own != *nominal.Units
                                    ? ParseConverted(text, file, nominal, *own)
                                    : ParseInItsUnits(text, file, nominal);
    if (part) {
        part->FileUnits = own;
        part->Rows.Units = nominal.Units ? nominal.Units : own;
    }
    return part;
}

SheathDeviation LargestDeviation(std::span<const Piece> measured, std::span<const Piece> nominal,
                                 double precision) {
    SheathDeviation sheath;
    if (nominal.empty()) {
        return sheath;
    }
    const NominalLine line(nominal);
    for (const Piece& piece : measured) {
        PieceDeviation deviation;
        deviation.Kind = piece.Kind;
        deviation.Row = piece.Row;
        deviation.Value = PieceLargest(piece, line, nominal.size(), nominal, precision);
        if (sheath.Pieces.empty() || deviation.Value > sheath.Value) {
            sheath.Value = deviation.Value;
            sheath.Row = piece.Row + 1;
        }
        sheath.Pieces.push_back(deviation);
    }
    return sheath;
}

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

Result<Comparison> CompareMeasured(const ProgramRows& nominal, const MeasuredPart& measured,
                                   Alignment alignment) {
    const Result<std::vector<Vec3>> nominalPoints = WalkPoints(nominal);
    if (!nominalPoints) {
        return NoPoint(nominalPoints.Failure());
    }
    if (nominalPoints->size() != measured.Points.size()) {
        return Failed("the measured part has " + Count(measured.Points.size(), "point", "points") +
                      ", the nominal program " + Count(nominalPoints->size(), "point", "points"));
    }
    Comparison out;
    if (alignment == Alignment::Best) {
        const Result<RigidMotion> motion = BestRigidMotion(measured.Points, *nominalPoints);
        if (!motion) {
            return Failed("no single best alignment: " + motion.Failure().Message +
                          " (--align none compares the coordinates as they are)");
        }
        out.Motion = *motion;
    }
    out.Rms = RmsDistance(out.Motion, measured.Points, *nominalPoints);
    for (std::size_t i = 0; i < measured.Points.size(); ++i) {
        const Vec3 d = out.Motion.Apply(measured.Points[i]) - (*nominalPoints)[i];
        out.Points.push_back({d, Length(d)});
    }
    // The other hand: the nominal's mirror image laid on the measured points as closely.
    std::vector<Vec3> mirrored = *nominalPoints;
    for (Vec3& p : mirrored) {
        p.X = -p.X;
    }
    if (const Result<RigidMotion> best = BestRigidMotion(measured.Points, *nominalPoints); best) {
        const Result<RigidMotion> other = BestRigidMotion(measured.Points, mirrored);
        out.OtherHand = other && RmsDistance(*other, measured.Points, mirrored) <
                                     0.5 * RmsDistance(*best, measured.Points, *nominalPoints);
    }

    const auto nominalProgram = std::make_unique<BendProgram>(ProgramFromRows(nominal));
    const auto measuredProgram = std::make_unique<BendProgram>(ProgramFromRows(measured.Rows));
    const BendingRows nominalBends = FindBendingRows(*nominalProgram);
    const BendingRows measuredBends = FindBendingRows(*measuredProgram);
    if (nominalBends.Rows.size() != measuredBends.Rows.size()) {
        return Failed("the measured part has " + Count(measuredBends.Rows.size(), "bend", "bends") +
                      ", the nominal program " + Count(nominalBends.Rows.size(), "bend", "bends"));
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
    if (measured.FromPoints) {
        const Result<std::vector<Vec3>> walkPoints = WalkPoints(measured.Rows);
        if (walkPoints && walkPoints->size() == measured.Points.size()) {
            placement = Composed(out.Motion, WalkOntoPoints(*walkPoints, measured.Points));
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

Result<MachineProgram> ParseMachineProgramText(std::string_view text, const std::string& file,
                                               const MachineProfile& profile) {
    if (Result<void> checked = CheckText(text, file); !checked) {
        return checked.Failure();
    }
    const Result<std::optional<LengthUnit>> units = ReadUnitsLine(text, file);
    if (!units) {
        return units.Failure();
    }
    TubeTextReader reader(text, file);
    const Result<double> diameter = reader.ReadDiameter();
    if (!diameter) {
        return diameter.Failure();
    }
    MachineProgram program;
    program.Units = *units;
    program.Machine = profile.Name;
    program.BMode = profile.BMode;
    program.Diameter = *diameter;
    bool first = true;
    std::vector<int> lines;
    while (reader.NextRow()) {
        if (std::exchange(first, false) && IsHeader(reader.Cells(), MachineHeader)) {
            continue;
        }
        if (program.Rows.size() == MaxBendSteps) {
            return reader.Fail(1, "more than " + std::to_string(MaxBendSteps) + " rows");
        }
        if (reader.Cells().size() != 4) {
            return reader.Fail(std::min<int>(static_cast<int>(reader.Cells().size()) + 1, 5),
                               "expected 4 numbers Y,B,C,R, found " +
                                   std::to_string(reader.Cells().size()));
        }
        double values[4] = {};
        for (int column = 1; column <= 4; ++column) {
            const Result<double> value = reader.Number(column, MachineHeader[column - 1]);
            if (!value) {
                return value.Failure();
            }
            values[column - 1] = *value;
        }
        const MachineRow row{values[0], values[1], values[2], values[3]};
        if (row.Y < 0) {
            return reader.Fail(1, "Y, the feed, must be 0 or more");
        }
        const bool relative = profile.BMode == MachineProfile::PlaneMode::Relative;
        if (relative ? !(row.B > -180 && row.B <= 180) : !(row.B >= 0 && row.B < 360)) {
            return reader.Fail(2, relative
                                      ? "B, a relative plane turn, must be above -180 and at "
                                        "most 180"
                                      : "B, an absolute plane, must be 0 or more and below 360");
        }
        if (!(row.C >= 0 && row.C <= profile.MaxAngle)) {
            return reader.Fail(3, "C, the machine angle, must be from 0 to max_angle, " +
                                      FormatNumber(profile.MaxAngle));
        }
        if (row.C > 0 && !(row.R > 0)) {
            return reader.Fail(4, "R must be greater than 0 where the row bends");
        }
        program.Rows.push_back(row);
    }
    if (program.Rows.empty()) {
        return reader.FailAt(0, 0, "no rows: a machine program has at least one");
    }
    return program;
}

Result<MachineProgram> CorrectMachineProgram(const MachineProgram& used, const ProgramRows& nominal,
                                             const ProgramRows& measured,
                                             const MachineProfile& profile) {
    if (used.Rows.size() != nominal.Rows.size()) {
        return Failed("the machine program has " + Count(used.Rows.size(), "row", "rows") +
                      ", the nominal program " + Count(nominal.Rows.size(), "row", "rows") +
                      ": they must match row for row");
    }
    const BendingRows n = BendingRowsOf(nominal);
    const BendingRows m = BendingRowsOf(measured);
    if (n.Rows.size() != m.Rows.size()) {
        return Failed("the measured part has " + Count(m.Rows.size(), "bend", "bends") +
                      ", the nominal program " + Count(n.Rows.size(), "bend", "bends"));
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
        return Failed("the measured part has " + Count(m.Rows.size(), "bend", "bends") +
                      ", the machine program " + Count(machineBends.size(), "bend", "bends"));
    }
    std::vector<BentAngle> angles;
    for (std::size_t k = 0; k < machineBends.size(); ++k) {
        angles.push_back({measured.Rows[static_cast<std::size_t>(m.Rows[k].Row)].C,
                          used.Rows[static_cast<std::size_t>(machineBends[k])].C});
    }
    return angles;
}

Result<SpringbackFit> FitSpringback(std::span<const BentAngle> angles) {
    // machine - C = fixed + per_degree C: a straight line through (C, machine - C), fitted
    // about the angles' mean so that it stays well conditioned.
    double mean = 0, excessMean = 0;
    for (const BentAngle& angle : angles) {
        mean += angle.Measured;
        excessMean += angle.Machine - angle.Measured;
    }
    const auto n = static_cast<double>(angles.size());
    if (angles.empty() || !std::isfinite(mean) || !std::isfinite(excessMean)) {
        return Failed("no bent angles to fit the springback to");
    }
    mean /= n;
    excessMean /= n;
    double spread = 0, covariance = 0, lowest = angles[0].Measured, highest = lowest;
    for (const BentAngle& angle : angles) {
        const double d = angle.Measured - mean;
        spread += d * d;
        covariance += d * (angle.Machine - angle.Measured - excessMean);
        lowest = std::min(lowest, angle.Measured);
        highest = std::max(highest, angle.Measured);
    }
    if (!(highest - lowest > 1e-9)) {
        return Failed("the springback needs bends of at least two angles more than 1e-9 degrees "
                      "apart; all these were bent to " +
                      FormatNumber(lowest));
    }
    SpringbackFit fit;
    fit.PerDegree = covariance / spread;
    fit.Fixed = excessMean - fit.PerDegree * mean;
    double sum = 0;
    for (const BentAngle& angle : angles) {
        const double residual =
            angle.Machine - (angle.Measured + fit.Fixed + fit.PerDegree * angle.Measured);
        fit.Residuals.push_back(residual);
        sum += residual * residual;
    }
    fit.Rms = std::sqrt(sum / n);
    return fit;
}

Result<std::string> SetSpringback(std::string_view profile, const std::string& file, double fixed,
                                  double perDegree) {
    // The text must read as a profile before it is edited; its errors are its own.
    if (Result<MachineProfile> read = ParseMachineProfile(profile, file); !read) {
        return read.Failure();
    }
    const std::size_t bom = profile.size() - WithoutByteOrderMark(profile).size();
    const std::string_view body = profile.substr(bom);
    toml::table root;
    try {
        root = toml::parse(body, file);
    } catch (const toml::parse_error& error) {
        return Failed(std::string(error.description()));
    }
    const std::string eol = LineEnd(body);
    struct Edit {
        std::size_t From, To;
        std::string Text;
    };
    std::vector<Edit> edits;
    const std::pair<const char*, double> values[] = {{"fixed", fixed}, {"per_degree", perDegree}};
    toml::table* table = root.get_as<toml::table>("springback");
    if (table && table->is_inline()) {
        return FileError(file, static_cast<int>(table->source().begin.line),
                         static_cast<int>(table->source().begin.column),
                         "springback is an inline table; write it as a [springback] table for "
                         "its values to be set here");
    }
    if (!table) {
        std::string added = body.empty() || body.ends_with('\n') ? "" : eol;
        added += eol + "[springback]" + eol;
        for (const auto& [key, value] : values) {
            added += std::string(key) + " = " + FormatNumber(value) + eol;
        }
        edits.push_back({body.size(), body.size(), added});
    } else {
        // A key the table lacks goes after its last key's line, or after its header.
        std::size_t lastLine = table->source().begin.line;
        for (const auto& [key, node] : *table) {
            lastLine = std::max<std::size_t>(lastLine, node.source().end.line);
        }
        // A table made by dotted keys alone has no header: its keys are written dotted.
        const bool dotted =
            table->source().begin.line == 0 ||
            body.substr(OffsetOf(body, {table->source().begin.line, 1})).find("[springback]") != 0;
        for (const auto& [key, value] : values) {
            const toml::node* node = table->get(key);
            const std::string text = FormatNumber(value);
            if (node) {
                const toml::source_region at = node->source();
                edits.push_back({OffsetOf(body, {at.begin.line, at.begin.column}),
                                 OffsetOf(body, {at.end.line, at.end.column}), text});
            } else {
                const std::size_t where = AfterLine(body, lastLine);
                const std::string lead = where == body.size() && !body.ends_with('\n') ? eol : "";
                edits.push_back({where, where,
                                 lead + (dotted ? "springback." : "") + key + " = " + text + eol});
            }
        }
    }
    std::sort(edits.begin(), edits.end(),
              [](const Edit& a, const Edit& b) { return a.From > b.From; });
    std::string out(body);
    for (const Edit& edit : edits) {
        out.replace(edit.From, edit.To - edit.From, edit.Text);
    }
    out.insert(0, profile.substr(0, bom));
    const Result<MachineProfile> check = ParseMachineProfile(out, file);
    if (!check) {
        return Failed("the fitted springback (fixed " + FormatNumber(fixed) + ", per_degree " +
                      FormatNumber(perDegree) +
                      ") is not one the profile may hold: " + check.Failure().Message);
    }
    if (check->SpringbackFixed != fixed || check->SpringbackPerDegree != perDegree) {
        return Failed("the profile's springback could not be set where it stands");
    }
    return out;
}

} // namespace tubrix
