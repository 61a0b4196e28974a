#pragma once

#include "error.h"
#include "language.h"

#include <optional>
#include <string>
#include <string_view>

namespace tubrix {

// The length unit a program or a profile is written in. Angles are degrees whatever it is.
enum class LengthUnit { Millimetre, Inch };

// "mm" or "in", as files and messages write it.
const char* UnitName(LengthUnit unit);
// "mm", "millimetre(s)", "millimeter(s)", "in", "inch" or "inches", in any case; nothing for
// anything else.
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

// Where only one of a program and its machine profile says its unit, the other is read in that
// unit: which file says none, the unit its lengths are taken in, and the file that says it.
struct UnitsAssumed {
    std::string File; // the file that says no unit, as messages name it
    LengthUnit Unit = LengthUnit::Millimetre;
    std::string From;         // the file that says it
    bool FromProfile = false; // the profile says it (the program is taken in it)
};

// The one rule every front asks: nothing when both or neither say a unit.
std::optional<UnitsAssumed> AssumeUnits(std::optional<LengthUnit> program,
                                        const std::string& programName,
                                        std::optional<LengthUnit> profile,
                                        const std::string& profileName);

// "bender3.toml says no unit: its lengths are taken as in, the program's", in `language`.
std::string UnitsAssumedNote(const UnitsAssumed& assumed, Language language = Language::English);
// A hollow tube's wall as a program file says it: a comment line "# wall: T", T a number in the
// file's length unit, any text after it a note ("# wall: 2 mm, stainless" reads 2). A wall line
// with no number is a plain comment. Where the number stands, for an error about it.
struct WallLine {
    double Value = 0;
    int Line = 0;
    int Column = 0;
};

// The wall a file's text says, if it says one. A number too large for a double, or a second
// wall line that disagrees, is an error naming the line and column; whether the wall fits the
// tube is for the reader that knows the diameter (WallFits).
Result<std::optional<WallLine>> ReadWallLine(std::string_view text, const std::string& file);

// Whether a comment line is a wall line that says a number.
bool IsWallLine(std::string_view line);

// The wall line a file of a hollow tube carries.
std::string WallLineText(double wall);

// A wall leaves a bore in a tube of `diameter`: 0 < wall < D/2.
bool WallFits(double wall, double diameter);

} // namespace tubrix
