#include "programfile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <span>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace {

const char* const ByteOrderMark = "\xEF\xBB\xBF";
constexpr int ProgramColumns = 4;
constexpr int MaxPoints = MaxBendSteps + 1;

std::string ShownName(const std::string& path) {
    return path == "-" ? "standard input" : path;
}

TubeFileError Error(const std::string& file, int line, int column, std::string message) {
    return {file, line, column, std::move(message)};
}

std::string SystemMessage(int error) {
    return std::generic_category().message(error);
}

std::string_view WithoutByteOrderMark(std::string_view text) {
    if (text.starts_with(ByteOrderMark)) {
        text.remove_prefix(3);
    }
    return text;
}

// The length of the valid UTF-8 sequence starting at `at`, or 0 when it is invalid: a stray
// continuation byte, a truncated sequence, an overlong form, a surrogate or a code point past
// U+10FFFF.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) {
        return at + i < text.size() ? static_cast<unsigned char>(text[at + i]) : 0u;
    };
    const auto continuation = [](unsigned b, unsigned low = 0x80, unsigned high = 0xBF) {
        return b >= low && b <= high;
    };
    const unsigned lead = byte(0);
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return continuation(byte(1)) ? 2 : 0;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        // E0 needs A0.. to not be overlong; ED stops at 9F before the surrogates.
        const unsigned low = lead == 0xE0 ? 0xA0 : 0x80;
        const unsigned high = lead == 0xED ? 0x9F : 0xBF;
        return continuation(byte(1), low, high) && continuation(byte(2)) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        // F0 needs 90.. to not be overlong; F4 stops at 8F, which is U+10FFFF.
        const unsigned low = lead == 0xF0 ? 0x90 : 0x80;
        const unsigned high = lead == 0xF4 ? 0x8F : 0xBF;
        return continuation(byte(1), low, high) && continuation(byte(2)) && continuation(byte(3))
                   ? 4
                   : 0;
    }
    return 0;
}

// What every tube file's text must be before its cells are looked at: UTF-8, in lines of at
// most MaxTubeLineBytes (the line ends not counted).
std::optional<TubeFileError> CheckText(std::string_view text, const std::string& file) {
    text = WithoutByteOrderMark(text);
    int line = 1;
    std::size_t lineStart = 0;
    for (std::size_t at = 0; at <= text.size();) {
        if (at == text.size() || text[at] == '\n') {
            std::size_t length = at - lineStart;
            if (length > 0 && text[at - 1] == '\r') {
                --length;
            }
            if (length > MaxTubeLineBytes) {
                return Error(file, line, 0,
                             "line longer than " + std::to_string(MaxTubeLineBytes) +
                                 " bytes; a tube file has short lines");
            }
            ++line;
            lineStart = ++at;
            continue;
        }
        const std::size_t length = Utf8SequenceLength(text, at);
        if (length == 0) {
            return Error(file, line, 0, "bytes that are not UTF-8; save the file as UTF-8 text");
        }
        at += length;
    }
    return std::nullopt;
}

