// tubrix-cli: bend program files, the numbers of the bent tube and its pictures, without a
// window. The commands share the tube library with the window program, so the numbers and the
// picture come from one geometry.
#include "commands.h"
#include "tubrixversion.h"

#include <algorithm>
#include <string_view>
#include <vector>

using namespace tubrix;

namespace {

// What a command line without a command, or with a word that is none, is told: the nearest
// command when a slip of a letter or two makes it, and every command. Empty when the line names
// one (or asks only for help or the version, which CLI11 answers).
std::string CommandMistake(const CLI::App& app, int argc, char** argv) {
    std::vector<std::string> names;
    for (const CLI::App* command : app.get_subcommands({})) {
        names.push_back(command->get_name());
    }
    std::string list;
    for (const std::string& name : names) {
        list += (list.empty() ? "" : ", ") + name;
    }
    const std::string commands = "Commands: " + list + " (tubrix-cli --help says what each does).";
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        if (word.starts_with('-')) {
            if (word == "-h" || word == "--help" || word == "--version") {
                return {};
            }
            continue; // an option CLI11 will name
        }
        if (std::find(names.begin(), names.end(), word) != names.end()) {
            return {};
        }
        std::string message = "unknown command \"" + std::string(word) + "\"";
        if (const std::string nearest = LikelyMeant(word, names); !nearest.empty()) {
            message += "; did you mean " + nearest + "?";
        }
        return message + (message.ends_with('?') ? " " : ". ") + commands;
    }
    return "no command given. " + commands;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"Tubrix on the command line: bend program files, the numbers of the bent tube, "
                 "XYZ <-> YBC, pictures and meshes.",
                 "tubrix-cli"};
    app.set_version_flag("--version", std::string("tubrix-cli ") + TubrixVersion);
    app.require_subcommand(1);
    int status = ExitSuccess;
    AddInfoCommand(app, status);
    AddXyzCommand(app, status);
    AddYbcCommand(app, status);
    AddRenderCommand(app, status);
    AddExportCommand(app, status);
    AddCheckCommand(app, status);
    AddMachineCommand(app, status);
    AddSequenceCommand(app, status);
    AddReportCommand(app, status);
    AddMirrorCommand(app, status);
    AddConvertCommand(app, status);
    AddCompareCommand(app, status);
    AddCorrectCommand(app, status);
    AddCalibrateCommand(app, status);
    // A slip in the command's name is named as one, with the command most likely meant, rather
    // than as CLI11's "A subcommand is required".
    if (const std::string mistake = CommandMistake(app, argc, argv); !mistake.empty()) {
        ReportError(mistake);
        return ExitBadInput;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // Help and version are successes; anything else is bad usage, said in one line.
        if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
            return app.exit(error);
        }
        ReportError(error.what());
        return ExitBadInput;
    }
    return status;
}
