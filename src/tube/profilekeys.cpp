#include "profilekeys.h"

#include "fileaccess.h"
#include "numbertext.h"
#include "posttemplate.h"
#include "units.h"

#include <algorithm>
#include <cmath>

namespace tubrix::profilekeys {

namespace {

const ProfileKey KeyTable[] = {
    {"name", &MachineProfile::Name, {}, "none", "the machine's name, shown with its findings"},
    {"units",
     &MachineProfile::Units,
     {},
     "the program's",
     "the unit of its lengths; a program in the other is checked with them converted"},
    {"tube_diameter", &MachineProfile::TubeDiameter, AboveZero, "any",
     "the outside diameter the tooling takes", Length},
    {"radii", &MachineProfile::Radii, AboveZero, "any", "centre-line radii of the bend dies",
     Length},
    {"radius_tolerance", &MachineProfile::RadiusTolerance, AboveZero, "1e-6",
     "how near a bend's R must be to a die's radius to be bent on it", Length},
    {"clamp_length", &MachineProfile::ClampLength, ZeroOrMore, "0",
     "straight the clamp die needs before each bend", Length},
    {"min_tail", &MachineProfile::MinTail, ZeroOrMore, "0",
     "straight the collet needs behind the last bend", Length},
    {"max_angle", &MachineProfile::MaxAngle, AngleRange, "180",
     "largest angle the machine bends, degrees"},
    {"max_length", &MachineProfile::MaxLength, AboveZero, "none", "longest stock it takes", Length},
    {"b_sign", &MachineProfile::BSign, {}, "1", "-1: the machine turns the plane the other way"},
    {"b_mode",
     &MachineProfile::BMode,
     {},
     "\"relative\"",
     "\"absolute\": B measured from the first bend's plane, 0 to 360"},
    {"gain_per_bend", &MachineProfile::GainPerBend, ZeroOrMore, "0",
     "length the tube gains in each bend", Length},
    {"die_side",
     &MachineProfile::DieSide,
     {},
     "1",
     "the side of the feed axis the bend die's centre is on"},
    {"centreline_height", &MachineProfile::CentrelineHeight, AboveZero, "none",
     "feed axis above the floor", Length},
    {"springback.fixed", &MachineProfile::SpringbackFixed, SpringbackDegrees, "0",
     "degrees over-bent besides the share per degree"},
    {"springback.per_degree", &MachineProfile::SpringbackPerDegree, SpringbackShare, "0",
     "degrees over-bent per degree: bent as C + fixed + per_degree * C", Share},
    {"sheath_tolerance", &MachineProfile::SheathTolerance, AboveZero, "1",
     "how far a measured part's centre line may stray from the nominal one", Length},
    {"max_correction_angle", &MachineProfile::MaxCorrectionAngle, DegreesUpToHalfTurn, "10",
     "largest change of a machine angle `correct` writes, degrees, besides the share"},
    {"max_correction_share", &MachineProfile::MaxCorrectionShare, ShareOfAngle, "0.1",
     "largest change of a machine angle `correct` writes, as a share of the bend's angle", Share},
    {"max_correction_plane", &MachineProfile::MaxCorrectionPlane, DegreesUpToHalfTurn, "10",
     "largest change of a plane turn `correct` writes, degrees"},
    {"max_correction_feed", &MachineProfile::MaxCorrectionFeed, AboveZero, "10 mm (0.3937 in)",
     "largest change of a feed `correct` writes", Length},
    {"fit_limit", &MachineProfile::FitLimit, AboveZero, "none",
     "largest RMS of a measured part's best fit that `correct` and `calibrate` take", Length},
};

const OutputKey OutputKeyTable[] = {
    {"extension", "the control's file: the program's name with this extension", "a string",
     "none: standard output"},
    {"line_end", "the line ends of the control's file", "\"lf\" or \"crlf\"", "\"lf\""},
    {"encoding", "the control's character set", "\"utf-8\" or \"latin-1\"", "\"utf-8\""},
    {"decimal_mark", "written in place of every number's point", "\".\" or \",\"", "\".\""},
    {"header", "written first", "a {fmt} template of the part's fields", "nothing"},
    {"row", "written for every row of the machine's program",
     "a {fmt} template of the row's and the part's fields", "none: needed"},
    {"footer", "written last", "a {fmt} template of the part's fields", "nothing"},
};

} // namespace

std::span<const ProfileKey> Keys() {
    return KeyTable;
}

std::span<const OutputKey> OutputKeys() {
    return OutputKeyTable;
}

std::string KeyList() {
    std::string list;
    for (const ProfileKey& key : Keys()) {
        list += (list.empty() ? "" : ", ") + std::string(key.Name);
    }
    return list;
}

const ProfileKey* FindKey(std::string_view name) {
    for (const ProfileKey& key : Keys()) {
        if (name == key.Name) {
            return &key;
        }
    }
    return nullptr;
}

bool IsTableName(std::string_view name) {
    for (const ProfileKey& key : Keys()) {
        const std::string_view full = key.Name;
        if (full.size() > name.size() && full.starts_with(name) && full[name.size()] == '.') {
            return true;
        }
    }
    return false;
}

std::string UnknownKeyMessage(const std::string& typed, std::span<const std::string> names,
                              const std::string& lead) {
    const std::string likely = LikelyMeant(typed, names);
    if (!likely.empty()) {
        return "unknown key " + Quoted(typed) + "; did you mean " + Quoted(likely) + "?";
    }
    std::string list;
    for (const std::string& name : names) {
        list += (list.empty() ? "" : ", ") + name;
    }
    return "unknown key " + Quoted(typed) + "; " + lead + list;
}

std::string KeyHelp(const std::string& name, const char* doc, const std::string& takes,
                    const char* fallback) {
    std::string line = "  " + name;
    line.resize(std::max<std::size_t>(line.size() + 1, 25), ' ');
    return line + doc + "\n" + std::string(25, ' ') + takes + "; default " + fallback + "\n";
}

Error NodeError(const std::string& file, const toml::source_region& where, std::string message) {
    return FileError(file, static_cast<int>(where.begin.line), static_cast<int>(where.begin.column),
                     std::move(message));
}

// ---- Values by their type ----------------------------------------------------------------

namespace {

Error Fail(const std::string& file, const toml::node& node, std::string message) {
    return NodeError(file, node.source(), std::move(message));
}

// Integers and floats alike, within the range.
Result<double> Number(const KeyWords& key, const toml::node& node, const std::string& file,
                      const NumberRange& range) {
    double value = 0;
    if (const auto* integer = node.as_integer()) {
        value = static_cast<double>(integer->get());
    } else if (const auto* floating = node.as_floating_point()) {
        value = floating->get();
    } else {
        return Fail(file, node, key.Name + " must be a number");
    }
    if (!range.Holds(value)) {
        std::string message = key.Name + " must be " + range.Text;
        // 2 meant as 2 %: said as the share it would be, when that share is taken.
        if (key.IsShare && value >= 1 && range.Holds(value / 100)) {
            message +=
                "; did you mean " + FormatNumber(value / 100) + ", " + FormatNumber(value) + " %?";
        }
        return Fail(file, node, std::move(message));
    }
    return value;
}

} // namespace

Result<void> ReadValue(const KeyWords& key, const toml::node& node, const std::string& file,
                       std::optional<std::string>& out) {
    const auto* text = node.as_string();
    if (!text) {
        return Fail(file, node, key.Name + " must be a string");
    }
    out = text->get();
    return {};
}

Result<void> ReadValue(const KeyWords& key, const toml::node& node, const std::string& file,
                       double& out) {
    const Result<double> value = Number(key, node, file, key.Range);
    if (!value) {
        return value.Failure();
    }
    out = *value;
    return {};
}

Result<void> ReadValue(const KeyWords& key, const toml::node& node, const std::string& file,
                       std::optional<double>& out) {
    double value = 0;
    if (Result<void> read = ReadValue(key, node, file, value); !read) {
        return read;
    }
    out = value;
    return {};
}

Result<void> ReadValue(const KeyWords& key, const toml::node& node, const std::string& file,
                       std::vector<double>& out) {
    const auto* array = node.as_array();
    if (!array) {
        return Fail(file, node, key.Name + " must be a list of numbers");
    }
    if (array->empty()) {
        return Fail(file, node, key.Name + " must not be empty");
    }
    std::vector<double> values;
    for (const toml::node& item : *array) {
        const Result<double> value = Number(key, item, file, key.Range);
        if (!value) {
            return value.Failure();
        }
        values.push_back(*value);
    }
    out = std::move(values);
    return {};
}

Result<void> ReadValue(const KeyWords& key, const toml::node& node, const std::string& file,
                       int& out) {
    const Result<double> value = Number(key, node, file, NumberRange{});
    if (!value) {
        return value.Failure();
    }
    if (*value != 1 && *value != -1) {
        return Fail(file, node, key.Name + " must be 1 or -1");
    }
    out = *value > 0 ? 1 : -1;
    return {};
}

Result<void> ReadValue(const KeyWords& key, const toml::node& node, const std::string& file,
                       MachineProfile::PlaneMode& out) {
    const auto* text = node.as_string();
    const std::string_view mode = text ? std::string_view(text->get()) : std::string_view();
    if (mode == "relative") {
        out = MachineProfile::PlaneMode::Relative;
    } else if (mode == "absolute") {
        out = MachineProfile::PlaneMode::Absolute;
    } else {
        return Fail(file, node, key.Name + " must be \"relative\" or \"absolute\"");
    }
    return {};
}

Result<void> ReadValue(const KeyWords& key, const toml::node& node, const std::string& file,
                       std::optional<LengthUnit>& out) {
    const auto* text = node.as_string();
    const std::optional<LengthUnit> unit =
        text ? ParseUnitName(text->get()) : std::optional<LengthUnit>();
    if (!unit) {
        return Fail(file, node, key.Name + " must be \"mm\" or \"in\"");
    }
    out = unit;
    return {};
}

Result<void> ReadValue(const KeyWords& key, const toml::node& node, const std::string& file,
                       bool& out) {
    const auto* flag = node.as_boolean();
    if (!flag) {
        return Fail(file, node, key.Name + " must be true or false");
    }
    out = flag->get();
    return {};
}

std::unique_ptr<toml::node> WrittenValue(const std::optional<std::string>& value) {
    return value ? std::make_unique<toml::value<std::string>>(*value) : nullptr;
}
std::unique_ptr<toml::node> WrittenValue(double value) {
    return std::make_unique<toml::value<double>>(value);
}
std::unique_ptr<toml::node> WrittenValue(const std::optional<double>& value) {
    return value ? WrittenValue(*value) : nullptr;
}
std::unique_ptr<toml::node> WrittenValue(const std::vector<double>& value) {
    if (value.empty()) {
        return nullptr;
    }
    auto list = std::make_unique<toml::array>();
    for (const double each : value) {
        list->push_back(each);
    }
    return list;
}
std::unique_ptr<toml::node> WrittenValue(int value) {
    return std::make_unique<toml::value<std::int64_t>>(value);
}
std::unique_ptr<toml::node> WrittenValue(MachineProfile::PlaneMode value) {
    return std::make_unique<toml::value<std::string>>(
        value == MachineProfile::PlaneMode::Absolute ? "absolute" : "relative");
}
std::unique_ptr<toml::node> WrittenValue(const std::optional<LengthUnit>& value) {
    return value ? std::make_unique<toml::value<std::string>>(UnitName(*value)) : nullptr;
}
std::unique_ptr<toml::node> WrittenValue(bool value) {
    return std::make_unique<toml::value<bool>>(value);
}

void ConvertValue(double& value, LengthUnit from, LengthUnit to) {
    value = ConvertLength(value, from, to);
}
void ConvertValue(std::optional<double>& value, LengthUnit from, LengthUnit to) {
    if (value) {
        ConvertValue(*value, from, to);
    }
}
void ConvertValue(std::vector<double>& value, LengthUnit from, LengthUnit to) {
    for (double& each : value) {
        ConvertValue(each, from, to);
    }
}

std::string TakesWords(const std::optional<std::string>*, const NumberRange&) {
    return "a string";
}
std::string TakesWords(const double*, const NumberRange& range) {
    return range.Text;
}
std::string TakesWords(const std::optional<double>*, const NumberRange& range) {
    return range.Text;
}
std::string TakesWords(const std::vector<double>*, const NumberRange& range) {
    return std::string("a list of numbers, each ") + range.Text;
}
std::string TakesWords(const int*, const NumberRange&) {
    return "1 or -1";
}
std::string TakesWords(const MachineProfile::PlaneMode*, const NumberRange&) {
    return "\"relative\" or \"absolute\"";
}
std::string TakesWords(const std::optional<LengthUnit>*, const NumberRange&) {
    return "\"mm\" or \"in\"";
}
std::string TakesWords(const bool*, const NumberRange&) {
    return "true or false";
}

std::span<const TableList> TableLists() {
    // None yet: a machine's die stacks and keep-out boxes will be the first.
    return {};
}

} // namespace tubrix::profilekeys

