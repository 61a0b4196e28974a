#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

// Writes `what` to stderr and aborts, so that libFuzzer keeps the input as a crash and the run
// fails; a failed check must never let the fuzzer go on with the next input.
[[noreturn]] inline void FuzzFail(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

// The text with LF line ends made CRLF; empty when the text already has a CR anywhere, where the
// two need not agree.
inline std::string WithCrlf(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\r') {
            return {};
        }
        if (c == '\n') {
            out += '\r';
        }
        out += c;
    }
    return out;
}

// The lines a text has: one more than its LF characters.
inline int LineCount(std::string_view text) {
    int lines = 1;
    for (char c : text) {
        lines += c == '\n';
    }
    return lines;
}

// Fails unless a file error names `fileName`, says something, and points at a line and column
// the text has (line 0, column 0 for the file as a whole). Any error type with File, Message,
// Line and Column will do.
template <typename FileError>
void CheckFileError(const FileError& error, std::string_view text, std::string_view fileName) {
    if (error.File != fileName || error.Message.empty()) {
        FuzzFail("an error does not name the file or says nothing");
    }
    if (error.Line < 0 || error.Line > LineCount(text) || error.Column < 0 ||
        (error.Line == 0 && error.Column != 0)) {
        FuzzFail("an error names a line or column the text does not have");
    }
}
