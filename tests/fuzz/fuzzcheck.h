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
