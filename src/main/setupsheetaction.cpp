#include "setupsheetaction.h"

#include "windowlanguage.h"

#include "checkrow.h"
#include "clilocation.h"
#include "filenames.h"
#include "machineprofile.h"
#include "programfile.h"
#include "programmodel.h"
#include "session.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryFile>

using namespace tubrix;

namespace {

// A sheet takes well under a second; a stuck child is given up after this long.
constexpr int CliTimeoutMs = 60000;

QString DefaultAskPath(QWidget* parent) {
    return QFileDialog::getSaveFileName(parent, TSetupSheetAction::tr("Print setup sheet"),
                                        QString(),
                                        TSetupSheetAction::tr("PDF files (*.pdf);;All files (*)"));
}

} // namespace

TSetupSheetAction::PathQuestion TSetupSheetAction::AskPath = DefaultAskPath;
TSetupSheetAction::ProgramLocation TSetupSheetAction::CliPath = TubrixCliLocation;

TSetupSheetAction::TSetupSheetAction(TSession& session, QWidget& window)
    : QObject(&window), Session(session), Window(window) {
    ActPrint = new QAction(TSetupSheetAction::tr("&Print setup sheet…"), this);
    ActPrint->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    connect(ActPrint, &QAction::triggered, this, [this] { PrintSetupSheet(QString()); });
    window.addAction(ActPrint);
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
    if (const QString refusal = Session.Program().MarkedRefusal(); !refusal.isEmpty()) {
        Message(refusal + TSetupSheetAction::tr(" No setup sheet was written."));
        return false;
    }
    const BendProgram* built = Session.BuiltTyped();
    if (!built || built->StepCount < 1) {
        Message(TSetupSheetAction::tr("Press \"Make 3D\" first: there is no part to print yet."));
        return false;
    }
    const ProgramRows rows = RowsFromProgram(*built);
    if (const tubrix::Result<void> usable = tubrix::CheckUsable(rows); !usable) {
        const tubrix::Error& fault = usable.Failure();
        const QString message = RuleText(fault.Message);
        Message((fault.Row > 0 ? TSetupSheetAction::tr("Row %1: %2").arg(fault.Row).arg(message)
                               : TSetupSheetAction::tr("Tube diameter: %1").arg(message)) +
                TSetupSheetAction::tr(": no setup sheet was written."));
        return false;
    }
    ProgramRows withUnits = rows;
    withUnits.Units = Session.Units();
    if (Session.Wall() && WallFits(*Session.Wall(), withUnits.Diameter)) {
        withUnits.Wall = Session.Wall();
    }
    const std::string text = FormatProgramText(withUnits);
    const QString path =
        WithDefaultSuffix(given.isEmpty() ? AskPath(&Window) : given, QStringLiteral("pdf"));
    if (path.isEmpty()) {
        return false;
    }
    const QString cli = CliPath();
    if (cli.isEmpty()) {
        Message(TSetupSheetAction::tr("tubrix-cli was not found beside Tubrix nor on the PATH: "
                                      "no setup sheet was written."));
        return false;
    }
    // The sheet's title is the program file's name when the program came from one.
    const QString title = !Session.Path().isEmpty() ? QFileInfo(Session.Path()).fileName()
                                                    : TSetupSheetAction::tr("Tubrix part");
    QStringList arguments{QStringLiteral("report"),  QStringLiteral("-"),
                          QStringLiteral("-o"),      path,
                          QStringLiteral("--title"), title};
    // The loaded profile goes to tubrix-cli as a file of its own, removed when this returns.
    QTemporaryFile profileFile(QDir::temp().filePath(QStringLiteral("tubrix-profile-XXXXXX.toml")));
    if (Session.Profile()) {
        const std::string profile = FormatMachineProfile(*Session.Profile());
        if (!profileFile.open() ||
            profileFile.write(profile.data(), static_cast<qint64>(profile.size())) !=
                static_cast<qint64>(profile.size()) ||
            !profileFile.flush()) {
            Message(
                TSetupSheetAction::tr("The machine profile could not be handed to tubrix-cli: ") +
                profileFile.errorString());
            return false;
        }
        arguments << QStringLiteral("--machine") << profileFile.fileName();
    }
    // The program keeps the operator's values; the sheet is of the hand the viewer shows.
    // The sheet in the window's language, whatever the locale tubrix-cli would find.
    arguments << QStringLiteral("--language") << WindowLanguageCode();
    if (Session.Mirrored()) {
        arguments << QStringLiteral("--mirror");
    }
    // The measured part compared on screen is inspected on the sheet too.
    if (!Session.MeasuredPath().isEmpty()) {
        arguments << QStringLiteral("--measured") << Session.MeasuredPath();
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
        Message(TSetupSheetAction::tr("The setup sheet could not be written") +
                (said.isEmpty() ? QStringLiteral(".") : QStringLiteral(": ") + said));
        return false;
    }
    Session.Say(TSetupSheetAction::tr("Printed the setup sheet to %1 (%2 rows)")
                    .arg(QFileInfo(path).fileName())
                    .arg(rows.Rows.size()));
    return true;
}
