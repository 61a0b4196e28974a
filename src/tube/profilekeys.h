#pragma once

#include "machineprofile.h"

#include <toml++/toml.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

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

// What else a key is besides its type.
enum KeyTrait : unsigned {
    Plain = 0,
    // A length: converted with the profile's units.
    Length = 1,
    // A share of 1: a value of 1 or more out of range was most likely meant as a percentage.
    Share = 2,
};

// Where a key's value goes in a record (the profile, or one table of an array of tables), which
// also says its type: text, a number, an optional number, a list of numbers, a sign (1 or -1),
// a plane mode, a unit, a flag (true or false).
template <typename Record>
using FieldOf = std::variant<std::optional<std::string> Record::*, double Record::*,
                             std::optional<double> Record::*, std::vector<double> Record::*,
                             int Record::*, MachineProfile::PlaneMode Record::*,
                             std::optional<LengthUnit> Record::*, bool Record::*>;

// One key of a record. A key of a sub-table is named "table.key".
template <typename Record> struct KeyOf {
    const char* Name;
    FieldOf<Record> Target;
    NumberRange Range; // for numbers and lists of numbers
    const char* Default;
    const char* Doc;
    unsigned Traits = Plain;

    bool IsLength() const { return (Traits & Length) != 0; }
    bool IsShare() const { return (Traits & Share) != 0; }
};

using ProfileKey = KeyOf<MachineProfile>;

// What a value's message needs of its key: its full name ("stack.radius"), its range and
// whether it is a share.
struct KeyWords {
    std::string Name;
    NumberRange Range;
    bool IsShare = false;
};

// One value read from TOML into a field of its type; the error names the file, line and column.
Result<void> ReadValue(const KeyWords& key, const toml::node& node, const std::string& file,
                       std::optional<std::string>& out);
Result<void> ReadValue(const KeyWords& key, const toml::node& node, const std::string& file,
                       double& out);
Result<void> ReadValue(const KeyWords& key, const toml::node& node, const std::string& file,
                       std::optional<double>& out);
Result<void> ReadValue(const KeyWords& key, const toml::node& node, const std::string& file,
                       std::vector<double>& out);
Result<void> ReadValue(const KeyWords& key, const toml::node& node, const std::string& file,
                       int& out);
Result<void> ReadValue(const KeyWords& key, const toml::node& node, const std::string& file,
                       MachineProfile::PlaneMode& out);
Result<void> ReadValue(const KeyWords& key, const toml::node& node, const std::string& file,
                       std::optional<LengthUnit>& out);
Result<void> ReadValue(const KeyWords& key, const toml::node& node, const std::string& file,
                       bool& out);

// One value as TOML, or nothing for an optional value that is not there (and an empty list).
std::unique_ptr<toml::node> WrittenValue(const std::optional<std::string>& value);
std::unique_ptr<toml::node> WrittenValue(double value);
std::unique_ptr<toml::node> WrittenValue(const std::optional<double>& value);
std::unique_ptr<toml::node> WrittenValue(const std::vector<double>& value);
std::unique_ptr<toml::node> WrittenValue(int value);
std::unique_ptr<toml::node> WrittenValue(MachineProfile::PlaneMode value);
std::unique_ptr<toml::node> WrittenValue(const std::optional<LengthUnit>& value);
std::unique_ptr<toml::node> WrittenValue(bool value);

// A length value in another unit; a value of any other type is no length and stays.
void ConvertValue(double& value, LengthUnit from, LengthUnit to);
void ConvertValue(std::optional<double>& value, LengthUnit from, LengthUnit to);
void ConvertValue(std::vector<double>& value, LengthUnit from, LengthUnit to);
template <typename Value> void ConvertValue(Value&, LengthUnit, LengthUnit) {}

// What a value of the field's type takes, in words.
std::string TakesWords(const std::optional<std::string>*, const NumberRange&);
std::string TakesWords(const double*, const NumberRange& range);
std::string TakesWords(const std::optional<double>*, const NumberRange& range);
std::string TakesWords(const std::vector<double>*, const NumberRange& range);
std::string TakesWords(const int*, const NumberRange&);
std::string TakesWords(const MachineProfile::PlaneMode*, const NumberRange&);
std::string TakesWords(const std::optional<LengthUnit>*, const NumberRange&);
std::string TakesWords(const bool*, const NumberRange&);

// A key's value read into the record; `name` is how messages call it.
template <typename Record>
Result<void> ReadKey(const KeyOf<Record>& key, const std::string& name, const toml::node& node,
                     const std::string& file, Record& record) {
    const KeyWords words{name, key.Range, key.IsShare()};
    return std::visit([&](auto field) { return ReadValue(words, node, file, record.*field); },
                      key.Target);
}

template <typename Record>
std::unique_ptr<toml::node> WrittenKey(const KeyOf<Record>& key, const Record& record) {
    return std::visit([&](auto field) { return WrittenValue(record.*field); }, key.Target);
}

template <typename Record> std::string KeyTakes(const KeyOf<Record>& key) {
    return std::visit(
        [&](auto field) {
            using Value = std::remove_reference_t<decltype(std::declval<Record&>().*field)>;
            return TakesWords(static_cast<const Value*>(nullptr), key.Range);
        },
        key.Target);
}

