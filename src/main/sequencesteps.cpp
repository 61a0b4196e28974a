#include "sequencesteps.h"

#include "checkrow.h"
#include "fsimpipe.h"
#include "movpal.h"
#include "session.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QSpinBox>

using namespace tubrix;

namespace {

constexpr int PanelMargin = 1;

} // namespace

TSequenceSteps::TSequenceSteps(TSession& session, QObject* owner, TFrmSimPipe& viewer)
    : QObject(owner), Session(session), Viewer(viewer), Scene(viewer) {
    setObjectName(QStringLiteral("SequenceSteps"));
    StepPanel = new QFrame(&viewer);
    StepPanel->setObjectName(QStringLiteral("StepPanel"));
    StepPanel->setAttribute(Qt::WA_NativeWindow);
    StepPanel->setAutoFillBackground(true);
    auto* layout = new QHBoxLayout(StepPanel);
    layout->setContentsMargins(2, 2, 2, 2);
    SpinStep = new QSpinBox(StepPanel);
    SpinStep->setObjectName(QStringLiteral("SpinStep"));
    // Clicked, not tabbed to: the window's Tab order stays the grid's.
    SpinStep->setFocusPolicy(Qt::ClickFocus);
    SpinStep->setRange(-1, 0);
    SpinStep->setValue(-1);
    SpinStep->setSpecialValueText(QStringLiteral("Part"));
    SpinStep->setPrefix(QStringLiteral("Bend "));
    SpinStep->setToolTip(QStringLiteral("The part on the machine, bend by bend (Up, Down, Page "
                                        "Up, Page Down); Part or Escape: the normal picture"));
    SpinStep->installEventFilter(this);
    layout->addWidget(SpinStep);
    LblStepRefusal = new QLabel(StepPanel);
    LblStepRefusal->setObjectName(QStringLiteral("LblStepRefusal"));
    LblStepRefusal->hide();
    layout->addWidget(LblStepRefusal);
    connect(SpinStep, &QSpinBox::valueChanged, this, [this](int value) {
        if (value != ShownStep && !ShowStep(value)) {
            const QSignalBlocker blocker(SpinStep);
            SpinStep->setValue(ShownStep);
        }
    });
    // After the window's and the viewer's own handlers, which reset the view.
    connect(&session, &TSession::Checked, this, &TSequenceSteps::Rebuilt);
    connect(viewer.BitBtnRest, &QPushButton::clicked, this, [this] {
        if (ShownStep >= 0) {
            Scene.ResetView();
        }
    });
    viewer.installEventFilter(this);
    PlacePanel();
}

void TSequenceSteps::PlacePanel() {
    StepPanel->adjustSize();
    StepPanel->move(PanelMargin, Viewer.height() - StepPanel->height() - PanelMargin);
    StepPanel->raise();
}

bool TSequenceSteps::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &Viewer && (event->type() == QEvent::Resize || event->type() == QEvent::Show)) {
        PlacePanel();
        // A resize resets the view to the base view; the step view keeps its own.
        if (ShownStep >= 0 && event->type() == QEvent::Resize) {
            Scene.Refit();
        }
    }
    if (watched == SpinStep && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        SpinStep->setValue(-1);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void TSequenceSteps::Refuse(const QString& why) {
    LblStepRefusal->setText(why);
    LblStepRefusal->setVisible(!why.isEmpty());
    PlacePanel();
}

bool TSequenceSteps::ShowStep(int step) {
    if (step < 0) {
        LeaveStepView();
        return true;
    }
    if (!Scene.CanDraw()) {
        return false;
    }
    if (ShownStep < 0) {
        // Entering: play the program last built, if the rules take it.
        const BendProgram* shown = Session.BuiltShown();
        if (!shown) {
            Refuse(QStringLiteral("no program yet: press \"Make 3D\""));
            return false;
        }
        if (const tubrix::Result<void> usable = tubrix::CheckUsable(*shown); !usable) {
            Refuse(QString::fromStdString(usable.Failure().InProgram()));
            return false;
        }
        // The sequence the checks played, on the session's machine, in the hand shown.
        const BendSequence& sequence = Session.Check()->Sequence;
        Scene.Start(*shown, sequence);
        SpinStep->setMaximum(static_cast<int>(sequence.Bends.size()));
        SpinStep->setSuffix(QStringLiteral(" / %1").arg(sequence.Bends.size()) +
                            (Session.Mirrored() ? QStringLiteral(" mirrored") : QString()));
    }
    Refuse({});
    ShownStep = std::min(step, Scene.Sequence().StateCount() - 1);
    Scene.Show(ShownStep);
    {
        const QSignalBlocker blocker(SpinStep);
        SpinStep->setValue(ShownStep);
    }
    PlacePanel();
    return true;
}

void TSequenceSteps::LeaveStepView() {
    if (ShownStep < 0) {
        return;
    }
    ShownStep = -1;
    Scene.Stop();
    SpinStep->setMaximum(0);
    SpinStep->setSuffix({});
    {
        const QSignalBlocker blocker(SpinStep);
        SpinStep->setValue(-1);
    }
    PlacePanel();
}

void TSequenceSteps::Rebuilt() {
    // A new program: the step view plays it from the state it was at, or says why it cannot.
    Refuse({});
    const int step = ShownStep;
    if (step < 0) {
        return;
    }
    LeaveStepView();
    ShowStep(step);
}
