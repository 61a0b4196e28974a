#pragma once

#include <cstdio>
#include <cstdlib>

// Writes `what` to stderr and aborts, so that libFuzzer keeps the input as a crash and the run
// fails; a failed check must never let the fuzzer go on with the next input.
[[noreturn]] inline void FuzzFail(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::fflush(stderr);
    std::abort();
}
