#pragma once

#include "error.h"
#include "machineprofile.h"
#include "machineprogram.h"

#include <string>

namespace tubrix {

// The part's own fields of a control's file, besides what the machine's program holds.
struct PostPart {
    std::string Name;  // the program file's name without its extension
    std::string Units; // "mm" or "in"; empty where nothing says
    std::string Date;  // ISO 8601
};

// The machine's program as its control reads it: the header, the row template once for every
// row, the footer; the output's line ends, decimal mark and encoding.
Result<std::string> FormatPostProgram(const MachineProgram& program, const MachineOutput& output,
                                      const PostPart& part);

// Today's date, or the day SOURCE_DATE_EPOCH names where it is set (files made again for a
// comparison are then the same bytes).
std::string PostDate();

} // namespace tubrix
