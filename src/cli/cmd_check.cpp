// tubrix-cli check: can this machine bend the part? One line per finding; exit status 3 when
// there is any, so scripts can branch on it.
#include "clijson.h"
#include "commands.h"
#include "partcheck.h"

#include <algorithm>
#include <memory>

using namespace tubrix;

namespace {

struct CheckOptions {
    ProgramInput Program;
    std::string Machine;
    bool AsJson = false;
};

Json RowNumber(int row) {
    return row > 0 ? Json(row) : Json(nullptr);
}

std::string FindingsJson(const PartInput& part, double cutLength,
                         const std::vector<Finding>& findings) {
    const std::optional<MachineProfile>& profile = part.Profile;
    Json list = Json::array();
    for (const Finding& f : findings) {
        list.push_back({{"rule", RuleName(f.Rule)},
                        {"row", RowNumber(f.Row)},
                        {"other_row", RowNumber(f.OtherRow)},
                        {"value", JsonNumber(f.Value)},
                        {"limit", f.Limit ? JsonNumber(*f.Limit) : Json(nullptr)},
                        {"message", f.Message}});
    }
    const Json out = {{"machine", profile && profile->Name ? Json(*profile->Name) : Json(nullptr)},
                      {"units_assumed", UnitsAssumedJson(part.Assumed)},
                      {"cut_length", JsonNumber(cutLength)},
                      {"findings", std::move(list)}};
    return out.dump(2) + '\n';
}

// The one line a clean part gives, so that a person sees the check ran: with a profile, the
// machine it ran for, by its name (on one line), else by its file.
std::string NoFindingsLine(const std::optional<MachineProfile>& profile,
                           const std::string& machinePath) {
    if (!profile) {
        return "no findings\n";
    }
    std::string machine = profile->Name ? *profile->Name : ShownName(machinePath);
    std::replace_if(
        machine.begin(), machine.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; },
        ' ');
    return "no findings on " + machine + '\n';
}

int RunCheck(const CheckOptions& options) {
    const Result<PartInput> part = LoadPart(options.Program, options.Machine);
    if (!part) {
        return Report(part.Failure());
    }
    ReportNote(part->UnitsNote);
    const PartCheck check = CheckProgram(*part->Program, part->Machine());
    const std::vector<Finding>& findings = check.Findings;
    std::string text;
    if (options.AsJson) {
        text = FindingsJson(*part, check.CutLength, findings);
    } else if (findings.empty()) {
        text = NoFindingsLine(part->Profile, options.Machine);
    } else {
        for (const Finding& f : findings) {
            text += FindingLine(f) + '\n';
        }
    }
    const int written = WriteOutput("-", text);
    if (written != ExitSuccess) {
        return written;
    }
    return findings.empty() ? ExitSuccess : ExitFindings;
}

} // namespace

void AddCheckCommand(CLI::App& app, int& status) {
    auto options = std::make_shared<CheckOptions>();
    CLI::App* check = app.add_subcommand(
        "check", "Can the machine bend it? One line per finding: dies, angles, clamp and tail "
                 "straights, stock length, folded bends and a tube that touches itself; "
                 "\"no findings\" (on the machine) when there is none. Exit status 3 when there "
                 "are findings, else 0.");
    AddProgramInput(*check, options->Program);
    AddMachineOption(*check, options->Machine);
    check->add_flag("--json", options->AsJson, "Print JSON instead of lines");
    check->callback([options, &status] { status = RunCheck(*options); });
}
