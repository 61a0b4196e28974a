#include "error.h"

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

} // namespace tubrix
