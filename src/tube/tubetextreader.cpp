#include "tubetextreader.h"

#include <algorithm>
#include <charconv>
#include <system_error>
#include <utility>

namespace {

// The length of the valid UTF-8 sequence starting at `at`, or 0 when it is invalid: a stray
// continuation byte, a truncated sequence, an overlong form, a surrogate or a code point past
// U+10FFFF.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) {
        return at + i < text.size() ? static_cast<unsigned char>(text[at + i]) : 0u;
    };
    const auto continuation = [](unsigned b, unsigned low = 0x80, unsigned high = 0xBF) {
        return b >= low && b <= high;
    };
    const unsigned lead = byte(0);
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return continuation(byte(1)) ? 2 : 0;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        // E0 needs A0.. to not be overlong; ED stops at 9F before the surrogates.
        const unsigned low = lead == 0xE0 ? 0xA0 : 0x80;
        const unsigned high = lead == 0xED ? 0x9F : 0xBF;
        return continuation(byte(1), low, high) && continuation(byte(2)) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        // F0 needs 90.. to not be overlong; F4 stops at 8F, which is U+10FFFF.
        const unsigned low = lead == 0xF0 ? 0x90 : 0x80;
        const unsigned high = lead == 0xF4 ? 0x8F : 0xBF;
        return continuation(byte(1), low, high) && continuation(byte(2)) && continuation(byte(3))
                   ? 4
                   : 0;
    }
    return 0;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsBlank(char c, char separator) {
    return c == ' ' || (c == '\t' && separator != '\t');
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view Trimmed(std::string_view cell, char separator) {
    while (!cell.empty() && IsBlank(cell.front(), separator)) {
        cell.remove_prefix(1);
    }
    while (!cell.empty() && IsBlank(cell.back(), separator)) {
        cell.remove_suffix(1);
    }
    return cell;
}

} // namespace

TubeFileError MakeFileError(const std::string& file, int line, int column, std::string message) {
    return {file, line, column, std::move(message)};
}

std::string_view WithoutByteOrderMark(std::string_view text) {
    if (text.starts_with(ByteOrderMark)) {
        text.remove_prefix(3);
    }
    return text;
}

std::optional<TubeFileError> CheckText(std::string_view text, const std::string& file) {
    text = WithoutByteOrderMark(text);
    int line = 1;
    std::size_t lineStart = 0;
    for (std::size_t at = 0; at <= text.size();) {
        if (at == text.size() || text[at] == '\n') {
            std::size_t length = at - lineStart;
            if (length > 0 && text[at - 1] == '\r') {
                --length;
            }
            if (length > MaxTubeLineBytes) {
                return MakeFileError(file, line, 0,
                                     "line longer than " + std::to_string(MaxTubeLineBytes) +
                                         " bytes; a tube file has short lines");
            }
            ++line;
            lineStart = ++at;
            continue;
        }
        const std::size_t length = Utf8SequenceLength(text, at);
        if (length == 0) {
            return MakeFileError(file, line, 0,
                                 "bytes that are not UTF-8; save the file as UTF-8 text");
        }
        at += length;
    }
    return std::nullopt;
}

std::string Quoted(std::string_view cell) {
    constexpr std::size_t Shown = 24;
    std::string out = "\"";
    std::size_t end = cell.size();
    if (end > Shown) {
        end = Shown;
        while (end > 0 && (static_cast<unsigned char>(cell[end]) & 0xC0) == 0x80) {
            --end; // not in the middle of a character
        }
    }
    for (char c : cell.substr(0, end)) {
        out += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
    }
    return out + (end < cell.size() ? "...\"" : "\"");
}

NumberResult ParseNumber(std::string_view cell, char separator, double& value) {
    std::string plain;
    plain.reserve(cell.size());
    std::size_t at = 0;
    const auto digits = [&] {
        const std::size_t start = at;
        while (at < cell.size() && IsDigit(cell[at])) {
            plain += cell[at++];
        }
        return at > start;
    };
    if (at < cell.size() && (cell[at] == '+' || cell[at] == '-')) {
        if (cell[at] == '-') {
            plain += '-'; // from_chars takes no '+'
        }
        ++at;
    }
    if (!digits()) {
        return NumberResult::NotANumber;
    }
    if (at < cell.size() && (cell[at] == '.' || (cell[at] == ',' && separator != ','))) {
        plain += '.';
        ++at;
        if (!digits()) {
            return NumberResult::NotANumber;
        }
    }
    if (at < cell.size() && (cell[at] == 'e' || cell[at] == 'E')) {
        plain += 'e';
        ++at;
        if (at < cell.size() && (cell[at] == '+' || cell[at] == '-')) {
            plain += cell[at++];
        }
        if (!digits()) {
            return NumberResult::NotANumber;
        }
    }
    if (at != cell.size()) {
        return NumberResult::NotANumber;
    }
    const auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (error == std::errc::result_out_of_range) {
        return NumberResult::OutOfRange;
    }
    return error == std::errc() && end == plain.data() + plain.size() ? NumberResult::Ok
                                                                      : NumberResult::NotANumber;
}