// Short enough to read in a message, control characters made visible.
std::string Quoted(std::string_view cell) {
    constexpr std::size_t Shown = 24;
    std::string out = "\"";
    std::size_t end = cell.size();
    if (end > Shown) {
        end = Shown;
        while (end > 0 && (static_cast<unsigned char>(cell[end]) & 0xC0) == 0x80) {
            --end; // not in the middle of a character
        }
    }
    for (char c : cell.substr(0, end)) {
        out += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
    }
    return out + (end < cell.size() ? "...\"" : "\"");
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

enum class NumberResult { Ok, NotANumber, OutOfRange };

// A number is an optional sign, digits, an optional fraction (a decimal mark and digits) and an
// optional exponent (e or E, an optional sign, digits). The decimal mark is a point, or a comma
// too when the comma is not the separator. std::from_chars then gives the correctly rounded
// double; a value too large for a double, or too small to be anything but zero, is out of range.
NumberResult ParseNumber(std::string_view cell, char separator, double& value) {
    std::string plain;
    plain.reserve(cell.size());
    std::size_t at = 0;
    const auto digits = [&] {
        const std::size_t start = at;
        while (at < cell.size() && IsDigit(cell[at])) {
            plain += cell[at++];
        }
        return at > start;
    };
    if (at < cell.size() && (cell[at] == '+' || cell[at] == '-')) {
        if (cell[at] == '-') {
            plain += '-'; // from_chars takes no '+'
        }
        ++at;
    }
    if (!digits()) {
        return NumberResult::NotANumber;
    }
    if (at < cell.size() && (cell[at] == '.' || (cell[at] == ',' && separator != ','))) {
        plain += '.';
        ++at;
        if (!digits()) {
            return NumberResult::NotANumber;
        }
    }
    if (at < cell.size() && (cell[at] == 'e' || cell[at] == 'E')) {
        plain += 'e';
        ++at;
        if (at < cell.size() && (cell[at] == '+' || cell[at] == '-')) {
            plain += cell[at++];
        }
        if (!digits()) {
            return NumberResult::NotANumber;
        }
    }
    if (at != cell.size()) {
        return NumberResult::NotANumber;
    }
    const auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (error == std::errc::result_out_of_range) {
        return NumberResult::OutOfRange;
    }
    return error == std::errc() && end == plain.data() + plain.size() ? NumberResult::Ok
                                                                      : NumberResult::NotANumber;
}

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

bool IsBlank(char c, char separator) {
    return c == ' ' || (c == '\t' && separator != '\t');
}

std::string_view Trimmed(std::string_view cell, char separator) {
    while (!cell.empty() && IsBlank(cell.front(), separator)) {
        cell.remove_prefix(1);
    }
    while (!cell.empty() && IsBlank(cell.back(), separator)) {
        cell.remove_suffix(1);
    }
    return cell;
}

bool IsComment(std::string_view line) {
    const std::size_t first = line.find_first_not_of(" \t");
    return first != std::string_view::npos && line[first] == '#';
}

// The line's cells, trimmed, without the trailing empty ones a spreadsheet pads rows with; a
// line of blanks and separators only has none.
void SplitCells(std::string_view line, char separator, std::vector<std::string_view>& cells) {
    cells.clear();
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = std::min(line.find(separator, start), line.size());
        cells.push_back(Trimmed(line.substr(start, end - start), separator));
        if (end == line.size()) {
            break;
        }
        start = end + 1;
    }
    while (!cells.empty() && cells.back().empty()) {
        cells.pop_back();
    }
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

bool IsHeader(std::span<const std::string_view> cells, std::span<const char* const> names) {
    if (cells.size() != names.size()) {
        return false;
    }
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (!EqualsIgnoringCase(cells[i], names[i])) {
            return false;
        }
    }
    return true;
}

// Reads a file's text line by line: the part every tube file shares (comments, blank lines,
// the diameter line and its separator, numbers), leaving the rows to the format.
class TubeTextReader {
public:
    TubeTextReader(std::string_view text, const std::string& file)
        : lines_(WithoutByteOrderMark(text)), file_(file) {}

    // The diameter line, which fixes the separator. False with Error() set when it is missing
    // or wrong.
    bool ReadDiameter(double& diameter);

    // The next line with cells, split into Cells(); false at the end of the text.
    bool NextRow();

    int Line() const { return lines_.Number(); }
    const std::vector<std::string_view>& Cells() const { return cells_; }

    // The cell at the 1-based `column` as a number; false with Error() set when it is not one.
    bool Number(int column, const char* name, double& value);

    // An error at `column` of the current line, or at `line` (0: about the whole file).
    void Fail(int column, std::string message) { FailAt(Line(), column, std::move(message)); }
    void FailAt(int line, int column, std::string message) {
        error_ = Error(file_, line, column, std::move(message));
    }
    const TubeFileError& Failure() const { return error_; }

private:
    LineReader lines_;
    const std::string& file_;
    char separator_ = ',';
    std::vector<std::string_view> cells_;
    TubeFileError error_;
};

