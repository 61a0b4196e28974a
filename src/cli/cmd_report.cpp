// tubrix-cli report: the setup sheet that goes to the bender with the stock, as PDF.
#include "commands.h"
#include "setupsheet.h"
#include "sheetpdf.h"

#include <QBuffer>
#include <QGuiApplication>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>

using namespace tubrix;

namespace {

struct ReportOptions {
    ProgramInput Program;
    std::string Machine;
    std::string Output;
    std::string Paper = "a4";
    std::string Title;
    std::string Measured;
    std::optional<double> Tolerance;
    std::string Language; // "de" or "en"; empty: the locale's
};

const std::map<std::string, SheetPaper> Papers{{"a4", SheetPaper::A4},
                                               {"letter", SheetPaper::Letter}};

// The PDF writer takes its fonts from a GUI application. The sheet shows nothing on a screen,
// so the offscreen platform serves, with or without a display, unless the user chose another.
std::unique_ptr<QGuiApplication> SheetApplication() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // Qt says on every start that a session without XDG_RUNTIME_DIR has none; for a command
    // that only writes a file that is noise in a script's log. Everything else is passed on.
    static const QtMessageHandler passOn = qInstallMessageHandler(nullptr);
    qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
            if (!message.contains(QLatin1String("XDG_RUNTIME_DIR"))) {
                passOn(type, context, message);
            }
        });
    static int argc = 1;
    static char name[] = "tubrix-cli";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

// The measured part's inspection, for the program as the sheet shows it (mirrored when asked).
// The program is read once, from the part: standard input cannot be read twice. The measured
// part comes in the program's units; a program that says none takes the measured file's.
Result<SheetInspection> Inspect(const ReportOptions& options, PartInput& part) {
    const MachineProfile* profile = part.Machine();
    ProgramRows rows = RowsFromProgram(*part.Program);
    rows.Units = part.ProgramUnits;
    std::string note;
    const Result<MeasuredPart> measured = ReadMeasuredFor(
        rows, ShownName(options.Program.Path), options.Measured, options.Program.Units, note);
    if (!measured) {
        return measured.Failure();
    }
    ReportNote(part.UnitsNote);
    ReportNote(note);
    part.ProgramUnits = rows.Units;
    const std::string shown = ShownName(options.Measured);
    Result<Comparison> comparison = CompareMeasured(rows, *measured);
    if (!comparison) {
        return FileError(shown, 0, 0, comparison.Failure().Message);
    }
    SayIfReversed(*comparison);
    // The sheet names the file as a title names the program: by its name alone.
    SheetInspection inspection;
    inspection.Measured = options.Measured == "-"
                              ? shown
                              : std::filesystem::path(options.Measured).filename().string();
    inspection.Comparison = std::move(*comparison);
    inspection.Tolerance =
        options.Tolerance ? *options.Tolerance : (profile ? profile->SheathTolerance : 1.0);
    if (!profile) {
        return inspection; // the sheet says that a profile would give the corrected program
    }
    const Result<MachineProgram> next = CorrectedProgram(
        MakeMachineProgram(*part.Program, *profile), rows, inspection.Comparison, *profile, false);
    if (next) {
        inspection.Corrected = *next;
    } else {
        inspection.NotCorrected = next.Failure().InProgram();
    }
    return inspection;
}

std::string DefaultTitle(const std::string& path, Language language) {
    return path == "-" ? Wording{"standard input", "Standardeingabe"}.In(language)
                       : std::filesystem::path(path).filename().string();
}

// The language asked for, else the one the locale of messages names, read before Qt's start-up
// can touch the locale.
Language SheetLanguage(const std::string& asked) {
    if (!asked.empty()) {
        return asked == "de" ? Language::German : Language::English;
    }
    return MessagesLanguage(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

int RunReport(const ReportOptions& options) {
    Result<PartInput> part = LoadPart(options.Program, options.Machine);
    if (!part) {
        return Report(part.Failure());
    }
    std::optional<SheetInspection> inspection;
    if (options.Measured.empty()) {
        ReportNote(part->UnitsNote);
    } else {
        Result<SheetInspection> inspected = Inspect(options, *part);
        if (!inspected) {
            return Report(inspected.Failure());
        }
        inspection = std::move(*inspected);
    }
    SheetOptions sheetOptions;
    sheetOptions.Language = SheetLanguage(options.Language);
    const auto application = SheetApplication();
    sheetOptions.Title = options.Title.empty()
                             ? DefaultTitle(options.Program.Path, sheetOptions.Language)
                             : options.Title;
    sheetOptions.Mirrored = options.Program.Mirror;
    sheetOptions.Units = part->ProgramUnits;
    sheetOptions.Wall = part->Wall;
    // The sheet names the two files as a person knows them: the program by the sheet's title (the
    // window hands it the program on standard input), the profile by its machine's name.
    sheetOptions.Assumed = part->Assumed;
    if (sheetOptions.Assumed) {
        std::string& program = sheetOptions.Assumed->FromProfile ? sheetOptions.Assumed->File
                                                                 : sheetOptions.Assumed->From;
        std::string& profile = sheetOptions.Assumed->FromProfile ? sheetOptions.Assumed->From
                                                                 : sheetOptions.Assumed->File;
        program = sheetOptions.Title;
        profile = part->Profile->Name ? *part->Profile->Name
                                      : std::filesystem::path(options.Machine).filename().string();
    }
    Result<SetupSheet> sheet = BuildSetupSheet(*part->Program, part->Machine(), sheetOptions);
    if (!sheet) {
        return Report(sheet.Failure(), ExitOutputFailed);
    }
    if (inspection) {
        AddInspection(*sheet, *inspection);
    }
    // Laid out in memory first, so a sheet is written whole or not at all.
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    const Result<void> laidOut = WriteSetupSheetPdf(*sheet, Papers.at(options.Paper), buffer);
    if (!laidOut) {
        return Report(laidOut.Failure(), ExitOutputFailed);
    }
    return WriteOutput(options.Output, pdf.toStdString());
}

} // namespace

void AddReportCommand(CLI::App& app, int& status) {
    auto options = std::make_shared<ReportOptions>();
    CLI::App* report = app.add_subcommand(
        "report", "The setup sheet for the shop floor as PDF: the part's numbers and pictures, "
                  "the bend program, the XYZ points and, with a machine profile, the machine's "
                  "program, the findings and the bend sequence.");
    AddProgramInput(*report, options->Program);
    AddMachineOption(*report, options->Machine);
    report->add_option("-o,--output", options->Output, "PDF file to write")->required();
    report->add_option("--paper", options->Paper, "Paper size: a4 or letter")
        ->check(CLI::IsMember({"a4", "letter"}))
        ->capture_default_str();
    report->add_option("--title", options->Title,
                       "Title at the top of every page (default: the program file's name)");
    report
        ->add_option("--measured", options->Measured,
                     "A measured part (XYZ points or a program): an inspection section with "
                     "its verdict, deviations and, with --machine, the corrected program")
        ->check(InputPath());
    AddToleranceOption(*report, options->Tolerance);
    report
        ->add_option("--language", options->Language,
                     "The sheet's language: de (German, decimal commas) or en (English); default: "
                     "the locale's (LC_ALL, LC_MESSAGES, LANG)")
        ->check(CLI::IsMember({"de", "en"}));
    report->callback([options, &status] { status = RunReport(*options); });
}
