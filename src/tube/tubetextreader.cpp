#include "tubetextreader.h"

#include "numbertext.h"

#include <algorithm>
#include <utility>

namespace tubrix {

namespace {

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

Result<double> TubeTextReader::ReadDiameter(std::optional<double> given) {
    std::string_view line;
    while (lines_.Next(line)) {
        if (IsComment(line) || line.find_first_not_of(" \t,;") == std::string_view::npos) {
            continue;
        }
        std::string_view rest = line.substr(line.find_first_not_of(" \t"));
        if (given && !EqualsIgnoringCase(rest.substr(0, 8), "diameter")) {
            const std::size_t at = line.find_first_of(",;\t");
            if (at == std::string_view::npos) {
                return Fail(1, "expected cells separated by a comma, semicolon or tab");
            }
            separator_ = line[at];
            pending_ = line;
            return *given;
        }
        if (!EqualsIgnoringCase(rest.substr(0, 8), "diameter")) {
            return Fail(1, "expected the diameter line first: \"diameter\", a comma, semicolon "
                           "or tab, and the tube diameter");
        }
        rest.remove_prefix(8);
        rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
        if (rest.empty() || (rest.front() != ',' && rest.front() != ';' && rest.front() != '\t')) {
            return Fail(1, "expected a comma, semicolon or tab after \"diameter\"");
        }
        separator_ = rest.front();
        SplitCells(line, separator_, cells_);
        if (cells_.size() < 2) {
            return Fail(2, "expected the tube diameter after \"diameter\"");
        }
        if (cells_.size() > 2) {
            return Fail(3, "expected only \"diameter\" and the tube diameter on the diameter line");
        }
        const Result<double> diameter = Number(2, "the diameter");
        if (!diameter) {
            return diameter;
        }
        if (!(*diameter > 0)) {
            return Fail(2, "the diameter must be greater than 0");
        }
        if (given && *given != *diameter) {
            return Fail(2, "the diameter " + FormatNumber(*diameter) +
                               " differs from the one given, " + FormatNumber(*given));
        }
        return diameter;
    }
    return FailAt(0, 0,
                  "no diameter line; a tube file starts with \"diameter,\" and the tube diameter");
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

Result<double> TubeTextReader::Number(int column, const char* name) const {
    const std::string_view cell = cells_[static_cast<std::size_t>(column - 1)];
    Result<double> value = ParseNumber(cell, separator_, name);
    if (!value) {
        return Fail(column, value.Failure().Message);
    }
    return value;
}

} // namespace tubrix
