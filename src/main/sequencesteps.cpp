#include "sequencesteps.h"

#include "windowlanguage.h"

#include "checkrow.h"
#include "findings.h"
#include "fsimpipe.h"
#include "movpal.h"
#include "session.h"
#include "springback.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QSpinBox>

using namespace tubrix;

namespace {

constexpr int PanelMargin = 1;

QString Fixed(double value) {
    return LocaleFixed(value, 2);
}

// "bend to 47.90 (part 45.00)" with a machine, whose springback turns the part's angle into
// the one to bend to; "angle 45.00" without.
QString AngleWords(const SequenceBend& bend, double diameter,
                   const std::optional<MachineProfile>& profile) {
    const double c = bend.Angle;
    if (!profile) {
        return TSequenceSteps::tr("angle ") + Fixed(c);
    }
    // As the library's BendToText words it, in the window's language.
    return TSequenceSteps::tr("bend to %1 (part %2)")
        .arg(Fixed(MachineAngle(*profile, c, {bend.Radius, diameter})), Fixed(c));
}

QString ContactWords(const SequenceBend& bend, double diameter) {
    QStringList contacts;
    for (const SequenceContact& contact : bend.Contacts) {
        static const char* const phases[] = {QT_TRANSLATE_NOOP("TSequenceSteps", "turning"),
                                             QT_TRANSLATE_NOOP("TSequenceSteps", "bending"),
                                             QT_TRANSLATE_NOOP("TSequenceSteps", "after the bend")};
        const bool stock = contact.With == ContactKind::Stock;
        contacts << TSequenceSteps::tr("%1 %2 %3 < %4")
                        .arg(stock ? TSequenceSteps::tr("stock") : TSequenceSteps::tr("floor"),
                             TSequenceSteps::tr(phases[static_cast<int>(contact.Phase)]),
                             Fixed(contact.Distance), Fixed(stock ? diameter : diameter / 2));
    }
    return contacts.isEmpty()
               ? TSequenceSteps::tr("no contact")
               : TSequenceSteps::tr("contact: ") + contacts.join(QStringLiteral("; "));
}

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
    SpinStep->setSpecialValueText(TSequenceSteps::tr("Part"));
    SpinStep->setPrefix(TSequenceSteps::tr("Bend "));
    SpinStep->setToolTip(TSequenceSteps::tr("The part on the machine, bend by bend (Up, Down, Page "
                                            "Up, Page Down); Part or Escape: the normal picture"));
    SpinStep->installEventFilter(this);
    layout->addWidget(SpinStep);
    LblStepRefusal = new QLabel(StepPanel);
    LblStepRefusal->setObjectName(QStringLiteral("LblStepRefusal"));
    LblStepRefusal->hide();
    layout->addWidget(LblStepRefusal);
    LblStepWords = new QLabel(StepPanel);
    LblStepWords->setObjectName(QStringLiteral("LblStepWords"));
    LblStepWords->hide();
    // Long words wrap rather than run past the picture.
    LblStepWords->setWordWrap(true);
    LblStepWords->setMinimumWidth(360);
    layout->addWidget(LblStepWords);
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
            Refuse(TSequenceSteps::tr("no program yet: press \"Make 3D\""));
            return false;
        }
        if (const tubrix::Result<void> usable = tubrix::CheckUsable(*shown); !usable) {
            Refuse(ProgramFaultText(usable.Failure()));
            return false;
        }
        // The sequence the checks played, on the session's machine, in the hand shown.
        const BendSequence& sequence = Session.Check()->Sequence;
        Scene.Start(*shown, sequence);
        SpinStep->setMaximum(static_cast<int>(sequence.Bends.size()));
        SpinStep->setSuffix(TSequenceSteps::tr(" / %1").arg(sequence.Bends.size()) +
                            (Session.Mirrored() ? TSequenceSteps::tr(" mirrored") : QString()));
    }
    Refuse({});
    ShownStep = std::min(step, Scene.Sequence().StateCount() - 1);
    Scene.Show(ShownStep);
    {
        const QSignalBlocker blocker(SpinStep);
        SpinStep->setValue(ShownStep);
    }
    Describe();
    PlacePanel();
    return true;
}

void TSequenceSteps::Describe() {
    if (ShownStep < 0 || Scene.Sequence().Bends.empty()) {
        LblStepWords->hide();
        Session.SetStepRow(-1);
        return;
    }
    const BendSequence& sequence = Scene.Sequence();
    // The loaded tube is described by the bend it is about to make, every other state by the
    // bend just made.
    const int index = std::max(ShownStep, 1) - 1;
    const SequenceBend& bend = sequence.Bends[static_cast<std::size_t>(index)];
    const QString what = ShownStep == 0 ? TSequenceSteps::tr("Loaded; bend 1 next")
                                        : TSequenceSteps::tr("Bend %1").arg(ShownStep);
    LblStepWords->setText(TSequenceSteps::tr("%1: row %2, feed %3, rotate %4, %5, radius %6; %7")
                              .arg(what)
                              .arg(bend.Row + 1)
                              .arg(Fixed(bend.Feed), Fixed(bend.Rotate),
                                   AngleWords(bend, sequence.Diameter, Session.Profile()),
                                   Fixed(bend.Radius), ContactWords(bend, sequence.Diameter)));
    LblStepWords->show();
    Session.SetStepRow(bend.Row);
}

void TSequenceSteps::LeaveStepView() {
    if (ShownStep < 0) {
        return;
    }
    ShownStep = -1;
    Scene.Stop();
    Describe();
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
