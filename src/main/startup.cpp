#include "startup.h"

#include "findingspanel.h"
#include "frmmain.h"
#include "fsimpipe.h"
#include "machinechecks.h"
#include "measuredcomparison.h"
#include "mirrortoggle.h"
#include "programfiles.h"
#include "programgrid.h"
#include "sequencesteps.h"
#include "session.h"
#include "setupsheetaction.h"
#include "windowlanguage.h"

#include <QAction>
#include <QCommandLineParser>
#include <QDockWidget>
#include <QIcon>
#include <QMenu>
#include <QMessageBox>
#include <QUndoStack>

#include <exception>

using namespace tubrix;

TubrixApplication::TubrixApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // The menu entry's icon, so the window and its task bar button look like the entry that
    // started it; the desktop picks the size it needs.
    QIcon icon;
    for (const int size : {48, 128, 256}) {
        icon.addFile(QStringLiteral(":/icons/%1x%1/tubrix.png").arg(size), QSize(size, size));
    }
    setWindowIcon(icon);
    // Wayland matches a window to its menu entry by this name, as X does by the window class.
    setDesktopFileName(QStringLiteral("tubrix"));
    // Where the window's size, place and recent files are kept (~/.config/tubrix/).
    setOrganizationName(QStringLiteral("tubrix"));
    // The operator's language, before any window is made.
    SetWindowLanguage(QLocale::system());
}

bool TubrixApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowException(QString::fromUtf8(error.what()));
    } catch (...) {
        ShowException(QString());
    }
    return false;
}

void ShowException(const QString& message) {
    QMessageBox::critical(nullptr, QStringLiteral("Tubrix"), message);
}

namespace {

// The features the command line drives, as made with the forms.
TProgramFiles* Files = nullptr;
TMachineChecks* Checks = nullptr;

} // namespace

void CreateForms() {
    FrmMain = new TFrmMain;
    TSession& session = *FrmMain->Session;
    // Each feature is owned by the window and given the session.
    Files = new TProgramFiles(session, *FrmMain);
    auto* sheet = new TSetupSheetAction(session, *FrmMain);
    FrmSimPipe = new TFrmSimPipe;
    // Its count sits in the client area's column, under "Make 3D".
    Checks = new TMachineChecks(session, *FrmMain->ClientArea, *FrmSimPipe);
    new TSequenceSteps(session, FrmMain, *FrmSimPipe); // the step control
    auto* mirror = new TMirrorToggle(session, *FrmMain, *FrmSimPipe);
    auto* findings = new TFindingsPanel(session, *FrmMain, *FrmSimPipe);
    // A measured part against the part built; its verdict under "Make 3D".
    auto* measured = new TMeasuredComparison(session, *FrmMain, *FrmMain->ClientArea, *FrmSimPipe);

    // Every action in a menu, with its key.
    TFrmMain& w = *FrmMain;
    w.MenuFile->addActions({Files->ActOpen});
    w.MenuFile->addMenu(Files->MenuRecent);
    w.MenuFile->addActions({Files->ActSave, Files->ActSaveAs});
    w.MenuFile->addSeparator();
    w.MenuFile->addAction(sheet->ActPrint);
    w.MenuFile->addSeparator();
    w.MenuFile->addAction(w.ActQuit);
    w.MenuEdit->addActions({w.ActUndo, w.ActRedo});
    w.MenuEdit->addSeparator();
    w.MenuEdit->addActions({w.Grid->ActAddRow, w.Grid->ActDeleteRow});
    w.MenuEdit->addSeparator();
    w.MenuEdit->addActions({w.Grid->ActCopyProgram, w.Grid->ActPasteBlock});
    w.MenuView->addAction(w.ActMake3D);
    w.MenuView->addSeparator();
    w.MenuView->addActions({w.ActHomeView, w.ActFramePart, mirror->ActMirror});
    w.MenuView->addSeparator();
    QAction* showFindings = findings->Dock->toggleViewAction();
    showFindings->setText(TFindingsPanel::tr("&Findings"));
    w.MenuView->addAction(showFindings);
    w.MenuMachine->addAction(Checks->ActLoadProfile);
    w.MenuMachine->addAction(measured->ActCompare);
    w.RestorePlace();
}

void DestroyForms() {
    // The viewer is a child of the main window's panel once shown; before that it is alone.
    if (FrmSimPipe && !FrmSimPipe->parent()) {
        delete FrmSimPipe;
    }
    delete FrmMain;
    FrmMain = nullptr;
    FrmSimPipe = nullptr;
    Files = nullptr;
    Checks = nullptr;
}

void OpenCommandLineProgram(const QStringList& arguments) {
    if (!FrmMain) {
        return;
    }
    QCommandLineParser parser;
    const QCommandLineOption machine(QStringLiteral("machine"),
                                     QStringLiteral("Machine profile to check against"),
                                     QStringLiteral("M.toml"));
    parser.addOption(machine);
    // What cannot be parsed is left alone: the window opens as it would without arguments.
    parser.parse(arguments);
    // The profile first, so the program's "Make 3D" is checked against it.
    if (parser.isSet(machine)) {
        Checks->LoadProfile(parser.value(machine));
    }
    if (!parser.positionalArguments().isEmpty()) {
        Files->OpenProgram(parser.positionalArguments().front());
    }
}

int RunTubrix(TubrixApplication& application) {
    try {
        CreateForms();
        FrmMain->show();
        OpenCommandLineProgram(application.arguments());
        application.exec();
    } catch (const std::exception& error) {
        ShowException(QString::fromUtf8(error.what()));
    } catch (...) {
        ShowException(QString());
    }
    DestroyForms();
    return 0;
}
