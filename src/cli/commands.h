#pragma once

#include "machineprofile.h"
#include "measured.h"
#include "programfile.h"
#include "tubewalk.h"

#include <CLI/CLI.hpp>

#include <memory>
#include <optional>
#include <string>
#include <vector>

// Exit statuses: success, an output that could not be written (or no OpenGL to draw with),
// bad usage or bad input, and a part with findings (check), which scripts branch on.
inline constexpr int ExitSuccess = 0;
inline constexpr int ExitOutputFailed = 1;
inline constexpr int ExitBadInput = 2;
inline constexpr int ExitFindings = 3;

// Each command of tubrix-cli adds its subcommand to the application; when it runs, it stores
// its exit status in `status`.
void AddInfoCommand(CLI::App& app, int& status);
void AddXyzCommand(CLI::App& app, int& status);
void AddYbcCommand(CLI::App& app, int& status);
void AddRenderCommand(CLI::App& app, int& status);
void AddExportCommand(CLI::App& app, int& status);
void AddCheckCommand(CLI::App& app, int& status);
void AddMachineCommand(CLI::App& app, int& status);
void AddSequenceCommand(CLI::App& app, int& status);
void AddReportCommand(CLI::App& app, int& status);
void AddMirrorCommand(CLI::App& app, int& status);
void AddConvertCommand(CLI::App& app, int& status);
void AddCompareCommand(CLI::App& app, int& status);
void AddCorrectCommand(CLI::App& app, int& status);
void AddCalibrateCommand(CLI::App& app, int& status);

// The info command's outputs: JSON with its fixed keys, and a table for people.
// `wall` is a hollow tube's, where its program or part says one.
std::string InfoJson(const BendProgram& program, const tubrix::TubeWalk& walk,
                     std::optional<double> wall = std::nullopt);
std::string InfoText(const BendProgram& program, const tubrix::TubeWalk& walk,
                     std::optional<double> wall = std::nullopt);

// The sequence command's outputs: JSON with its fixed keys, and a table for people; with a
// machine the table gives the angle to bend to (the machine angle) beside the part's.
namespace tubrix {
struct BendSequence;
}
std::string SequenceJson(const tubrix::BendSequence& sequence,
                         const std::optional<tubrix::UnitsAssumed>& assumed = std::nullopt);
std::string SequenceText(const tubrix::BendSequence& sequence,
                         const tubrix::MachineProfile* machine = nullptr);

// A number with three fixed decimals, right-aligned in `width` characters, for the tables people
// read: three are finer than any bender works to, and what rounds to 0 is written 0.
std::string Fixed(double value, int width);

// One clear line on standard error, after the program's name.
void ReportError(const std::string& message);
void ReportWarning(const std::string& message);
// A line that says what was done without being asked (a profile's lengths converted).
void ReportNote(const std::string& message);
// Reports the error (as FILE:LINE:COLUMN: MESSAGE) and gives back `status`, for a command to
// return.
int Report(const tubrix::Error& error, int status = ExitBadInput);

// The program a command reads: its file, and whether the command works on the mirrored part
// (the other hand of a left/right pair).
struct ProgramInput {
    std::string Path;
    bool Mirror = false;
    std::string Units; // --units: what a file that does not say holds; empty: nothing said
    // A STEP part: which solid of the file, and whether its program starts from the other end.
    std::optional<int> Solid;
    bool Reverse = false;
};

// Adds the PROGRAM argument, --mirror, --units, and --solid and --reverse for a STEP part, to a
// command that reads a program.
void AddProgramInput(CLI::App& command, ProgramInput& input);
// Adds --solid and --reverse alone, for a command that reads its input file itself.
void AddStepPartOptions(CLI::App& command, ProgramInput& input);
// The comment a program read from a STEP part opens with: its lengths are the part's, in mm.
inline const std::vector<std::string> StepProgramComments{"# units: mm"};

// The unit --units gives a program whose file does not say its own; a file that says another
// is an error naming both.
tubrix::Result<void> TakeGivenUnits(tubrix::ProgramRows& program, const ProgramInput& input);
// The same for the units a file at `path` says (none: it says nothing), and --units `given`.
tubrix::Result<void> TakeGivenUnits(std::optional<tubrix::LengthUnit>& units,
                                    const std::string& path, const std::string& given);
// Adds --units mm|in, the unit of `files` (as the help names them) that do not say their own.
void AddUnitsOption(CLI::App& command, std::string& units, const std::string& files);
// What --units speaks of in the commands that read a measured part.
inline const std::string MeasuredFilesUnits = "NOMINAL and MEASURED files";

// Reads a program file, or the tube of a STEP part (in mm, its wall where it is hollow), for a
// command, mirrored when asked.
tubrix::Result<tubrix::ProgramRows> LoadProgram(const ProgramInput& input);

