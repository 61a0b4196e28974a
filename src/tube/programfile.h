#pragma once

#include "bendprogram.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Bend program files and XYZ points files. A file is not a typed field: it is read strictly,
// nothing is defaulted, and every error names the file, line and column and what was expected.
// Outputs are written whole or not at all.

// What went wrong with a file. Line and Column are 1-based; 0 when the error is not about one
// line (an unreadable file) or one cell.
struct TubeFileError {
    std::string File; // as the user named it; "-" is shown as "standard input"
    int Line = 0;
    int Column = 0;
    std::string Message;

    // "FILE:LINE:COLUMN: MESSAGE", leaving out what is 0.
    std::string ToString() const;
};

// A bend program as its file holds it: the diameter and 1 to MaxBendSteps rows.
struct ProgramRows {
    double Diameter = 0;
    std::vector<BendRowInput> Rows;
};

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
};

template <typename T> struct Loaded {
    std::optional<T> Value;
    TubeFileError Error; // meaningful when Value is empty

    explicit operator bool() const { return Value.has_value(); }
};

// Limits on what is read: a file larger than this, or a line longer, is refused at once.
inline constexpr std::size_t MaxTubeFileBytes = 1 << 20;
inline constexpr std::size_t MaxTubeLineBytes = 4 << 10;

// Reads a small UTF-8 text file whole: a regular file, or "-" for standard input (a pipe or a
// file), never more than MaxTubeFileBytes + 1 bytes. A directory, a device, a FIFO, a larger
// file, bytes that are not UTF-8 and a missing or unreadable file are errors. A leading
// byte-order mark is dropped.
Loaded<std::string> ReadTubeFile(const std::string& path);

// Parsing the text of a file already read; `file` names it in errors.
Loaded<ProgramRows> ParseProgramText(std::string_view text, const std::string& file);
// With `diameter`, a points file may leave out its diameter line (as CAD writes points); one
// that has it must agree.
Loaded<PointsRows> ParsePointsText(std::string_view text, const std::string& file,
                                   std::optional<double> diameter = std::nullopt);

// ReadTubeFile then the parser.
Loaded<ProgramRows> ReadProgramFile(const std::string& path);
Loaded<PointsRows> ReadPointsFile(const std::string& path,
                                  std::optional<double> diameter = std::nullopt);

// The record a program file describes: StepCount = the number of rows, TotalLength by the same
// sum as "Make 3D", every other field 0.
BendProgram ProgramFromRows(const ProgramRows& rows);

// The other hand of a part: every B negated (a -0 becomes 0), everything else kept. Mirroring
// twice gives the program back bit for bit.
void MirrorProgram(ProgramRows& rows);

// The most decimals a written number can be rounded to: a double has no more to give.
inline constexpr int MaxWrittenDecimals = 17;

// The shortest decimal text that reads back as the same double (exponent form where shorter);
// the file readers accept it. With `decimals` (0 to MaxWrittenDecimals), the value rounded to
// that many decimals instead, without trailing zeros, a rounded -0 written as 0: the numbers a
// person types into a machine.
std::string FormatNumber(double value, std::optional<int> decimals = std::nullopt);

// A program file as Tubrix writes it: a comment line, "diameter,D", the "Y,B,C,R" header and
// one row per line, comma separated, numbers by FormatNumber (rounded when `decimals` is
// given), LF line ends.
std::string FormatProgramText(const ProgramRows& rows, std::optional<int> decimals = std::nullopt);

// Writes `content` whole or not at all: to a temporary file beside `path`, flushed, then
// renamed over it. A symbolic link is followed: its target is written so (the temporary file
// beside the target) and the link is kept. "-" writes to standard output. Returns an empty string
// on success, else one line saying what failed.
std::string WriteFileWhole(const std::string& path, std::string_view content);
