#include "startup.h"

#include "frmmain.h"
#include "fsimpipe.h"
#include "programfiles.h"
#include "setupsheetaction.h"

#include <QIcon>
#include <QMessageBox>

#include <exception>

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

void CreateForms() {
    FrmMain = new TFrmMain;
    new TProgramFiles(*FrmMain);     // owned by the window
    new TSetupSheetAction(*FrmMain); // owned by the window
    FrmSimPipe = new TFrmSimPipe;
}

void DestroyForms() {
    // The viewer is a child of the main window's panel once shown; before that it is alone.
    if (FrmSimPipe && !FrmSimPipe->parent()) {
        delete FrmSimPipe;
    }
    delete FrmMain;
    FrmMain = nullptr;
    FrmSimPipe = nullptr;
}

void OpenCommandLineProgram(const QStringList& arguments) {
    if (arguments.size() > 1 && FrmMain) {
        FrmMain->findChild<TProgramFiles*>()->OpenProgram(arguments.at(1));
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