namespace tubrix {

using namespace profilekeys;

std::string MachineProfileKeysHelp() {
    std::string help;
    for (const ProfileKey& key : Keys()) {
        help += KeyHelp(key.Name, key.Doc, KeyTakes(key), key.Default);
    }
    for (const OutputKey& key : OutputKeys()) {
        help += KeyHelp("output." + std::string(key.Name), key.Doc, key.Takes, key.Default);
    }
    help += std::string(25, ' ') + "fields of row: " + PostFieldNames(PostTemplate::Row) + "\n";
    for (const TableList& list : TableLists()) {
        help += list.Help(list.Name);
    }
    return help;
}

MachineProfile ProfileInUnits(const MachineProfile& profile, LengthUnit unit) {
    MachineProfile converted = profile;
    converted.Units = unit;
    if (!profile.Units || *profile.Units == unit) {
        return converted;
    }
    ConvertRecord(Keys(), converted, *profile.Units, unit);
    for (const TableList& list : TableLists()) {
        list.Convert(converted, *profile.Units, unit);
    }
    return converted;
}

double CorrectionFeedLimit(const MachineProfile& profile, std::optional<LengthUnit> unit) {
    if (profile.MaxCorrectionFeed) {
        return *profile.MaxCorrectionFeed;
    }
    // 10 mm, in whatever unit the comparison runs in.
    return unit ? ConvertLength(10, LengthUnit::Millimetre, *unit) : 10.0;
}

} // namespace tubrix