bool TubeTextReader::ReadDiameter(double& diameter) {
    std::string_view line;
    while (lines_.Next(line)) {
        if (IsComment(line) || line.find_first_not_of(" \t,;") == std::string_view::npos) {
            continue;
        }
        std::string_view rest = line.substr(line.find_first_not_of(" \t"));
        if (!EqualsIgnoringCase(rest.substr(0, 8), "diameter")) {
            Fail(1, "expected the diameter line first: \"diameter\", a comma, semicolon or tab, "
                    "and the tube diameter");
            return false;
        }
        rest.remove_prefix(8);
        rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
        if (rest.empty() || (rest.front() != ',' && rest.front() != ';' && rest.front() != '\t')) {
            Fail(1, "expected a comma, semicolon or tab after \"diameter\"");
            return false;
        }
        separator_ = rest.front();
        SplitCells(line, separator_, cells_);
        if (cells_.size() < 2) {
            Fail(2, "expected the tube diameter after \"diameter\"");
            return false;
        }
        if (cells_.size() > 2) {
            Fail(3, "expected only \"diameter\" and the tube diameter on the diameter line");
            return false;
        }
        if (!Number(2, "the diameter", diameter)) {
            return false;
        }
        if (!(diameter > 0)) {
            Fail(2, "the diameter must be greater than 0");
            return false;
        }
        return true;
    }
    FailAt(0, 0, "no diameter line; a tube file starts with \"diameter,\" and the tube diameter");
    return false;
}

bool TubeTextReader::NextRow() {
    std::string_view line;
    while (lines_.Next(line)) {
        if (IsComment(line)) {
            continue;
        }
        SplitCells(line, separator_, cells_);
        if (!cells_.empty()) {
            return true;
        }
    }
    return false;
}

bool TubeTextReader::Number(int column, const char* name, double& value) {
    const std::string_view cell = cells_[static_cast<std::size_t>(column - 1)];
    switch (ParseNumber(cell, separator_, value)) {
    case NumberResult::Ok:
        return true;
    case NumberResult::OutOfRange:
        Fail(column, Quoted(cell) + " for " + name + " is out of range for a double");
        return false;
    case NumberResult::NotANumber:
        break;
    }
    Fail(column, std::string("expected a number for ") + name + ", found " +
                     (cell.empty() ? std::string("an empty cell") : Quoted(cell)));
    return false;
}

const char* const ProgramHeader[] = {"Y", "B", "C", "R"};
const char* const PointsHeader[] = {"X", "Y", "Z", "R"};

// One program row's numbers and the limits on them, checked left to right.
bool ReadProgramRow(TubeTextReader& reader, BendRowInput& row) {
    const auto& cells = reader.Cells();
    double* const values[ProgramColumns] = {&row.Y, &row.B, &row.C, &row.R};
    for (int column = 1; column <= ProgramColumns; ++column) {
        if (column > static_cast<int>(cells.size())) {
            reader.Fail(column,
                        "expected 4 numbers Y,B,C,R, found " + std::to_string(cells.size()));
            return false;
        }
        if (!reader.Number(column, ProgramHeader[column - 1], *values[column - 1])) {
            return false;
        }
    }
    if (cells.size() > ProgramColumns) {
        reader.Fail(ProgramColumns + 1, "expected 4 numbers Y,B,C,R; this column is one too many");
        return false;
    }
    if (row.Y < 0) {
        reader.Fail(1, "Y, the straight length, must be 0 or more");
        return false;
    }
    if (row.C < 0 || row.C > 180) {
        reader.Fail(3, "C, the bend angle, must be from 0 to 180 degrees");
        return false;
    }
    if (row.C > 0 && !(row.R > 0)) {
        reader.Fail(4, "R, the bend radius, must be greater than 0 on a row that bends");
        return false;
    }
    return true;
}

bool ReadPointRow(TubeTextReader& reader, PointRow& point) {
    const auto& cells = reader.Cells();
    point.Line = reader.Line();
    double* const values[3] = {&point.X, &point.Y, &point.Z};
    const char* const names[3] = {"x", "y", "z"};
    for (int column = 1; column <= 3; ++column) {
        if (column > static_cast<int>(cells.size())) {
            reader.Fail(column, "expected x,y,z or x,y,z,r, found " + std::to_string(cells.size()) +
                                    " numbers");
            return false;
        }
        if (!reader.Number(column, names[column - 1], *values[column - 1])) {
            return false;
        }
    }
    if (cells.size() >= 4) {
        double r = 0;
        if (!reader.Number(4, "r", r)) {
            return false;
        }
        if (!(r > 0)) {
            reader.Fail(4, "r, the bend radius, must be greater than 0; leave it empty for none");
            return false;
        }
        point.R = r;
    }
    if (cells.size() > 4) {
        reader.Fail(5, "expected x,y,z or x,y,z,r; this column is one too many");
        return false;
    }
    return true;
}