// For a command whose --machine may be left out: no profile when `path` is empty.
tubrix::Result<std::optional<tubrix::MachineProfile>> LoadOptionalProfile(const std::string& path);

// What the commands that check a part start from: the program's record (mirrored when asked)
// and the profile, when --machine names one.
struct PartInput {
    std::unique_ptr<BendProgram> Program; // some ten kilobytes: on the heap
    // The profile with its lengths in the program's units, where the two say different ones.
    std::optional<tubrix::MachineProfile> Profile;
    std::optional<tubrix::LengthUnit> ProgramUnits; // as the file or --units says, or the profile
    std::optional<tubrix::LengthUnit> ProfileUnits; // as the profile says
    std::optional<double> Wall;                     // a hollow tube's, as its file or part says
    // The one line that says the profile was converted, or that one of the two was taken in
    // the other's unit (Assumed); empty if neither.
    std::string UnitsNote;
    std::optional<tubrix::UnitsAssumed> Assumed;

    const tubrix::MachineProfile* Machine() const { return Profile ? &*Profile : nullptr; }
};
tubrix::Result<PartInput> LoadPart(const ProgramInput& input, const std::string& machinePath);

// Adds --machine M.toml, with the profile's keys under the command's help.
CLI::Option* AddMachineOption(CLI::App& command, std::string& path);
// What every path a command reads is checked by as it is parsed: an empty one is refused,
// named by its option ("--machine: the path is empty"), never taken as left out.
const CLI::Validator& InputPath();
// Adds --decimals N (0 to 17) to a command that writes numbers: what it writes is rounded to N
// decimals; without it numbers keep their shortest round-trip form.
void AddDecimalsOption(CLI::App& command, std::optional<int>& decimals);

// Writes a program as Tubrix writes program files, rounded to `decimals` when given, to `path`
// as WriteOutput does, with the leading comment lines of the file it was made from. A program
// that rounding has made unreadable (a bend radius rounded to 0) is not written: that is bad
// input, said with the row and column at fault.
// `computed` says which of its numbers Tubrix computed, written without their CAD round-off.
int WriteProgram(const std::string& path, const tubrix::ProgramRows& rows,
                 std::optional<int> decimals, const std::vector<std::string>& comments = {},
                 const tubrix::ComputedNumbers& computed = {});

// Writes a command's text output to `path` (whole or not at all), or to standard output when
// `path` is empty or "-". Returns the exit status.
int WriteOutput(const std::string& path, const std::string& content);

// A nominal program and the part measured from it, as compare and correct read them, in one
// unit: the nominal through LoadPart, like every command's program, with the profile in its
// units; the measured file as points or a program matched to it one for one, converted into
// the nominal's units where the two files say different ones.
struct MeasuredInput {
    tubrix::ProgramRows Nominal; // Units: what every length here is in, where anything says
    tubrix::MeasuredPart Measured;
    std::string MeasuredName;       // as errors and comments name it
    PartInput Part;                 // the nominal's record; the profile in the nominal's units
    std::vector<std::string> Notes; // the conversions made, a line each for standard error
};
// What compare, correct, calibrate and report take of --align ("best", "none") and --order
// ("choose", "given").
tubrix::CompareOptions MeasuredCompareOptions(const std::string& align, const std::string& order);
CLI::Option* AddOrderOption(CLI::App& command, std::string& order);
// --force: a correction past the profile's limits on one.
CLI::Option* AddForceOption(CLI::App& command, bool& force);
// The note on standard error that the measured points were read from their other end.
void SayIfReversed(const tubrix::Comparison& comparison);

tubrix::Result<MeasuredInput> LoadMeasured(const ProgramInput& nominal,
                                           const std::string& measuredPath,
                                           const std::string& machinePath);

// Reads the measured file at `path` for `nominal` (read from `nominalName`) in the nominal's
// units (ParseMeasuredText); a units line that contradicts --units `given` is an error naming
// both. A nominal that says no units takes the file's. `note` gets the line that says a
// conversion, where one was made.
tubrix::Result<tubrix::MeasuredPart> ReadMeasuredFor(tubrix::ProgramRows& nominal,
                                                     const std::string& nominalName,
                                                     const std::string& path,
                                                     const std::string& given, std::string& note);
// The line that says a file's lengths were converted into those of the file named `into`.
std::string ConversionNote(const std::string& file, tubrix::LengthUnit from, tubrix::LengthUnit to,
                           const std::string& into);

// Adds --tolerance T (a number above 0) to a command that judges a measured part.
CLI::Option* AddToleranceOption(CLI::App& command, std::optional<double>& tolerance);
