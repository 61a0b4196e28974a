#include "machineprofile.h"

#include "fileaccess.h"
#include "numbertext.h"

#include <toml++/toml.h>

#include <algorithm>
#include <cmath>
#include <concepts>
#include <limits>
#include <memory>
#include <span>
#include <sstream>
#include <variant>

namespace tubrix {

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
constexpr NumberRange AngleRange{0, false, 360, true, "greater than 0 and at most 360"};
// Springback as a bender takes it: a share of the angle (0.05, 5 %) and a few degrees. Past
// these no tube springs back, and the machine angle would be a guess at best (per_degree = 2,
// meant as 2 %, turns 45 degrees into 137).
constexpr NumberRange SpringbackShare{-0.5, true, 0.5, true, "from -0.5 to 0.5"};
constexpr NumberRange SpringbackDegrees{-45, true, 45, true, "from -45 to 45"};

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
    // A share of 1: a value of 1 or more out of range was most likely meant as a percentage.
    bool Share = false;
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
    {"springback.fixed", &MachineProfile::SpringbackFixed, SpringbackDegrees, "0",
     "degrees over-bent besides the share per degree"},
    {"springback.per_degree", &MachineProfile::SpringbackPerDegree, SpringbackShare, "0",
     "degrees over-bent per degree: bent as C + fixed + per_degree * C", true},
    {"sheath_tolerance", &MachineProfile::SheathTolerance, AboveZero, "1",
     "how far a measured part's centre line may stray from the nominal one"},
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
    Result<void> ReadTable(const toml::table& table, const std::string& prefix) {
        for (const auto& [key, node] : table) {
            const std::string name = prefix + std::string(key.str());
            if (IsTableName(name)) {
                if (!node.is_table()) {
                    return Fail(node, name + " must be a table of keys");
                }
                if (Result<void> read = ReadTable(*node.as_table(), name + "."); !read) {
                    return read;
                }
                continue;
            }
            const ProfileKey* known = FindKey(name);
            if (!known) {
                return FailAt(key.source(), "unknown key " + Quoted(name) +
                                                "; a machine profile has " + KeyList());
            }
            const toml::node& value = node; // a structured binding cannot be captured
            Result<void> stored =
                std::visit([&](auto field) { return Store(*known, value, field); }, known->Target);
            if (!stored) {
                return stored;
            }
        }
        return {};
    }

    MachineProfile Profile;

private:
    Error FailAt(const toml::source_region& where, std::string message) const {
        return FileError(file_, static_cast<int>(where.begin.line),
                         static_cast<int>(where.begin.column), std::move(message));
    }
    Error Fail(const toml::node& node, std::string message) const {
        return FailAt(node.source(), std::move(message));
    }

    // Integers and floats alike, within the range.
    Result<double> Number(const ProfileKey& key, const toml::node& node,
                          const NumberRange& range) const {
        double value = 0;
        if (const auto* integer = node.as_integer()) {
            value = static_cast<double>(integer->get());
        } else if (const auto* floating = node.as_floating_point()) {
            value = floating->get();
        } else {
            return Fail(node, std::string(key.Name) + " must be a number");
        }
        if (!range.Holds(value)) {
            std::string message = std::string(key.Name) + " must be " + range.Text;
            // 2 meant as 2 %: said as the share it would be, when that share is taken.
            if (key.Share && value >= 1 && range.Holds(value / 100)) {
                message += "; did you mean " + FormatNumber(value / 100) + ", " +
                           FormatNumber(value) + " %?";
            }
            return Fail(node, std::move(message));
        }
        return value;
    }

    Result<void> Store(const ProfileKey& key, const toml::node& node, TextField field) {
        const auto* text = node.as_string();
        if (!text) {
            return Fail(node, std::string(key.Name) + " must be a string");
        }
        Profile.*field = text->get();
        return {};
    }

    // A number, or an optional one that the key gives.
    template <typename Field>
    requires std::same_as<Field, NumberField> || std::same_as<Field, OptionalNumberField>
        Result<void> Store(const ProfileKey& key, const toml::node& node, Field field) {
        const Result<double> value = Number(key, node, key.Range);
        if (!value) {
            return value.Failure();
        }
        Profile.*field = *value;
        return {};
    }

