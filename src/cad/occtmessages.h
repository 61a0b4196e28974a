#pragma once

#include <memory>
#include <string>

namespace tubrix {

// Open CASCADE says why it failed through its messenger, which prints to standard output, where
// the helper writes its answer. While a log lives, the messenger prints nothing and the log
// keeps the first thing it says at the level of a failure, for the error message.
class OcctFailureLog {
public:
    OcctFailureLog();
    OcctFailureLog(const OcctFailureLog&) = delete;
    OcctFailureLog& operator=(const OcctFailureLog&) = delete;

    // The first failure reported, or empty.
    std::string First() const { return *first_; }

private:
    std::shared_ptr<std::string> first_;
};

} // namespace tubrix
