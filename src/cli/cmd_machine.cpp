// tubrix-cli machine: the program the machine is given, with its plane turns, springback and
// cut length. Findings do not stop it; their count goes to standard error.
#include "clijson.h"
#include "commands.h"
#include "machineprogram.h"
#include "partcheck.h"
#include "postprocessor.h"

#include <filesystem>
#include <memory>

using namespace tubrix;

namespace {

struct MachineOptions {
    ProgramInput Program;
    std::string Machine;
    std::string Output;
    bool AsJson = false;
    bool Post = false;
    std::optional<int> Decimals;
};

std::string MachineJson(const MachineProgram& program, const std::optional<UnitsAssumed>& assumed) {
    Json rows = Json::array();
    for (const MachineRow& row : program.Rows) {
        rows.push_back({{"Y", JsonNumber(row.Y)},
                        {"B", JsonNumber(row.B)},
                        {"C", JsonNumber(row.C)},
                        {"R", JsonNumber(row.R)}});
    }
    const Json out = {
        {"machine", program.Machine ? Json(*program.Machine) : Json(nullptr)},
        {"b_mode", program.BMode == MachineProfile::PlaneMode::Relative ? "relative" : "absolute"},
        {"units_assumed", UnitsAssumedJson(assumed)},
        {"cut_length", JsonNumber(program.CutLength)},
        {"rows", std::move(rows)}};
    return out.dump(2) + '\n';
}

// The control's own file, through the profile's [output] templates; without -o it goes beside
// the program with the output's extension (standard output when there is neither).
int WritePost(const MachineOptions& options, const MachineProgram& machine,
              const MachineProfile& profile) {
    const std::filesystem::path program = options.Program.Path;
    const bool fromFile = !options.Program.Path.empty() && options.Program.Path != "-";
    const PostPart part{fromFile ? program.stem().string() : "stdin",
                        machine.Units ? UnitName(*machine.Units) : "", PostDate()};
    const Result<std::string> file = FormatPostProgram(machine, *profile.Output, part);
    if (!file) {
        return Report(file.Failure());
    }
    std::string output = options.Output;
    if (output.empty() && fromFile && !profile.Output->Extension.empty()) {
        output = std::filesystem::path(program).replace_extension(profile.Output->Extension);
    }
    return WriteOutput(output, *file);
}

int RunMachine(const MachineOptions& options) {
    const Result<PartInput> part = LoadPart(options.Program, options.Machine);
    if (!part) {
        return Report(part.Failure());
    }
    const MachineProfile& profile = *part->Profile;
    if (options.Post && !profile.Output) {
        ReportError(ShownName(options.Machine) +
                    ": --post writes through the profile's [output] table, and it has none");
        return ExitBadInput;
    }
    const BendProgram* program = part->Program.get();
    MachineProgram machine = MakeMachineProgram(*program, profile);
    machine.Units = part->ProgramUnits;
    // The control's lengths are the profile's, where it says its units.
    if (part->ProfileUnits) {
        machine = MachineProgramInUnits(machine, *part->ProfileUnits);
    }
    if (const Result<void> finite = CheckMachineProgram(machine); !finite) {
        ReportError(ShownName(options.Program.Path) + ": " + finite.Failure().InProgram() +
                    "; nothing was written");
        return ExitBadInput;
    }
    ReportNote(part->UnitsNote);
    const std::size_t findings = CheckProgram(*program, &profile).Findings.size();
    const int status =
        options.Post
            ? WritePost(options, machine, profile)
            : WriteOutput(options.Output,
                          options.AsJson ? MachineJson(machine, part->Assumed)
                                         : FormatMachineProgramText(machine, options.Decimals));
    if (findings > 0) {
        ReportWarning(std::to_string(findings) + (findings == 1 ? " finding" : " findings") +
                      "; tubrix-cli check lists them");
    }
    return status;
}

} // namespace

void AddMachineCommand(CLI::App& app, int& status) {
    auto options = std::make_shared<MachineOptions>();
    CLI::App* machine = app.add_subcommand(
        "machine", "The program the machine is given: B as the machine counts the plane turn, "
                   "C with its springback, and the cut length.");
    AddProgramInput(*machine, options->Program);
    AddMachineOption(*machine, options->Machine)->required();
    machine->add_option("-o,--output", options->Output,
                        "Program file to write (default: standard output)");
    CLI::Option* json =
        machine->add_flag("--json", options->AsJson, "Write JSON instead of a program file");
    AddDecimalsOption(*machine, options->Decimals);
    machine
        ->add_flag("--post", options->Post,
                   "Write the control's own file through the profile's [output] templates "
                   "(default file: the program's name with the output's extension)")
        ->excludes(json)
        ->excludes("--decimals");
    machine->callback([options, &status] { status = RunMachine(*options); });
}
