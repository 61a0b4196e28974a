#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QAction;
class QWidget;
class TSession;

// Ctrl+P, "Print setup sheet…": the setup sheet of the program as "Make 3D" last built it,
// written as PDF where the operator chooses. The sheet is made by `tubrix-cli report` in a
// process of its own: the same sheet as on the command line, and its offscreen pictures never
// touch the viewer's GL context.
class TSetupSheetAction : public QObject {
    Q_OBJECT

public:
    // `window` takes the key and parents the dialogs.
    TSetupSheetAction(TSession& session, QWidget& window);

    // Writes the sheet to `path`; empty asks for a name. Returns whether the file was written.
    bool PrintSetupSheet(const QString& path);

    QAction* ActPrint = nullptr; // File → Print setup sheet…, Ctrl+P

    // Asks for the PDF's name (empty: none chosen). A file dialog; tests put their own here.
    using PathQuestion = std::function<QString(QWidget* parent)>;
    static PathQuestion AskPath;
    // Where tubrix-cli is: beside the window program, else on the PATH. Tests name the built one.
    using ProgramLocation = std::function<QString()>;
    static ProgramLocation CliPath;

private:
    void Message(const QString& text);

    TSession& Session;
    QWidget& Window;
};
