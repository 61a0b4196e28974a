// tubrix-cli mirror: the program of the other hand of a part, as a program file.
#include "commands.h"
#include "steppart.h"

#include <memory>

using namespace tubrix;

namespace {

struct MirrorOptions {
    ProgramInput Input;
    std::optional<int> Decimals;
    std::string Output;
};

// The file is read once (it may be standard input): for its rows and its leading comment
// lines, which the other hand keeps (a part number lives there).
int RunMirror(const MirrorOptions& options) {
    if (IsStepPath(options.Input.Path)) {
        ProgramInput other = options.Input;
        other.Mirror = true;
        const Result<ProgramRows> rows = LoadProgram(other);
        if (!rows) {
            return Report(rows.Failure());
        }
        return WriteProgram(options.Output, *rows, options.Decimals, StepProgramComments);
    }
    if (options.Input.Solid || options.Input.Reverse) {
        return Report(FileError(ShownName(options.Input.Path), 0, 0,
                                "--solid and --reverse are for a STEP part (.step, .stp)"));
    }
    const std::string& program = options.Input.Path;
    const Result<std::string> text = ReadTextFile(program);
    if (!text) {
        return Report(text.Failure());
    }
    Result<ProgramRows> rows = ParseProgramText(*text, ShownName(program));
    if (!rows) {
        return Report(rows.Failure());
    }
    MirrorProgram(*rows);
    return WriteProgram(options.Output, *rows, options.Decimals, LeadingComments(*text));
}

} // namespace

void AddMirrorCommand(CLI::App& app, int& status) {
    auto options = std::make_shared<MirrorOptions>();
    CLI::App* mirror = app.add_subcommand(
        "mirror", "The program of the other hand of the part (left for right): every B negated, "
                  "everything else as it is, the file's leading comment lines kept.");
    mirror
        ->add_option("PROGRAM", options->Input.Path,
                     "Bend program file (.csv), or a STEP part (.step, .stp); - reads standard "
                     "input")
        ->required()
        ->check(InputPath());
    AddStepPartOptions(*mirror, options->Input);
    AddDecimalsOption(*mirror, options->Decimals);
    mirror->add_option("-o,--output", options->Output,
                       "Program file to write (default: standard output)");
    mirror->callback([options, &status] { status = RunMirror(*options); });
}