template <typename T> Loaded<T> Failed(const TubeFileError& error) {
    return {std::nullopt, error};
}

template <typename T>
Loaded<T> ReadWith(const std::string& path,
                   Loaded<T> (*parse)(std::string_view, const std::string&)) {
    const Loaded<std::string> text = ReadTubeFile(path);
    if (!text) {
        return Failed<T>(text.Error);
    }
    return parse(*text.Value, ShownName(path));
}

std::string WriteStandardOutput(std::string_view content) {
    if (std::fwrite(content.data(), 1, content.size(), stdout) != content.size() ||
        std::fflush(stdout) != 0) {
        const int error = errno;
        std::clearerr(stdout);
        return "cannot write to standard output: " + SystemMessage(error);
    }
    return {};
}

bool WriteAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t written = ::write(fd, content.data(), content.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        content.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Creates a new file beside `path` that nobody else has, readable as the umask allows (unlike
// mkstemp's owner-only mode, which would change who can read the file it replaces).
int CreateTemporary(const std::string& path, std::string& name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

} // namespace

std::string TubeFileError::ToString() const {
    std::string out = File;
    if (Line > 0) {
        out += (out.empty() ? "" : ":") + std::to_string(Line);
        if (Column > 0) {
            out += ":" + std::to_string(Column);
        }
    }
    return out + (out.empty() ? "" : ": ") + Message;
}

Loaded<std::string> ReadTubeFile(const std::string& path) {
    const std::string name = ShownName(path);
    const auto fail = [&](std::string message) {
        return Failed<std::string>(Error(name, 0, 0, std::move(message)));
    };
    int fd = STDIN_FILENO;
    if (path != "-") {
        // Looked at before it is opened: opening a device can do things, and a FIFO would wait
        // for a writer.
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0) {
            return fail("cannot read: " + SystemMessage(errno));
        }
        if (S_ISDIR(info.st_mode)) {
            return fail("is a folder, not a file");
        }
        if (!S_ISREG(info.st_mode)) {
            return fail(std::string("is not a text file but a ") +
                        (S_ISFIFO(info.st_mode)   ? "pipe (FIFO)"
                         : S_ISSOCK(info.st_mode) ? "socket"
                                                  : "device"));
        }
        fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) {
            return fail("cannot read: " + SystemMessage(errno));
        }
    }
    struct stat info {};
    const bool tooLarge = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                          static_cast<std::uint64_t>(info.st_size) > MaxTubeFileBytes;
    const bool folder = S_ISDIR(info.st_mode);
    std::string text;
    int readError = 0;
    if (!tooLarge && !folder) {
        // Whatever stat said, never more than one byte past the limit: the file may grow, and
        // standard input may be a pipe or a device.
        text.resize(MaxTubeFileBytes + 1);
        std::size_t filled = 0;
        while (filled < text.size()) {
            const ssize_t got = ::read(fd, text.data() + filled, text.size() - filled);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                readError = errno;
            }
            if (got <= 0) {
                break;
            }
            filled += static_cast<std::size_t>(got);
        }
        text.resize(filled);
    }
    if (fd != STDIN_FILENO) {
        ::close(fd);
    }
    if (folder) {
        return fail("is a folder, not a file");
    }
    if (readError != 0) {
        return fail("cannot read: " + SystemMessage(readError));
    }
    if (tooLarge || text.size() > MaxTubeFileBytes) {
        return fail("larger than " + std::to_string(MaxTubeFileBytes) +
                    " bytes; a tube file is a small text file");
    }
    if (const auto error = CheckText(text, name)) {
        return Failed<std::string>(*error);
    }
    if (text.starts_with(ByteOrderMark)) {
        text.erase(0, 3);
    }
    return {std::move(text), {}};
}

