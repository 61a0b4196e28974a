// tubrix-cli: bend program files, the numbers of the bent tube and its pictures, without a
// window. The commands share the tube library with the window program, so the numbers and the
// picture come from one geometry.
#include "commands.h"
#include "tubrixversion.h"

using namespace tubrix;

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
