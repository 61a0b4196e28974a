#pragma once

#include "error.h"

#include <functional>
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

// The value rounded to that many significant digits (1 to 17), as a profile keeps a fitted law.
double Significant(double value, int digits);

// "1 bend", "3 bends": a count as a message says it.
std::string Counted(std::size_t n, const char* one, const char* many);

// A number a CAD system computed, with its round-off taken off: v becomes round(v, p), p =
// min(6, 7 - ceil(log10 max(1, |v|))) places, where it lies within 1e-9 * max(1, |v|) of it
// (90.00000000000594 is 90, 38.099999999999994 is 38.1, 3.24e-12 is 0); any other value, and
// anything not finite, stays as it is. For what Tubrix computes and writes for a person or a
// machine, never for a value copied from its input or compared.
double SnapCadNumber(double value);

// The range a plane is written in: a relative turn in (-180, 180], an absolute plane in
// [0, 360).
enum class PlaneRange { Relative, Absolute };

// A plane's value as `format` writes it, kept inside its range at the precision it is written
// with: the value is snapped, then formatted; where that text reads back as the range's open
// end (360 absolute, -180 relative), the value a turn away is formatted instead, so 359.9996 at
// three decimals is written 0, never 360.
std::string FormatPlane(double value, PlaneRange range,
                        const std::function<std::string(double)>& format);
// The same for a plane copied from a file: not snapped, only kept inside its range where the
// text `format` makes of it reads as the open end. The text may be padded (a fill, a width) or
// signed: its number is read from its first digit, with the value's own sign.
std::string FormatPlaneAsRead(double value, PlaneRange range,
                              const std::function<std::string(double)>& format);

} // namespace tubrix