Loaded<ProgramRows> ParseProgramText(std::string_view text, const std::string& file) {
    if (const auto error = CheckText(text, file)) {
        return Failed<ProgramRows>(*error);
    }
    TubeTextReader reader(text, file);
    ProgramRows program;
    if (!reader.ReadDiameter(program.Diameter)) {
        return Failed<ProgramRows>(reader.Failure());
    }
    bool first = true;
    int lastLine = 0;
    while (reader.NextRow()) {
        if (std::exchange(first, false) && IsHeader(reader.Cells(), ProgramHeader)) {
            continue;
        }
        if (program.Rows.size() == MaxBendSteps) {
            reader.Fail(0, "more than " + std::to_string(MaxBendSteps) + " rows");
            return Failed<ProgramRows>(reader.Failure());
        }
        BendRowInput row{};
        if (!ReadProgramRow(reader, row)) {
            return Failed<ProgramRows>(reader.Failure());
        }
        program.Rows.push_back(row);
        lastLine = reader.Line();
    }
    if (program.Rows.empty()) {
        reader.FailAt(0, 0, "no rows after the diameter line; expected rows of Y,B,C,R");
        return Failed<ProgramRows>(reader.Failure());
    }
    if (program.Rows.back().C != 0) {
        reader.FailAt(lastLine, 3,
                      "the last row's C must be 0: the tube ends with its last straight (a "
                      "program that ends in a bend gives a last row 0,0,0,R)");
        return Failed<ProgramRows>(reader.Failure());
    }
    return {std::move(program), {}};
}

Loaded<PointsRows> ParsePointsText(std::string_view text, const std::string& file) {
    if (const auto error = CheckText(text, file)) {
        return Failed<PointsRows>(*error);
    }
    TubeTextReader reader(text, file);
    PointsRows points;
    if (!reader.ReadDiameter(points.Diameter)) {
        return Failed<PointsRows>(reader.Failure());
    }
    bool first = true;
    while (reader.NextRow()) {
        if (std::exchange(first, false) &&
            (IsHeader(reader.Cells(), PointsHeader) ||
             IsHeader(reader.Cells(), std::span(PointsHeader).first(3)))) {
            continue;
        }
        if (points.Points.size() == MaxPoints) {
            reader.Fail(0, "more than " + std::to_string(MaxPoints) + " points");
            return Failed<PointsRows>(reader.Failure());
        }
        PointRow point;
        if (!ReadPointRow(reader, point)) {
            return Failed<PointsRows>(reader.Failure());
        }
        points.Points.push_back(point);
    }
    if (points.Points.size() < 2) {
        reader.FailAt(0, 0,
                      "expected at least 2 points x,y,z after the diameter line, found " +
                          std::to_string(points.Points.size()));
        return Failed<PointsRows>(reader.Failure());
    }
    return {std::move(points), {}};
}

Loaded<ProgramRows> ReadProgramFile(const std::string& path) {
    return ReadWith<ProgramRows>(path, ParseProgramText);
}

Loaded<PointsRows> ReadPointsFile(const std::string& path) {
    return ReadWith<PointsRows>(path, ParsePointsText);
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

std::string FormatNumber(double value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string FormatProgramText(const ProgramRows& rows) {
    std::string out =
        "# Tubrix bend program\ndiameter," + FormatNumber(rows.Diameter) + "\nY,B,C,R\n";
    for (const BendRowInput& row : rows.Rows) {
        out += FormatNumber(row.Y) + ',' + FormatNumber(row.B) + ',' + FormatNumber(row.C) + ',' +
               FormatNumber(row.R) + '\n';
    }
    return out;
}

std::string WriteFileWhole(const std::string& path, std::string_view content) {
    if (path == "-") {
        return WriteStandardOutput(content);
    }
    const auto failed = [&](const std::string& what, int error) {
        return "cannot write " + path + ": " + what + SystemMessage(error);
    };
    struct stat old {};
    const bool replacing = ::stat(path.c_str(), &old) == 0;
    if (replacing && !S_ISREG(old.st_mode)) {
        return "cannot write " + path + ": it is not a regular file";
    }
    std::string temporary;
    const int fd = CreateTemporary(path, temporary);
    if (fd < 0) {
        return failed("cannot create a file beside it: ", errno);
    }
    // The file it replaces keeps who may read and write it.
    bool ok = !replacing || ::fchmod(fd, old.st_mode & 07777) == 0;
    ok = ok && WriteAll(fd, content) && ::fsync(fd) == 0;
    int error = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(temporary.c_str(), path.c_str()) == 0) {
        return {};
    }
    if (ok) {
        error = errno;
    }
    ::unlink(temporary.c_str());
    return failed("", error);
}
