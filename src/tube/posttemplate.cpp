#include "posttemplate.h"

#include <fmt/args.h>
#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>

namespace {

// A number a field writes: the control's decimal mark in place of the point, and no "-0.00"
// for a value that rounds to nothing (a control may read the sign as a direction). A plane is
// written inside its range at the precision its field writes it with.
struct PostNumber {
    double Value = 0;
    char Mark = '.';
    std::optional<tubrix::PlaneRange> Plane;
};

} // namespace

template <> struct fmt::formatter<PostNumber> : fmt::formatter<double> {
    auto format(const PostNumber& number, fmt::format_context& context) const {
        // The field's own format, whatever it is, written into a text of its own.
        const auto write = [&](double value) {
            fmt::memory_buffer text;
            const auto once = [&](double shown) {
                text.clear();
                fmt::format_context into(fmt::appender(text), context.args(), context.locale());
                fmt::formatter<double>::format(shown, into);
            };
            once(value);
            if (value < 0 && std::none_of(text.begin(), text.end(),
                                          [](char c) { return c >= '1' && c <= '9'; })) {
                once(0.0);
            }
            return std::string(text.begin(), text.end());
        };
        std::string written = number.Plane
                                  ? tubrix::FormatPlaneAsRead(number.Value, *number.Plane, write)
                                  : write(number.Value);
        if (number.Mark != '.') {
            std::replace(written.begin(), written.end(), '.', number.Mark);
        }
        return std::copy(written.begin(), written.end(), context.out());
    }
};

namespace tubrix {

namespace {

using ArgStore = fmt::dynamic_format_arg_store<fmt::format_context>;

const char* const PartFields[] = {"name",  "machine", "cut_length", "rows",
                                  "bends", "units",   "date"};
const char* const RowFields[] = {"row", "Y", "B", "C", "R", "bend"};

bool IsField(std::string_view name, PostTemplate which) {
    const auto named = [&](const auto& list) {
        return std::any_of(std::begin(list), std::end(list),
                           [&](const char* field) { return name == field; });
    };
    return named(PartFields) || (which == PostTemplate::Row && named(RowFields));
}

// A text as one line: a name that held a line end would break the control's lines.
std::string OneLine(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, ' ');
    return text;
}

ArgStore Arguments(const PostFields& fields, char mark) {
    ArgStore store;
    store.push_back(fmt::arg("name", OneLine(fields.Name)));
    store.push_back(fmt::arg("machine", OneLine(fields.Machine)));
    store.push_back(fmt::arg("cut_length", PostNumber{fields.CutLength, mark, std::nullopt}));
    store.push_back(fmt::arg("rows", fields.Rows));
    store.push_back(fmt::arg("bends", fields.Bends));
    store.push_back(fmt::arg("units", fields.Units));
    store.push_back(fmt::arg("date", fields.Date));
    store.push_back(fmt::arg("row", fields.Row));
    store.push_back(fmt::arg("Y", PostNumber{fields.Y, mark, std::nullopt}));
    store.push_back(fmt::arg("B", PostNumber{fields.B, mark, fields.Plane}));
    store.push_back(fmt::arg("C", PostNumber{fields.C, mark, std::nullopt}));
    store.push_back(fmt::arg("R", PostNumber{fields.R, mark, std::nullopt}));
    store.push_back(fmt::arg("bend", fields.Bend));
    return store;
}

// Fields of every type a template's fields have, to try a template on.
ArgStore SampleFields() {
    const PostFields sample{"part", "machine", "mm", "2000-01-01", 500, 2, 1,
                            1,      100,       90,   45,           50,  1};
    return Arguments(sample, '.');
}

// The next code point of UTF-8 text at `at` (which it moves past), or -1 for a broken sequence.
long NextCodePoint(std::string_view text, std::size_t& at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    const int extra = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
    if (lead >= 0x80 && (lead < 0xC0 || at + static_cast<std::size_t>(extra) >= text.size())) {
        ++at;
        return -1;
    }
    long point = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int i = 1; i <= extra; ++i) {
        point = (point << 6) | (byte(at + static_cast<std::size_t>(i)) & 0x3F);
    }
    at += static_cast<std::size_t>(extra) + 1;
    return point;
}

constexpr std::size_t MaxFormatDigits = 3;

