#pragma once

#include "error.h"

#include <optional>
#include <string>
#include <string_view>

namespace tubrix {

// The length unit a program or a profile is written in. Angles are degrees whatever it is.
enum class LengthUnit { Millimetre, Inch };

// "mm" or "in", as files and messages write it.
const char* UnitName(LengthUnit unit);
// "mm" or "in" in any case; nothing for anything else.
std::optional<LengthUnit> ParseUnitName(std::string_view name);

// A length in `from` given in `to`.
double ConvertLength(double value, LengthUnit from, LengthUnit to);

// The unit a tube file says it holds: a comment line "# units: mm" or "# units: in". A units
// line with anything else, or two that disagree, is an error naming the line and column.
Result<std::optional<LengthUnit>> ReadUnitsLine(std::string_view text, const std::string& file);

// Whether a comment line is a units line, whatever it says.
bool IsUnitsLine(std::string_view line);

// The units line a file made in `unit` carries.
std::string UnitsLine(LengthUnit unit);

} // namespace tubrix
