// tubrix-cli compare: a measured part against its program: the alignment, each point's and each
// bend's deviation, the sheath deviation and the verdict; exit status 3 when it fails.
#include "clijson.h"
#include "commands.h"

#include <charconv>
#include <cmath>
#include <memory>

using namespace tubrix;

namespace {

struct CompareCommandOptions {
    ProgramInput Nominal;
    std::string Measured;
    std::optional<double> Tolerance;
    std::string Machine;
    std::string Align = "best";
    std::string Order = "choose";
    bool AsJson = false;
};

// Two decimals, right-aligned: a shop's measuring arm reads no finer.
std::string Two(double value, int width) {
    char text[512];
    const double shown = std::fabs(value) < 5e-3 ? 0.0 : value;
    const auto end =
        std::to_chars(text, text + sizeof text, shown, std::chars_format::fixed, 2).ptr;
    const auto length = static_cast<int>(end - text);
    return std::string(static_cast<std::size_t>(std::max(width - length, 0)), ' ') +
           std::string(text, end);
}

std::string Whole(std::size_t value, std::size_t width) {
    const std::string text = std::to_string(value);
    return std::string(width > text.size() ? width - text.size() : 0, ' ') + text;
}

std::string CompareText(const Comparison& c, double tolerance, bool aligned) {
    std::string text = aligned ? "Alignment (measured onto nominal: R p + t):\n"
                               : "Alignment: none, the coordinates as they are\n";
    if (aligned) {
        for (const auto& row : c.Motion.Rotation) {
            text += "  R " + Two(row[0], 10) + Two(row[1], 10) + Two(row[2], 10) + "\n";
        }
        text += "  t " + Two(c.Motion.Translation.X, 10) + Two(c.Motion.Translation.Y, 10) +
                Two(c.Motion.Translation.Z, 10) + "\n";
    }
    text += "  RMS of the points " + Two(c.Rms, 0) + "\n\nPoints (measured - nominal):\n" +
            "  point        dx        dy        dz    length\n";
    for (std::size_t i = 0; i < c.Points.size(); ++i) {
        const PointDeviation& p = c.Points[i];
        text += Whole(i + 1, 7) + Two(p.Offset.X, 10) + Two(p.Offset.Y, 10) + Two(p.Offset.Z, 10) +
                Two(p.Length, 10) + "\n";
    }
    text += "\nBends (measured - nominal):\n    row        dY        dB        dC        dR\n";
    for (const BendDelta& b : c.Bends) {
        text += Whole(static_cast<std::size_t>(b.Row), 7) + Two(b.DY, 10) + Two(b.DB, 10) +
                Two(b.DC, 10) + Two(b.DR, 10) + "\n";
    }
    text += "   tail" + Two(c.TailDY, 10) + "\n\n";
    if (c.Reversed) {
        text += "The measured points run from the other end: they were read reversed.\n";
    }
    if (c.OtherHand) {
        text += "The part is of the other hand: the nominal's mirror image fits it far better.\n";
    }
    return text + SheathVerdict(c.Sheath, tolerance) + "\n";
}

std::string CompareJson(const Comparison& c, double tolerance,
                        const std::optional<UnitsAssumed>& assumed) {
    Json rotation = Json::array();
    for (const auto& row : c.Motion.Rotation) {
        rotation.push_back({JsonNumber(row[0]), JsonNumber(row[1]), JsonNumber(row[2])});
    }
    Json points = Json::array();
    for (std::size_t i = 0; i < c.Points.size(); ++i) {
        const PointDeviation& p = c.Points[i];
        points.push_back({{"point", i + 1},
                          {"dx", JsonNumber(p.Offset.X)},
                          {"dy", JsonNumber(p.Offset.Y)},
                          {"dz", JsonNumber(p.Offset.Z)},
                          {"length", JsonNumber(p.Length)}});
    }
    Json bends = Json::array();
    for (const BendDelta& b : c.Bends) {
        bends.push_back({{"row", b.Row},
                         {"dY", JsonNumber(b.DY)},
                         {"dB", JsonNumber(b.DB)},
                         {"dC", JsonNumber(b.DC)},
                         {"dR", JsonNumber(b.DR)}});
    }
    const Json out = {{"align",
                       {{"rotation", std::move(rotation)},
                        {"translation", JsonPoint(c.Motion.Translation)},
                        {"rms", JsonNumber(c.Rms)}}},
                      {"points", std::move(points)},
                      {"bends", std::move(bends)},
                      {"tail_dY", JsonNumber(c.TailDY)},
                      {"sheath",
                       {{"value", JsonNumber(c.Sheath.Value)},
                        {"row", c.Sheath.Row},
                        {"tolerance", JsonNumber(tolerance)},
                        {"pass", c.Sheath.Value <= tolerance}}},
                      {"other_hand", c.OtherHand},
                      {"reversed", c.Reversed},
                      {"units_assumed", UnitsAssumedJson(assumed)}};
    return out.dump(2) + '\n';
}

int RunCompare(const CompareCommandOptions& options) {
    const Result<MeasuredInput> input =
        LoadMeasured(options.Nominal, options.Measured, options.Machine);
    if (!input) {
        return Report(input.Failure());
    }
    for (const std::string& note : input->Notes) {
        ReportNote(note);
    }
    const MachineProfile* profile = input->Part.Machine();
    const double tolerance =
        options.Tolerance ? *options.Tolerance : (profile ? profile->SheathTolerance : 1.0);
    const bool aligned = options.Align == "best";
    const Result<Comparison> comparison = CompareMeasured(
        input->Nominal, input->Measured, MeasuredCompareOptions(options.Align, options.Order));
    if (!comparison) {
        ReportError(input->MeasuredName + ": " + comparison.Failure().Message);
        return ExitBadInput;
    }
    SayIfReversed(*comparison);
    const std::string text = options.AsJson
                                 ? CompareJson(*comparison, tolerance, input->Part.Assumed)
                                 : CompareText(*comparison, tolerance, aligned);
    const int status = WriteOutput("-", text);
    if (status != ExitSuccess) {
        return status;
    }
    return comparison->Sheath.Value <= tolerance ? ExitSuccess : ExitFindings;
}

} // namespace

