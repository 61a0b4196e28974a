#include "fsimpipe.h"

#include "coordtransform.h"
#include "homeview.h"
#include "movpal.h"
#include "padglyphs.h"
#include "sequencescene.h"
#include "tubemodel.h"

#include <GL/glu.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QShowEvent>
#include <QStyle>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <limits>

using namespace tubrix;

TFrmSimPipe* FrmSimPipe = nullptr;
bool SizeToggleApplied = false;
std::int32_t SizeToggleStage = 0;
std::uint32_t SizeToggleStart = 0;

namespace {

constexpr int FrameIntervalMs = 10;
constexpr std::uint32_t SizeToggleSettleMs = 120;
constexpr int PadWidth = 137;
constexpr int PadHeight = 216;
constexpr double TurnStep = 1.0;      // degrees per tick
constexpr double ZoomStep = 0.01;     // share of the scale per tick
constexpr double PanStep = 0.003;     // share of the scale per tick
constexpr int WheelUnitsPerTick = 12; // of angleDelta: one notch of 120 is ten zoom ticks

// The flag a motion button holds, by the button's TabOrder; null for the reset button (4) and
// for anything outside the twelve motion buttons.
bool* HeldFlag(MotionFlagSet& flags, int tabOrder) {
    bool* const byTabOrder[] = {&flags.HeldLeftC,    &flags.HeldUp,    &flags.HeldRightC,
                                &flags.HeldLeft,     nullptr,          &flags.HeldRight,
                                &flags.HeldZooM,     &flags.HeldDown,  &flags.HeldZooP,
                                &flags.HeldMovRight, &flags.HeldMovUp, &flags.HeldMovLeft,
                                &flags.HeldMovDown};
    if (tabOrder < 0 || tabOrder >= static_cast<int>(std::size(byTabOrder))) {
        return nullptr;
    }
    return byTabOrder[tabOrder];
}

void SetHeldFlag(MotionFlagSet& flags, QObject* sender, bool held) {
    const auto* button = qobject_cast<const PadButton*>(sender);
    if (!button) {
        return;
    }
    if (bool* flag = HeldFlag(flags, button->TabOrder)) {
        *flag = held;
    }
}

bool AnyMotionHeld(const MotionFlagSet& f) {
    return f.HeldLeft || f.HeldRight || f.HeldLeftC || f.HeldRightC || f.HeldDown || f.HeldUp ||
           f.HeldZooP || f.HeldZooM || f.HeldMovLeft || f.HeldMovRight || f.HeldMovUp ||
           f.HeldMovDown;
}

// One tick of a zoom row: formed in double precision, stored as a float. A zoom that would
// pass what the shape library can show holds at its limit, so the way back is as long as the
// way there was on screen.
float ZoomedScale(float scale, double factor) {
    const double zoomed = scale + scale * factor;
    const double size = std::fabs(zoomed);
    if (!(size > 0) || !std::isfinite(zoomed)) {
        return static_cast<float>(zoomed);
    }
    return static_cast<float>(
        std::copysign(std::clamp(size, ShapeMinScale, ShapeMaxScale), zoomed));
}

// Half the visible width and height in view units, as the projection stands now. The shape
// library owns the projection and holds scales it cannot show to ones it can; asking it keeps
// the wheel's pan true to what is on screen.
void VisibleHalfSize(double& halfWidth, double& halfHeight) {
    double projection[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    halfWidth = 1.0 / projection[0];
    halfHeight = 1.0 / projection[5];
}

std::uint32_t SteadyTickCount() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

TickCountSource TickSource = nullptr;

// How far beyond the tube's outline on screen the pointer still points at it: a thin tube is
// a line a pixel or two wide, and nobody rests a mouse on one pixel.
constexpr double TipSlackPixels = 4;

// The view as GL holds it: the matrices column-major, the viewport in device pixels.
struct ViewMatrices {
    GLdouble ModelView[16];
    GLdouble Projection[16];
    GLint Viewport[4];
};

ViewMatrices CurrentMatrices() {
    ViewMatrices view{};
    glGetDoublev(GL_MODELVIEW_MATRIX, view.ModelView);
    glGetDoublev(GL_PROJECTION_MATRIX, view.Projection);
    glGetIntegerv(GL_VIEWPORT, view.Viewport);
    return view;
}

// m v, for a column-major 4x4 matrix.
std::array<double, 4> Times(const GLdouble* m, const std::array<double, 4>& v) {
    std::array<double, 4> out{};
    for (std::size_t row = 0; row < 4; ++row) {
        for (std::size_t column = 0; column < 4; ++column) {
            out[row] += m[column * 4 + row] * v[column];
        }
    }
    return out;
}

// A point through the view into the pixels of a window of `width` by `height` (the viewport
// covers it whole, in device pixels); nothing where the view gives no point.
std::optional<WindowPoint> Project(const ViewMatrices& view, Vec3 p, int width, int height) {
    const std::array<double, 4> clip =
        Times(view.Projection, Times(view.ModelView, {p.X, p.Y, p.Z, 1}));
    if (!(clip[3] != 0) || view.Viewport[2] <= 0 || view.Viewport[3] <= 0) {
        return std::nullopt;
    }
    // From -1..1 across the viewport; the window's y grows downwards, GL's upwards.
    const double x = (clip[0] / clip[3] + 1) / 2, y = (clip[1] / clip[3] + 1) / 2;
    return WindowPoint{x * width, (1 - y) * height, (clip[2] / clip[3] + 1) / 2};
}

// The model direction the view shows along its axis `row` (0 across, 2 towards the viewer).
Vec3 ViewAxis(const ViewMatrices& view, int row) {
    const GLdouble* m = view.ModelView;
    return Normalized(Vec3{m[row], m[4 + row], m[8 + row]});
}

// The frame the tube is drawn in: the walk's, moved so that the start of its split row is the
// origin.
WalkFrame DrawingFrame(const BendProgram& shown, const TubeWalk& walk) {
    return walk.Steps[static_cast<std::size_t>(SplitStep(shown))].Start.Inverse();
}

} // namespace

std::uint32_t GetTickCount() {
    return TickSource ? TickSource() : SteadyTickCount();
}

void SetTickCountSource(TickCountSource source) {
    TickSource = source;
}

SimPipeSurface::SimPipeSurface(TFrmSimPipe& viewer) : Viewer(viewer) {
    PrepareSurface(this);
    setCursor(Qt::PointingHandCursor);
}

void SimPipeSurface::exposeEvent(QExposeEvent*) {
    if (isExposed()) {
        Viewer.FormPaint();
    }
}

void SimPipeSurface::resizeEvent(QResizeEvent*) {
    Viewer.RequestFrame();
}

void SimPipeSurface::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    Viewer.FormMouseDown(event->button(), at.x(), at.y());
}

