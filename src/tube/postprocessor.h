#pragma once

#include "error.h"
#include "machineprofile.h"
#include "machineprogram.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tubrix {

// The part's own fields of a control's file, besides what the machine's program holds.
struct PostPart {
    std::string Name;  // the program file's name without its extension
    std::string Units; // "mm" or "in"; empty where nothing says
    std::string Date;  // ISO 8601
};

enum class PostTemplate { Header, Row, Footer };

// What is wrong with a template, and the offset into its text of the field at fault.
struct TemplateFault {
    std::string Message;
    std::size_t Offset = 0;
};

// Tries a template on fields of every kind, so that a profile whose template would fail on the
// floor is refused when it is read: an unknown or unnamed field, a bad format spec, a brace
// left open, or (for a latin-1 control) a character latin-1 cannot hold.
std::optional<TemplateFault> CheckPostTemplate(std::string_view text, PostTemplate which,
                                               bool latin1);

// The machine's program as its control reads it: the header, the row template once for every
// row, the footer; the output's line ends, decimal mark and encoding.
Result<std::string> FormatPostProgram(const MachineProgram& program, const MachineOutput& output,
                                      const PostPart& part);

// Today's date, or the day SOURCE_DATE_EPOCH names where it is set (files made again for a
// comparison are then the same bytes).
std::string PostDate();

// The names of the fields a template may hold, for help and messages.
std::string PostFieldNames(PostTemplate which);

} // namespace tubrix
