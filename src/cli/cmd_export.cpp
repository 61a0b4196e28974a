// tubrix-cli export: the tube's outer surface as one closed mesh file, for CAD, a fixture check
// or a 3D print.
#include "commands.h"
#include "findings.h"
#include "meshfile.h"
#include "steppart.h"

#include <charconv>
#include <memory>
#include <new>

using namespace tubrix;

namespace {

struct ExportOptions {
    ProgramInput Program;
    std::string Output;
    std::string Segments = std::to_string(DefaultMeshSegments);
    std::optional<double> Wall;
};

// The exact solid rather than a mesh: hollow with --wall, else with the program's own wall (a
// hollow part read and exported stays hollow); a wall given must leave a bore.
int RunStepExport(const ExportOptions& options) {
    const Result<ProgramRows> rows = LoadProgram(options.Program);
    if (!rows) {
        return Report(rows.Failure());
    }
    const std::string shown = ShownName(options.Program.Path);
    if (options.Wall && !WallFits(*options.Wall, rows->Diameter)) {
        ReportError(shown + ": --wall " + FormatNumber(*options.Wall) +
                    " must be above 0 and below half the diameter, " +
                    FormatNumber(rows->Diameter / 2));
        return ExitBadInput;
    }
    return WriteStepPart(*rows, options.Wall ? options.Wall : rows->Wall, options.Output, shown);
}

Result<int> ReadSegments(const std::string& text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < MinMeshSegments ||
        value > MaxMeshSegments) {
        return Failed("--segments must be a whole number from " + std::to_string(MinMeshSegments) +
                      " to " + std::to_string(MaxMeshSegments) + ", not \"" + text + "\"");
    }
    return value;
}

// A bend as tight as the tube cannot be bent without the inner wall folding; the mesh shows
// that fold as it is, and the operator hears about it in check's words.
void WarnOfFolds(const std::string& file, const BendProgram& program) {
    for (const Finding& fold : CheckFolds(program)) {
        ReportWarning(file + ": " + FindingLine(fold));
    }
}

int RunExport(const ExportOptions& options) {
    if (IsStepPath(options.Output)) {
        return RunStepExport(options);
    }
    if (options.Wall) {
        ReportError("--wall is for a STEP solid (-o PART.step)");
        return ExitBadInput;
    }
    const Result<int> segments = ReadSegments(options.Segments);
    if (!segments) {
        return Report(segments.Failure());
    }
    const Result<MeshFormat> format = MeshFormatFor(options.Output);
    if (!format) {
        Error error = format.Failure();
        error.Message += "; or .step, .stp for an exact solid";
        return Report(error);
    }
    const Result<ProgramRows> rows = LoadProgram(options.Program);
    if (!rows) {
        return Report(rows.Failure());
    }
    try {
        const BendProgram program = ProgramFromRows(*rows);
        const TubeMesh mesh = BuildTubeMesh(program, *segments);
        WarnOfFolds(options.Program.Path, program);
        const Result<std::string> encoded = EncodeMesh(mesh, *format);
        if (!encoded) {
            ReportError(options.Program.Path + ": " + encoded.Failure().Message);
            return ExitBadInput;
        }
        return WriteOutput(options.Output, *encoded);
    } catch (const std::bad_alloc&) {
        ReportError("the mesh of " + options.Program.Path + " does not fit in memory");
        return ExitOutputFailed;
    }
}

} // namespace

void AddExportCommand(CLI::App& app, int& status) {
    auto options = std::make_shared<ExportOptions>();
    CLI::App* command = app.add_subcommand(
        "export", "The tube's outer surface as one closed mesh in the program's length units: "
                  "binary STL, OBJ, binary PLY or binary glTF, by the output's extension; or "
                  "as an exact solid of cylinders and tori in a STEP file (.step, .stp), in mm.");
    AddProgramInput(*command, options->Program);
    command
        ->add_option("-o,--output", options->Output,
                     "File to write: a mesh (.stl, .obj, .ply, .glb) or a STEP solid (.step, "
                     ".stp)")
        ->required();
    command->add_option("--segments", options->Segments, "Facets around the tube, from 8 to 256")
        ->type_name("N")
        ->capture_default_str();
    command->add_option("--wall", options->Wall,
                        "STEP solid: a hollow tube with this wall thickness (0 < T < D/2); "
                        "without it, the program's own (its \"# wall:\" line)");
    command->callback([options, &status] { status = RunExport(*options); });
}
