#pragma once

#include "programdocument.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QAction;
class QMenu;
class QWidget;
class TSession;

// Bend program files at the main window: Ctrl+O opens, Ctrl+S saves to the file last opened or
// saved, Ctrl+Shift+S saves under a new name, a .csv (or a STEP part) dropped on the window
// opens, and File →
// Open recent lists the last programs. Opening fills the session's program and asks for "Make
// 3D"; a value the file holds that a program may not (an R of 0 where it bends) opens marked,
// as if typed. A file of XYZ points from CAD opens as the program through its points, asking
// for the radius and diameter when it gives none; it is never written over. A STEP part opens as
// the program of its tube, read by `tubrix-cli ybc` in a child process (the window never loads
// the CAD kernel), asking which tube when it holds several; it is never written either. Saving
// writes what
// "Make 3D" would build, into the file's own shape when it was opened from one. Closing the
// window with unsaved changes asks first.
class TProgramFiles : public QObject {
    Q_OBJECT

public:
    // `window` takes the keys and the drops, and parents the dialogs.
    TProgramFiles(TSession& session, QWidget& window);

    // Opens a program (or points) file of up to MaxBendSteps rows and presses "Make 3D". A
    // file that does not load gets a message and changes nothing; unsaved changes are asked
    // about first.
    bool OpenProgram(const QString& path);
    // Saves the program; `path` empty asks for a name. A marked field is refused, naming it,
    // and nothing is written. Returns whether the file was written.
    bool SaveProgram(const QString& path);

    // True when the program has no unsaved changes or the operator agrees to lose them;
    // `action` says what is about to happen ("Close Tubrix").
    bool MayDiscardChanges(const QString& action);

    // Asks for a file name (empty: none chosen). A file dialog; tests put their own here.
    using PathQuestion = std::function<QString(QWidget* parent, bool forSaving)>;
    static PathQuestion AskPath;
    // Asks a yes-or-no question (true: go on). A message box; tests put their own here.
    using YesNoQuestion = std::function<bool(QWidget* parent, const QString& question)>;
    static YesNoQuestion AskYesNo;
    // The question as the operator meets it: Cancel is the default button, so Enter never
    // loses work.
    static bool AskGoOn(QWidget* parent, const QString& question);
    // Asks for a points file's bend radius or tube diameter (`what` says which); nothing: the
    // operator cancelled. Tests put their own here.
    using SizeQuestion = std::function<std::optional<double>(QWidget* parent, const QString& what)>;
    static SizeQuestion AskSize;
    // Asks which of a STEP part's tubes to open (`items` as `ybc --list` gives them); the index
    // chosen, or nothing. Tests put their own here.
    using ChoiceQuestion = std::function<std::optional<int>(QWidget* parent, const QString& what,
                                                            const QStringList& items)>;
    static ChoiceQuestion AskChoice;
    // Where tubrix-cli is, which reads STEP parts for the window. Tests name the built one.
    using ProgramLocation = std::function<QString()>;
    static ProgramLocation CliPath;

    QAction* ActOpen = nullptr;   // Ctrl+O
    QAction* ActSave = nullptr;   // Ctrl+S
    QAction* ActSaveAs = nullptr; // Ctrl+Shift+S
    QMenu* MenuRecent = nullptr;  // the last programs opened or saved, newest first

    // The recent list as it stands.
    QStringList RecentFiles() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Message(const QString& text);
    void Opened(const QString& path, tubrix::ProgramDocument document);
    bool ChangedOnDisk(const QString& path) const;
    bool OpenPoints(const QString& path, const std::string& text);
    bool OpenStepPart(const QString& path);
    // The program a file read elsewhere gave: loaded, the file never written over.
    void OpenedAsProgram(const QString& path, const tubrix::ProgramRows& program,
                         const QString& said);
    void Remember(const QString& path);
    void FillRecentMenu();

    TSession& Session;
    QWidget& Window;
    // The file as it was last read or written, which a save keeps the shape of, and when it
    // was, to tell whether someone else wrote it since.
    std::optional<tubrix::ProgramDocument> Document;
    QDateTime DiskTime;
    qint64 DiskSize = -1;
    // The program came from a points file or a STEP part, which a save never writes over.
    bool FromPoints = false;
};
