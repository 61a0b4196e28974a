#include "postprocessor.h"

#include "posttemplate.h"

#include <fmt/chrono.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>

namespace tubrix {

Result<std::string> FormatPostProgram(const MachineProgram& program, const MachineOutput& output,
                                      const PostPart& part) {
    PostFields fields{part.Name, program.Machine.value_or(""), part.Units, part.Date};
    // The control is given the numbers Tubrix computed without their CAD round-off.
    const ComputedNumbers computed = MachineComputed(program);
    const ProgramRows snapped = SnapComputed(MachineRows(program), computed);
    fields.Plane = computed.Plane;
    fields.CutLength = SnapCadNumber(program.CutLength);
    fields.Rows = static_cast<int>(program.Rows.size());
    fields.Bends =
        static_cast<int>(std::count_if(program.Rows.begin(), program.Rows.end(),
                                       [](const MachineRow& row) { return row.Bending; }));
    std::string file;
    const auto write = [&](const std::string& text) -> Result<void> {
        const Result<std::string> lines = WritePostTemplate(text, fields, output.DecimalMark);
        if (!lines) {
            return lines.Failure();
        }
        file += *lines;
        return {};
    };
    Result<void> written = write(output.Header);
    for (std::size_t i = 0; written && i < program.Rows.size(); ++i) {
        const BendRowInput& row = snapped.Rows[i];
        fields.Row = static_cast<int>(i) + 1;
        fields.Y = row.Y;
        fields.B = row.B;
        fields.C = row.C;
        fields.R = row.R;
        fields.Bend += program.Rows[i].Bending ? 1 : 0;
        written = write(output.Row);
    }
    if (written) {
        written = write(output.Footer);
    }
    if (!written) {
        return written.Failure();
    }
    if (output.Crlf) {
        std::string crlf;
        for (const char c : file) {
            crlf += c == '\n' ? "\r\n" : std::string(1, c);
        }
        file = std::move(crlf);
    }
    if (!output.Latin1) {
        return file;
    }
    if (FirstBeyondLatin1(file) != std::string::npos) {
        Error failed;
        failed.Message = "the control's file is latin-1, which cannot hold a character of the "
                         "part's or the machine's name";
        return failed;
    }
    return ToLatin1(file);
}

std::string PostDate() {
    std::time_t now = std::time(nullptr);
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch && *epoch) {
        char* end = nullptr;
        const long long seconds = std::strtoll(epoch, &end, 10);
        if (*end == '\0' && seconds >= 0) {
            now = static_cast<std::time_t>(seconds);
            return fmt::format("{:%Y-%m-%d}", fmt::gmtime(now));
        }
    }
    return fmt::format("{:%Y-%m-%d}", fmt::localtime(now));
}

} // namespace tubrix
