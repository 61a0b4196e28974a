#include "commands.h"

#include <iostream>

void ReportError(const std::string& message) {
    std::cerr << "tubrix-cli: " << message << '\n';
}

void ReportWarning(const std::string& message) {
    std::cerr << "tubrix-cli: warning: " << message << '\n';
}

std::optional<ProgramRows> LoadProgram(const std::string& path) {
    Loaded<ProgramRows> program = ReadProgramFile(path);
    if (!program) {
        ReportError(program.Error.ToString());
    }
    return program.Value;
}

int WriteOutput(const std::string& path, const std::string& content) {
    const std::string failure = WriteFileWhole(path.empty() ? "-" : path, content);
    if (!failure.empty()) {
        ReportError(failure);
        return ExitOutputFailed;
    }
    return ExitSuccess;
}
