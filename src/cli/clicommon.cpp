#include "commands.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iostream>

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

void ReportWarning(const std::string& message) {
    std::cerr << "tubrix-cli: warning: " << message << '\n';
}

void AddProgramInput(CLI::App& command, ProgramInput& input) {
    command.add_option("PROGRAM", input.Path, "Bend program file (.csv); - reads standard input")
        ->required();
    command.add_flag("--mirror", input.Mirror,
                     "Work on the mirrored part, the other hand: every B negated");
}

std::optional<ProgramRows> LoadProgram(const ProgramInput& input) {
    Loaded<ProgramRows> program = ReadProgramFile(input.Path);
    if (!program) {
        ReportError(program.Error.ToString());
        return std::nullopt;
    }
    if (input.Mirror) {
        MirrorProgram(*program.Value);
    }
    return program.Value;
}

std::optional<MachineProfile> LoadProfile(const std::string& path) {
    Loaded<MachineProfile> profile = ReadMachineProfile(path);
    if (!profile) {
        ReportError(profile.Error.ToString());
        return std::nullopt;
    }
    return profile.Value;
}

bool LoadOptionalProfile(const std::string& path, std::optional<MachineProfile>& profile) {
    profile.reset();
    if (path.empty()) {
        return true;
    }
    profile = LoadProfile(path);
    return profile.has_value();
}

CLI::Option* AddMachineOption(CLI::App& command, std::string& path) {
    command.footer("A machine profile (.toml) may have these keys, each optional:\n" +
                   MachineProfileKeysHelp());
    return command.add_option("--machine", path, "Machine profile (.toml); - reads standard input");
}

int WriteOutput(const std::string& path, const std::string& content) {
    const std::string failure = WriteFileWhole(path.empty() ? "-" : path, content);
    if (!failure.empty()) {
        ReportError(failure);
        return ExitOutputFailed;
    }
    return ExitSuccess;
}

void AddDecimalsOption(CLI::App& command, std::optional<int>& decimals) {
    command
        .add_option("--decimals", decimals,
                    "Round the numbers written to N decimals (default: shortest exact form)")
        ->check(CLI::Range(0, MaxWrittenDecimals));
}

int WriteProgram(const std::string& path, const ProgramRows& rows, std::optional<int> decimals) {
    const std::string text = FormatProgramText(rows, decimals);
    if (decimals) {
        const Loaded<ProgramRows> back = ParseProgramText(text, std::string());
        if (!back) {
            // The written text has three lines before its first row: comment, diameter, header.
            constexpr int HeadLines = 3;
            const std::string where = back.Error.Line > HeadLines
                                          ? "row " + std::to_string(back.Error.Line - HeadLines)
                                          : std::string("the diameter");
            ReportError("--decimals " + std::to_string(*decimals) + " leaves " + where +
                        " unreadable: " + back.Error.Message);
            return ExitBadInput;
        }
    }
    return WriteOutput(path, text);
}
