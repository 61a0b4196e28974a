#include "commands.h"

#include "checkrow.h"
#include "steppart.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iostream>

using namespace tubrix;

std::string Fixed(double value, int width) {
    char text[512]; // room for the widest double in fixed notation
    const double shown = std::fabs(value) < 5e-4 ? 0.0 : value;
    const auto end =
        std::to_chars(text, text + sizeof text, shown, std::chars_format::fixed, 3).ptr;
    const auto length = static_cast<int>(end - text);
    return std::string(static_cast<std::size_t>(std::max(width - length, 0)), ' ') +
           std::string(text, end);
}

void ReportError(const std::string& message) {
    std::cerr << "tubrix-cli: " << message << '\n';
}

void ReportNote(const std::string& message) {
    if (!message.empty()) {
        std::cerr << "tubrix-cli: " << message << '\n';
    }
}

void ReportWarning(const std::string& message) {
    std::cerr << "tubrix-cli: warning: " << message << '\n';
}

int Report(const Error& error, int status) {
    ReportError(error.ToString());
    return status;
}

void AddProgramInput(CLI::App& command, ProgramInput& input) {
    command
        .add_option("PROGRAM", input.Path,
                    "Bend program file (.csv), or a STEP part (.step, .stp); - reads standard "
                    "input")
        ->required()
        ->check(InputPath());
    command.add_flag("--mirror", input.Mirror,
                     "Work on the mirrored part, the other hand: every B negated");
    AddUnitsOption(command, input.Units, "a program file");
    AddStepPartOptions(command, input);
}

void AddStepPartOptions(CLI::App& command, ProgramInput& input) {
    command.add_option("--solid", input.Solid,
                       "STEP part: the solid to read, by its number in ybc --list");
    command.add_flag("--reverse", input.Reverse,
                     "STEP part: start the program from the other end of the tube");
}

void AddUnitsOption(CLI::App& command, std::string& units, const std::string& files) {
    command
        .add_option("--units", units,
                    "The unit of " + files + " without a \"# units:\" line: mm or in")
        ->check(CLI::IsMember({"mm", "in"}));
}

Result<void> TakeGivenUnits(std::optional<LengthUnit>& units, const std::string& path,
                            const std::string& given) {
    if (const std::optional<LengthUnit> unit = ParseUnitName(given)) {
        if (units && *units != *unit) {
            Error error;
            error.File = ShownName(path);
            error.Message = std::string("its units line says ") + UnitName(*units) +
                            ", and --units says " + UnitName(*unit);
            return error;
        }
        units = unit;
    }
    return {};
}

Result<void> TakeGivenUnits(ProgramRows& program, const ProgramInput& input) {
    return TakeGivenUnits(program.Units, input.Path, input.Units);
}

namespace {

Result<ProgramRows> ReadInputProgram(const ProgramInput& input) {
    if (IsStepPath(input.Path)) {
        Result<CadTube> tube = ReadStepTube(input.Path, input.Solid, input.Reverse);
        if (!tube) {
            return tube.Failure();
        }
        return std::move(tube->Program);
    }
    if (input.Solid || input.Reverse) {
        return FileError(ShownName(input.Path), 0, 0,
                         "--solid and --reverse are for a STEP part (.step, .stp)");
    }
    return ReadProgramFile(input.Path);
}

} // namespace

Result<ProgramRows> LoadProgram(const ProgramInput& input) {
    Result<ProgramRows> program = ReadInputProgram(input);
    if (!program) {
        return program;
    }
    if (Result<void> units = TakeGivenUnits(*program, input); !units) {
        return units.Failure();
    }
    if (input.Mirror) {
        MirrorProgram(*program);
    }
    return program;
}

Result<std::optional<MachineProfile>> LoadOptionalProfile(const std::string& path) {
    if (path.empty()) {
        return std::optional<MachineProfile>();
    }
    Result<MachineProfile> profile = ReadMachineProfile(path);
    if (!profile) {
        return profile.Failure();
    }
    return std::optional<MachineProfile>(std::move(*profile));
}

