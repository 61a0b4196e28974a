#pragma once

#include <QObject>
#include <QString>

#include <functional>

class TFrmMain;

// Bend program files at the main window: Ctrl+O opens, Ctrl+S saves to the file last opened or
// saved, Ctrl+Shift+S saves under a new name, and a .csv dropped on the window opens. Opening
// fills the fields and presses "Make 3D"; saving writes what "Make 3D" would build.
class TProgramFiles : public QObject {
    Q_OBJECT

public:
    explicit TProgramFiles(TFrmMain& window);

    // Opens a program file into the fields and presses "Make 3D". A file that does not load,
    // or holds more rows than the window shows, gets a message and changes nothing.
    bool OpenProgram(const QString& path);
    // Saves the fields; `path` empty asks for a name. Returns whether the file was written.
    bool SaveProgram(const QString& path);

    QString CurrentPath; // the file last opened or saved

    // Asks for a file name (empty: none chosen). A file dialog; tests put their own here.
    using PathQuestion = std::function<QString(QWidget* parent, bool forSaving)>;
    static PathQuestion AskPath;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Message(const QString& text);

    TFrmMain& Window;
};
