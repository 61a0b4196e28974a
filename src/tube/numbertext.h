#pragma once

#include "error.h"

#include <optional>
#include <string>
#include <string_view>

// Numbers as tube files hold them: the grammar the readers take and the forms the writers give,
// so that whatever Tubrix writes reads back as the same double.

namespace tubrix {

// A number is an optional sign, digits, an optional fraction (a decimal mark and digits) and an
// optional exponent (e or E, an optional sign, digits). The decimal mark is a point, or a comma
// too when the comma is not the separator. The value is the correctly rounded double; a value
// too large for a double, or too small to be anything but zero, is out of range. The error's
// message names the cell as `name` ("Y", "the diameter"); its place is the caller's to add.
Result<double> ParseNumber(std::string_view cell, char separator, std::string_view name);

// The most decimals a written number can be rounded to: a double has no more to give.
inline constexpr int MaxWrittenDecimals = 17;

// The shortest decimal text that reads back as the same double (exponent form where shorter);
// the file readers accept it. With `decimals` (0 to MaxWrittenDecimals), the value rounded to
// that many decimals instead, without trailing zeros, a rounded -0 written as 0: the numbers a
// person types into a machine.
std::string FormatNumber(double value, std::optional<int> decimals = std::nullopt);

} // namespace tubrix
