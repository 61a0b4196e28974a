// tubrix-cli ybc: the bend program through the XYZ points of a CAD drawing.
#include "commands.h"
#include "steppart.h"
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
    ProgramInput Part; // a STEP part: its --solid and --reverse
    bool List = false;
    bool AsJson = false;
};

// A STEP part: its bodies listed, or the program of its tube, which says its unit and, for a
// hollow part, its wall.
int RunStepYbc(const YbcOptions& options) {
    if (options.AsJson && !options.List) {
        return Report(FileError(ShownName(options.Points), 0, 0, "--json is for --list"));
    }
    const Result<std::vector<CadBody>> bodies = ReadStepBodies(options.Points);
    if (!bodies) {
        return Report(bodies.Failure());
    }
    if (options.List) {
        return WriteOutput(options.Output, options.AsJson
                                               ? StepBodiesJson(*bodies, options.Points)
                                               : StepBodiesList(*bodies, options.Points));
    }
    const Result<CadTube> tube =
        ChooseStepTube(*bodies, options.Part.Solid, options.Part.Reverse, options.Points);
    if (!tube) {
        return Report(tube.Failure());
    }
    return WriteProgram(options.Output, tube->Program, options.Decimals, StepProgramComments);
}

// The file is read once (it may be standard input): for its points and its leading comment
// lines, which the program keeps (a part number lives there).
int RunYbc(const YbcOptions& options) {
    if (IsStepPath(options.Points)) {
        // A part's faces give its radii and diameter; one typed as well would be ignored.
        if (options.Radius || options.Diameter) {
            return Report(FileError(ShownName(options.Points), 0, 0,
                                    "--radius and --diameter are for a points file; a STEP part "
                                    "gives its own"));
        }
        return RunStepYbc(options);
    }
    if (options.List || options.AsJson || options.Part.Solid || options.Part.Reverse) {
        return Report(FileError(ShownName(options.Points), 0, 0,
                                "--list, --json, --solid and --reverse are for a STEP part (.step, "
                                ".stp)"));
    }
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
    program->Wall = points->Wall;
    // The straights, planes and angles are computed from the points; the diameter and the
    // radii are the file's (or the options') own.
    ComputedNumbers computed;
    computed.Y = computed.B = computed.C = true;
    return WriteProgram(options.Output, *program, options.Decimals, LeadingComments(*text),
                        computed);
}

} // namespace

void AddYbcCommand(CLI::App& app, int& status) {
    auto options = std::make_shared<YbcOptions>();
    CLI::App* ybc = app.add_subcommand(
        "ybc", "The bend program (Y, B, C, R) through XYZ points: straights between tangent "
               "points, bend angles, plane turns; the file's leading comment lines kept.");
    ybc->add_option("POINTS", options->Points,
                    "XYZ points file (.csv), or a STEP part (.step, .stp); - reads standard input")
        ->required()
        ->check(InputPath());
    AddStepPartOptions(*ybc, options->Part);
    ybc->add_flag("--list", options->List,
                  "STEP part: list its solids (number, faces, and a tube's diameter, bends and "
                  "developed length) instead of writing a program");
    ybc->add_flag("--json", options->AsJson,
                  "With --list: every solid as JSON, a tube with its diameter, wall, bends, "
                  "developed length and program rows at full precision");
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
