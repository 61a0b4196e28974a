#pragma once

#include "machineprofile.h"

#include <cmath>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <variant>

// The key table of a machine profile: every key's name, type, range, default and meaning, and
// whether it is a length. The reader, its errors, the writer, the in-place editor, the
// conversion between units and `check --help`'s key list all come from it, so a new key is one
// entry here and one field of MachineProfile.

namespace tubrix::profilekeys {

inline constexpr double Infinity = std::numeric_limits<double>::infinity();

// The numbers a key takes: between Low and High, each end open or closed. Every number must
// also be finite, so a profile never carries inf or nan into the checks.
struct NumberRange {
    double Low = -Infinity;
    bool LowIncluded = false;
    double High = Infinity;
    bool HighIncluded = false;
    const char* Text = "a finite number";

    bool Holds(double value) const {
        return std::isfinite(value) && (LowIncluded ? value >= Low : value > Low) &&
               (HighIncluded ? value <= High : value < High);
    }
};

inline constexpr NumberRange AboveZero{0, false, Infinity, false, "greater than 0"};
inline constexpr NumberRange ZeroOrMore{0, true, Infinity, false, "0 or more"};
inline constexpr NumberRange AngleRange{0, false, 360, true, "greater than 0 and at most 360"};
// Springback as a bender takes it: a share of the angle (0.05, 5 %) and a few degrees. Past
// these no tube springs back, and the machine angle would be a guess at best (per_degree = 2,
// meant as 2 %, turns 45 degrees into 137).
inline constexpr NumberRange SpringbackShare{-0.5, true, 0.5, true, "from -0.5 to 0.5"};
inline constexpr NumberRange SpringbackDegrees{-45, true, 45, true, "from -45 to 45"};
// The limits on a correction that a measured part may ask of the machine.
inline constexpr NumberRange DegreesUpToHalfTurn{0, false, 180, true,
                                                 "greater than 0 and at most 180"};
inline constexpr NumberRange ShareOfAngle{0, true, 1, true, "from 0 to 1"};

// Where a key's value goes in the profile, which also says its type.
using TextField = std::optional<std::string> MachineProfile::*;
using NumberField = double MachineProfile::*;
using OptionalNumberField = std::optional<double> MachineProfile::*;
using NumberListField = std::vector<double> MachineProfile::*;
using SignField = int MachineProfile::*;
using ModeField = MachineProfile::PlaneMode MachineProfile::*;
using UnitField = std::optional<LengthUnit> MachineProfile::*;
using FlagField = bool MachineProfile::*;
using Field = std::variant<TextField, NumberField, OptionalNumberField, NumberListField, SignField,
                           ModeField, UnitField, FlagField>;

// What else a key is besides its type.
enum KeyTrait : unsigned {
    Plain = 0,
    // A length: converted with the profile's units.
    Length = 1,
    // A share of 1: a value of 1 or more out of range was most likely meant as a percentage.
    Share = 2,
};

// One key of a profile. A key of a sub-table is named "table.key".
struct ProfileKey {
    const char* Name;
    Field Target;
    NumberRange Range; // for numbers and lists of numbers
    const char* Default;
    const char* Doc;
    unsigned Traits = Plain;

    bool IsLength() const { return (Traits & Length) != 0; }
    bool IsShare() const { return (Traits & Share) != 0; }
};

// Every key a profile's own tables have, in the order the writer writes them.
std::span<const ProfileKey> Keys();

// The key of that name ("table.key"), or none.
const ProfileKey* FindKey(std::string_view name);

// Whether `name` is a table whose keys are in the table ("springback").
bool IsTableName(std::string_view name);

// Every key's name, for the message about a key that is not one.
std::string KeyList();

// The key most like a mistyped one, within two edits, or empty.
std::string LikelyKey(std::string_view typed, std::span<const std::string> names);

// The keys of the [output] table, each with what it means, what it takes and its default.
struct OutputKey {
    const char* Name;
    const char* Doc;
    const char* Takes;
    const char* Default;
};
std::span<const OutputKey> OutputKeys();

} // namespace tubrix::profilekeys