bool IsComment(std::string_view line) {
    const std::size_t first = line.find_first_not_of(" \t");
    return first != std::string_view::npos && line[first] == '#';
}

void SplitCells(std::string_view line, char separator, std::vector<std::string_view>& cells) {
    cells.clear();
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = std::min(line.find(separator, start), line.size());
        cells.push_back(Trimmed(line.substr(start, end - start), separator));
        if (end == line.size()) {
            break;
        }
        start = end + 1;
    }
    while (!cells.empty() && cells.back().empty()) {
        cells.pop_back();
    }
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

bool IsHeader(std::span<const std::string_view> cells, std::span<const char* const> names) {
    if (cells.size() != names.size()) {
        return false;
    }
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (!EqualsIgnoringCase(cells[i], names[i])) {
            return false;
        }
    }
    return true;
}

bool TubeTextReader::ReadDiameter(double& diameter, std::optional<double> given) {
    std::string_view line;
    while (lines_.Next(line)) {
        if (IsComment(line) || line.find_first_not_of(" \t,;") == std::string_view::npos) {
            continue;
        }
        std::string_view rest = line.substr(line.find_first_not_of(" \t"));
        if (given && !EqualsIgnoringCase(rest.substr(0, 8), "diameter")) {
            const std::size_t at = line.find_first_of(",;\t");
            if (at == std::string_view::npos) {
                Fail(1, "expected cells separated by a comma, semicolon or tab");
                return false;
            }
            separator_ = line[at];
            pending_ = line;
            diameter = *given;
            return true;
        }
        if (!EqualsIgnoringCase(rest.substr(0, 8), "diameter")) {
            Fail(1, "expected the diameter line first: \"diameter\", a comma, semicolon or tab, "
                    "and the tube diameter");
            return false;
        }
        rest.remove_prefix(8);
        rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
        if (rest.empty() || (rest.front() != ',' && rest.front() != ';' && rest.front() != '\t')) {
            Fail(1, "expected a comma, semicolon or tab after \"diameter\"");
            return false;
        }
        separator_ = rest.front();
        SplitCells(line, separator_, cells_);
        if (cells_.size() < 2) {
            Fail(2, "expected the tube diameter after \"diameter\"");
            return false;
        }
        if (cells_.size() > 2) {
            Fail(3, "expected only \"diameter\" and the tube diameter on the diameter line");
            return false;
        }
        if (!Number(2, "the diameter", diameter)) {
            return false;
        }
        if (!(diameter > 0)) {
            Fail(2, "the diameter must be greater than 0");
            return false;
        }
        if (given && *given != diameter) {
            Fail(2, "the diameter " + FormatNumber(diameter) + " differs from the one given, " +
                        FormatNumber(*given));
            return false;
        }
        return true;
    }
    FailAt(0, 0, "no diameter line; a tube file starts with \"diameter,\" and the tube diameter");
    return false;
}

bool TubeTextReader::NextRow() {
    std::string_view line;
    if (pending_) {
        line = *std::exchange(pending_, std::nullopt);
        SplitCells(line, separator_, cells_);
        if (!cells_.empty()) {
            return true;
        }
    }
    while (lines_.Next(line)) {
        if (IsComment(line)) {
            continue;
        }
        SplitCells(line, separator_, cells_);
        if (!cells_.empty()) {
            return true;
        }
    }
    return false;
}

bool TubeTextReader::Number(int column, const char* name, double& value) {
    const std::string_view cell = cells_[static_cast<std::size_t>(column - 1)];
    switch (ParseNumber(cell, separator_, value)) {
    case NumberResult::Ok:
        return true;
    case NumberResult::OutOfRange:
        Fail(column, Quoted(cell) + " for " + name + " is out of range for a double");
        return false;
    case NumberResult::NotANumber:
        break;
    }
    Fail(column, std::string("expected a number for ") + name + ", found " +
                     (cell.empty() ? std::string("an empty cell") : Quoted(cell)));
    return false;
}
