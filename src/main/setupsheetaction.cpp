#include "setupsheetaction.h"

#include "frmmain.h"
#include "fsimpipe.h"
#include "machinechecks.h"
#include "programfile.h"
#include "programfiles.h"
#include "programmodel.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QProcess>
#include <QScopeGuard>
#include <QShortcut>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <toml++/toml.h>

#include <sstream>

namespace {

// A sheet takes well under a second; a stuck child is given up after this long.
constexpr int CliTimeoutMs = 60000;

QString DefaultAskPath(QWidget* parent) {
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Print setup sheet"), QString(),
                                        QStringLiteral("PDF files (*.pdf);;All files (*)"));
}

QString DefaultCliPath() {
    const QString beside =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("tubrix-cli"));
    return QFileInfo(beside).isExecutable()
               ? beside
               : QStandardPaths::findExecutable(QStringLiteral("tubrix-cli"));
}

// The rows "Make 3D" built, as a program file holds them: the tube ends with its last straight.
ProgramRows BuiltRows() {
    ProgramRows rows;
    rows.Diameter = InputProgram.TubeDiameter;
    for (int i = 0; i < InputProgram.StepCount; ++i) {
        const BendStep& step = InputProgram.Steps[i];
        rows.Rows.push_back({step.Y, step.B, step.C, step.R});
    }
    if (!rows.Rows.empty()) {
        rows.Rows.back().C = 0;
    }
    return rows;
}

// What the program file's rules refuse in the built program, naming the row and the field, or
// empty. The text's rows start on its fourth line.
QString ProgramFault(const std::string& text) {
    const Loaded<ProgramRows> checked = ParseProgramText(text, "fields");
    if (checked) {
        return {};
    }
    constexpr int FirstRowLine = 4;
    const QString message = QString::fromStdString(checked.Error.Message);
    return checked.Error.Line >= FirstRowLine ? QStringLiteral("Row %1: %2")
                                                    .arg(checked.Error.Line - FirstRowLine + 1)
                                                    .arg(message)
                                              : QStringLiteral("Tube diameter: %1").arg(message);
}

// The loaded profile as a profile file, every key written out, for tubrix-cli to read back as
// it was loaded (the file it came from may have changed since).
std::string ProfileText(const MachineProfile& profile) {
    toml::table table;
    if (profile.Name) {
        table.insert("name", *profile.Name);
    }
    if (profile.TubeDiameter) {
        table.insert("tube_diameter", *profile.TubeDiameter);
    }
    if (!profile.Radii.empty()) {
        toml::array radii;
        for (const double radius : profile.Radii) {
            radii.push_back(radius);
        }
        table.insert("radii", std::move(radii));
    }
    table.insert("clamp_length", profile.ClampLength);
    table.insert("min_tail", profile.MinTail);
    table.insert("max_angle", profile.MaxAngle);
    if (profile.MaxLength) {
        table.insert("max_length", *profile.MaxLength);
    }
    table.insert("b_sign", profile.BSign);
    table.insert("b_mode",
                 profile.BMode == MachineProfile::PlaneMode::Absolute ? "absolute" : "relative");
    table.insert("gain_per_bend", profile.GainPerBend);
    table.insert("die_side", profile.DieSide);
    if (profile.CentrelineHeight) {
        table.insert("centreline_height", *profile.CentrelineHeight);
    }
    table.insert("springback", toml::table{{"fixed", profile.SpringbackFixed},
                                           {"per_degree", profile.SpringbackPerDegree}});
    std::ostringstream text;
    text << table << '\n';
    return text.str();
}

} // namespace

TSetupSheetAction::PathQuestion TSetupSheetAction::AskPath = DefaultAskPath;
TSetupSheetAction::ProgramLocation TSetupSheetAction::CliPath = DefaultCliPath;

TSetupSheetAction::TSetupSheetAction(TFrmMain& window) : QObject(&window), Window(window) {
    auto* print = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_P), &window);
    print->setObjectName(QStringLiteral("Print setup sheet…"));
    connect(print, &QShortcut::activated, this, [this] { PrintSetupSheet(QString()); });
}

void TSetupSheetAction::Message(const QString& text) {
    // Window-modal and not waiting, as the program files' messages are.
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Tubrix"), text,
                                QMessageBox::Ok, &Window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

bool TSetupSheetAction::PrintSetupSheet(const QString& given) {
    // As saving does: a field the program cannot use is named, and nothing goes to the floor.
    if (const QString refusal = Window.Program->MarkedRefusal(); !refusal.isEmpty()) {
        Message(refusal + QStringLiteral(" No setup sheet was written."));
        return false;
    }
    if (InputProgram.StepCount < 1) {
        Message(QStringLiteral("Press \"Make 3D\" first: there is no part to print yet."));
        return false;
    }
    const std::string text = FormatProgramText(BuiltRows());
    const QString fault = ProgramFault(text);
    if (!fault.isEmpty()) {
        Message(fault + QStringLiteral(": no setup sheet was written."));
        return false;
    }
    const QString path = given.isEmpty() ? AskPath(&Window) : given;
    if (path.isEmpty()) {
        return false;
    }
    const QString cli = CliPath();
    if (cli.isEmpty()) {
        Message(QStringLiteral("tubrix-cli was not found beside Tubrix nor on the PATH: "
                               "no setup sheet was written."));
        return false;
    }
    // The sheet's title is the program file's name when the program came from one.
    const auto* files = Window.findChild<TProgramFiles*>();
    const QString title = files && !files->CurrentPath.isEmpty()
                              ? QFileInfo(files->CurrentPath).fileName()
                              : QStringLiteral("Tubrix part");
    QStringList arguments{QStringLiteral("report"),  QStringLiteral("-"),
                          QStringLiteral("-o"),      path,
                          QStringLiteral("--title"), title};
    // The loaded profile goes to tubrix-cli as a file of its own, removed when this returns.
    QTemporaryFile profileFile(QDir::temp().filePath(QStringLiteral("tubrix-profile-XXXXXX.toml")));
    const auto* checks = Window.findChild<TMachineChecks*>();
    if (checks && checks->Profile) {
        const std::string profile = ProfileText(*checks->Profile);
        if (!profileFile.open() ||
            profileFile.write(profile.data(), static_cast<qint64>(profile.size())) !=
                static_cast<qint64>(profile.size()) ||
            !profileFile.flush()) {
            Message(QStringLiteral("The machine profile could not be handed to tubrix-cli: ") +
                    profileFile.errorString());
            return false;
        }
        arguments << QStringLiteral("--machine") << profileFile.fileName();
    }
    // The program keeps the operator's values; the sheet is of the hand the viewer shows.
    if (FrmSimPipe && FrmSimPipe->Mirrored) {
        arguments << QStringLiteral("--mirror");
    }
    // A long program's sheet takes a few seconds; the window says it is busy meanwhile.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restoreCursor = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
    QProcess process;
    process.start(cli, arguments);
    process.write(text.data(), static_cast<qint64>(text.size()));
    process.closeWriteChannel();
    if (!process.waitForFinished(CliTimeoutMs) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        process.kill();
        const QString said = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
        Message(QStringLiteral("The setup sheet could not be written") +
                (said.isEmpty() ? QStringLiteral(".") : QStringLiteral(": ") + said));
        return false;
    }
    return true;
}
