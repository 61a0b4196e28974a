#include "programfile.h"

#include "tubetextreader.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
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

constexpr int ProgramColumns = 4;
constexpr int MaxPoints = MaxBendSteps + 1;

std::string ShownName(const std::string& path) {
    return path == "-" ? "standard input" : path;
}

std::string SystemMessage(int error) {
    return std::generic_category().message(error);
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

// The file a path names for writing: a symbolic link is followed to its target, through a
// chain of links, a relative target taken from its link's folder. Writing then replaces the
// target and leaves the links as they are. False with errno set when a link cannot be read.
bool FollowLinks(std::string& path) {
    constexpr int MaxLinks = 40; // as the kernel allows
    for (int hop = 0; hop < MaxLinks; ++hop) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return true; // a file, or nothing yet: written at this path
        }
        std::string target(PATH_MAX, '\0');
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length < 0) {
            return false;
        }
        target.resize(static_cast<std::size_t>(length));
        const std::size_t slash = path.rfind('/');
        path = target.starts_with('/') || slash == std::string::npos
                   ? target
                   : path.substr(0, slash + 1) + target;
    }
    errno = ELOOP;
    return false;
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
        return Failed<std::string>(MakeFileError(name, 0, 0, std::move(message)));
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

Loaded<PointsRows> ParsePointsText(std::string_view text, const std::string& file,
                                   std::optional<double> diameter) {
    if (const auto error = CheckText(text, file)) {
        return Failed<PointsRows>(*error);
    }
    TubeTextReader reader(text, file);
    PointsRows points;
    if (!reader.ReadDiameter(points.Diameter, diameter)) {
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

Loaded<PointsRows> ReadPointsFile(const std::string& path, std::optional<double> diameter) {
    const Loaded<std::string> text = ReadTubeFile(path);
    if (!text) {
        return Failed<PointsRows>(text.Error);
    }
    return ParsePointsText(*text.Value, ShownName(path), diameter);
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

std::string FormatNumber(double value, std::optional<int> decimals) {
    // Room for the 309 digits of the largest double written in full, and its decimals.
    char text[400];
    if (!decimals || !std::isfinite(value)) {
        const auto result = std::to_chars(text, text + sizeof text, value);
        return std::string(text, result.ptr);
    }
    const int places = std::clamp(*decimals, 0, MaxWrittenDecimals);
    const auto result =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, places);
    std::string out(text, result.ptr);
    if (out.find('.') != std::string::npos) {
        out.erase(out.find_last_not_of('0') + 1);
        if (out.back() == '.') {
            out.pop_back();
        }
    }
    return out == "-0" ? "0" : out;
}

std::string FormatProgramText(const ProgramRows& rows, std::optional<int> decimals) {
    const auto number = [&](double value) { return FormatNumber(value, decimals); };
    std::string out = "# Tubrix bend program\ndiameter," + number(rows.Diameter) + "\nY,B,C,R\n";
    for (const BendRowInput& row : rows.Rows) {
        out +=
            number(row.Y) + ',' + number(row.B) + ',' + number(row.C) + ',' + number(row.R) + '\n';
    }
    return out;
}

std::string WriteFileWhole(const std::string& given, std::string_view content) {
    if (given == "-") {
        return WriteStandardOutput(content);
    }
    const auto failed = [&](const std::string& what, int error) {
        return "cannot write " + given + ": " + what + SystemMessage(error);
    };
    // Through a link, the target is written: the temporary file beside it, in its folder, so
    // the rename stays on one file system and replaces the target whole.
    std::string path = given;
    if (!FollowLinks(path)) {
        return failed("cannot follow the link: ", errno);
    }
    struct stat old {};
    const bool replacing = ::stat(path.c_str(), &old) == 0;
    if (replacing && !S_ISREG(old.st_mode)) {
        return "cannot write " + given + ": it is not a regular file";
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
