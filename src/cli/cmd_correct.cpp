// tubrix-cli correct: the machine program for the next part, the one that bent the measured part
// moved by what the part came out off.
#include "commands.h"
#include "machineprogram.h"

#include <memory>

using namespace tubrix;

namespace {

struct CorrectOptions {
    ProgramInput Nominal;
    std::string Measured;
    std::string Machine;
    std::string Used;
    std::string Output;
    std::optional<int> Decimals;
    std::string Order = "choose";
    bool Force = false;
};

// " mm" or " in" after a length in the nominal's units, where they are known: the program
// written may be in the machine's.
std::string LengthUnitAfter(std::optional<LengthUnit> units) {
    return units ? std::string(" ") + UnitName(*units) : std::string();
}

// The machine program the measured part was bent with, in the nominal's units: --used (a
// file without a units line is in the machine's, as `machine` writes it, else the nominal's),
// or `machine` of the nominal.
Result<MachineProgram> UsedProgram(const CorrectOptions& options, const MeasuredInput& input,
                                   std::string& note) {
    const MachineProfile& profile = *input.Part.Profile;
    const std::optional<LengthUnit> units = input.Nominal.Units;
    if (options.Used.empty()) {
        MachineProgram made = MakeMachineProgram(*input.Part.Program, profile);
        made.Units = units;
        return made;
    }
    const Result<std::string> text = ReadTextFile(options.Used);
    if (!text) {
        return text.Failure();
    }
    const std::string name = ShownName(options.Used);
    Result<MachineProgram> read = ParseMachineProgramText(*text, name, profile);
    if (!read || !units) {
        return read;
    }
    if (!read->Units) {
        read->Units = input.Part.ProfileUnits ? input.Part.ProfileUnits : units;
    }
    if (*read->Units != *units) {
        note = ConversionNote(name, *read->Units, *units, ShownName(options.Nominal.Path));
    }
    return MachineProgramInUnits(*read, *units);
}

int RunCorrect(const CorrectOptions& options) {
    const Result<MeasuredInput> input =
        LoadMeasured(options.Nominal, options.Measured, options.Machine);
    if (!input) {
        return Report(input.Failure());
    }
    const MachineProfile& profile = *input->Part.Profile;
    const std::string usedName =
        ShownName(options.Used.empty() ? options.Nominal.Path : options.Used);
    std::string usedNote;
    const Result<MachineProgram> used = UsedProgram(options, *input, usedNote);
    if (!used) {
        return Report(used.Failure());
    }
    // Laid on the nominal at best, as they stand where the points fix no single motion.
    Result<Comparison> comparison = CompareMeasured(input->Nominal, input->Measured,
                                                    MeasuredCompareOptions("best", options.Order));
    if (!comparison) {
        comparison = CompareMeasured(input->Nominal, input->Measured,
                                     MeasuredCompareOptions("none", options.Order));
    }
    if (!comparison) {
        ReportError(input->MeasuredName + ": " + comparison.Failure().Message);
        return ExitBadInput;
    }
    Result<MachineProgram> next =
        CorrectedProgram(*used, input->Nominal, *comparison, profile, options.Force);
    if (!next) {
        ReportError(input->MeasuredName + ": " + next.Failure().InProgram() +
                    "; nothing was written");
        return ExitBadInput;
    }
    // The control's lengths are the profile's, where it says its units, as `machine` writes them.
    if (input->Part.ProfileUnits) {
        next = MachineProgramInUnits(*next, *input->Part.ProfileUnits);
    }
    if (const Result<void> finite = CheckMachineProgram(*next); !finite) {
        ReportError(usedName + ": " + finite.Failure().InProgram() + "; nothing was written");
        return ExitBadInput;
    }
    for (const std::string& note : input->Notes) {
        ReportNote(note);
    }
    ReportNote(usedNote);
    SayIfReversed(*comparison);
    std::string name = input->MeasuredName;
    std::replace_if(
        name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, ' ');
    const std::string comment = "# corrected for the measured part " + name +
                                (comparison->Reversed ? ", read from its other end" : "") +
                                ", sheath deviation " + FormatNumber(comparison->Sheath.Value, 3) +
                                LengthUnitAfter(input->Nominal.Units) + " at row " +
                                std::to_string(comparison->Sheath.Row) + "\n";
    return WriteOutput(options.Output, comment + FormatMachineProgramText(*next, options.Decimals));
}

} // namespace

void AddCorrectCommand(CLI::App& app, int& status) {
    auto options = std::make_shared<CorrectOptions>();
    CLI::App* correct = app.add_subcommand(
        "correct", "The machine program for the next part: the one the measured part was bent "
                   "with, each bend's angle, plane turn and feed moved by what the part is off.");
    correct->add_option("NOMINAL", options->Nominal.Path, "The nominal bend program")->required();
    correct
        ->add_option("MEASURED", options->Measured,
                     "The measured part: XYZ points (X,Y,Z[,R]) or a bend program")
        ->required();
    AddMachineOption(*correct, options->Machine)->required();
    correct->add_option("--used", options->Used,
                        "The machine program the part was bent with, as `machine` writes it "
                        "(default: `machine` of NOMINAL with the profile)");
    correct->add_option("-o,--output", options->Output,
                        "Program file to write (default: standard output)");
    AddUnitsOption(*correct, options->Nominal.Units, MeasuredFilesUnits);
    AddDecimalsOption(*correct, options->Decimals);
    AddOrderOption(*correct, options->Order);
    AddForceOption(*correct, options->Force);
    correct->callback([options, &status] { status = RunCorrect(*options); });
}
