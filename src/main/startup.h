#pragma once

#include <QApplication>

// The application object: shows any exception that escapes an event handler in the standard
// error box and carries on, so an operator's input can never take the program down unnoticed.
class TubrixApplication : public QApplication {
public:
    TubrixApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// The error box with the exception's message (empty for an exception that carries none).
void ShowException(const QString& message);

// Creates the main window (the main form) and then the viewer, hidden.
void CreateForms();
// Destroys both forms, the viewer with its GL resources.
void DestroyForms();

// "tubrix [--machine M.toml] [PROGRAM.csv]": loads the machine profile and opens the program,
// once the main window is shown.
void OpenCommandLineProgram(const QStringList& arguments);

// Start-up: the forms, the event loop until the main window closes, and 0 for the shell even
// after an exception.
int RunTubrix(TubrixApplication& application);