// Every length key of the record in another unit.
template <typename Record>
void ConvertRecord(std::span<const KeyOf<Record>> keys, Record& record, LengthUnit from,
                   LengthUnit to) {
    for (const KeyOf<Record>& key : keys) {
        if (key.IsLength()) {
            std::visit([&](auto field) { ConvertValue(record.*field, from, to); }, key.Target);
        }
    }
}

// The message for a key that is not one of `names`: the one it most likely meant, else
// `lead` and every key listed.
std::string UnknownKeyMessage(const std::string& typed, std::span<const std::string> names,
                              const std::string& lead);

// A key's two lines of help: its name and meaning, then what it takes and its default.
std::string KeyHelp(const std::string& name, const char* doc, const std::string& takes,
                    const char* fallback);

// An error at the node, or at the key, naming the file.
Error NodeError(const std::string& file, const toml::source_region& where, std::string message);

// An array of tables ([[name]]), one record from each table, read by the record's own keys.
template <typename Record>
Result<std::vector<Record>> ReadRecords(const toml::node& node, const std::string& name,
                                        std::span<const KeyOf<Record>> keys,
                                        const std::string& file) {
    const toml::array* array = node.as_array();
    if (!array || !array->is_array_of_tables()) {
        return NodeError(file, node.source(),
                         name + " must be an array of tables, each written [[" + name + "]]");
    }
    std::vector<std::string> names;
    for (const KeyOf<Record>& key : keys) {
        names.emplace_back(key.Name);
    }
    std::vector<Record> records;
    for (const toml::node& item : *array) {
        Record record{};
        for (const auto& [key, value] : *item.as_table()) {
            const std::string typed(key.str());
            const auto known = std::find_if(
                keys.begin(), keys.end(), [&](const KeyOf<Record>& k) { return typed == k.Name; });
            if (known == keys.end()) {
                return NodeError(file, key.source(),
                                 UnknownKeyMessage(typed, names, "a [[" + name + "]] table has "));
            }
            if (Result<void> read = ReadKey(*known, name + "." + typed, value, file, record);
                !read) {
                return read.Failure();
            }
        }
        records.push_back(std::move(record));
    }
    return records;
}

// The records as an array of tables, each with every key that has a value.
template <typename Record>
toml::array WrittenRecords(std::span<const Record> records, std::span<const KeyOf<Record>> keys) {
    toml::array array;
    for (const Record& record : records) {
        toml::table table;
        for (const KeyOf<Record>& key : keys) {
            if (std::unique_ptr<toml::node> value = WrittenKey(key, record)) {
                table.insert(key.Name, std::move(*value));
            }
        }
        array.push_back(std::move(table));
    }
    return array;
}

// An array of tables of the profile: its name and meaning, and how its records are read,
// written (nothing without records), converted and listed, each by the record's own key table.
struct TableList {
    const char* Name;
    const char* Doc;
    Result<void> (*Read)(const toml::node& node, const std::string& name, const std::string& file,
                         MachineProfile& into);
    std::unique_ptr<toml::node> (*Write)(const MachineProfile& profile);
    void (*Convert)(MachineProfile& profile, LengthUnit from, LengthUnit to);
    std::string (*Help)(const std::string& name);
};

// The TableList of the records in the profile's `List`, read by the keys `RecordKeys` gives.
template <typename Record, std::vector<Record> MachineProfile::*List,
          std::span<const KeyOf<Record>> (*RecordKeys)()>
constexpr TableList TableListOf(const char* name, const char* doc) {
    return TableList{name,
                     doc,
                     [](const toml::node& node, const std::string& listName,
                        const std::string& file, MachineProfile& into) -> Result<void> {
                         Result<std::vector<Record>> records =
                             ReadRecords<Record>(node, listName, RecordKeys(), file);
                         if (!records) {
                             return records.Failure();
                         }
                         into.*List = std::move(*records);
                         return {};
                     },
                     [](const MachineProfile& profile) -> std::unique_ptr<toml::node> {
                         if ((profile.*List).empty()) {
                             return nullptr;
                         }
                         return std::make_unique<toml::array>(
                             WrittenRecords<Record>(profile.*List, RecordKeys()));
                     },
                     [](MachineProfile& profile, LengthUnit from, LengthUnit to) {
                         for (Record& record : profile.*List) {
                             ConvertRecord<Record>(RecordKeys(), record, from, to);
                         }
                     },
                     [](const std::string& listName) {
                         std::string help;
                         for (const KeyOf<Record>& key : RecordKeys()) {
                             help += KeyHelp("[[" + listName + "]] " + key.Name, key.Doc,
                                             KeyTakes(key), key.Default);
                         }
                         return help;
                     }};
}

// The arrays of tables a profile may have, each made by TableListOf.
std::span<const TableList> TableLists();

// Every key a profile's own tables have, in the order the writer writes them.
std::span<const ProfileKey> Keys();

// The key of that name ("table.key"), or none.
const ProfileKey* FindKey(std::string_view name);

// Whether `name` is a table whose keys are in the table ("springback").
bool IsTableName(std::string_view name);

// Every key's name, for the message about a key that is not one.
std::string KeyList();

// The keys of the [output] table, each with what it means, what it takes and its default.
struct OutputKey {
    const char* Name;
    const char* Doc;
    const char* Takes;
    const char* Default;
};
std::span<const OutputKey> OutputKeys();

} // namespace tubrix::profilekeys
