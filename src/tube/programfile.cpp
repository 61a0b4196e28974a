#include "programfile.h"

#include "checkrow.h"
#include "tubetextreader.h"

#include <algorithm>
#include <span>
#include <utility>

namespace tubrix {

namespace {

constexpr int ProgramColumns = 4;
constexpr int MaxPoints = MaxBendSteps + 1;

const char* const ProgramHeader[] = {"Y", "B", "C", "R"};
const char* const PointsHeader[] = {"X", "Y", "Z", "R"};

// One program row's numbers and, when enforced, the limits on them, checked left to right.
Result<BendRowInput> ReadProgramRow(const TubeTextReader& reader, RowLimits limits) {
    const auto& cells = reader.Cells();
    double values[ProgramColumns] = {};
    for (int column = 1; column <= ProgramColumns; ++column) {
        if (column > static_cast<int>(cells.size())) {
            return reader.Fail(column,
                               "expected 4 numbers Y,B,C,R, found " + std::to_string(cells.size()));
        }
        const Result<double> value = reader.Number(column, ProgramHeader[column - 1]);
        if (!value) {
            return value.Failure();
        }
        values[column - 1] = *value;
    }
    if (cells.size() > ProgramColumns) {
        return reader.Fail(ProgramColumns + 1,
                           "expected 4 numbers Y,B,C,R; this column is one too many");
    }
    const BendRowInput row{values[0], values[1], values[2], values[3]};
    if (limits == RowLimits::Kept) {
        return row;
    }
    if (const Result<void> checked = CheckRow(row); !checked) {
        return reader.Fail(static_cast<int>(checked.Failure().Field) - 1,
                           checked.Failure().Message);
    }
    return row;
}

Result<PointRow> ReadPointRow(const TubeTextReader& reader) {
    const auto& cells = reader.Cells();
    PointRow point;
    point.Line = reader.Line();
    double* const values[3] = {&point.X, &point.Y, &point.Z};
    const char* const names[3] = {"x", "y", "z"};
    for (int column = 1; column <= 3; ++column) {
        if (column > static_cast<int>(cells.size())) {
            return reader.Fail(column, "expected x,y,z or x,y,z,r, found " +
                                           std::to_string(cells.size()) + " numbers");
        }
        const Result<double> value = reader.Number(column, names[column - 1]);
        if (!value) {
            return value.Failure();
        }
        *values[column - 1] = *value;
    }
    if (cells.size() >= 4) {
        const Result<double> r = reader.Number(4, "r");
        if (!r) {
            return r.Failure();
        }
        if (!(*r > 0)) {
            return reader.Fail(
                4, "r, the bend radius, must be greater than 0; leave it empty for none");
        }
        point.R = *r;
    }
    if (cells.size() > 4) {
        return reader.Fail(5, "expected x,y,z or x,y,z,r; this column is one too many");
    }
    return point;
}

} // namespace

namespace {

// The line of a points file's header, 0 when the text has none.
int PointsHeaderLine(std::string_view text) {
    LineReader lines(WithoutByteOrderMark(text));
    std::string_view line;
    bool diameterSeen = false;
    std::vector<std::string_view> cells;
    while (lines.Next(line)) {
        const std::size_t start = line.find_first_not_of(" \t,;");
        if (IsComment(line) || start == std::string_view::npos) {
            continue;
        }
        if (!diameterSeen && EqualsIgnoringCase(line.substr(start, 8), "diameter")) {
            diameterSeen = true;
            continue;
        }
        const std::size_t at = line.find_first_of(",;\t");
        SplitCells(line, at == std::string_view::npos ? ',' : line[at], cells);
        const bool header =
            IsHeader(cells, PointsHeader) || IsHeader(cells, std::span(PointsHeader).first(3));
        return header ? lines.Number() : 0;
    }
    return 0;
}

// The wall the text's wall line says, which must leave a bore in a tube of `diameter`.
Result<std::optional<double>> WallOfText(std::string_view text, const std::string& file,
                                         double diameter) {
    const Result<std::optional<WallLine>> wall = ReadWallLine(text, file);
    if (!wall || !*wall) {
        return wall ? Result<std::optional<double>>(std::nullopt)
                    : Result<std::optional<double>>(wall.Failure());
    }
    const WallLine& said = **wall;
    if (!WallFits(said.Value, diameter)) {
        return FileError(file, said.Line, said.Column,
                         "the wall " + FormatNumber(said.Value) +
                             " must be above 0 and below half the diameter, " +
                             FormatNumber(diameter / 2));
    }
    return std::optional<double>(said.Value);
}

} // namespace

bool IsPointsText(std::string_view text) {
    return PointsHeaderLine(text) > 0;
}

Result<ProgramRows> ParseProgramText(std::string_view text, const std::string& file,
                                     RowLimits limits) {
    if (Result<void> checked = CheckText(text, file); !checked) {
        return checked.Failure();
    }
    if (const int header = PointsHeaderLine(text); header > 0) {
        return FileError(file, header, 1,
                         "this is a file of XYZ points (its header reads X,Y,Z), not a bend "
                         "program; `tubrix-cli ybc` makes the program through the points");
    }
    const Result<std::optional<LengthUnit>> units = ReadUnitsLine(text, file);
    if (!units) {
        return units.Failure();
    }
    TubeTextReader reader(text, file);
    ProgramRows program;
    program.Units = *units;
    const Result<double> diameter = reader.ReadDiameter();
    if (!diameter) {
        return diameter.Failure();
    }
    program.Diameter = *diameter;
    const Result<std::optional<double>> wall = WallOfText(text, file, program.Diameter);
    if (!wall) {
        return wall.Failure();
    }
    program.Wall = *wall;
    bool first = true;
    int lastLine = 0;
    while (reader.NextRow()) {
        if (std::exchange(first, false) && IsHeader(reader.Cells(), ProgramHeader)) {
            continue;
        }
        if (program.Rows.size() == MaxBendSteps) {
            return reader.Fail(0, "more than " + std::to_string(MaxBendSteps) + " rows");
        }
        const Result<BendRowInput> row = ReadProgramRow(reader, limits);
        if (!row) {
            return row.Failure();
        }
        program.Rows.push_back(*row);
        lastLine = reader.Line();
    }
    if (program.Rows.empty()) {
        return reader.FailAt(0, 0, "no rows after the diameter line; expected rows of Y,B,C,R");
    }
    if (const Result<void> checked = CheckLastRow(program.Rows.back());
        !checked && limits == RowLimits::Enforced) {
        return reader.FailAt(lastLine, static_cast<int>(checked.Failure().Field) - 1,
                             checked.Failure().Message);
    }
    return program;
}

Result<PointsRows> ParsePointsText(std::string_view text, const std::string& file,
                                   std::optional<double> diameter) {
    if (Result<void> checked = CheckText(text, file); !checked) {
        return checked.Failure();
    }
    const Result<std::optional<LengthUnit>> units = ReadUnitsLine(text, file);
    if (!units) {
        return units.Failure();
    }
    TubeTextReader reader(text, file);
    PointsRows points;
    points.Units = *units;
    const Result<double> read = reader.ReadDiameter(diameter);
    if (!read) {
        return read.Failure();
    }
    points.Diameter = *read;
    const Result<std::optional<double>> wall = WallOfText(text, file, points.Diameter);
    if (!wall) {
        return wall.Failure();
    }
    points.Wall = *wall;
    bool first = true;
    while (reader.NextRow()) {
        if (std::exchange(first, false)) {
            if (IsHeader(reader.Cells(), PointsHeader) ||
                IsHeader(reader.Cells(), std::span(PointsHeader).first(3))) {
                continue;
            }
            // A bend program handed over for its points: said as that, not as a "Y" that is
            // no number.
            if (IsHeader(reader.Cells(), ProgramHeader)) {
                return reader.Fail(1, "ybc reads XYZ points (x,y,z or x,y,z,r), and this file "
                                      "looks like a bend program (a Y,B,C,R header); "
                                      "tubrix-cli xyz gives a program's points");
            }
        }
        if (points.Points.size() == MaxPoints) {
            return reader.Fail(0, "more than " + std::to_string(MaxPoints) + " points");
        }
        Result<PointRow> point = ReadPointRow(reader);
        if (!point) {
            return point.Failure();
        }
        points.Points.push_back(std::move(*point));
    }
    if (points.Points.size() < 2) {
        return reader.FailAt(0, 0,
                             "expected at least 2 points x,y,z after the diameter line, found " +
                                 std::to_string(points.Points.size()));
    }
    return points;
}

Result<ProgramRows> ReadProgramFile(const std::string& path) {
    const Result<std::string> text = ReadTextFile(path);
    if (!text) {
        return text.Failure();
    }
    return ParseProgramText(*text, ShownName(path));
}

Result<PointsRows> ReadPointsFile(const std::string& path, std::optional<double> diameter) {
    const Result<std::string> text = ReadTextFile(path);
    if (!text) {
        return text.Failure();
    }
    return ParsePointsText(*text, ShownName(path), diameter);
}

BendProgram ProgramFromRows(const ProgramRows& rows) {
    BendProgram program{};
    FillBendProgram(program, rows.Diameter, rows.Rows);
    return program;
}

void MirrorProgram(ProgramRows& rows) {
    for (BendRowInput& row : rows.Rows) {
        // 0 - B rather than -B: a plane turn of 0 stays +0, which is written "0", not "-0".
        row.B = 0.0 - row.B;
    }
}

ProgramRows SnapComputed(ProgramRows rows, const ComputedNumbers& computed) {
    const auto snap = [](bool snapped, double& value) {
        value = snapped ? SnapCadNumber(value) : value;
    };
    snap(computed.Diameter, rows.Diameter);
    for (BendRowInput& row : rows.Rows) {
        snap(computed.Y, row.Y);
        snap(computed.B, row.B);
        snap(computed.C, row.C);
        snap(computed.R, row.R);
        if (computed.B && computed.Plane == PlaneRange::Absolute && row.B == 360) {
            row.B = 0;
        } else if (computed.B && computed.Plane == PlaneRange::Relative && row.B == -180) {
            row.B = 180;
        }
    }
    return rows;
}

std::string FormatProgramText(const ProgramRows& given, std::optional<int> decimals,
                              std::span<const std::string> comments,
                              const ComputedNumbers& computed) {
    const ProgramRows rows = SnapComputed(given, computed);
    const auto number = [&](double value) { return FormatNumber(value, decimals); };
    // A plane rounded, or computed, is written inside its range; one copied as it stands.
    const auto plane = [&](double value) {
        return decimals || computed.B ? FormatPlaneAsRead(value, computed.Plane, number)
                                      : number(value);
    };
    constexpr std::string_view Title = "# Tubrix bend program";
    std::string out = std::string(Title) + '\n';
    if (rows.Units) {
        out += UnitsLine(*rows.Units) + '\n';
    }
    if (rows.Wall) {
        out += WallLineText(*rows.Wall) + '\n';
    }
    for (const std::string& comment : comments) {
        // The units and wall lines are the program's own, where it has them, not the file's it
        // came from.
        if (comment != Title && !(rows.Units && IsUnitsLine(comment)) &&
            !(rows.Wall && IsWallLine(comment))) {
            out += comment + '\n';
        }
    }
    out += "diameter," + number(rows.Diameter) + "\nY,B,C,R\n";
    for (const BendRowInput& row : rows.Rows) {
        out +=
            number(row.Y) + ',' + plane(row.B) + ',' + number(row.C) + ',' + number(row.R) + '\n';
    }
    return out;
}

std::vector<std::string> LeadingComments(std::string_view text) {
    std::vector<std::string> comments;
    LineReader lines(WithoutByteOrderMark(text));
    std::string_view line;
    while (lines.Next(line)) {
        if (IsComment(line)) {
            comments.emplace_back(line);
        } else if (line.find_first_not_of(" \t,;") != std::string_view::npos) {
            break;
        }
    }
    return comments;
}

ProgramRows RowsFromProgram(const BendProgram& program) {
    ProgramRows rows;
    rows.Diameter = program.TubeDiameter;
    for (int i = 0; i < std::clamp(program.StepCount, 0, MaxBendSteps); ++i) {
        const BendStep& step = program.Steps[i];
        rows.Rows.push_back({step.Y, step.B, step.C, step.R});
    }
    if (!rows.Rows.empty()) {
        rows.Rows.back().C = 0;
    }
    return rows;
}

} // namespace tubrix
