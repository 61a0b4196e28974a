#pragma once

#include "bendprogram.h"
#include "error.h"
#include "fileaccess.h"
#include "numbertext.h"
#include "programrows.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tubrix {

// Bend program files and XYZ points files. A file is not a typed field: it is read strictly,
// nothing is defaulted, and every error names the file, line and column and what was expected.
// Outputs are written whole or not at all.

// One row of a points file: a point and, where the row gives it, the bend radius there.
struct PointRow {
    double X = 0;
    double Y = 0;
    double Z = 0;
    std::optional<double> R;
    int Line = 0; // the file line it came from, for errors found later
};

// An XYZ points file: the diameter and 2 to MaxBendSteps + 1 points.
struct PointsRows {
    double Diameter = 0;
    std::vector<PointRow> Points;
    std::optional<LengthUnit> Units{};
    std::optional<double> Wall{}; // as a program file says it, for the program made of them
};

// Whether a program's limits (Y ≥ 0, C within 0…180, R > 0 where it bends, no bend on the last
// row) refuse the file. The window opens a file that breaks them with the fields marked, as if
// typed; everything else reads strictly, and a cell that is not a number refuses the file
// either way.
enum class RowLimits { Enforced, Kept };

// Parsing the text of a file already read; `file` names it in errors. A points file given as
// a program is refused with a word on what it is.
Result<ProgramRows> ParseProgramText(std::string_view text, const std::string& file,
                                     RowLimits limits = RowLimits::Enforced);

// A file of XYZ points rather than a bend program: its first row after the comments and the
// diameter line (if any) is the header "X,Y,Z" or "X,Y,Z,R". A file without a header reads as
// a program.
bool IsPointsText(std::string_view text);
// With `diameter`, a points file may leave out its diameter line (as CAD writes points); one
// that has it must agree.
Result<PointsRows> ParsePointsText(std::string_view text, const std::string& file,
                                   std::optional<double> diameter = std::nullopt);

// ReadTextFile then the parser.
Result<ProgramRows> ReadProgramFile(const std::string& path);
Result<PointsRows> ReadPointsFile(const std::string& path,
                                  std::optional<double> diameter = std::nullopt);

// The record a program file describes: StepCount = the number of rows, TotalLength by the same
// sum as "Make 3D", every other field 0.
BendProgram ProgramFromRows(const ProgramRows& rows);

// The rows of a record in use, as a program file holds them: the diameter and each row's Y, B,
// C and R, the last row's C 0 (the tube ends with its straight), the arc-mode fields left out.
ProgramRows RowsFromProgram(const BendProgram& program);

// The other hand of a part: every B negated (a -0 becomes 0), everything else kept. Mirroring
// twice gives the program back bit for bit.
void MirrorProgram(ProgramRows& rows);

// Which numbers of a program Tubrix computed rather than copied from a file: those are written
// with their CAD round-off taken off (SnapCadNumber), a copied number as it was read. A
// computed plane, and any plane rounded to `decimals`, is written inside `Plane`'s range.
struct ComputedNumbers {
    bool Diameter = false;
    bool Y = false;
    bool B = false;
    bool C = false;
    bool R = false;
    PlaneRange Plane = PlaneRange::Relative;
};

// The rows as a writer gives them: the computed numbers snapped, a computed plane that snaps
// to its range's open end a turn away (for the window's fields, which show a value whole).
ProgramRows SnapComputed(ProgramRows rows, const ComputedNumbers& computed);

// A program file as Tubrix writes it: a comment line, the units and wall lines where the
// program has them, "diameter,D", the "Y,B,C,R" header and one row per line, comma separated,
// numbers by FormatNumber (rounded when `decimals` is given; the wall never is), LF line ends.
// `comments` (LeadingComments of the file it was made from) follow, but for one that is the
// first line already and the units and wall lines the program has its own of.
std::string FormatProgramText(const ProgramRows& rows, std::optional<int> decimals = std::nullopt,
                              std::span<const std::string> comments = {},
                              const ComputedNumbers& computed = {});

// The comment lines a file's text opens with, before its first line of cells (blank lines
// among them left out), each as it stands without its line end: where a part number or a
// drawing's name lives, for a file made from this one to keep.
std::vector<std::string> LeadingComments(std::string_view text);

} // namespace tubrix
