#include "machineprofile.h"

#include "fileaccess.h"
#include "numbertext.h"
#include "posttemplate.h"

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
using UnitField = std::optional<LengthUnit> MachineProfile::*;
using Field = std::variant<TextField, NumberField, OptionalNumberField, NumberListField, SignField,
                           ModeField, UnitField>;

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
    {"units",
     &MachineProfile::Units,
     {},
     "the program's",
     "the unit of its lengths; a program in the other is checked with them converted"},
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

// The keys of the [output] table, each with what it means, what it takes and its default.
struct OutputKey {
    const char* Name;
    const char* Doc;
    const char* Takes;
    const char* Default;
};

const OutputKey OutputKeys[] = {
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

// Where a character of a string's value is in the profile: the string's own place, moved by the
// lines before it where the value is written over several lines as it reads.
toml::source_position PlaceInString(std::string_view profile, const toml::node& node,
                                    std::string_view value, std::size_t offset) {
    toml::source_position at = node.source().begin;
    std::size_t start = 0; // the string's first character in the profile text
    for (toml::source_index line = 1; line < at.line && start != std::string_view::npos; ++line) {
        start = profile.find('\n', start);
        start = start == std::string_view::npos ? start : start + 1;
    }
    if (start == std::string_view::npos) {
        return at;
    }
    start += at.column - 1;
    const std::string_view raw = profile.substr(std::min(start, profile.size()));
    const bool multiline = raw.starts_with("\"\"\"") || raw.starts_with("'''");
    const std::string_view before = value.substr(0, std::min(offset, value.size()));
    const auto lines =
        static_cast<toml::source_index>(std::count(before.begin(), before.end(), '\n'));
    if (!multiline) {
        // A value on one line is where it is written unless an escape changed its length.
        const std::size_t close = raw.find(raw.front(), 1);
        if (raw.substr(0, close).find('\\') == std::string_view::npos) {
            at.column += static_cast<toml::source_index>(offset + 1);
        }
        return at;
    }
    // A line end straight after the opening quotes is not part of the value.
    const bool trimmed = raw.size() > 3 && (raw[3] == '\n' || raw.substr(3, 2) == "\r\n");
    at.line += lines + (trimmed ? 1 : 0);
    const std::size_t lineStart = before.rfind('\n');
    const std::size_t inLine =
        lineStart == std::string_view::npos ? offset : offset - lineStart - 1;
    at.column =
        static_cast<toml::source_index>(inLine) + (lines == 0 && !trimmed ? at.column + 3 : 1);
    return at;
}

class ProfileReader {
public:
    ProfileReader(const std::string& file, std::string_view text) : file_(file), text_(text) {}

    // Reads every key of `table` (named `prefix` within the profile; empty at the top).
    Result<void> ReadTable(const toml::table& table, const std::string& prefix) {
        for (const auto& [key, node] : table) {
            const std::string name = prefix + std::string(key.str());
            if (name == "output") {
                if (Result<void> read = ReadOutput(node); !read) {
                    return read;
                }
                continue;
            }
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
    // The [output] table: how the machine's own control reads a program. Its templates are
    // tried here, so that a fault is found at the desk and not at the machine.
    Result<void> ReadOutput(const toml::node& node) {
        const toml::table* table = node.as_table();
        if (!table) {
            return Fail(node, "output must be a table of keys");
        }
        MachineOutput output;
        struct Template {
            std::string MachineOutput::*Text;
            PostTemplate Which;
            const char* Name;
            const toml::node* Node = nullptr;
        };
        Template templates[] = {{&MachineOutput::Header, PostTemplate::Header, "header"},
                                {&MachineOutput::Row, PostTemplate::Row, "row"},
                                {&MachineOutput::Footer, PostTemplate::Footer, "footer"}};
        for (const auto& entry : *table) {
            const toml::key& key = entry.first;
            const toml::node& value = entry.second; // a structured binding cannot be captured
            const std::string name(key.str());
            const auto* text = value.as_string();
            const auto choice = [&](const char* first, const char* second) -> Result<bool> {
                const std::string_view chosen = text ? std::string_view(text->get()) : "";
                if (chosen != first && chosen != second) {
                    return Fail(value, "output." + name + " must be \"" + first + "\" or \"" +
                                           second + "\"");
                }
                return chosen == second;
            };
            Result<bool> chosen = true;
            if (name == "line_end") {
                chosen = choice("lf", "crlf");
                output.Crlf = chosen && *chosen;
            } else if (name == "encoding") {
                chosen = choice("utf-8", "latin-1");
                output.Latin1 = chosen && *chosen;
            } else if (name == "decimal_mark") {
                chosen = choice(".", ",");
                output.DecimalMark = chosen && *chosen ? ',' : '.';
            } else if (name == "extension") {
                std::string extension = text ? text->get() : "";
                extension.erase(0, extension.starts_with('.') ? 1 : 0);
                if (extension.empty() || extension.find_first_of("/\\") != std::string::npos) {
                    return Fail(value, "output.extension must be a file name's extension, "
                                       "such as \"nc\"");
                }
                output.Extension = extension;
            } else if (Template* named =
                           std::find_if(std::begin(templates), std::end(templates),
                                        [&](const Template& each) { return name == each.Name; });
                       named != std::end(templates)) {
                if (!text) {
                    return Fail(value, "output." + name + " must be a string");
                }
                named->Node = &value;
            } else {
                std::string keys;
                for (const OutputKey& known : OutputKeys) {
                    keys += (keys.empty() ? "" : ", ") + std::string(known.Name);
                }
                return FailAt(key.source(), "unknown key " + Quoted("output." + name) +
                                                "; an [output] table has " + keys);
            }
            if (!chosen) {
                return chosen.Failure();
            }
        }
        if (!templates[1].Node) {
            return Fail(node, "output.row is needed: the template written for every row");
        }
        for (const Template& each : templates) {
            if (!each.Node) {
                continue;
            }
            std::string text = each.Node->as_string()->get();
            if (const std::optional<TemplateFault> fault =
                    CheckPostTemplate(text, each.Which, output.Latin1)) {
                const toml::source_position at =
                    PlaceInString(text_, *each.Node, text, fault->Offset);
                return FileError(file_, static_cast<int>(at.line), static_cast<int>(at.column),
                                 "output." + std::string(each.Name) + ": " + fault->Message);
            }
            // One line end inside the profile's text, whatever the profile was saved with.
            for (std::size_t cr = text.find("\r\n"); cr != std::string::npos;
                 cr = text.find("\r\n", cr)) {
                text.erase(cr, 1);
            }
            output.*(each.Text) = std::move(text);
        }
        Profile.Output = std::move(output);
        return {};
    }

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

    Result<void> Store(const ProfileKey& key, const toml::node& node, UnitField field) {
        const auto* text = node.as_string();
        const std::optional<LengthUnit> unit =
            text ? ParseUnitName(text->get()) : std::optional<LengthUnit>();
        if (!unit) {
            return Fail(node, std::string(key.Name) + " must be \"mm\" or \"in\"");
        }
        Profile.*field = unit;
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
    std::string_view text_;
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
    std::unique_ptr<toml::node> operator()(UnitField field) const {
        return Profile.*field
                   ? std::make_unique<toml::value<std::string>>(UnitName(*(Profile.*field)))
                   : nullptr;
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
    ProfileReader reader(file, text);
    if (Result<void> read = reader.ReadTable(table, ""); !read) {
        return read.Failure();
    }
    // A latin-1 control is given the machine's name too: it must be one latin-1 holds.
    const MachineProfile& read = reader.Profile;
    if (read.Output && read.Output->Latin1 && read.Name &&
        FirstBeyondLatin1(*read.Name) != std::string::npos) {
        const toml::source_position at = table["name"].node()->source().begin;
        return FileError(file, static_cast<int>(at.line), static_cast<int>(at.column),
                         "name holds a character latin-1 cannot, and output.encoding is latin-1");
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
    if (profile.Output) {
        const MachineOutput& output = *profile.Output;
        toml::table table;
        if (!output.Extension.empty()) {
            table.insert("extension", output.Extension);
        }
        table.insert("line_end", output.Crlf ? "crlf" : "lf");
        table.insert("encoding", output.Latin1 ? "latin-1" : "utf-8");
        table.insert("decimal_mark", std::string(1, output.DecimalMark));
        for (const auto& [name, text] :
             {std::pair{"header", &output.Header}, std::pair{"row", &output.Row},
              std::pair{"footer", &output.Footer}}) {
            if (!text->empty() || std::string_view(name) == "row") {
                table.insert(name, *text);
            }
        }
        root.insert("output", std::move(table));
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
        std::string operator()(UnitField) const { return "\"mm\" or \"in\""; }
    };
    return std::visit(Words{key.Range}, key.Target);
}

// A key's two lines of help: its name and meaning, then what it takes and its default.
std::string KeyHelp(const std::string& name, const char* doc, const std::string& takes,
                    const char* fallback) {
    std::string line = "  " + name;
    line.resize(std::max<std::size_t>(line.size() + 1, 25), ' ');
    return line + doc + "\n" + std::string(25, ' ') + takes + "; default " + fallback + "\n";
}

std::string MachineProfileKeysHelp() {
    std::string help;
    for (const ProfileKey& key : Keys) {
        help += KeyHelp(key.Name, key.Doc, Accepted(key), key.Default);
    }
    for (const OutputKey& key : OutputKeys) {
        help += KeyHelp("output." + std::string(key.Name), key.Doc, key.Takes, key.Default);
    }
    help += std::string(25, ' ') + "fields of row: " + PostFieldNames(PostTemplate::Row) + "\n";
    return help;
}

MachineProfile ProfileInUnits(const MachineProfile& profile, LengthUnit unit) {
    MachineProfile converted = profile;
    converted.Units = unit;
    if (!profile.Units || *profile.Units == unit) {
        return converted;
    }
    const auto convert = [&](double& length) {
        length = ConvertLength(length, *profile.Units, unit);
    };
    for (std::optional<double>* length :
         {&converted.TubeDiameter, &converted.MaxLength, &converted.CentrelineHeight}) {
        if (*length) {
            convert(**length);
        }
    }
    for (double* length : {&converted.ClampLength, &converted.MinTail, &converted.GainPerBend,
                           &converted.SheathTolerance}) {
        convert(*length);
    }
    for (double& radius : converted.Radii) {
        convert(radius);
    }
    return converted;
}

Result<MachineProfile> ReadMachineProfile(const std::string& path) {
    const Result<std::string> text = ReadTextFile(path);
    if (!text) {
        return text.Failure();
    }
    return ParseMachineProfile(*text, ShownName(path));
}

} // namespace tubrix
