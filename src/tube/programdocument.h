#pragma once

#include "programfile.h"

#include <span>
#include <string>
#include <vector>

namespace tubrix {

// A program file as it was read, with where each of its numbers lies, so that writing it back
// changes only the numbers that changed: comments, the header, a byte-order mark, the
// separator, the decimal mark and the line ends stay as the file had them.

// One number in the text: its bytes and the value they were read as.
struct NumberCell {
    std::size_t Offset = 0;
    std::size_t Length = 0;
    double Value = 0;
};

struct DocumentRow {
    std::size_t LineStart = 0; // the row's line, its line end included
    std::size_t LineEnd = 0;
    NumberCell Cells[4]; // Y, B, C, R
};

struct ProgramDocument {
    std::string Text; // every byte of the file, a byte-order mark included
    char Separator = ',';
    char DecimalMark = '.';
    std::string LineEnd = "\n";
    NumberCell Diameter;
    std::vector<DocumentRow> Rows;
    std::optional<LengthUnit> Units; // as its units line says
    std::optional<double> Wall;      // as its wall line says

    // The program the text holds.
    ProgramRows Program() const;
};

// Reads the text as ParseProgramText does, with the same errors, keeping where each number is.
Result<ProgramDocument> ParseProgramDocument(std::string text, const std::string& file,
                                             RowLimits limits = RowLimits::Enforced);

// ReadTextFile then ParseProgramDocument; a byte-order mark the file starts with is kept.
Result<ProgramDocument> ReadProgramDocument(const std::string& path,
                                            RowLimits limits = RowLimits::Enforced);

// The document's text holding `rows`: origins[i] is the document row that row i was (rows
// only added and deleted, so the origins that are not -1 rise) or -1 for an added row. A number
// that changed is written in its shortest round-trip form with the file's decimal mark; a
// deleted row's line goes; an added row is written after the row before it in the file's
// separator, decimal mark and line end.
std::string FormatProgramDocument(const ProgramDocument& document, const ProgramRows& rows,
                                  std::span<const int> origins);

} // namespace tubrix
