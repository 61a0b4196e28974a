#include "machineprofile.h"

#include "fileaccess.h"
#include "numbertext.h"
#include "profilekeys.h"

#include <toml++/toml.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <type_traits>

namespace tubrix {

using namespace profilekeys;

namespace {

struct TextPosition {
    std::size_t Line = 0;   // 1-based
    std::size_t Column = 0; // 1-based
};

// The byte offset of a 1-based line and column in the text.
std::size_t OffsetOf(std::string_view text, TextPosition at) {
    std::size_t offset = 0;
    for (std::size_t line = 1; line < at.Line && offset < text.size(); ++line) {
        const std::size_t end = text.find('\n', offset);
        offset = end == std::string_view::npos ? text.size() : end + 1;
    }
    return std::min(offset + at.Column - 1, text.size());
}

// The offset just past the end of the given line (its line end included).
std::size_t AfterLine(std::string_view text, std::size_t line) {
    const std::size_t start = OffsetOf(text, {line, 1});
    const std::size_t end = text.find('\n', start);
    return end == std::string_view::npos ? text.size() : end + 1;
}

std::string LineEnd(std::string_view text) {
    return text.find("\r\n") != std::string_view::npos ? "\r\n" : "\n";
}

struct Edit {
    std::size_t From, To;
    std::string Text;
};

// A number key's value in the profile; none for a key that holds no number, or no value.
std::optional<double> NumberOf(const ProfileKey& key, const MachineProfile& profile) {
    return std::visit(
        [&](auto field) -> std::optional<double> {
            const auto& value = profile.*field;
            using Value = std::remove_cvref_t<decltype(value)>;
            if constexpr (std::is_same_v<Value, double>) {
                return value;
            } else if constexpr (std::is_same_v<Value, std::optional<double>>) {
                return value ? value : std::optional<double>(0.0);
            } else {
                return std::nullopt;
            }
        },
        key.Target);
}

// The edits that set `keys` in the table `name` (empty: the profile's own keys): a value where it
// stands, a missing key after the table's last, a missing table at the end.
Result<void> EditTable(std::string_view body, const std::string& file, const std::string& eol,
                       toml::table& root, const std::string& name,
                       std::span<const std::pair<std::string, double>> keys,
                       std::vector<Edit>& edits) {
    toml::table* table = name.empty() ? &root : root.get_as<toml::table>(name);
    if (table && table->is_inline()) {
        return FileError(file, static_cast<int>(table->source().begin.line),
                         static_cast<int>(table->source().begin.column),
                         name + " is an inline table; write it as a [" + name +
                             "] table for its values to be set here");
    }
    if (!table) {
        std::string added = body.empty() || body.ends_with('\n') ? "" : eol;
        added += eol + "[" + name + "]" + eol;
        for (const auto& [key, value] : keys) {
            added += key + " = " + FormatNumber(value) + eol;
        }
        edits.push_back({body.size(), body.size(), added});
        return {};
    }
    // A key the table lacks goes after its last key's line, or after its header; one of the
    // profile's own keys before the first table.
    std::size_t lastLine = name.empty() ? 0 : table->source().begin.line;
    for (const auto& [key, node] : *table) {
        if (!name.empty() || (!node.is_table() && !node.is_array_of_tables())) {
            lastLine = std::max<std::size_t>(lastLine, node.source().end.line);
        }
    }
    // A table made by dotted keys alone has no header: its keys are written dotted.
    const bool dotted =
        !name.empty() &&
        (table->source().begin.line == 0 ||
         body.substr(OffsetOf(body, {table->source().begin.line, 1})).find("[" + name + "]") != 0);
    for (const auto& [key, value] : keys) {
        const toml::node* node = table->get(key);
        const std::string text = FormatNumber(value);
        if (node) {
            const toml::source_region at = node->source();
            edits.push_back({OffsetOf(body, {at.begin.line, at.begin.column}),
                             OffsetOf(body, {at.end.line, at.end.column}), text});
        } else {
            const std::size_t where = lastLine == 0 ? 0 : AfterLine(body, lastLine);
            const std::string lead = where == body.size() && !body.ends_with('\n') ? eol : "";
            edits.push_back(
                {where, where, lead + (dotted ? name + "." : "") + key + " = " + text + eol});
        }
    }
    return {};
}

} // namespace

std::string FormatMachineProfile(const MachineProfile& profile) {
    toml::table root;
    for (const ProfileKey& key : Keys()) {
        std::unique_ptr<toml::node> value = WrittenKey(key, profile);
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
    for (const TableList& list : TableLists()) {
        if (std::unique_ptr<toml::node> records = list.Write(profile)) {
            root.insert(list.Name, std::move(*records));
        }
    }
    std::ostringstream text;
    text << root << '\n';
    return text.str();
}

Result<std::string> SetProfileNumbers(std::string_view profile, const std::string& file,
                                      std::span<const ProfileNumber> values) {
    // The text must read as a profile before it is edited; its errors are its own.
    if (Result<MachineProfile> read = ParseMachineProfile(profile, file); !read) {
        return read.Failure();
    }
    std::string said;
    for (const ProfileNumber& value : values) {
        const ProfileKey* key = FindKey(value.Key);
        if (!key || !NumberOf(*key, MachineProfile{})) {
            return Failed(Quoted(value.Key) + " is no number key of a profile");
        }
        said += (said.empty() ? "" : ", ") + value.Key + " " + FormatNumber(value.Value);
    }
    const std::size_t bom = profile.size() - WithoutByteOrderMark(profile).size();
    const std::string_view body = profile.substr(bom);
    toml::table root;
    try {
        root = toml::parse(body, file);
    } catch (const toml::parse_error& error) {
        return Failed(std::string(error.description()));
    }
    const std::string eol = LineEnd(body);
    std::vector<Edit> edits;
    std::vector<std::string> tables;
    for (const ProfileNumber& value : values) {
        const std::size_t dot = value.Key.find('.');
        const std::string table = dot == std::string::npos ? "" : value.Key.substr(0, dot);
        if (std::find(tables.begin(), tables.end(), table) == tables.end()) {
            tables.push_back(table);
        }
    }
    for (const std::string& name : tables) {
        std::vector<std::pair<std::string, double>> keys; // within the table
        for (const ProfileNumber& value : values) {
            const std::size_t dot = value.Key.find('.');
            if ((dot == std::string::npos ? "" : value.Key.substr(0, dot)) == name) {
                keys.emplace_back(value.Key.substr(dot == std::string::npos ? 0 : dot + 1),
                                  value.Value);
            }
        }
        if (Result<void> edited = EditTable(body, file, eol, root, name, keys, edits); !edited) {
            return edited.Failure();
        }
    }
    std::sort(edits.begin(), edits.end(),
              [](const Edit& a, const Edit& b) { return a.From > b.From; });
    std::string out(body);
    for (const Edit& edit : edits) {
        out.replace(edit.From, edit.To - edit.From, edit.Text);
    }
    out.insert(0, profile.substr(0, bom));
    const Result<MachineProfile> check = ParseMachineProfile(out, file);
    if (!check) {
        return Failed("the values (" + said +
                      ") are not ones the profile may hold: " + check.Failure().Message);
    }
    for (const ProfileNumber& value : values) {
        if (NumberOf(*FindKey(value.Key), *check) != value.Value) {
            return Failed(value.Key + " could not be set where it stands");
        }
    }
    return out;
}

Result<std::string> SetSpringback(std::string_view profile, const std::string& file, double fixed,
                                  double perDegree) {
    const ProfileNumber values[] = {{"springback.fixed", fixed},
                                    {"springback.per_degree", perDegree}};
    return SetProfileNumbers(profile, file, values);
}

} // namespace tubrix
