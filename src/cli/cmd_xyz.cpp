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
    std::string text = rows.Units ? UnitsLine(*rows.Units) + '\n' : std::string();
    text += "diameter," + number(rows.Diameter) + "\nX,Y,Z,R\n";
    for (const XyzPoint& point : points) {
        text += number(point.At.X) + ',' + number(point.At.Y) + ',' + number(point.At.Z) + ',' +
                (point.R ? number(*point.R) : "") + '\n';
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
