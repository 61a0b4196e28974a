#include "machineprofile.h"

#include "fileaccess.h"
#include "numbertext.h"
#include "posttemplate.h"
#include "profilekeys.h"

#include <toml++/toml.h>

#include <algorithm>
#include <cmath>
#include <concepts>

namespace tubrix {

using namespace profilekeys;

namespace {

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

// The message for a key that is not one: the key it most likely meant, where one is near, else
// every key there is.
std::string UnknownKey(const std::string& name) {
    std::vector<std::string> names{"output"};
    for (const ProfileKey& key : Keys()) {
        names.emplace_back(key.Name);
    }
    for (const TableList& list : TableLists()) {
        names.emplace_back(list.Name);
    }
    return UnknownKeyMessage(name, names, "a machine profile has ");
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
            const auto list =
                std::find_if(TableLists().begin(), TableLists().end(),
                             [&](const TableList& each) { return name == each.Name; });
            if (list != TableLists().end()) {
                if (Result<void> read = list->Read(node, name, file_, Profile); !read) {
                    return read;
                }
                continue;
            }
            const ProfileKey* known = FindKey(name);
            if (!known) {
                return FailAt(key.source(), UnknownKey(name));
            }
            if (Result<void> read = ReadKey(*known, name, node, file_, Profile); !read) {
                return read;
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
                for (const OutputKey& known : OutputKeys()) {
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

    const std::string& file_;
    std::string_view text_;
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

Result<MachineProfile> ReadMachineProfile(const std::string& path) {
    const Result<std::string> text = ReadTextFile(path);
    if (!text) {
        return text.Failure();
    }
    return ParseMachineProfile(*text, ShownName(path));
}

} // namespace tubrix
