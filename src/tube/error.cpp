#include "error.h"

#include <algorithm>
#include <vector>

namespace tubrix {

const char* FieldName(ProgramField field) {
    switch (field) {
    case ProgramField::Diameter:
        return "diameter";
    case ProgramField::Y:
        return "Y";
    case ProgramField::B:
        return "B";
    case ProgramField::C:
        return "C";
    case ProgramField::R:
        return "R";
    case ProgramField::None:
        break;
    }
    return "";
}

ProgramField RowField(int column) {
    return column >= 1 && column <= 4 ? static_cast<ProgramField>(column + 1) : ProgramField::None;
}

std::string Error::ToString() const {
    std::string out = File;
    if (Line > 0) {
        out += (out.empty() ? "" : ":") + std::to_string(Line);
        if (Column > 0) {
            out += ":" + std::to_string(Column);
        }
    }
    return out + (out.empty() ? "" : ": ") + Message;
}

std::string Error::InProgram() const {
    std::string place = Row > 0 ? "row " + std::to_string(Row) : std::string();
    if (Field != ProgramField::None) {
        place += (place.empty() ? "" : ", ") + std::string(FieldName(Field));
    }
    return place.empty() ? Message : place + ": " + Message;
}

Error Failed(std::string message) {
    Error error;
    error.Message = std::move(message);
    return error;
}

Error FileError(const std::string& file, int line, int column, std::string message) {
    Error error;
    error.Message = std::move(message);
    error.File = file;
    error.Line = line;
    error.Column = column;
    return error;
}

namespace {

std::size_t EditDistance(std::string_view a, std::string_view b) {
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i) {
        d[i][0] = i;
    }
    for (std::size_t j = 0; j <= b.size(); ++j) {
        d[0][j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1,
                                d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
    }
    return d[a.size()][b.size()];
}

} // namespace

std::string LikelyMeant(std::string_view typed, std::span<const std::string> names) {
    std::string best;
    std::size_t bestDistance = 3;
    for (const std::string& name : names) {
        const std::size_t distance = EditDistance(typed, name);
        if (distance < bestDistance && distance < name.size()) {
            best = name;
            bestDistance = distance;
        }
    }
    return best;
}

} // namespace tubrix
