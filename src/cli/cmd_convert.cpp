// tubrix-cli convert: a program rescaled from millimetres to inches or back. Lengths (the
// diameter, the wall, Y, R) change; angles stay.
#include "commands.h"

#include <cmath>
#include <memory>

using namespace tubrix;

namespace {

struct ConvertOptions {
    ProgramInput Program;
    std::string To;
    std::optional<int> Decimals;
    std::string Output;
};

// The file is read once (it may be standard input): for its rows and its leading comment
// lines, which the converted program keeps.
int RunConvert(const ConvertOptions& options) {
    const Result<std::string> text = ReadTextFile(options.Program.Path);
    if (!text) {
        return Report(text.Failure());
    }
    Result<ProgramRows> rows = ParseProgramText(*text, ShownName(options.Program.Path));
    if (!rows) {
        return Report(rows.Failure());
    }
    if (Result<void> units = TakeGivenUnits(*rows, options.Program); !units) {
        return Report(units.Failure());
    }
    if (!rows->Units) {
        ReportError(ShownName(options.Program.Path) +
                    ": the file does not say its units (a \"# units: mm\" line); --units says "
                    "what it holds");
        return ExitBadInput;
    }
    if (options.Program.Mirror) {
        MirrorProgram(*rows);
    }
    const LengthUnit from = *rows->Units, to = *ParseUnitName(options.To);
    bool finite = true; // 1e308 inches are no number of millimetres
    const auto convert = [&](double& length) {
        length = ConvertLength(length, from, to);
        finite = finite && std::isfinite(length);
    };
    convert(rows->Diameter);
    if (rows->Wall) {
        convert(*rows->Wall);
    }
    for (BendRowInput& row : rows->Rows) {
        convert(row.Y);
        convert(row.R);
    }
    if (!finite) {
        ReportError(ShownName(options.Program.Path) + ": a length is too large for a number in " +
                    UnitName(to) + "; nothing was written");
        return ExitBadInput;
    }
    rows->Units = to;
    // The lengths are computed in the new unit; the angles are the file's own.
    ComputedNumbers computed;
    computed.Diameter = computed.Y = computed.R = from != to;
    return WriteProgram(options.Output, *rows, options.Decimals, LeadingComments(*text), computed);
}

} // namespace

void AddConvertCommand(CLI::App& app, int& status) {
    auto options = std::make_shared<ConvertOptions>();
    CLI::App* convert = app.add_subcommand(
        "convert", "The program in other units: lengths (the diameter, Y, R) rescaled between "
                   "mm and in, angles as they are, the file's leading comment lines kept.");
    AddProgramInput(*convert, options->Program);
    convert->add_option("--to", options->To, "The units to write: mm or in")
        ->required()
        ->check(CLI::IsMember({"mm", "in"}));
    AddDecimalsOption(*convert, options->Decimals);
    convert->add_option("-o,--output", options->Output,
                        "Program file to write (default: standard output)");
    convert->callback([options, &status] { status = RunConvert(*options); });
}
