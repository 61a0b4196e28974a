#pragma once

#include "bendsequence.h"
#include "sequencescene.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>
#include <string>

class QFrame;
class QLabel;
class QSpinBox;
class TFrmMain;
class TFrmSimPipe;

// The bend sequence in the viewer: a step control in its bottom-left corner ("Part", then
// "Bend 0" for the tube loaded on the machine, "Bend k" after bend k) shows the part on the
// machine at each state (the machine whose profile the window has loaded), from one view, with
// the stock and the floor; "Part" (or Escape) goes
// back to the normal picture at its home view. The control plays the program "Make 3D" built,
// once the file rules accept it; otherwise it names the field that stops it.
class TSequenceSteps : public QObject {
    Q_OBJECT

public:
    TSequenceSteps(TFrmMain& window, TFrmSimPipe& viewer);
    ~TSequenceSteps() override;

    QFrame* StepPanel = nullptr; // a native child raised above the viewer's GL window
    QSpinBox* SpinStep = nullptr;
    QLabel* LblStepRefusal = nullptr; // why the program cannot be played, when it cannot

    // The state shown: -1 for the normal picture.
    int Step() const { return ShownStep; }
    // Shows a state of the program the viewer holds (-1: the normal picture). Returns whether
    // it is shown; a program the file rules refuse is not played, and the field is named.
    bool ShowStep(int step);

    const BendSequence* Sequence() const { return Played.get(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Make3DDone();
    void PlacePanel();
    void LeaveStepView();
    void Refuse(const QString& why);

    TFrmMain& Window;
    TFrmSimPipe& Viewer;
    std::unique_ptr<BendProgram> Program;
    std::unique_ptr<BendSequence> Played;
    std::unique_ptr<SequenceRows> Rows; // the played program's rows, compiled once
    SequenceView View;
    int ShownStep = -1;
};

// What keeps a program from being played on the machine: the first value the program file's
// rules refuse, named by row and field ("row 3, C: ..."), or nothing.
std::optional<std::string> SequenceRefusal(const BendProgram& program);
