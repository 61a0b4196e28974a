#include "measuredfile.h"

#include "bendrows.h"
#include "numbertext.h"
#include "programfile.h"
#include "tubetextreader.h"
#include "ybc.h"

#include <cmath>
#include <memory>

namespace tubrix {

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

Error NoPoint(const Error& walkError) {
    return Failed("the nominal program's row " + std::to_string(walkError.Row) +
                  " bends by 180 degrees: its legs meet at no point to lay the parts on");
}

namespace {

Result<void> SameBendingRows(const ProgramRows& nominal, const ProgramRows& measured,
                             const std::string& file) {
    const std::size_t n = BendingRowsOf(nominal).Rows.size();
    const std::size_t m = BendingRowsOf(measured).Rows.size();
    if (n != m) {
        return FileError(file, 0, 0,
                         "the measured part has " + Counted(m, "bend", "bends") +
                             ", the nominal program " + Counted(n, "bend", "bends") +
                             ": they must match one for one");
    }
    return {};
}

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
        part.GivenRadii.assign(points->size(), std::nullopt);
        const BendingRows bends = BendingRowsOf(*rows);
        for (std::size_t k = 0; k < bends.Rows.size() && k + 1 < points->size(); ++k) {
            part.GivenRadii[k + 1] = rows->Rows[static_cast<std::size_t>(bends.Rows[k].Row)].R;
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
            "the measured part has " + Counted(points->Points.size(), "point", "points") +
                ", the nominal program " + Counted(nominalPoints->size(), "point", "points") +
                " (its start, one per bend, its end): they must match one for one");
    }
    for (std::size_t i = 0; i < points->Points.size(); ++i) {
        PointRow& point = points->Points[i];
        part.GivenRadii.push_back(point.R);
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
    for (std::optional<double>& radius : part.GivenRadii) {
        if (radius) {
            radius = ConvertLength(*radius, from, to);
        }
    }
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

} // namespace tubrix
