// tubrix-cli ybc: the bend program through the XYZ points of a CAD drawing.
#include "commands.h"
#include "ybc.h"

#include <memory>

using namespace tubrix;

namespace {

struct YbcOptions {
    std::string Points;
    std::optional<double> Radius;
    std::optional<double> Diameter;
    std::optional<int> Decimals;
    std::string Output;
};

// The file is read once (it may be standard input): for its points and its leading comment
// lines, which the program keeps (a part number lives there).
int RunYbc(const YbcOptions& options) {
    const Result<std::string> text = ReadTextFile(options.Points);
    if (!text) {
        return Report(text.Failure());
    }
    const std::string shown = ShownName(options.Points);
    const Result<PointsRows> points = ParsePointsText(*text, shown, options.Diameter);
    if (!points) {
        return Report(points.Failure());
    }
    Result<ProgramRows> program = XyzToProgram(*points, options.Radius, shown);
    if (!program) {
        return Report(program.Failure());
    }
    program->Units = points->Units;
    return WriteProgram(options.Output, *program, options.Decimals, LeadingComments(*text));
}

} // namespace

void AddYbcCommand(CLI::App& app, int& status) {
    auto options = std::make_shared<YbcOptions>();
    CLI::App* ybc = app.add_subcommand(
        "ybc", "The bend program (Y, B, C, R) through XYZ points: straights between tangent "
               "points, bend angles, plane turns; the file's leading comment lines kept.");
    ybc->add_option("POINTS", options->Points, "XYZ points file (.csv); - reads standard input")
        ->required();
    ybc->add_option("--radius", options->Radius,
                    "Bend radius for points that give none on their line")
        ->check(CLI::PositiveNumber);
    ybc->add_option("--diameter", options->Diameter,
                    "Tube diameter for a points file without a diameter line (with one, they "
                    "must agree)")
        ->check(CLI::PositiveNumber);
    AddDecimalsOption(*ybc, options->Decimals);
    ybc->add_option("-o,--output", options->Output,
                    "Program file to write (default: standard output)");
    ybc->callback([options, &status] { status = RunYbc(*options); });
}