void SimPipeSurface::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    Viewer.FormMouseMove(at.x(), at.y());
}

void SimPipeSurface::mouseReleaseEvent(QMouseEvent* event) {
    Viewer.FormMouseUp(event->button());
}

void SimPipeSurface::keyPressEvent(QKeyEvent* event) {
    // The GL window has the keyboard after a click on the picture; the viewer answers the keys.
    QCoreApplication::sendEvent(&Viewer, event);
}

void SimPipeSurface::wheelEvent(QWheelEvent* event) {
    // The physical direction counts: a system set to invert the wheel hands the deltas over
    // negated and says so.
    const int delta = event->inverted() ? -event->angleDelta().y() : event->angleDelta().y();
    Viewer.FormMouseWheel(delta, event->position().x(), event->position().y());
    event->accept();
}

TFrmSimPipe::TFrmSimPipe(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("FrmSimPipe"));
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setCursor(Qt::PointingHandCursor);
    // Only a click on the picture gives it the keyboard; Tab stays in the grid.
    setFocusPolicy(Qt::ClickFocus);

    // The GL window fills the viewer; the pad floats above it as a native child of its own.
    Surface = new SimPipeSurface(*this);
    SurfaceHolder = QWidget::createWindowContainer(Surface, this);
    SurfaceHolder->setFocusPolicy(Qt::NoFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(SurfaceHolder);

    MovPal = new PadPanel(this);
    MovPal->setObjectName(QStringLiteral("MovPal"));
    MovPal->setAttribute(Qt::WA_NativeWindow);
    MovPal->setAutoFillBackground(true);
    MovPal->resize(PadWidth, PadHeight);
    CreatePad();

    TipTimer = new QTimer(this);
    TipTimer->setSingleShot(true);
    TipTimer->setInterval(style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay));
    connect(TipTimer, &QTimer::timeout, this, [this] {
        QHelpEvent tip(QEvent::ToolTip, TipAt, mapToGlobal(TipAt));
        QCoreApplication::sendEvent(this, &tip);
    });

    TmMovPipe = new QTimer(this);
    TmMovPipe->setTimerType(Qt::PreciseTimer);
    TmMovPipe->setInterval(FrameIntervalMs);
    connect(TmMovPipe, &QTimer::timeout, this, &TFrmSimPipe::TmMovPipeTimer);

    resize(555, 256);
    move(0, 0);
    SizeToggle = false;
    HighlightStep = 0;
}