Result<PartInput> LoadPart(const ProgramInput& input, const std::string& machinePath) {
    const Result<ProgramRows> rows = LoadProgram(input);
    if (!rows) {
        return rows.Failure();
    }
    Result<std::optional<MachineProfile>> profile = LoadOptionalProfile(machinePath);
    if (!profile) {
        return profile.Failure();
    }
    PartInput part;
    part.Program = std::make_unique<BendProgram>(ProgramFromRows(*rows));
    part.Profile = std::move(*profile);
    part.ProgramUnits = rows->Units;
    part.Wall = rows->Wall;
    // Where only one of the two says its units, it says them for both, and that is said.
    if (part.Profile) {
        part.Assumed = AssumeUnits(rows->Units, ShownName(input.Path), part.Profile->Units,
                                   ShownName(machinePath));
        part.UnitsNote = part.Assumed ? UnitsAssumedNote(*part.Assumed) : std::string();
    }
    if (part.Profile && part.Profile->Units) {
        part.ProfileUnits = part.Profile->Units;
        if (!part.ProgramUnits) {
            part.ProgramUnits = part.ProfileUnits;
        } else if (*part.ProgramUnits != *part.ProfileUnits) {
            part.Profile = ProfileInUnits(*part.Profile, *part.ProgramUnits);
            part.UnitsNote = "the lengths of " + ShownName(machinePath) + " converted from " +
                             UnitName(*part.ProfileUnits) + " to " + UnitName(*part.ProgramUnits) +
                             ", the program's units";
        }
    }
    return part;
}

CLI::Option* AddMachineOption(CLI::App& command, std::string& path) {
    command.footer("A machine profile (.toml) may have these keys, each optional:\n" +
                   MachineProfileKeysHelp());
    return command.add_option("--machine", path, "Machine profile (.toml); - reads standard input")
        ->check(InputPath());
}

const CLI::Validator& InputPath() {
    // CLI11 puts the option's name before the words: "--machine: the path is empty".
    static const CLI::Validator path(
        [](const std::string& given) {
            return given.empty() ? std::string("the path is empty") : std::string();
        },
        "");
    return path;
}

int WriteOutput(const std::string& path, const std::string& content) {
    const Result<void> written = WriteFileWhole(path.empty() ? "-" : path, content);
    return written ? ExitSuccess : Report(written.Failure(), ExitOutputFailed);
}

void AddDecimalsOption(CLI::App& command, std::optional<int>& decimals) {
    command
        .add_option("--decimals", decimals,
                    "Round the numbers written to N decimals (default: shortest exact form)")
        ->check(CLI::Range(0, MaxWrittenDecimals));
}

int WriteProgram(const std::string& path, const ProgramRows& given, std::optional<int> decimals,
                 const std::vector<std::string>& comments, const ComputedNumbers& computed) {
    const ProgramRows rows = SnapComputed(given, computed);
    const std::string text = FormatProgramText(given, decimals, comments, computed);
    if (decimals) {
        // What rounding made of the numbers is judged by the rules a program keeps.
        const auto round = [&](double& value) {
            if (const Result<double> back = ParseNumber(FormatNumber(value, decimals), ';', "");
                back) {
                value = *back;
            }
        };
        ProgramRows rounded = rows;
        round(rounded.Diameter);
        for (BendRowInput& row : rounded.Rows) {
            for (double* value : {&row.Y, &row.B, &row.C, &row.R}) {
                round(*value);
            }
        }
        if (rows.Wall && !WallFits(*rows.Wall, rounded.Diameter)) {
            ReportError("--decimals " + std::to_string(*decimals) + " leaves the diameter " +
                        FormatNumber(rounded.Diameter) + " too small for the wall " +
                        FormatNumber(*rows.Wall));
            return ExitBadInput;
        }
        if (const Result<void> usable = CheckUsable(rounded); !usable) {
            const Error& fault = usable.Failure();
            const std::string where =
                fault.Row > 0 ? "row " + std::to_string(fault.Row) : std::string("the diameter");
            ReportError("--decimals " + std::to_string(*decimals) + " leaves " + where +
                        " unreadable: " + fault.Message);
            return ExitBadInput;
        }
    }
    return WriteOutput(path, text);
}
