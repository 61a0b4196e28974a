#include "machineprofile.h"

#include "fileaccess.h"
#include "numbertext.h"
#include "profilekeys.h"

#include <toml++/toml.h>

#include <algorithm>
#include <memory>
#include <sstream>

namespace tubrix {

using namespace profilekeys;

namespace {

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
    std::unique_ptr<toml::node> operator()(FlagField field) const {
        return std::make_unique<toml::value<bool>>(Profile.*field);
    }
    std::unique_ptr<toml::node> operator()(ModeField field) const {
        return std::make_unique<toml::value<std::string>>(
            Profile.*field == MachineProfile::PlaneMode::Absolute ? "absolute" : "relative");
    }
};

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

} // namespace

std::string FormatMachineProfile(const MachineProfile& profile) {
    toml::table root;
    for (const ProfileKey& key : Keys()) {
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

Result<std::string> SetSpringback(std::string_view profile, const std::string& file, double fixed,
                                  double perDegree) {
    // The text must read as a profile before it is edited; its errors are its own.
    if (Result<MachineProfile> read = ParseMachineProfile(profile, file); !read) {
        return read.Failure();
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
    struct Edit {
        std::size_t From, To;
        std::string Text;
    };
    std::vector<Edit> edits;
    const std::pair<const char*, double> values[] = {{"fixed", fixed}, {"per_degree", perDegree}};
    toml::table* table = root.get_as<toml::table>("springback");
    if (table && table->is_inline()) {
        return FileError(file, static_cast<int>(table->source().begin.line),
                         static_cast<int>(table->source().begin.column),
                         "springback is an inline table; write it as a [springback] table for "
                         "its values to be set here");
    }
    if (!table) {
        std::string added = body.empty() || body.ends_with('\n') ? "" : eol;
        added += eol + "[springback]" + eol;
        for (const auto& [key, value] : values) {
            added += std::string(key) + " = " + FormatNumber(value) + eol;
        }
        edits.push_back({body.size(), body.size(), added});
    } else {
        // A key the table lacks goes after its last key's line, or after its header.
        std::size_t lastLine = table->source().begin.line;
        for (const auto& [key, node] : *table) {
            lastLine = std::max<std::size_t>(lastLine, node.source().end.line);
        }
        // A table made by dotted keys alone has no header: its keys are written dotted.
        const bool dotted =
            table->source().begin.line == 0 ||
            body.substr(OffsetOf(body, {table->source().begin.line, 1})).find("[springback]") != 0;
        for (const auto& [key, value] : values) {
            const toml::node* node = table->get(key);
            const std::string text = FormatNumber(value);
            if (node) {
                const toml::source_region at = node->source();
                edits.push_back({OffsetOf(body, {at.begin.line, at.begin.column}),
                                 OffsetOf(body, {at.end.line, at.end.column}), text});
            } else {
                const std::size_t where = AfterLine(body, lastLine);
                const std::string lead = where == body.size() && !body.ends_with('\n') ? eol : "";
                edits.push_back({where, where,
                                 lead + (dotted ? "springback." : "") + key + " = " + text + eol});
            }
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
        return Failed("the fitted springback (fixed " + FormatNumber(fixed) + ", per_degree " +
                      FormatNumber(perDegree) +
                      ") is not one the profile may hold: " + check.Failure().Message);
    }
    if (check->SpringbackFixed != fixed || check->SpringbackPerDegree != perDegree) {
        return Failed("the profile's springback could not be set where it stands");
    }
    return out;
}

} // namespace tubrix