TFrmSimPipe::~TFrmSimPipe() {
    // A viewer destroyed without being closed still gives back its GL resources.
    if (OpenGLIsOpen()) {
        FormClose();
    }
    if (FrmSimPipe == this) {
        FrmSimPipe = nullptr;
    }
}

void TFrmSimPipe::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        FormShow();
    }
}

void TFrmSimPipe::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

void TFrmSimPipe::CreatePad() {
    constexpr int Column[3] = {2, 46, 90};
    constexpr int Row[5] = {3, 45, 88, 131, 174};
    BtnLeftC = new PadButton(MovPal, "BtnLeftC", 0, Column[0], Row[0]);
    BtnUp = new PadButton(MovPal, "BtnUp", 1, Column[1], Row[0]);
    BtnRightC = new PadButton(MovPal, "BtnRightC", 2, Column[2], Row[0]);
    BtnLeft = new PadButton(MovPal, "BtnLeft", 3, Column[0], Row[1]);
    BitBtnRest = new PadButton(MovPal, "BitBtnRest", 4, Column[1], Row[1]);
    BtnRight = new PadButton(MovPal, "BtnRight", 5, Column[2], Row[1]);
    BtnZooM = new PadButton(MovPal, "BtnZooM", 6, Column[0], Row[2]);
    BtnDown = new PadButton(MovPal, "BtnDown", 7, Column[1], Row[2]);
    BtnZooP = new PadButton(MovPal, "BtnZooP", 8, Column[2], Row[2]);
    BtnMovLeft = new PadButton(MovPal, "BtnMovLeft", 11, Column[0], Row[3]);
    BtnMovUp = new PadButton(MovPal, "BtnMovUp", 10, Column[1], Row[3]);
    BtnMovRight = new PadButton(MovPal, "BtnMovRight", 9, Column[2], Row[3]);
    BitBtn1 = new PadButton(MovPal, "BitBtn1", 14, Column[0], Row[4]);
    BtnMovDown = new PadButton(MovPal, "BtnMovDown", 12, Column[1], Row[4]);
    BtnZoo = new PadButton(MovPal, "BtnZoo", 13, Column[2], Row[4]);

    const std::pair<PadButton*, PadGlyph> glyphs[] = {{BtnLeftC, PadGlyph::TurnLeftC},
                                                      {BtnUp, PadGlyph::TurnUp},
                                                      {BtnRightC, PadGlyph::TurnRightC},
                                                      {BtnLeft, PadGlyph::TurnLeft},
                                                      {BitBtnRest, PadGlyph::Rest},
                                                      {BtnRight, PadGlyph::TurnRight},
                                                      {BtnZooM, PadGlyph::ZoomOut},
                                                      {BtnDown, PadGlyph::TurnDown},
                                                      {BtnZooP, PadGlyph::ZoomIn},
                                                      {BtnMovLeft, PadGlyph::PanLeft},
                                                      {BtnMovUp, PadGlyph::PanUp},
                                                      {BtnMovRight, PadGlyph::PanRight},
                                                      {BitBtn1, PadGlyph::None},
                                                      {BtnMovDown, PadGlyph::PanDown},
                                                      {BtnZoo, PadGlyph::Zoo}};
    for (const auto& [button, glyph] : glyphs) {
        button->setIcon(PadGlyphIcon(glyph));
    }
    const std::pair<PadButton*, const char*> tips[] = {
        {BtnLeftC, QT_TR_NOOP("Roll anticlockwise (hold)")},
        {BtnUp, QT_TR_NOOP("Turn up (hold)")},
        {BtnRightC, QT_TR_NOOP("Roll clockwise (hold)")},
        {BtnLeft, QT_TR_NOOP("Turn left (hold)")},
        {BitBtnRest, QT_TR_NOOP("Home view: the first look at the whole part")},
        {BtnRight, QT_TR_NOOP("Turn right (hold)")},
        {BtnZooM, QT_TR_NOOP("Zoom out (hold)")},
        {BtnDown, QT_TR_NOOP("Turn down (hold)")},
        {BtnZooP, QT_TR_NOOP("Zoom in (hold)")},
        {BtnMovLeft, QT_TR_NOOP("Move left (hold)")},
        {BtnMovUp, QT_TR_NOOP("Move up (hold)")},
        {BtnMovRight, QT_TR_NOOP("Move right (hold)")},
        {BitBtn1, QT_TR_NOOP("Does nothing")},
        {BtnMovDown, QT_TR_NOOP("Move down (hold)")},
        {BtnZoo, QT_TR_NOOP("Does nothing")}};
    for (const auto& [button, tip] : tips) {
        button->setToolTip(tr(tip));
    }

    for (PadButton* motion : {BtnLeftC, BtnUp, BtnRightC, BtnLeft, BtnRight, BtnZooM, BtnDown,
                              BtnZooP, BtnMovLeft, BtnMovUp, BtnMovRight, BtnMovDown}) {
        connect(motion, &PadButton::MouseDown, this, &TFrmSimPipe::BtnUpMouseDown);
        connect(motion, &PadButton::MouseUp, this, &TFrmSimPipe::BtnUpMouseUp);
    }
    connect(BitBtnRest, &QPushButton::clicked, this, &TFrmSimPipe::BitBtnRestClick);
}

