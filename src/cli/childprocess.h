#pragma once

#include "error.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// A program run as a child process with a time limit: what the CAD helper does may crash or
// hang on a hostile file, and that must not take the command with it.
struct ChildRun {
    int ExitStatus = -1; // the child's exit status; -1 when it did not exit by itself
    int Signal = 0;      // the signal that ended it, or 0
    bool TimedOut = false;
    bool OutputTooLong = false;
    std::string Out;
    std::string Err;
};

// Runs `program` with `args`, `input` on its standard input, its address space limited to
// `memoryBytes` (RLIMIT_AS; 0 for no limit); stops it (SIGKILL) after `limit` or once its
// standard output passes `maxOutput` bytes. Its standard error is read to the end whatever it
// writes, the first `maxOutput` bytes kept. Fails only when it cannot be started.
tubrix::Result<ChildRun> RunChild(const std::string& program, const std::vector<std::string>& args,
                                  const std::string& input, std::chrono::milliseconds limit,
                                  std::size_t maxOutput, std::uint64_t memoryBytes = 0);
