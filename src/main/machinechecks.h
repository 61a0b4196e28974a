#pragma once

#include "findings.h"

#include <QObject>
#include <QString>

#include <functional>
#include <vector>

class QAction;
class QLabel;
class QWidget;
class TFrmSimPipe;
class TSession;

// Machine profiles at the main window: Ctrl+M (or "tubrix --machine M.toml") loads one into the
// session, and its name shows at the viewer's top-left corner. After each "Make 3D" the session
// checks the part: LblFindings under "Make 3D" gives the count of the findings, with each
// finding's message on hover, and the viewer draws the straights and bends at fault in amber.
class TMachineChecks : public QObject {
    Q_OBJECT

public:
    // `window` holds LblFindings and parents the dialogs.
    TMachineChecks(TSession& session, QWidget& window, TFrmSimPipe& viewer);

    // Loads a profile into the session, which checks the part shown against it. A profile
    // that does not load gets a message and changes nothing.
    bool LoadProfile(const QString& path);

    std::vector<tubrix::Finding> Findings; // of the last check
    QLabel* LblFindings = nullptr;         // on the main window, under "Make 3D"
    QLabel* LblMachineName = nullptr;      // on the viewer, a native child above the GL surface
    QAction* ActLoadProfile = nullptr;     // Machine → Load profile…, Ctrl+M

    // Asks for a profile's file name (empty: none chosen). A file dialog; tests put their own
    // here.
    using PathQuestion = std::function<QString(QWidget* parent)>;
    static PathQuestion AskPath;

private:
    void Message(const QString& text);
    void ShowFindings();
    void ShowProfile();

    TSession& Session;
    QWidget& Window;
    TFrmSimPipe& Viewer;
};