void TFrmSimPipe::PlacePad(int margin) {
    MovPal->move(width() - MovPal->width() - margin, height() - MovPal->height() - margin);
    MovPal->raise();
}

void TFrmSimPipe::BuildModel() {
    BuildTubeModel(*this, ListBase, HighlightStep, Mirrored);
    if (CentreLineList != 0) {
        CompileCentreLine(*this, CentreLineList, HighlightStep, Mirrored);
    }
}

BendProgram TFrmSimPipe::ShownProgram() const {
    BendProgram shown = ViewProgram;
    if (Mirrored) {
        MirrorBendProgram(shown);
    }
    return shown;
}

void TFrmSimPipe::ResetToHomeOrientation() {
    ReSizeWindows_wh(ViewScale, width(), height());
    ApplyViewOp(ViewReset, 1.0);
    TurnToHomeView();
}

void TFrmSimPipe::FormShow() {
    // The main window hands over its panel before showing the viewer; shown any other way there
    // is nothing to size it to and no picture to make.
    if (!HostPanel) {
        return;
    }
    resize(HostPanel->width() - 2, HostPanel->height() - 2);
    MovPal->setVisible(PadVisible);
    PlacePad(1);
    RebuildPending = false;
    // The GL window must exist as a native child before a context can be made on it.
    SurfaceHolder->winId();
    ViewDC = Surface;
    OpenGLInit(ViewDC);
    // The centre line a thin tube is drawn on: the viewer's own list, beside the builder's two.
    CentreLineList = OpenGLIsOpen() ? ReserveLists(1) : 0;
    ViewScale = static_cast<float>(ViewProgram.TotalLength * 0.5);
    BuildModel();
    ResetToHomeOrientation();
    // The frame loop runs from here; its first tick comes at once.
    FrameLoopOpen = true;
    RequestFrame();
}