// The first field at fault in a template, tried one by one: fmt alone takes "{}" and "{0}",
// which name no field, and its own refusal does not say where.
std::optional<TemplateFault> FindFault(std::string_view text, PostTemplate which,
                                       const ArgStore& sample) {
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '}') {
            if (at + 1 < text.size() && text[at + 1] == '}') {
                ++at;
                continue;
            }
            return TemplateFault{"a lone } (write }} for the brace itself)", at};
        }
        if (text[at] != '{') {
            continue;
        }
        if (at + 1 < text.size() && text[at + 1] == '{') {
            ++at;
            continue;
        }
        std::size_t close = at + 1;
        for (int depth = 1; close < text.size(); ++close) {
            depth += text[close] == '{' ? 1 : text[close] == '}' ? -1 : 0;
            if (depth == 0) {
                break;
            }
        }
        if (close >= text.size()) {
            return TemplateFault{"a field left open (write {{ for the brace itself)", at};
        }
        const std::string_view inner = text.substr(at + 1, close - at - 1);
        const std::string_view name = inner.substr(0, inner.find_first_of(":!"));
        if (name.empty() || std::isdigit(static_cast<unsigned char>(name.front()))) {
            return TemplateFault{"every field is named: " + PostFieldNames(which), at};
        }
        if (!IsField(name, which)) {
            return TemplateFault{"unknown field \"" + std::string(name) + "\"; this template has " +
                                     PostFieldNames(which),
                                 at};
        }
        // A width or precision is a run of digits in the field's format (a fill is one character,
        // set apart by its alignment): past three digits a field would pad each row to megabytes.
        const std::string_view format = inner.substr(name.size());
        for (std::size_t digits = 0, i = 0; i < format.size(); ++i) {
            digits = std::isdigit(static_cast<unsigned char>(format[i])) ? digits + 1 : 0;
            if (digits > MaxFormatDigits) {
                return TemplateFault{
                    "field \"" + std::string(name) + "\": a width or precision of at most 999", at};
            }
        }
        try {
            (void)fmt::vformat(std::string("{") + std::string(inner) + "}", sample);
        } catch (const fmt::format_error& error) {
            return TemplateFault{"field \"" + std::string(name) + "\": " + error.what(), at};
        }
        at = close;
    }
    return std::nullopt;
}

} // namespace

std::size_t FirstBeyondLatin1(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t start = at;
        if (const long point = NextCodePoint(text, at); point < 0 || point > 0xFF) {
            return start;
        }
    }
    return std::string_view::npos;
}

std::string ToLatin1(std::string_view text) {
    std::string bytes;
    for (std::size_t at = 0; at < text.size();) {
        bytes += static_cast<char>(NextCodePoint(text, at));
    }
    return bytes;
}

std::string PostFieldNames(PostTemplate which) {
    std::string names;
    const auto add = [&](const auto& list) {
        for (const char* field : list) {
            names += (names.empty() ? "" : ", ") + std::string(field);
        }
    };
    if (which == PostTemplate::Row) {
        add(RowFields);
    }
    add(PartFields);
    return names;
}

std::optional<TemplateFault> CheckPostTemplate(std::string_view text, PostTemplate which,
                                               bool latin1) {
    if (const std::size_t beyond = FirstBeyondLatin1(text);
        latin1 && beyond != std::string_view::npos) {
        std::size_t end = beyond;
        NextCodePoint(text, end);
        return TemplateFault{"\"" + std::string(text.substr(beyond, end - beyond)) +
                                 "\" is not a character latin-1 holds",
                             beyond};
    }
    const ArgStore sample = SampleFields();
    if (std::optional<TemplateFault> fault = FindFault(text, which, sample)) {
        return fault;
    }
    try {
        (void)fmt::vformat(text, sample);
    } catch (const fmt::format_error& error) {
        return TemplateFault{error.what(), 0};
    }
    return std::nullopt;
}

Result<std::string> WritePostTemplate(std::string_view text, const PostFields& fields, char mark) {
    if (text.empty()) {
        return std::string();
    }
    std::string lines;
    try {
        lines = fmt::vformat(text, Arguments(fields, mark));
    } catch (const fmt::format_error& error) {
        // The profile's templates were tried when it was read; this one was made elsewhere.
        Error failed;
        failed.Message = std::string("the control's file template: ") + error.what();
        return failed;
    }
    if (lines.back() != '\n') {
        lines += '\n';
    }
    return lines;
}

} // namespace tubrix
