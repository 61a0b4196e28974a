// tubrix-cli calibrate: the springback law that measured parts show, fitted over their bends,
// and written into the machine's profile when asked.
#include "clijson.h"
#include "commands.h"

#include <memory>

using namespace tubrix;

namespace {

struct CalibrateOptions {
    std::string Machine;
    std::vector<std::string> Files; // USED MEASURED pairs
    bool Write = false;
    bool AsJson = false;
    std::string Order = "choose";
    bool Force = false;
};

// A machine program that does not say its units is in the machine's, as `machine` writes it;
// the measured file is brought into them where it says others. The part is compared with what
// the program bends on this machine by the profile's springback law, under the same rules of
// end, hand and plausibility as `correct`.
Result<std::vector<BentAngle>> ReadPair(const std::string& usedPath,
                                        const std::string& measuredPath,
                                        const CalibrateOptions& options,
                                        const MachineProfile& profile, std::string& note) {
    const Result<std::string> usedText = ReadTextFile(usedPath);
    if (!usedText) {
        return usedText.Failure();
    }
    Result<MachineProgram> used = ParseMachineProgramText(*usedText, ShownName(usedPath), profile);
    if (!used) {
        return used.Failure();
    }
    if (!used->Units) {
        used->Units = profile.Units;
    }
    ProgramRows bent = BentPart(*used, profile);
    const Result<MeasuredPart> measured =
        ReadMeasuredFor(bent, ShownName(usedPath), measuredPath, "", note);
    if (!measured) {
        return measured.Failure();
    }
    const std::string measuredName = ShownName(measuredPath);
    Result<Comparison> comparison =
        CompareMeasured(bent, *measured, MeasuredCompareOptions("best", options.Order));
    if (!comparison) {
        comparison = CompareMeasured(bent, *measured, MeasuredCompareOptions("none", "given"));
    }
    if (!comparison) {
        return FileError(measuredName, 0, 0, comparison.Failure().Message);
    }
    SayIfReversed(*comparison);
    if (Result<void> usable = CheckCorrectable(*comparison, bent, profile, options.Force);
        !usable) {
        return FileError(measuredName, 0, 0, usable.Failure().InProgram());
    }
    Result<std::vector<BentAngle>> angles = PairBentAngles(*used, comparison->MeasuredRows);
    if (!angles) {
        return FileError(measuredName, 0, 0, angles.Failure().Message);
    }
    return angles;
}

std::string FitText(const SpringbackFit& fit) {
    std::string text = "fixed " + FormatNumber(fit.Fixed) + "\nper_degree " +
                       FormatNumber(fit.PerDegree) + "\n\nResiduals (machine - fitted):\n";
    for (std::size_t i = 0; i < fit.Residuals.size(); ++i) {
        text += "  bend " + std::to_string(i + 1) + Fixed(fit.Residuals[i], 12) + "\n";
    }
    return text + "  RMS   " + Fixed(fit.Rms, 12) + "\n";
}

std::string FitJson(const SpringbackFit& fit) {
    Json residuals = Json::array();
    for (const double residual : fit.Residuals) {
        residuals.push_back(JsonNumber(residual));
    }
    const Json out = {{"fixed", JsonNumber(fit.Fixed)},
                      {"per_degree", JsonNumber(fit.PerDegree)},
                      {"residuals", std::move(residuals)},
                      {"rms", JsonNumber(fit.Rms)}};
    return out.dump(2) + '\n';
}

int RunCalibrate(const CalibrateOptions& options) {
    if (options.Files.size() % 2 != 0) {
        ReportError("calibrate takes the files in pairs, USED MEASURED; the last, " +
                    options.Files.back() + ", has no partner");
        return ExitBadInput;
    }
    const Result<std::string> profileText = ReadTextFile(options.Machine);
    if (!profileText) {
        return Report(profileText.Failure());
    }
    const std::string profileName = ShownName(options.Machine);
    const Result<MachineProfile> profile = ParseMachineProfile(*profileText, profileName);
    if (!profile) {
        return Report(profile.Failure());
    }
    std::vector<BentAngle> angles;
    for (std::size_t i = 0; i < options.Files.size(); i += 2) {
        std::string note;
        const Result<std::vector<BentAngle>> pair =
            ReadPair(options.Files[i], options.Files[i + 1], options, *profile, note);
        if (!pair) {
            return Report(pair.Failure());
        }
        ReportNote(note);
        angles.insert(angles.end(), pair->begin(), pair->end());
    }
    Result<SpringbackFit> fit = FitSpringback(angles);
    if (!fit) {
        return Report(fit.Failure());
    }
    // The law as the profile keeps it, six significant digits: what is written is what is said.
    fit = SpringbackWith(angles, Significant(fit->Fixed, 6), Significant(fit->PerDegree, 6));
    if (options.Write) {
        if (options.Machine == "-") {
            ReportError("--write needs the profile as a file, not standard input");
            return ExitBadInput;
        }
        const Result<std::string> edited =
            SetSpringback(*profileText, profileName, fit->Fixed, fit->PerDegree);
        if (!edited) {
            ReportError(profileName + ": " + edited.Failure().Message +
                        "; the profile is unchanged");
            return ExitBadInput;
        }
        if (const int written = WriteOutput(options.Machine, *edited); written != ExitSuccess) {
            return written;
        }
    }
    return WriteOutput("-", options.AsJson ? FitJson(*fit) : FitText(*fit));
}

} // namespace

void AddCalibrateCommand(CLI::App& app, int& status) {
    auto options = std::make_shared<CalibrateOptions>();
    CLI::App* calibrate = app.add_subcommand(
        "calibrate", "The springback the measured parts show: fixed and per_degree for which "
                     "the machine angle = C + fixed + per_degree * C, fitted over their bends.");
    calibrate->add_option("MACHINE", options->Machine, "Machine profile (.toml)")->required();
    calibrate
        ->add_option("USED MEASURED", options->Files,
                     "Pairs: the machine program a part was bent with, and the part measured")
        ->required()
        ->expected(2, -1);
    calibrate->add_flag("--write", options->Write,
                        "Set the two values in the profile, keeping every other byte of it");
    calibrate->add_flag("--json", options->AsJson, "Write JSON instead of a table");
    AddOrderOption(*calibrate, options->Order);
    AddForceOption(*calibrate, options->Force);
    calibrate->callback([options, &status] { status = RunCalibrate(*options); });
}