void TFrmSimPipe::FormClose() {
    FrameLoopOpen = false;
    TmMovPipe->stop();
    if (!OpenGLIsOpen()) {
        return;
    }
    if (Quadric) {
        gluDeleteQuadric(Quadric);
        Quadric = nullptr;
    }
    glDeleteLists(ListBase + 1, 2);
    if (CentreLineList != 0) {
        glDeleteLists(CentreLineList, 1);
        CentreLineList = 0;
    }
    OpenGLClose();
}

void TFrmSimPipe::FormPaint() {
    // A paint may come before the context exists; there is nothing to clear then.
    if (!OpenGLIsOpen()) {
        return;
    }
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFlush();
    // What the window showed is gone or stale; only a frame brings the tube back.
    RequestFrame();
}

void TFrmSimPipe::HomeView() {
    ViewScale = static_cast<float>(ViewProgram.TotalLength * 0.5);
    ResetToHomeOrientation();
}

void TFrmSimPipe::FitPart() {
    if (!FrameLoopOpen) {
        return;
    }
    const ViewFit fit = FitView(ShownProgram(), width(), height());
    if (!fit.Valid) {
        return;
    }
    ViewScale = fit.Scale;
    ApplyViewFit(fit, width(), height());
    RequestFrame();
}

void TFrmSimPipe::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F && event->modifiers() == Qt::NoModifier) {
        FitPart();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TFrmSimPipe::RebuildModel(bool homeView) {
    BuildModel();
    if (homeView) {
        HomeView();
    }
    RequestFrame();
}

void TFrmSimPipe::DropModel() {
    if (OpenGLIsOpen()) {
        glDeleteLists(ListBase + 1, 2);
        if (CentreLineList != 0) {
            // Kept reserved, emptied: the next build fills it again.
            glNewList(CentreLineList, GL_COMPILE);
            glEndList();
        }
    }
}

void TFrmSimPipe::SetSizeToggle(bool on) {
    SizeToggle = on;
    // The switch waits for ticks to pass its settling time; the loop keeps running until then.
    WakeFrameLoop();
}

// Whether it switched the size.
bool TFrmSimPipe::SizeToggleStep() {
    if (SizeToggle == SizeToggleApplied) {
        return false;
    }
    if (SizeToggleStage == 0) {
        SizeToggleStart = GetTickCount();
        SizeToggleStage = 1;
        return false;
    }
    // Unsigned difference: a wrap of the millisecond clock between the two ticks still counts.
    const std::uint32_t elapsed = GetTickCount() - SizeToggleStart;
    if (elapsed <= SizeToggleSettleMs) {
        return false;
    }
    const int panelWidth = SizeToggle ? ToggledWidth : NormalWidth;
    const int panelHeight = SizeToggle ? ToggledHeight : NormalHeight;
    HostPanel->resize(panelWidth, panelHeight);
    resize(HostPanel->width() - 2, HostPanel->height() - 2);
    PlacePad(SizeToggle ? 2 : 1);
    ResetToHomeOrientation();
    SizeToggleApplied = SizeToggle;
    SizeToggleStage = 0;
    return true;
}

void TFrmSimPipe::Zoom(double factor) {
    Rescale(ZoomedScale(ViewScale, factor));
}

void TFrmSimPipe::Rescale(float scale) {
    // The projection is reset by ReSizeWindows_wh together with the model-view matrix; the
    // push and pop keep the accumulated view across it.
    glPushMatrix();
    ViewScale = scale;
    ReSizeWindows_wh(ViewScale, width(), height());
    glPopMatrix();
}

void TFrmSimPipe::ApplyHeldMotions() {
    const MotionFlagSet& held = MotionFlags;
    if (held.HeldLeft) {
        ApplyViewOp(ViewTurnY, -TurnStep);
    }
    if (held.HeldRight) {
        ApplyViewOp(ViewTurnY, +TurnStep);
    }
    if (held.HeldLeftC) {
        ApplyViewOp(ViewTurnZ, +TurnStep);
    }
    if (held.HeldRightC) {
        ApplyViewOp(ViewTurnZ, -TurnStep);
    }
    if (held.HeldUp) {
        ApplyViewOp(ViewTurnX, -TurnStep);
    }
    if (held.HeldDown) {
        ApplyViewOp(ViewTurnX, +TurnStep);
    }
    if (held.HeldZooP) {
        Zoom(-ZoomStep);
    }
    if (held.HeldZooM) {
        Zoom(+ZoomStep);
    }
    // Taken after the zoom rows: a pan held with a zoom moves by this tick's new scale.
    const double d = ViewScale * PanStep;
    if (held.HeldMovLeft) {
        ApplyViewOp(ViewMoveX, -d);
    }
    if (held.HeldMovRight) {
        ApplyViewOp(ViewMoveX, +d);
    }
    if (held.HeldMovUp) {
        ApplyViewOp(ViewMoveY, +d);
    }
    if (held.HeldMovDown) {
        ApplyViewOp(ViewMoveY, -d);
    }
}

void TFrmSimPipe::TmMovPipeTimer() {
    InTick = true;
    if (SizeToggleStep()) {
        FrameNeeded = true;
    }
    if (RebuildPending) {
        BuildModel();
        RebuildPending = false;
        FrameNeeded = true;
    }
    ApplyHeldMotions();
    // A held motion has just moved the view; otherwise only a marked change can show anything
    // new, and redrawing a still picture would keep a core busy for nothing.
    if (AnyMotionHeld(MotionFlags) || FrameNeeded) {
        FrameNeeded = false;
        PresentFrame();
    }
    InTick = false;
    if (!FrameLoopBusy()) {
        TmMovPipe->stop();
    }
}

void TFrmSimPipe::PresentFrame() {
    // A surface that is not exposed has nowhere to show the frame; its expose asks for one.
    if (!Surface->isExposed()) {
        return;
    }
    RenderFrame();
    SwapBuffers(ViewDC);
    ++FramesDrawn;
}

bool TFrmSimPipe::FrameLoopBusy() const {
    return AnyMotionHeld(MotionFlags) || SizeToggle != SizeToggleApplied || FrameNeeded;
}

void TFrmSimPipe::RequestFrame() {
    FrameNeeded = true;
    WakeFrameLoop();
}

void TFrmSimPipe::WakeFrameLoop() {
    // Inside a tick the tick decides for itself whether to go on; before the show sequence and
    // after the close sequence there is no loop to wake.
    if (!FrameLoopOpen || InTick || TmMovPipe->isActive()) {
        return;
    }
    // The first tick at once, then every 10 ms: nothing starts later than on a running loop.
    TmMovPipe->start();
    TmMovPipeTimer();
}

void TFrmSimPipe::DrawTube() {
    ::DrawTube(ListBase);
}

void TFrmSimPipe::RenderFrame() {
    if (StepList != 0) { // the bend sequence's step view
        RenderStepFrame(StepList);
        return;
    }
    ::RenderFrame(ListBase, CentreLineList, ViewProgram.TubeDiameter);
    DrawMeasuredLine(MeasuredLine);
}

void TFrmSimPipe::FormMouseDown(Qt::MouseButton button, int x, int y) {
    // A click on the picture gives the viewer the keyboard, for its keys (F frames the part).
    setFocus(Qt::MouseFocusReason);
    TipTimer->stop();
    if (button == Qt::LeftButton) {
        // The last position stays that of the previous drag: the first move compares with it.
        RotateDrag = true;
    } else if (button == Qt::RightButton) {
        PanLastX = x;
        PanLastY = y;
        PanDrag = true;
    }
}

void TFrmSimPipe::FormMouseMove(int x, int y) {
    bool moved = false;
    if (RotateDrag) {
        // Only the sign of the motion counts: 2 degrees per axis and per event.
        if (RotateLastX > x) {
            ApplyViewOp(ViewTurnY, -2.0);
        }
        if (RotateLastX < x) {
            ApplyViewOp(ViewTurnY, +2.0);
        }
        if (RotateLastY > y) {
            ApplyViewOp(ViewTurnX, -2.0);
        }
        if (RotateLastY < y) {
            ApplyViewOp(ViewTurnX, +2.0);
        }
        moved = RotateLastX != x || RotateLastY != y;
        RotateLastX = x;
        RotateLastY = y;
    }
    if (PanDrag) {
        // One model unit per pixel; screen y grows downwards, the view's y upwards.
        ApplyViewOp(ViewMoveX, static_cast<double>(std::int64_t{x} - PanLastX));
        ApplyViewOp(ViewMoveY, static_cast<double>(std::int64_t{PanLastY} - y));
        PanLastX = x;
        PanLastY = y;
        moved = true;
    }
    if (moved) {
        RequestFrame();
    }
    // A tip answers where the pointer rests, not where it passes, and a drag shows none.
    QToolTip::hideText();
    TipAt = QPoint(x, y);
    if (RotateDrag || PanDrag) {
        TipTimer->stop();
    } else {
        TipTimer->start();
    }
}

void TFrmSimPipe::FormMouseUp(Qt::MouseButton) {
    RotateDrag = false;
    PanDrag = false;
}

void TFrmSimPipe::FormMouseWheel(int angleDelta, double x, double y) {
    // Fine-grained wheels and touchpads send a part of a tick at a time: the parts add up, and
    // what is short of a whole tick waits for the next event.
    const std::int64_t units = std::int64_t{WheelRemainder} + angleDelta;
    const std::int64_t ticks = units / WheelUnitsPerTick;
    WheelRemainder = static_cast<int>(units % WheelUnitsPerTick);
    // An empty tube has nothing to zoom, and a scale that is not a number cannot be zoomed.
    if (ticks == 0 || !FrameLoopOpen || ViewScale == 0.0f || !std::isfinite(ViewScale)) {
        return;
    }
    // Away from the operator zooms in, as BtnZooP does; each tick is that row's step. A scale
    // the step no longer changes, or would overflow, ends the steps: a huge delta cannot spin.
    const double factor = ticks > 0 ? -ZoomStep : +ZoomStep;
    float scale = ViewScale;
    for (std::int64_t i = 0; i < std::abs(ticks); ++i) {
        const float next = ZoomedScale(scale, factor);
        if (next == scale || !std::isfinite(next)) {
            break;
        }
        scale = next;
    }
    double halfWidth = 0, halfHeight = 0;
    VisibleHalfSize(halfWidth, halfHeight);
    Rescale(scale);
    PanByRescale(x, y, halfWidth, halfHeight);
    RequestFrame();
}

// After the projection changed from the given half sizes to the present ones, moves the view
// so that the model point under (x, y) is under it again. The projection is orthographic about
// the middle of the window, so that point lies at the same fraction of the half sizes from the
// middle before and after; the move makes up the difference, in view units.
void TFrmSimPipe::PanByRescale(double x, double y, double halfWidth, double halfHeight) {
    if (width() <= 0 || height() <= 0) {
        return;
    }
    double newHalfWidth = 0, newHalfHeight = 0;
    VisibleHalfSize(newHalfWidth, newHalfHeight);
    // Fractions of the half sizes, the view's y growing upwards and the window's downwards.
    const double fx = 2.0 * x / width() - 1.0;
    const double fy = 1.0 - 2.0 * y / height();
    const double moveX = fx * (newHalfWidth - halfWidth);
    const double moveY = fy * (newHalfHeight - halfHeight);
    if (!std::isfinite(moveX) || !std::isfinite(moveY)) {
        return;
    }
    ApplyViewOp(ViewMoveX, moveX);
    ApplyViewOp(ViewMoveY, moveY);
}

void TFrmSimPipe::BtnUpMouseDown(QObject* sender) {
    SetHeldFlag(MotionFlags, sender, true);
    RequestFrame();
}

void TFrmSimPipe::BtnUpMouseUp(QObject* sender) {
    SetHeldFlag(MotionFlags, sender, false);
    RequestFrame();
}

void TFrmSimPipe::BitBtnRestClick() {
    HomeView();
    RequestFrame();
}

void TFrmSimPipe::HostResized() {
    if (!HostPanel || !FrameLoopOpen) {
        return;
    }
    resize(HostPanel->width() - 2, HostPanel->height() - 2);
    PlacePad(SizeToggleApplied ? 2 : 1);
    // The projection for the new size, the model-view matrix kept.
    Rescale(ViewScale);
    RequestFrame();
}

void TFrmSimPipe::MarkPieces(const std::vector<bool>& straights, const std::vector<bool>& bends) {
    const auto bits = [](const std::vector<bool>& pieces) {
        std::bitset<MaxBendSteps> marked;
        for (std::size_t i = 0; i < pieces.size() && i < MaxBendSteps; ++i) {
            marked[i] = pieces[i];
        }
        return marked;
    };
    if (bits(straights) != FaultyStraights || bits(bends) != FaultyBends) {
        FaultyStraights = bits(straights);
        FaultyBends = bits(bends);
        RebuildModel(false);
    }
}

void TFrmSimPipe::ShowMeasured(const std::vector<tubrix::Vec3>& line,
                               const std::vector<bool>& straights, const std::vector<bool>& bends) {
    MeasuredLine.clear();
    const BendProgram shown = ShownProgram();
    if (line.size() >= 2 && shown.StepCount >= 2) {
        const tubrix::TubeWalk walk = tubrix::WalkTube(shown);
        const tubrix::WalkFrame back = DrawingFrame(shown, walk);
        for (const tubrix::Vec3 p : line) {
            MeasuredLine.push_back(back.Point(p));
        }
    }
    const auto bits = [](const std::vector<bool>& pieces) {
        std::bitset<MaxBendSteps> marked;
        for (std::size_t i = 0; i < pieces.size() && i < MaxBendSteps; ++i) {
            marked[i] = pieces[i];
        }
        return marked;
    };
    if (bits(straights) != OutsideStraights || bits(bends) != OutsideBends) {
        OutsideStraights = bits(straights);
        OutsideBends = bits(bends);
        RebuildModel(false);
    }
    RequestFrame();
}

std::optional<WindowPoint> TFrmSimPipe::ProjectToWindow(tubrix::Vec3 p) const {
    if (!OpenGLIsOpen()) {
        return std::nullopt;
    }
    return Project(CurrentMatrices(), p, width(), height());
}

std::optional<tubrix::Piece> TFrmSimPipe::PieceUnder(int x, int y) const {
    const BendProgram shown = ShownProgram();
    if (StepList != 0 || !OpenGLIsOpen() || shown.StepCount < 2) {
        return std::nullopt;
    }
    const TubeWalk walk = WalkTube(shown);
    const std::vector<Piece> pieces = CentrelinePieces(walk);
    const WalkFrame back = DrawingFrame(shown, walk);
    std::vector<Piece> drawn;
    drawn.reserve(pieces.size());
    for (const Piece& piece : pieces) {
        drawn.push_back(Placed(piece, back));
    }
    const ViewMatrices view = CurrentMatrices();
    const auto project = [&](Vec3 p) {
        constexpr double Nowhere = std::numeric_limits<double>::quiet_NaN();
        return Project(view, p, width(), height()).value_or(WindowPoint{Nowhere, Nowhere, Nowhere});
    };
    // The tube's radius as the view shows it, across the screen and along the view.
    const double radius = shown.TubeDiameter / 2;
    const WindowPoint centre = project({0, 0, 0});
    const WindowPoint across = project(ViewAxis(view, 0) * radius);
    const WindowPoint towards = project(ViewAxis(view, 2) * radius);
    const TubeReach reach{std::hypot(across.X - centre.X, across.Y - centre.Y),
                          std::fabs(centre.Depth - towards.Depth), TipSlackPixels};
    const std::optional<std::size_t> under = PieceUnderPointer(drawn, project, x, y, reach);
    if (!under) {
        return std::nullopt;
    }
    return pieces[*under];
}
