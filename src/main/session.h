#pragma once

#include "bendprogram.h"
#include "machineprofile.h"
#include "partcheck.h"
#include "programmodel.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

// What the window is working on, in one place: the program's rows, the file they came from,
// the machine profile, the hand shown and the program "Make 3D" last built with what the checks
// say of it. The window's features (files, checks, step view, mirror, sheet) are each given the
// session when they are made; they read it, change it through it and hear of changes through
// its signals, and never reach into the window or into one another.
class TSession : public QObject {
    Q_OBJECT

public:
    explicit TSession(QObject* parent = nullptr);
    ~TSession() override;

    // The program of 1 to MaxBendSteps rows, as the operator typed it.
    TProgramModel& Program() { return *Rows; }
    const TProgramModel& Program() const { return *Rows; }

    // The file the program was last opened from or saved to; empty for none.
    const QString& Path() const { return FilePath; }
    void SetPath(const QString& path);

    // The unit of the program's lengths, as its file says; none where nothing says. A profile
    // in the other unit is checked with its lengths converted.
    const std::optional<tubrix::LengthUnit>& Units() const { return ProgramUnits; }
    void SetUnits(std::optional<tubrix::LengthUnit> units);

    // A hollow tube's wall, as its file or STEP part says, in the program's unit; none for a
    // bar or where nothing says. Kept for the file the program is saved to and for the sheet.
    const std::optional<double>& Wall() const { return ProgramWall; }
    void SetWall(std::optional<double> wall) { ProgramWall = wall; }

    // The machine the part is checked against and played on, and what to call it; none: the
    // checks without a machine (fold, contact, the stock on the default machine).
    const std::optional<tubrix::MachineProfile>& Profile() const { return MachineProfileLoaded; }
    const QString& ProfileName() const { return MachineName; }
    void SetProfile(tubrix::MachineProfile profile, const QString& name);

    // The other hand of the part is shown: every plane turn negated, the rows kept as typed.
    bool Mirrored() const { return MirroredHand; }
    void SetMirrored(bool mirrored);

    // Asks the window to build the rows as they stand, as the "Make 3D" button does.
    void RequestMake3D() { emit Make3DRequested(); }
    // What an action did, for the status bar ("Saved exhaust.csv (12 rows)").
    void Say(const QString& text) { emit Said(text); }
    // The program row the step view is at, for the grid to mark; -1 when it is at none.
    void SetStepRow(int row) { emit StepRowChanged(row); }

    // The window has built `typed` (the rows as typed) in the hand now shown: the session keeps
    // it and checks the part shown.
    void SetBuilt(const BendProgram& typed);
    // The program last built, as typed and as shown; null before the first build.
    const BendProgram* BuiltTyped() const { return Typed.get(); }
    const BendProgram* BuiltShown() const { return Shown.get(); }
    // What the checks say of the part shown, against the profile; null before the first build.
    const tubrix::PartCheck* Check() const { return LastCheck.get(); }

    // The measured part compared with the part shown, for the setup sheet to inspect; empty
    // when there is none. A new build drops it (the comparison hears Built and says so).
    const QString& MeasuredPath() const { return Measured; }
    void SetMeasuredPath(const QString& path) { Measured = path; }

signals:
    void PathChanged();
    void UnitsChanged();
    void ProfileChanged();
    void HandChanged();
    void Make3DRequested();
    // A build was checked, or the last one checked again against a new profile.
    void Checked();
    // "Make 3D" built a program (before it is checked).
    void Built();
    void Said(const QString& text);
    void StepRowChanged(int row);

private:
    void CheckBuilt();

    TProgramModel* Rows;
    QString FilePath;
    std::optional<tubrix::LengthUnit> ProgramUnits;
    std::optional<double> ProgramWall;
    std::optional<tubrix::MachineProfile> MachineProfileLoaded;
    QString MachineName;
    bool MirroredHand = false;
    QString Measured;
    // Some ten kilobytes each: on the heap.
    std::unique_ptr<BendProgram> Typed;
    std::unique_ptr<BendProgram> Shown;
    std::unique_ptr<tubrix::PartCheck> LastCheck;
};
