// tubrix-cli mirror: the program of the other hand of a part, as a program file.
#include "commands.h"

#include <memory>

using namespace tubrix;

namespace {

struct MirrorOptions {
    std::string Program;
    std::optional<int> Decimals;
    std::string Output;
};

// The file is read once (it may be standard input): for its rows and its leading comment
// lines, which the other hand keeps (a part number lives there).
int RunMirror(const MirrorOptions& options) {
    const Result<std::string> text = ReadTextFile(options.Program);
    if (!text) {
        return Report(text.Failure());
    }
    Result<ProgramRows> rows = ParseProgramText(*text, ShownName(options.Program));
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
        ->add_option("PROGRAM", options->Program,
                     "Bend program file (.csv); - reads standard input")
        ->required();
    AddDecimalsOption(*mirror, options->Decimals);
    mirror->add_option("-o,--output", options->Output,
                       "Program file to write (default: standard output)");
    mirror->callback([options, &status] { status = RunMirror(*options); });
}
