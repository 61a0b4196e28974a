#include "programdocument.h"

#include "tubetextreader.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <utility>

namespace tubrix {

namespace {

const char* const ProgramHeader[] = {"Y", "B", "C", "R"};

NumberCell CellAt(std::string_view text, std::string_view cell, double value) {
    return {static_cast<std::size_t>(cell.data() - text.data()), cell.size(), value};
}

std::string DocumentNumber(double value, char decimalMark) {
    std::string number = FormatNumber(value);
    std::replace(number.begin(), number.end(), '.', decimalMark);
    return number;
}

// The line end the file uses first; LF for a file of one line.
std::string FirstLineEnd(std::string_view text) {
    const std::size_t end = text.find('\n');
    return end != std::string_view::npos && end > 0 && text[end - 1] == '\r' ? "\r\n" : "\n";
}

bool StartsWithByteOrderMark(const std::string& path) {
    char start[3] = {};
    std::ifstream file(path, std::ios::binary);
    file.read(start, sizeof start);
    return file.gcount() == 3 && std::memcmp(start, ByteOrderMark, 3) == 0;
}

// The row's line with its changed numbers written anew.
void AppendRowLine(std::string& out, const ProgramDocument& document, const DocumentRow& row,
                   const BendRowInput& values) {
    const double numbers[4] = {values.Y, values.B, values.C, values.R};
    std::size_t at = row.LineStart;
    for (int column = 0; column < 4; ++column) {
        const NumberCell& cell = row.Cells[column];
        out.append(document.Text, at, cell.Offset - at);
        out += numbers[column] == cell.Value
                   ? document.Text.substr(cell.Offset, cell.Length)
                   : DocumentNumber(numbers[column], document.DecimalMark);
        at = cell.Offset + cell.Length;
    }
    out.append(document.Text, at, row.LineEnd - at);
}

void AppendNewRow(std::string& out, const ProgramDocument& document, const BendRowInput& row) {
    // After a last line that had no line end, the new row starts a line of its own.
    if (!out.empty() && out.back() != '\n') {
        out += document.LineEnd;
    }
    const double numbers[4] = {row.Y, row.B, row.C, row.R};
    for (int column = 0; column < 4; ++column) {
        if (column > 0) {
            out += document.Separator;
        }
        out += DocumentNumber(numbers[column], document.DecimalMark);
    }
    out += document.LineEnd;
}

} // namespace

ProgramRows ProgramDocument::Program() const {
    ProgramRows program;
    program.Diameter = Diameter.Value;
    program.Units = Units;
    program.Wall = Wall;
    for (const DocumentRow& row : Rows) {
        program.Rows.push_back(
            {row.Cells[0].Value, row.Cells[1].Value, row.Cells[2].Value, row.Cells[3].Value});
    }
    return program;
}

Result<ProgramDocument> ParseProgramDocument(std::string text, const std::string& file,
                                             RowLimits limits) {
    // The strict reader decides what the file holds; this pass only finds where it is.
    const Result<ProgramRows> program = ParseProgramText(text, file, limits);
    if (!program) {
        return program.Failure();
    }
    ProgramDocument document;
    document.Units = program->Units;
    document.Wall = program->Wall;
    document.Text = std::move(text);
    const std::string_view view = document.Text;
    TubeTextReader reader(view, file);
    (void)reader.ReadDiameter();
    document.Diameter = CellAt(view, reader.Cells()[1], program->Diameter);
    // As the reader finds it: the first byte after the word "diameter" and its spaces.
    const std::size_t previousLineEnd = view.rfind('\n', document.Diameter.Offset);
    std::size_t at = previousLineEnd == std::string_view::npos ? 0 : previousLineEnd + 1;
    if (at == 0 && view.starts_with(ByteOrderMark)) {
        at = 3;
    }
    at = view.find_first_not_of(' ', view.find_first_not_of(" \t", at) + 8);
    document.Separator = view[at];
    document.LineEnd = FirstLineEnd(view);
    bool first = true;
    while (reader.NextRow()) {
        const auto& cells = reader.Cells();
        if (std::exchange(first, false) && IsHeader(cells, ProgramHeader)) {
            continue;
        }
        const BendRowInput& values = program->Rows[document.Rows.size()];
        DocumentRow row;
        const double numbers[4] = {values.Y, values.B, values.C, values.R};
        for (int column = 0; column < 4; ++column) {
            row.Cells[column] = CellAt(view, cells[column], numbers[column]);
            if (document.Separator != ',' && cells[column].find(',') != std::string_view::npos) {
                document.DecimalMark = ',';
            }
        }
        const std::size_t lineStart = view.rfind('\n', row.Cells[0].Offset);
        row.LineStart = lineStart == std::string_view::npos ? 0 : lineStart + 1;
        const std::size_t lineEnd = view.find('\n', row.Cells[3].Offset);
        row.LineEnd = lineEnd == std::string_view::npos ? view.size() : lineEnd + 1;
        document.Rows.push_back(row);
    }
    if (document.Separator != ',' &&
        view.substr(document.Diameter.Offset, document.Diameter.Length).find(',') !=
            std::string_view::npos) {
        document.DecimalMark = ',';
    }
    return document;
}

Result<ProgramDocument> ReadProgramDocument(const std::string& path, RowLimits limits) {
    Result<std::string> text = ReadTextFile(path);
    if (!text) {
        return text.Failure();
    }
    if (path != "-" && StartsWithByteOrderMark(path)) {
        text->insert(0, ByteOrderMark);
    }
    return ParseProgramDocument(std::move(*text), ShownName(path), limits);
}

std::string FormatProgramDocument(const ProgramDocument& document, const ProgramRows& rows,
                                  std::span<const int> origins) {
    const std::string& text = document.Text;
    const NumberCell& diameter = document.Diameter;
    std::string out = text.substr(0, diameter.Offset);
    out += rows.Diameter == diameter.Value ? text.substr(diameter.Offset, diameter.Length)
                                           : DocumentNumber(rows.Diameter, document.DecimalMark);
    const std::size_t firstRow =
        document.Rows.empty() ? text.size() : document.Rows.front().LineStart;
    std::size_t at = diameter.Offset + diameter.Length;
    out.append(text, at, firstRow - at);
    at = firstRow;
    std::size_t next = 0;
    const auto addedRows = [&] {
        while (next < rows.Rows.size() && (next >= origins.size() || origins[next] < 0)) {
            AppendNewRow(out, document, rows.Rows[next++]);
        }
    };
    addedRows();
    for (std::size_t k = 0; k < document.Rows.size(); ++k) {
        const DocumentRow& row = document.Rows[k];
        out.append(text, at, row.LineStart - at); // comments and blank lines between rows
        at = row.LineEnd;
        if (next < rows.Rows.size() && next < origins.size() &&
            origins[next] == static_cast<int>(k)) {
            AppendRowLine(out, document, row, rows.Rows[next++]);
            addedRows();
        }
    }
    // Whatever is left goes at the end, so no row is ever lost, whatever the origins say.
    while (next < rows.Rows.size()) {
        AppendNewRow(out, document, rows.Rows[next++]);
    }
    out.append(text, at, std::string::npos);
    return out;
}

} // namespace tubrix
