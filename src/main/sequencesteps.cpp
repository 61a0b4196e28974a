#include "sequencesteps.h"

#include "checkrow.h"
#include "frmmain.h"
#include "fsimpipe.h"
#include "machinechecks.h"
#include "movpal.h"
#include "orbgl.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QSpinBox>
#include <QToolButton>

#include <cmath>

namespace {

// Display lists of their own, clear of the viewer's builder's 1 and 2.
constexpr GLuint StepListBase = 40;
constexpr int PanelMargin = 1;

std::string RowField(int row, const char* field, const std::string& rule) {
    return "row " + std::to_string(row) + ", " + field + ": " + rule;
}

} // namespace

// The program file's row rules, the ones the window marks fields by: the sequence plays only
// a program a file could hold.
std::optional<std::string> SequenceRefusal(const BendProgram& program) {
    const int rows = std::clamp(program.StepCount, 0, MaxBendSteps);
    if (rows == 0) {
        return std::string("no program yet: press \"Make 3D\"");
    }
    if (const auto fault = CheckDiameter(program.TubeDiameter)) {
        return "diameter: " + fault->Message;
    }
    constexpr const char* Columns[] = {"Y", "B", "C", "R"};
    for (int i = 0; i < rows; ++i) {
        const BendStep& step = program.Steps[i];
        const BendRowInput row{step.Y, step.B, step.C, step.R};
        auto fault = CheckRow(row);
        if (!fault && i + 1 == rows) {
            fault = CheckLastRow(row);
        }
        if (fault) {
            return RowField(i + 1, Columns[std::clamp(fault->Column, 1, 4) - 1], fault->Message);
        }
    }
    if (!std::isfinite(DevelopedLength(program))) {
        return std::string("the tube's length overflows");
    }
    return std::nullopt;
}

TSequenceSteps::TSequenceSteps(TFrmMain& window, TFrmSimPipe& viewer)
    : QObject(&window), Window(window), Viewer(viewer) {
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
    connect(window.SBtnMake3D, &QToolButton::clicked, this, &TSequenceSteps::Make3DDone);
    connect(viewer.BitBtnRest, &QPushButton::clicked, this, [this] {
        if (ShownStep >= 0) {
            SetSequenceView(View, Viewer.width(), Viewer.height());
            Viewer.ViewScale = static_cast<float>(View.Scale);
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
        if (ShownStep >= 0 && event->type() == QEvent::Resize && OpenGLIsOpen()) {
            View = FitSequenceView(*Played, Viewer.width(), Viewer.height());
            SetSequenceView(View, Viewer.width(), Viewer.height());
            Viewer.ViewScale = static_cast<float>(View.Scale);
            Viewer.RequestFrame();
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
    if (!OpenGLIsOpen()) {
        return false;
    }
    if (ShownStep < 0) {
        // Entering: play the program the viewer holds, if the file rules take it.
        if (const auto refusal = SequenceRefusal(Viewer.ViewProgram)) {
            Refuse(QString::fromStdString(*refusal));
            return false;
        }
        // The hand the viewer shows: the mirrored part when the window mirrors it.
        Program = std::make_unique<BendProgram>(Viewer.ShownProgram());
        // On the machine whose profile the window has loaded: its die side and floor.
        const auto* checks = Window.findChild<TMachineChecks*>();
        const MachineProfile profile =
            checks && checks->Profile ? *checks->Profile : MachineProfile{};
        Played = std::make_unique<BendSequence>(PlayBendSequence(*Program, profile));
        Rows = std::make_unique<SequenceRows>(*Program);
        View = FitSequenceView(*Played, Viewer.width(), Viewer.height());
        SetSequenceView(View, Viewer.width(), Viewer.height());
        Viewer.ViewScale = static_cast<float>(View.Scale);
        SpinStep->setMaximum(static_cast<int>(Played->Bends.size()));
        SpinStep->setSuffix(QStringLiteral(" / %1").arg(Played->Bends.size()) +
                            (Viewer.Mirrored ? QStringLiteral(" mirrored") : QString()));
    }
    Refuse({});
    ShownStep = std::min(step, Played->StateCount() - 1);
    CompileSequenceStep(*Rows, *Played, View, ShownStep, StepListBase);
    Viewer.StepList = SequenceSceneList(StepListBase);
    {
        const QSignalBlocker blocker(SpinStep);
        SpinStep->setValue(ShownStep);
    }
    PlacePanel();
    Viewer.RequestFrame();
    return true;
}

TSequenceSteps::~TSequenceSteps() {
    // The viewer closes its context before the window goes: the lists went with it.
    if (Rows && !OpenGLIsOpen()) {
        Rows->Abandon();
    }
}

void TSequenceSteps::LeaveStepView() {
    if (ShownStep < 0) {
        return;
    }
    ShownStep = -1;
    Viewer.StepList = 0;
    if (OpenGLIsOpen()) {
        glDeleteLists(SequenceSceneList(StepListBase), 1);
        Viewer.HomeView();
    }
    SpinStep->setMaximum(0);
    SpinStep->setSuffix({});
    {
        const QSignalBlocker blocker(SpinStep);
        SpinStep->setValue(-1);
    }
    if (Rows && !OpenGLIsOpen()) {
        Rows->Abandon();
    }
    Rows.reset();
    Played.reset();
    Program.reset();
    PlacePanel();
    Viewer.RequestFrame();
}

void TSequenceSteps::Make3DDone() {
    // A new program: the step view plays it from the state it was at, or says why it cannot.
    Refuse({});
    const int step = ShownStep;
    if (step < 0) {
        return;
    }
    LeaveStepView();
    ShowStep(step);
}
