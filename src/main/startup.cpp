#include "startup.h"

#include "frmmain.h"
#include "fsimpipe.h"
#include "programfiles.h"

#include <QMessageBox>

#include <exception>

TubrixApplication::TubrixApplication(int& argc, char** argv) : QApplication(argc, argv) {}

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
    new TProgramFiles(*FrmMain); // owned by the window
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
