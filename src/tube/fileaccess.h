#pragma once

#include "error.h"

#include <cstddef>
#include <string>
#include <string_view>

// The file access every reader and writer shares: small UTF-8 text files read whole after
// checking what they are, and outputs written whole or not at all. Program files, points files
// and machine profiles all come in through here, and every output of the command line goes out
// through here.

namespace tubrix {

// Limits on what is read: a file larger than this, or a line longer, is refused at once.
inline constexpr std::size_t MaxTubeFileBytes = 1 << 20;
inline constexpr std::size_t MaxTubeLineBytes = 4 << 10;

inline constexpr const char* ByteOrderMark = "\xEF\xBB\xBF";

// The name a path is shown by in messages: "-" is "standard input".
std::string ShownName(const std::string& path);

std::string_view WithoutByteOrderMark(std::string_view text);

// What every text file's text must be before its contents are looked at: UTF-8, in lines of at
// most MaxTubeLineBytes (the line ends not counted).
Result<void> CheckText(std::string_view text, const std::string& file);

// A piece of a line short enough to read in a message, control characters made visible.
std::string Quoted(std::string_view cell);

// Reads a small UTF-8 text file whole: a regular file, or "-" for standard input (a pipe or a
// file), never more than MaxTubeFileBytes + 1 bytes. An empty path, a directory, a device, a
// FIFO, a larger file, bytes that are not UTF-8 and a missing or unreadable file are errors. A
// leading byte-order mark is dropped.
Result<std::string> ReadTextFile(const std::string& path);

// Writes `content` whole or not at all: to a temporary file beside `path`, flushed, then
// renamed over it. A symbolic link is followed: its target is written so (the temporary file
// beside the target) and the link is kept. "-" writes to standard output. The error is one line
// saying what failed.
Result<void> WriteFileWhole(const std::string& path, std::string_view content);

} // namespace tubrix
