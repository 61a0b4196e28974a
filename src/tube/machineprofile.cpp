#include "machineprofile.h"

#include "tubetextreader.h"

#include <toml++/toml.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>
#include <variant>

namespace {

constexpr double Infinity = std::numeric_limits<double>::infinity();

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

constexpr NumberRange AboveZero{0, false, Infinity, false, "greater than 0"};
constexpr NumberRange ZeroOrMore{0, true, Infinity, false, "0 or more"};
constexpr NumberRange AnyFinite{};
constexpr NumberRange AngleRange{0, false, 360, true, "greater than 0 and at most 360"};
constexpr NumberRange AboveMinusOne{-1, false, Infinity, false, "greater than -1"};

// Where a key's value goes in the profile, which also says its type.
using TextField = std::optional<std::string> MachineProfile::*;
using NumberField = double MachineProfile::*;
using OptionalNumberField = std::optional<double> MachineProfile::*;
using NumberListField = std::vector<double> MachineProfile::*;
using SignField = int MachineProfile::*;
using ModeField = MachineProfile::PlaneMode MachineProfile::*;
using Field = std::variant<TextField, NumberField, OptionalNumberField, NumberListField, SignField,
                           ModeField>;

// One key of a profile. A key of a sub-table is named "table.key". The reader, its errors and
// the key list a message gives all come from this table: a new key is one line here.
struct ProfileKey {
    const char* Name;
    Field Target;
    NumberRange Range; // for numbers and lists of numbers
    const char* Default;
    const char* Doc;
};

const ProfileKey Keys[] = {
    {"name", &MachineProfile::Name, {}, "none", "the machine's name, shown with its findings"},
    {"tube_diameter", &MachineProfile::TubeDiameter, AboveZero, "any",
     "the outside diameter the tooling takes"},
    {"radii", &MachineProfile::Radii, AboveZero, "any", "centre-line radii of the bend dies"},
    {"clamp_length", &MachineProfile::ClampLength, ZeroOrMore, "0",
     "straight the clamp die needs before each bend"},
    {"min_tail", &MachineProfile::MinTail, ZeroOrMore, "0",
     "straight the collet needs behind the last bend"},
    {"max_angle", &MachineProfile::MaxAngle, AngleRange, "180",
     "largest angle the machine bends, degrees"},
    {"max_length", &MachineProfile::MaxLength, AboveZero, "none", "longest stock it takes"},
    {"b_sign", &MachineProfile::BSign, {}, "1", "-1: the machine turns the plane the other way"},
    {"b_mode",
     &MachineProfile::BMode,
     {},
     "\"relative\"",
     "\"absolute\": B measured from the first bend's plane, 0 to 360"},
    {"gain_per_bend", &MachineProfile::GainPerBend, ZeroOrMore, "0",
     "length the tube gains in each bend"},
    {"die_side",
     &MachineProfile::DieSide,
     {},
     "1",
     "the side of the feed axis the bend die's centre is on"},
    {"centreline_height", &MachineProfile::CentrelineHeight, AboveZero, "none",
     "feed axis above the floor"},
    {"springback.fixed", &MachineProfile::SpringbackFixed, AnyFinite, "0",
     "degrees over-bent besides the share per degree"},
    {"springback.per_degree", &MachineProfile::SpringbackPerDegree, AboveMinusOne, "0",
     "degrees over-bent per degree: bent as C + fixed + per_degree * C"},
};

// Every key's name, for the message about a key that is not one.
std::string KeyList() {
    std::string list;
    for (const ProfileKey& key : Keys) {
        list += (list.empty() ? "" : ", ") + std::string(key.Name);
    }
    return list;
}

const ProfileKey* FindKey(std::string_view name) {
    for (const ProfileKey& key : Keys) {
        if (name == key.Name) {
            return &key;
        }
    }
    return nullptr;
}

bool IsTableName(std::string_view name) {
    for (const ProfileKey& key : Keys) {
        const std::string_view full = key.Name;
        if (full.size() > name.size() && full.starts_with(name) && full[name.size()] == '.') {
            return true;
        }
    }
    return false;
}

class ProfileReader {
public:
    explicit ProfileReader(const std::string& file) : file_(file) {}

    // Reads every key of `table` (named `prefix` within the profile; empty at the top).
    bool ReadTable(const toml::table& table, const std::string& prefix) {
        for (const auto& [key, node] : table) {
            const std::string name = prefix + std::string(key.str());
            if (IsTableName(name)) {
                if (!node.is_table()) {
                    return Fail(node, name + " must be a table of keys");
                }
                if (!ReadTable(*node.as_table(), name + ".")) {
                    return false;
                }
                continue;
            }
            const ProfileKey* known = FindKey(name);
            if (!known) {
                return FailAt(key.source(), "unknown key " + Quoted(name) +
                                                "; a machine profile has " + KeyList());
            }
            const toml::node& value = node; // a structured binding cannot be captured
            if (!std::visit([&](auto field) { return Store(*known, value, field); },
                            known->Target)) {
                return false;
            }
        }
        return true;
    }

