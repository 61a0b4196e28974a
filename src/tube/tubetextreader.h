#pragma once

#include "programfile.h"

#include <algorithm>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The text every tube file shares, read strictly: UTF-8 in short lines, comments and blank
// lines, the diameter line that fixes the separator, cells and the number grammar. The program
// and points readers build on it; it knows nothing of their rows.

inline constexpr const char* ByteOrderMark = "\xEF\xBB\xBF";

std::string_view WithoutByteOrderMark(std::string_view text);

// What every tube file's text must be before its cells are looked at: UTF-8, in lines of at
// most MaxTubeLineBytes (the line ends not counted).
std::optional<TubeFileError> CheckText(std::string_view text, const std::string& file);

// A cell short enough to read in a message, control characters made visible.
std::string Quoted(std::string_view cell);

enum class NumberResult { Ok, NotANumber, OutOfRange };

// A number is an optional sign, digits, an optional fraction (a decimal mark and digits) and an
// optional exponent (e or E, an optional sign, digits). The decimal mark is a point, or a comma
// too when the comma is not the separator. The value is the correctly rounded double; a value
// too large for a double, or too small to be anything but zero, is out of range.
NumberResult ParseNumber(std::string_view cell, char separator, double& value);

bool IsComment(std::string_view line);

// The line's cells, trimmed, without the trailing empty ones a spreadsheet pads rows with; a
// line of blanks and separators only has none.
void SplitCells(std::string_view line, char separator, std::vector<std::string_view>& cells);

bool EqualsIgnoringCase(std::string_view a, std::string_view b);
bool IsHeader(std::span<const std::string_view> cells, std::span<const char* const> names);

TubeFileError MakeFileError(const std::string& file, int line, int column, std::string message);

// The lines of a file's text, counted from 1, with their line ends taken off.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}

    bool Next(std::string_view& line) {
        if (at_ > text_.size() || (at_ == text_.size() && number_ > 0)) {
            return false;
        }
        const std::size_t end = std::min(text_.find('\n', at_), text_.size());
        line = text_.substr(at_, end - at_);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        at_ = end + 1;
        ++number_;
        return true;
    }

    int Number() const { return number_; }

private:
    std::string_view text_;
    std::size_t at_ = 0;
    int number_ = 0;
};

// Reads a file's text line by line: the part every tube file shares (comments, blank lines,
// the diameter line and its separator, numbers), leaving the rows to the format.
class TubeTextReader {
public:
    TubeTextReader(std::string_view text, const std::string& file)
        : lines_(WithoutByteOrderMark(text)), file_(file) {}

    // The diameter line, which fixes the separator. False with Failure() set when it is
    // missing or wrong. With `given`, a file without the line (as CAD writes points) takes that
    // diameter, its separator the first comma, semicolon or tab on the first line that is not a
    // comment, which is then the first row; a file with the line must agree with it.
    bool ReadDiameter(double& diameter, std::optional<double> given = std::nullopt);

    // The next line with cells, split into Cells(); false at the end of the text.
    bool NextRow();

    int Line() const { return lines_.Number(); }
    const std::vector<std::string_view>& Cells() const { return cells_; }

    // The cell at the 1-based `column` as a number; false with Failure() set when it is not
    // one.
    bool Number(int column, const char* name, double& value);

    // An error at `column` of the current line, or at `line` (0: about the whole file).
    void Fail(int column, std::string message) { FailAt(Line(), column, std::move(message)); }
    void FailAt(int line, int column, std::string message) {
        error_ = MakeFileError(file_, line, column, std::move(message));
    }
    const TubeFileError& Failure() const { return error_; }

private:
    LineReader lines_;
    const std::string& file_;
    char separator_ = ',';
    std::optional<std::string_view> pending_; // a first row read while looking for the diameter
    std::vector<std::string_view> cells_;
    TubeFileError error_;
};
