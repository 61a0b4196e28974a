#include "fileaccess.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace tubrix {

namespace {

std::string SystemMessage(int error) {
    return std::generic_category().message(error);
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

Result<void> WriteStandardOutput(std::string_view content) {
    if (std::fwrite(content.data(), 1, content.size(), stdout) != content.size() ||
        std::fflush(stdout) != 0) {
        const int error = errno;
        std::clearerr(stdout);
        return Failed("cannot write to standard output: " + SystemMessage(error));
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
// target and leaves the links as they are.
Result<std::string> FollowLinks(std::string path) {
    constexpr int MaxLinks = 40; // as the kernel allows
    const auto failed = [](int error) {
        return Failed("cannot follow the link: " + SystemMessage(error));
    };
    for (int hop = 0; hop < MaxLinks; ++hop) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return path; // a file, or nothing yet: written at this path
        }
        std::string target(PATH_MAX, '\0');
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length < 0) {
            return failed(errno);
        }
        target.resize(static_cast<std::size_t>(length));
        const std::size_t slash = path.rfind('/');
        path = target.starts_with('/') || slash == std::string::npos
                   ? target
                   : path.substr(0, slash + 1) + target;
    }
    return failed(ELOOP);
}

} // namespace

std::string ShownName(const std::string& path) {
    return path == "-" ? "standard input" : path;
}

std::string_view WithoutByteOrderMark(std::string_view text) {
    if (text.starts_with(ByteOrderMark)) {
        text.remove_prefix(3);
    }
    return text;
}

Result<void> CheckText(std::string_view text, const std::string& file) {
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
                return FileError(file, line, 0,
                                 "line longer than " + std::to_string(MaxTubeLineBytes) +
                                     " bytes; a tube file has short lines");
            }
            ++line;
            lineStart = ++at;
            continue;
        }
        const std::size_t length = Utf8SequenceLength(text, at);
        if (length == 0) {
            return FileError(file, line, 0,
                             "bytes that are not UTF-8; save the file as UTF-8 text");
        }
        at += length;
    }
    return {};
}

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

Result<std::string> ReadTextFile(const std::string& path) {
    const std::string name = ShownName(path);
    const auto fail = [&](std::string message) {
        return FileError(name, 0, 0, std::move(message));
    };
    if (path.empty()) {
        // Never taken as "no file": a script's unset variable must not pass for a choice.
        return Failed("the path is empty; name a file");
    }
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
    if (Result<void> checked = CheckText(text, name); !checked) {
        return checked.Failure();
    }
    if (text.starts_with(ByteOrderMark)) {
        text.erase(0, 3);
    }
    return text;
}

Result<void> WriteFileWhole(const std::string& given, std::string_view content) {
    if (given == "-") {
        return WriteStandardOutput(content);
    }
    const auto failed = [&](const std::string& what, int error) {
        return Failed("cannot write " + given + ": " + what + SystemMessage(error));
    };
    // Through a link, the target is written: the temporary file beside it, in its folder, so
    // the rename stays on one file system and replaces the target whole.
    const Result<std::string> followed = FollowLinks(given);
    if (!followed) {
        Error error = followed.Failure();
        error.Message = "cannot write " + given + ": " + error.Message;
        return error;
    }
    const std::string& path = *followed;
    struct stat old {};
    const bool replacing = ::stat(path.c_str(), &old) == 0;
    if (replacing && !S_ISREG(old.st_mode)) {
        return Failed("cannot write " + given + ": it is not a regular file");
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

} // namespace tubrix