    MachineProfile Profile;
    TubeFileError Error;

private:
    bool FailAt(const toml::source_region& where, std::string message) {
        Error = MakeFileError(file_, static_cast<int>(where.begin.line),
                              static_cast<int>(where.begin.column), std::move(message));
        return false;
    }
    bool Fail(const toml::node& node, std::string message) {
        return FailAt(node.source(), std::move(message));
    }

    // Integers and floats alike; false with the error set when the node is neither or out of
    // range.
    bool Number(const ProfileKey& key, const toml::node& node, const NumberRange& range,
                double& value) {
        if (const auto* integer = node.as_integer()) {
            value = static_cast<double>(integer->get());
        } else if (const auto* floating = node.as_floating_point()) {
            value = floating->get();
        } else {
            return Fail(node, std::string(key.Name) + " must be a number");
        }
        if (!range.Holds(value)) {
            return Fail(node, std::string(key.Name) + " must be " + range.Text);
        }
        return true;
    }

    bool Store(const ProfileKey& key, const toml::node& node, TextField field) {
        const auto* text = node.as_string();
        if (!text) {
            return Fail(node, std::string(key.Name) + " must be a string");
        }
        Profile.*field = text->get();
        return true;
    }

    bool Store(const ProfileKey& key, const toml::node& node, NumberField field) {
        return Number(key, node, key.Range, Profile.*field);
    }

    bool Store(const ProfileKey& key, const toml::node& node, OptionalNumberField field) {
        double value = 0;
        if (!Number(key, node, key.Range, value)) {
            return false;
        }
        Profile.*field = value;
        return true;
    }

    bool Store(const ProfileKey& key, const toml::node& node, NumberListField field) {
        const auto* array = node.as_array();
        if (!array) {
            return Fail(node, std::string(key.Name) + " must be a list of numbers");
        }
        if (array->empty()) {
            return Fail(node, std::string(key.Name) + " must not be empty");
        }
        std::vector<double> values;
        for (const toml::node& item : *array) {
            double value = 0;
            if (!Number(key, item, key.Range, value)) {
                return false;
            }
            values.push_back(value);
        }
        Profile.*field = std::move(values);
        return true;
    }

    bool Store(const ProfileKey& key, const toml::node& node, SignField field) {
        constexpr NumberRange AnyNumber{};
        double value = 0;
        if (!Number(key, node, AnyNumber, value)) {
            return false;
        }
        if (value != 1 && value != -1) {
            return Fail(node, std::string(key.Name) + " must be 1 or -1");
        }
        Profile.*field = value > 0 ? 1 : -1;
        return true;
    }

    bool Store(const ProfileKey& key, const toml::node& node, ModeField field) {
        const auto* text = node.as_string();
        const std::string_view mode = text ? std::string_view(text->get()) : std::string_view();
        if (mode == "relative") {
            Profile.*field = MachineProfile::PlaneMode::Relative;
        } else if (mode == "absolute") {
            Profile.*field = MachineProfile::PlaneMode::Absolute;
        } else {
            return Fail(node, std::string(key.Name) + " must be \"relative\" or \"absolute\"");
        }
        return true;
    }

    const std::string& file_;
};

} // namespace

Loaded<MachineProfile> ParseMachineProfile(std::string_view text, const std::string& file) {
    text = WithoutByteOrderMark(text);
    if (const std::optional<TubeFileError> error = CheckText(text, file)) {
        return {std::nullopt, *error};
    }
    toml::table table;
    try {
        table = toml::parse(text, file);
    } catch (const toml::parse_error& error) {
        const toml::source_position at = error.source().begin;
        return {std::nullopt,
                MakeFileError(file, static_cast<int>(at.line), static_cast<int>(at.column),
                              std::string(error.description()))};
    }
    ProfileReader reader(file);
    if (!reader.ReadTable(table, "")) {
        return {std::nullopt, reader.Error};
    }
    return {std::move(reader.Profile), {}};
}

// What a key takes, in words.
std::string Accepted(const ProfileKey& key) {
    struct Words {
        const NumberRange& Range;
        std::string operator()(TextField) const { return "a string"; }
        std::string operator()(NumberField) const { return Range.Text; }
        std::string operator()(OptionalNumberField) const { return Range.Text; }
        std::string operator()(NumberListField) const {
            return std::string("a list of numbers, each ") + Range.Text;
        }
        std::string operator()(SignField) const { return "1 or -1"; }
        std::string operator()(ModeField) const { return "\"relative\" or \"absolute\""; }
    };
    return std::visit(Words{key.Range}, key.Target);
}

std::string MachineProfileKeysHelp() {
    std::string help;
    for (const ProfileKey& key : Keys) {
        std::string line = "  " + std::string(key.Name);
        line.resize(std::max<std::size_t>(line.size() + 1, 25), ' ');
        help += line + key.Doc + "\n" + std::string(25, ' ') + Accepted(key) + "; default " +
                key.Default + "\n";
    }
    return help;
}

Loaded<MachineProfile> ReadMachineProfile(const std::string& path) {
    const Loaded<std::string> text = ReadTubeFile(path);
    if (!text) {
        return {std::nullopt, text.Error};
    }
    return ParseMachineProfile(*text.Value, path == "-" ? "standard input" : path);
}
