#pragma once

#include <functional>
#include <memory>
#include <string>

class Standard_Failure;

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

// What a helper says when Open CASCADE throws rather than reporting: the failure's own message
// (its first line), or its kind where it has none.
std::string FailureText(const Standard_Failure& failure);

// Runs a helper's work and turns what escapes it into the helper's answer: an allocation past
// the memory limit tubrix-cli set exits with HelperOutOfMemory, Open CASCADE's failure is one
// line on standard error naming the file as `shown`, with exit status 2.
int RunGuarded(const std::string& shown, const std::function<int()>& work);

} // namespace tubrix
