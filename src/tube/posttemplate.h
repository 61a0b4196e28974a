#pragma once

#include "error.h"
#include "numbertext.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tubrix {

// The templates of a control's file (a profile's [output] table) and their fields, written
// with {fmt}.
enum class PostTemplate { Header, Row, Footer };

// The values one template is written with.
struct PostFields {
    std::string Name; // the program file's name without its extension
    std::string Machine;
    std::string Units; // "mm" or "in"; empty where nothing says
    std::string Date;  // ISO 8601
    double CutLength = 0;
    int Rows = 0;
    int Bends = 0;
    // The row template's own: the row from 1, the machine's values, the bending rows so far.
    int Row = 0;
    double Y = 0;
    double B = 0;
    double C = 0;
    double R = 0;
    int Bend = 0;
    PlaneRange Plane = PlaneRange::Relative; // the range B is written in, at its field's precision
};

// What is wrong with a template, and the offset into its text of the field at fault.
struct TemplateFault {
    std::string Message;
    std::size_t Offset = 0;
};

// Tries a template on fields of every kind, so that a profile whose template would fail on the
// floor is refused when it is read: an unknown or unnamed field, a format {fmt} cannot read, a
// brace left open, or (for a latin-1 control) a character latin-1 cannot hold.
std::optional<TemplateFault> CheckPostTemplate(std::string_view text, PostTemplate which,
                                               bool latin1);

// A template written with its fields, every number with `mark` for its point; "\n" ends
// its lines, the last one included (an empty template writes nothing).
Result<std::string> WritePostTemplate(std::string_view text, const PostFields& fields, char mark);

// The names of the fields a template may hold, for help and messages.
std::string PostFieldNames(PostTemplate which);

// Where latin-1 cannot hold a character of UTF-8 text, or npos; the text in latin-1.
std::size_t FirstBeyondLatin1(std::string_view text);
std::string ToLatin1(std::string_view text);

} // namespace tubrix
