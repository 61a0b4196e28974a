#pragma once

#include "stepscene.h"

#include <QObject>
#include <QString>

class QFrame;
class QLabel;
class QSpinBox;
class TFrmSimPipe;
class TSession;

// The bend sequence in the viewer: a step control in its bottom-left corner ("Part", then
// "Bend 0" for the tube loaded on the machine, "Bend k" after bend k) shows the part on the
// machine at each state (the machine of the session's profile), from one view, with the stock
// and the floor; "Part" (or Escape) goes back to the normal picture at its home view. The
// control plays the program "Make 3D" built, once the program's rules accept it; otherwise it
// names the row and field that stops it.
class TSequenceSteps : public QObject {
    Q_OBJECT

public:
    TSequenceSteps(TSession& session, QObject* owner, TFrmSimPipe& viewer);

    QFrame* StepPanel = nullptr; // a native child raised above the viewer's GL window
    QSpinBox* SpinStep = nullptr;
    QLabel* LblStepRefusal = nullptr; // why the program cannot be played, when it cannot
    QLabel* LblStepWords = nullptr;   // the step shown in words: row, feed, rotation, angle

    // The state shown: -1 for the normal picture.
    int Step() const { return ShownStep; }
    // Shows a state of the program last built (-1: the normal picture). Returns whether it is
    // shown; a program the rules refuse is not played, and the field is named.
    bool ShowStep(int step);

    const tubrix::BendSequence* Sequence() const {
        return Scene.Started() ? &Scene.Sequence() : nullptr;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Rebuilt();
    void PlacePanel();
    void LeaveStepView();
    void Refuse(const QString& why);
    void Describe();

    TSession& Session;
    TFrmSimPipe& Viewer;
    TStepScene Scene;
    int ShownStep = -1;
};
