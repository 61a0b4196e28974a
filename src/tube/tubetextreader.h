#pragma once

#include "error.h"
#include "fileaccess.h"

#include <algorithm>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The text every tube file shares, read strictly: comments and blank lines, the diameter line
// that fixes the separator, cells and numbers. The program and points readers build on it; it
// knows nothing of their rows.

namespace tubrix {

bool IsComment(std::string_view line);

// The line's cells, trimmed, without the trailing empty ones a spreadsheet pads rows with; a
// line of blanks and separators only has none.
void SplitCells(std::string_view line, char separator, std::vector<std::string_view>& cells);

bool EqualsIgnoringCase(std::string_view a, std::string_view b);
bool IsHeader(std::span<const std::string_view> cells, std::span<const char* const> names);

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

    // The diameter line, which fixes the separator. With `given`, a file without the line (as
    // CAD writes points) takes that diameter, its separator the first comma, semicolon or tab
    // on the first line that is not a comment, which is then the first row; a file with the
    // line must agree with it.
    Result<double> ReadDiameter(std::optional<double> given = std::nullopt);

    // The next line with cells, split into Cells(); false at the end of the text.
    bool NextRow();

    int Line() const { return lines_.Number(); }
    const std::vector<std::string_view>& Cells() const { return cells_; }

    // The cell at the 1-based `column` as a number.
    Result<double> Number(int column, const char* name) const;

    // An error at `column` of the current line, or at `line` (0: about the whole file).
    Error Fail(int column, std::string message) const {
        return FailAt(Line(), column, std::move(message));
    }
    Error FailAt(int line, int column, std::string message) const {
        return FileError(file_, line, column, std::move(message));
    }

private:
    LineReader lines_;
    const std::string& file_;
    char separator_ = ',';
    std::optional<std::string_view> pending_; // a first row read while looking for the diameter
    std::vector<std::string_view> cells_;
};

} // namespace tubrix
