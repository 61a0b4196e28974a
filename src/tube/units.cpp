#include "units.h"

#include "fileaccess.h"
#include "numbertext.h"
#include "tubetextreader.h"

#include <algorithm>
#include <initializer_list>

namespace tubrix {

namespace {

constexpr double MillimetresPerInch = 25.4;

// Where the value of a comment line "# key: value" starts, or npos for a line that is not one.
std::size_t CommentValueAt(std::string_view line, std::string_view key) {
    std::size_t at = line.find_first_not_of(" \t");
    if (at == std::string_view::npos || line[at] != '#') {
        return std::string_view::npos;
    }
    at = line.find_first_not_of(" \t", at + 1);
    if (at == std::string_view::npos || !EqualsIgnoringCase(line.substr(at, key.size()), key)) {
        return std::string_view::npos;
    }
    at = line.find_first_not_of(" \t", at + key.size());
    if (at == std::string_view::npos || line[at] != ':') {
        return std::string_view::npos;
    }
    return std::min(line.find_first_not_of(" \t", at + 1), line.size());
}

std::size_t UnitsValueAt(std::string_view line) {
    return CommentValueAt(line, "units");
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The number a wall line's value opens with, by the grammar of a cell (a decimal comma
// allowed, an exponent only where digits follow it), or empty where it opens with none.
std::string_view LeadingNumber(std::string_view value) {
    std::size_t at = 0;
    const auto digits = [&] {
        const std::size_t start = at;
        while (at < value.size() && IsDigit(value[at])) {
            ++at;
        }
        return at > start;
    };
    if (at < value.size() && (value[at] == '+' || value[at] == '-')) {
        ++at;
    }
    if (!digits()) {
        return {};
    }
    if (at + 1 < value.size() && (value[at] == '.' || value[at] == ',') && IsDigit(value[at + 1])) {
        ++at;
        digits();
    }
    if (at < value.size() && (value[at] == 'e' || value[at] == 'E')) {
        const std::size_t mantissa = at++;
        if (at < value.size() && (value[at] == '+' || value[at] == '-')) {
            ++at;
        }
        if (!digits()) {
            at = mantissa;
        }
    }
    return value.substr(0, at);
}

// The number of a wall line: its place in the line, or npos for a line that says none.
std::size_t WallNumberAt(std::string_view line, std::string_view& number) {
    const std::size_t at = CommentValueAt(line, "wall");
    if (at == std::string_view::npos) {
        return at;
    }
    number = LeadingNumber(line.substr(at));
    return number.empty() ? std::string_view::npos : at;
}

} // namespace

const char* UnitName(LengthUnit unit) {
    return unit == LengthUnit::Inch ? "in" : "mm";
}

std::optional<LengthUnit> ParseUnitName(std::string_view name) {
    const auto any = [&](std::initializer_list<const char*> names) {
        return std::any_of(names.begin(), names.end(),
                           [&](const char* said) { return EqualsIgnoringCase(name, said); });
    };
    if (any({"mm", "millimetre", "millimetres", "millimeter", "millimeters"})) {
        return LengthUnit::Millimetre;
    }
    if (any({"in", "inch", "inches"})) {
        return LengthUnit::Inch;
    }
    return std::nullopt;
}

double ConvertLength(double value, LengthUnit from, LengthUnit to) {
    if (from == to) {
        return value;
    }
    return from == LengthUnit::Inch ? value * MillimetresPerInch : value / MillimetresPerInch;
}

bool IsUnitsLine(std::string_view line) {
    return UnitsValueAt(line) != std::string_view::npos;
}

std::string UnitsLine(LengthUnit unit) {
    return std::string("# units: ") + UnitName(unit);
}

bool IsWallLine(std::string_view line) {
    std::string_view number;
    return WallNumberAt(line, number) != std::string_view::npos;
}

std::string WallLineText(double wall) {
    return "# wall: " + FormatNumber(wall);
}

bool WallFits(double wall, double diameter) {
    return wall > 0 && wall < diameter / 2;
}

Result<std::optional<WallLine>> ReadWallLine(std::string_view text, const std::string& file) {
    std::optional<WallLine> found;
    LineReader lines(WithoutByteOrderMark(text));
    std::string_view line;
    while (lines.Next(line)) {
        std::string_view number;
        const std::size_t at = WallNumberAt(line, number);
        if (at == std::string_view::npos) {
            continue;
        }
        const int column = static_cast<int>(at) + 1;
        // The comma of a decimal comma, never a separator: a comment has no cells.
        const Result<double> value = ParseNumber(number, ';', "the wall");
        if (!value) {
            return FileError(file, lines.Number(), column, value.Failure().Message);
        }
        if (found && found->Value != *value) {
            return FileError(file, lines.Number(), column,
                             "a second wall line says " + FormatNumber(*value) + ", the first " +
                                 FormatNumber(found->Value));
        }
        if (!found) {
            found = WallLine{*value, lines.Number(), column};
        }
    }
    return found;
}

Result<std::optional<LengthUnit>> ReadUnitsLine(std::string_view text, const std::string& file) {
    std::optional<LengthUnit> found;
    LineReader lines(WithoutByteOrderMark(text));
    std::string_view line;
    while (lines.Next(line)) {
        const std::size_t at = UnitsValueAt(line);
        if (at == std::string_view::npos) {
            continue;
        }
        std::string_view value = line.substr(at);
        value.remove_suffix(value.size() -
                            std::min(value.find_last_not_of(" \t") + 1, value.size()));
        const std::optional<LengthUnit> unit = ParseUnitName(value);
        const int column = static_cast<int>(at) + 1;
        if (!unit) {
            return FileError(file, lines.Number(), column,
                             "units must be \"mm\" or \"in\", not " + Quoted(value));
        }
        if (found && *found != *unit) {
            return FileError(file, lines.Number(), column,
                             std::string("a second units line says ") + UnitName(*unit) +
                                 ", the first " + UnitName(*found));
        }
        found = unit;
    }
    return found;
}

std::optional<UnitsAssumed> AssumeUnits(std::optional<LengthUnit> program,
                                        const std::string& programName,
                                        std::optional<LengthUnit> profile,
                                        const std::string& profileName) {
    if (program.has_value() == profile.has_value()) {
        return std::nullopt;
    }
    if (program) {
        return UnitsAssumed{profileName, *program, programName, false};
    }
    return UnitsAssumed{programName, *profile, profileName, true};
}

std::string UnitsAssumedNote(const UnitsAssumed& assumed, Language language) {
    if (language == Language::German) {
        const char* unit = assumed.Unit == LengthUnit::Inch ? "Zoll" : "mm";
        return assumed.File + " nennt keine Einheit: die Längen gelten als " + unit +
               (assumed.FromProfile ? ", die des Profils" : ", die des Programms");
    }
    return assumed.File + " says no unit: its lengths are taken as " + UnitName(assumed.Unit) +
           (assumed.FromProfile ? ", the profile's" : ", the program's");
}

} // namespace tubrix
