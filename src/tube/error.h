#pragma once

#include <cassert>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

// How everything below the fronts fails: one error value, carrying what went wrong and, where
// it is known, where; returned in one result type. The fronts turn it into their own form: a
// message box, a line on standard error with an exit status, a red field.

namespace tubrix {

// The fields of a bend program an error can be about.
enum class ProgramField { None, Diameter, Y, B, C, R };

// "diameter", "Y", "B", "C", "R"; empty for None.
const char* FieldName(ProgramField field);
// The field of a program row's 1-based column (1 Y ... 4 R); None outside.
ProgramField RowField(int column);

struct Error {
    std::string Message;
    std::string File; // as the user named it ("standard input" for "-"); empty: not about a file
    int Line = 0;     // 1-based; 0 when not about one line
    int Column = 0;   // 1-based; 0 when not about one cell
    int Row = 0;      // the program's row, from 1; 0 when not about one row
    ProgramField Field = ProgramField::None;

    // "FILE:LINE:COLUMN: MESSAGE", leaving out what is not known.
    std::string ToString() const;
    // "row 3, C: MESSAGE", "diameter: MESSAGE" or the message alone: the place in the program
    // rather than in a file.
    std::string InProgram() const;
};

// Either a value or the error that stopped it. `std::optional` stays for values that may be
// absent without anything having failed.
template <typename T> class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Error error) : state_(std::in_place_index<1>, std::move(error)) {}

    explicit operator bool() const { return state_.index() == 0; }

    T& operator*() & { return Checked(); }
    const T& operator*() const& { return Checked(); }
    T&& operator*() && { return std::move(Checked()); }
    T* operator->() { return &Checked(); }
    const T* operator->() const { return &Checked(); }

    // Meaningful only when there is no value.
    const Error& Failure() const {
        assert(state_.index() == 1);
        return std::get<1>(state_);
    }

private:
    T& Checked() { return std::get<0>(state_); }
    const T& Checked() const { return std::get<0>(state_); }

    std::variant<T, Error> state_;
};

// Success with nothing to give, or the error.
template <> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error) : failed_(true), error_(std::move(error)) {}

    explicit operator bool() const { return !failed_; }
    const Error& Failure() const {
        assert(failed_);
        return error_;
    }

private:
    bool failed_ = false;
    Error error_;
};

// An error that is its message alone: about no file, line or row.
Error Failed(std::string message);

// An error of a file's line and column (0: not known).
Error FileError(const std::string& file, int line, int column, std::string message);

// The word of `names` a mistyped one most likely meant: the nearest by edits (a letter typed,
// left out, changed, or two swapped), where it is at most two edits off and fewer than its own
// letters; else empty. A command and a profile key are told the same way.
std::string LikelyMeant(std::string_view typed, std::span<const std::string> names);

} // namespace tubrix