std::string ConversionNote(const std::string& file, LengthUnit from, LengthUnit to,
                           const std::string& into) {
    return "the lengths of " + file + " converted from " + UnitName(from) + " to " + UnitName(to) +
           ", the units of " + into;
}

Result<MeasuredPart> ReadMeasuredFor(ProgramRows& nominal, const std::string& nominalName,
                                     const std::string& path, const std::string& given,
                                     std::string& note) {
    const Result<std::string> text = ReadTextFile(path);
    if (!text) {
        return text.Failure();
    }
    const std::string name = ShownName(path);
    Result<std::optional<LengthUnit>> said = ReadUnitsLine(*text, name);
    if (!said) {
        return said.Failure();
    }
    if (Result<void> units = TakeGivenUnits(*said, path, given); !units) {
        return units.Failure();
    }
    Result<MeasuredPart> measured = ParseMeasuredText(*text, name, nominal);
    if (!measured) {
        return measured;
    }
    const std::optional<LengthUnit> own = measured->FileUnits;
    if (own && nominal.Units && *own != *nominal.Units) {
        note = ConversionNote(name, *own, *nominal.Units, nominalName);
    }
    // Where only the measured file says its units, they are the nominal's too.
    nominal.Units = measured->Rows.Units;
    return measured;
}

Result<MeasuredInput> LoadMeasured(const ProgramInput& nominal, const std::string& measuredPath,
                                   const std::string& machinePath) {
    if (nominal.Path == "-" && measuredPath == "-") {
        return Failed("only one of NOMINAL and MEASURED can be read from standard input");
    }
    Result<PartInput> part = LoadPart(nominal, machinePath);
    if (!part) {
        return part.Failure();
    }
    MeasuredInput input;
    input.Nominal = RowsFromProgram(*part->Program);
    input.Nominal.Units = part->ProgramUnits;
    std::string note;
    Result<MeasuredPart> measured =
        ReadMeasuredFor(input.Nominal, ShownName(nominal.Path), measuredPath, nominal.Units, note);
    if (!measured) {
        return measured.Failure();
    }
    input.Measured = std::move(*measured);
    input.MeasuredName = ShownName(measuredPath);
    input.Part = std::move(*part);
    input.Part.ProgramUnits = input.Nominal.Units;
    for (const std::string& said : {input.Part.UnitsNote, note}) {
        if (!said.empty()) {
            input.Notes.push_back(said);
        }
    }
    return input;
}

CompareOptions MeasuredCompareOptions(const std::string& align, const std::string& order) {
    tubrix::CompareOptions options;
    options.Align = align == "none" ? Alignment::None : Alignment::Best;
    options.Order = order == "given" ? MeasuredOrder::Given : MeasuredOrder::Choose;
    return options;
}

void SayIfReversed(const Comparison& comparison) {
    if (comparison.Reversed) {
        ReportNote(ReadReversedNote);
    }
}

CLI::Option* AddOrderOption(CLI::App& command, std::string& order) {
    return command
        .add_option("--order", order,
                    "choose: read the measured points from their other end where that fits far "
                    "better; given: as they are")
        ->check(CLI::IsMember({"choose", "given"}));
}

CLI::Option* AddForceOption(CLI::App& command, bool& force) {
    return command.add_flag("--force", force,
                            "Correct past the profile's max_correction_* and fit_limit (never a "
                            "part of the other hand)");
}

CLI::Option* AddToleranceOption(CLI::App& command, std::optional<double>& tolerance) {
    return command
        .add_option("--tolerance", tolerance,
                    "Largest sheath deviation that passes, in the nominal's length unit "
                    "(default: the profile's sheath_tolerance, else 1)")
        ->check(CLI::Validator(
            [](std::string& text) -> std::string {
                const Result<double> value = ParseNumber(text, ',', "--tolerance");
                return value && std::isfinite(*value) && *value > 0
                           ? std::string()
                           : "--tolerance must be a number greater than 0";
            },
            "T > 0"));
}

void AddCompareCommand(CLI::App& app, int& status) {
    auto options = std::make_shared<CompareCommandOptions>();
    CLI::App* compare = app.add_subcommand(
        "compare", "A measured part (points or a program) against its nominal program: the "
                   "alignment, the points' and bends' deviations, the sheath deviation and "
                   "the verdict (exit 3 when it fails).");
    compare->add_option("NOMINAL", options->Nominal.Path, "The nominal bend program")->required();
    compare
        ->add_option("MEASURED", options->Measured,
                     "The measured part: XYZ points (X,Y,Z[,R]) or a bend program")
        ->required();
    AddToleranceOption(*compare, options->Tolerance);
    AddMachineOption(*compare, options->Machine);
    compare
        ->add_option("--align", options->Align,
                     "best: the rigid motion that fits the points best; none: as they are "
                     "(and in the order given)")
        ->check(CLI::IsMember({"best", "none"}));
    AddOrderOption(*compare, options->Order);
    AddUnitsOption(*compare, options->Nominal.Units, MeasuredFilesUnits);
    compare->add_flag("--json", options->AsJson, "Write JSON instead of a table");
    compare->callback([options, &status] { status = RunCompare(*options); });
}