    Result<void> Store(const ProfileKey& key, const toml::node& node, NumberListField field) {
        const auto* array = node.as_array();
        if (!array) {
            return Fail(node, std::string(key.Name) + " must be a list of numbers");
        }
        if (array->empty()) {
            return Fail(node, std::string(key.Name) + " must not be empty");
        }
        std::vector<double> values;
        for (const toml::node& item : *array) {
            const Result<double> value = Number(key, item, key.Range);
            if (!value) {
                return value.Failure();
            }
            values.push_back(*value);
        }
        Profile.*field = std::move(values);
        return {};
    }

    Result<void> Store(const ProfileKey& key, const toml::node& node, SignField field) {
        constexpr NumberRange AnyNumber{};
        const Result<double> value = Number(key, node, AnyNumber);
        if (!value) {
            return value.Failure();
        }
        if (*value != 1 && *value != -1) {
            return Fail(node, std::string(key.Name) + " must be 1 or -1");
        }
        Profile.*field = *value > 0 ? 1 : -1;
        return {};
    }

    Result<void> Store(const ProfileKey& key, const toml::node& node, ModeField field) {
        const auto* text = node.as_string();
        const std::string_view mode = text ? std::string_view(text->get()) : std::string_view();
        if (mode == "relative") {
            Profile.*field = MachineProfile::PlaneMode::Relative;
        } else if (mode == "absolute") {
            Profile.*field = MachineProfile::PlaneMode::Absolute;
        } else {
            return Fail(node, std::string(key.Name) + " must be \"relative\" or \"absolute\"");
        }
        return {};
    }

    const std::string& file_;
};

// One key's value as TOML, or nothing for an optional value the profile does not have.
struct WrittenValue {
    const MachineProfile& Profile;

    std::unique_ptr<toml::node> operator()(TextField field) const {
        return Profile.*field ? std::make_unique<toml::value<std::string>>(*(Profile.*field))
                              : nullptr;
    }
    std::unique_ptr<toml::node> operator()(NumberField field) const {
        return std::make_unique<toml::value<double>>(Profile.*field);
    }
    std::unique_ptr<toml::node> operator()(OptionalNumberField field) const {
        return Profile.*field ? std::make_unique<toml::value<double>>(*(Profile.*field)) : nullptr;
    }
    std::unique_ptr<toml::node> operator()(NumberListField field) const {
        if ((Profile.*field).empty()) {
            return nullptr;
        }
        auto list = std::make_unique<toml::array>();
        for (const double value : Profile.*field) {
            list->push_back(value);
        }
        return list;
    }
    std::unique_ptr<toml::node> operator()(SignField field) const {
        return std::make_unique<toml::value<std::int64_t>>(Profile.*field);
    }
    std::unique_ptr<toml::node> operator()(ModeField field) const {
        return std::make_unique<toml::value<std::string>>(
            Profile.*field == MachineProfile::PlaneMode::Absolute ? "absolute" : "relative");
    }
};

} // namespace

Result<MachineProfile> ParseMachineProfile(std::string_view text, const std::string& file) {
    text = WithoutByteOrderMark(text);
    if (Result<void> checked = CheckText(text, file); !checked) {
        return checked.Failure();
    }
    toml::table table;
    try {
        table = toml::parse(text, file);
    } catch (const toml::parse_error& error) {
        const toml::source_position at = error.source().begin;
        return FileError(file, static_cast<int>(at.line), static_cast<int>(at.column),
                         std::string(error.description()));
    }
    ProfileReader reader(file);
    if (Result<void> read = reader.ReadTable(table, ""); !read) {
        return read.Failure();
    }
    return std::move(reader.Profile);
}

std::string FormatMachineProfile(const MachineProfile& profile) {
    toml::table root;
    for (const ProfileKey& key : Keys) {
        std::unique_ptr<toml::node> value = std::visit(WrittenValue{profile}, key.Target);
        if (!value) {
            continue;
        }
        // "table.key" goes into its sub-table, made when the first of its keys is written.
        toml::table* table = &root;
        std::string_view name = key.Name;
        if (const std::size_t dot = name.find('.'); dot != std::string_view::npos) {
            const std::string_view sub = name.substr(0, dot);
            if (!root.contains(sub)) {
                root.insert(sub, toml::table{});
            }
            table = root.get_as<toml::table>(sub);
            name.remove_prefix(dot + 1);
        }
        table->insert(name, std::move(*value));
    }
    std::ostringstream text;
    text << root << '\n';
    return text.str();
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

Result<MachineProfile> ReadMachineProfile(const std::string& path) {
    const Result<std::string> text = ReadTextFile(path);
    if (!text) {
        return text.Failure();
    }
    return ParseMachineProfile(*text, ShownName(path));
}

} // namespace tubrix
