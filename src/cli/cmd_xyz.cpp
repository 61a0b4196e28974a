// tubrix-cli xyz and ybc: between the bend program and the XYZ points of a CAD drawing.
#include "commands.h"
#include "ybc.h"

#include <memory>

using namespace tubrix;

namespace {

struct XyzOptions {
    ProgramInput Program;
    std::optional<int> Decimals;
    std::string Output;
};

std::string PointsText(const ProgramRows& rows, const std::vector<XyzPoint>& points,
                       std::optional<int> decimals) {
    const auto number = [&](double value) { return FormatNumber(value, decimals); };
    // The points are computed; the diameter and the radii are the program's own.
    const auto point = [&](double value) { return number(SnapCadNumber(value)); };
    std::string text = rows.Units ? UnitsLine(*rows.Units) + '\n' : std::string();
    text += "diameter," + number(rows.Diameter) + "\nX,Y,Z,R\n";
    for (const XyzPoint& at : points) {
        text += point(at.At.X) + ',' + point(at.At.Y) + ',' + point(at.At.Z) + ',' +
                (at.R ? number(*at.R) : "") + '\n';
    }
    return text;
}

int RunXyz(const XyzOptions& options) {
    const Result<ProgramRows> rows = LoadProgram(options.Program);
    if (!rows) {
        return Report(rows.Failure());
    }
    const Result<std::vector<XyzPoint>> points = ProgramToXyz(WalkTube(ProgramFromRows(*rows)));
    if (!points) {
        ReportError(ShownName(options.Program.Path) + ": " + points.Failure().InProgram());
        return ExitBadInput;
    }
    return WriteOutput(options.Output, PointsText(*rows, *points, options.Decimals));
}

} // namespace

void AddXyzCommand(CLI::App& app, int& status) {
    auto options = std::make_shared<XyzOptions>();
    CLI::App* xyz = app.add_subcommand(
        "xyz", "The program as XYZ points: the tube's start, the intersection point of each "
               "bend's legs with its radius, the tube's end.");
    AddProgramInput(*xyz, options->Program);
    AddDecimalsOption(*xyz, options->Decimals);
    xyz->add_option("-o,--output", options->Output,
                    "Points file to write (default: standard output)");
    xyz->callback([options, &status] { status = RunXyz(*options); });
}
