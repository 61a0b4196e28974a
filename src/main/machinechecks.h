#pragma once

#include "bendprogram.h"
#include "findings.h"
#include "machineprofile.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QLabel;
class TFrmMain;
class TFrmSimPipe;

// Machine profiles at the main window: Ctrl+M (or "tubrix --machine M.toml") loads one, and its
// name shows at the viewer's top-left corner. After each "Make 3D" the part is checked: against
// the profile when one is loaded, else for folds and contact only. LblFindings under
// "Make 3D" gives the count, with each finding's message on hover, and the viewer draws the
// straights and bends at fault in amber.
class TMachineChecks : public QObject {
    Q_OBJECT

public:
    TMachineChecks(TFrmMain& window, TFrmSimPipe& viewer);

    // Loads a profile and checks the part shown against it. A profile that does not load gets
    // a message and changes nothing.
    bool LoadProfile(const QString& path);
    // Checks the program "Make 3D" just built and shows what it finds.
    void ShowFindings(const BendProgram& program);

    std::optional<MachineProfile> Profile;
    std::vector<Finding> Findings;    // of the last check
    QLabel* LblFindings = nullptr;    // on the main window, under "Make 3D"
    QLabel* LblMachineName = nullptr; // on the viewer, a native child above the GL surface

    // Asks for a profile's file name (empty: none chosen). A file dialog; tests put their own
    // here.
    using PathQuestion = std::function<QString(QWidget* parent)>;
    static PathQuestion AskPath;

private:
    void Message(const QString& text);

    TFrmMain& Window;
    TFrmSimPipe& Viewer;
    bool Checked = false; // a program has been checked since the window opened
};
