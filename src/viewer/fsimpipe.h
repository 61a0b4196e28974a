#pragma once

#include "centreline.h"
#include "piecepick.h"
#include "simpipestate.h"
#include "tubewalk.h"

#include <QWidget>
#include <QWindow>

#include <cstdint>
#include <optional>
#include <vector>

class PadButton;
class PadPanel;
class QTimer;
class TFrmSimPipe;

// The viewer's native GL window. It only forwards what happens on it to the viewer's handlers:
// mouse presses, moves, releases and the wheel, and requests to repaint.
class SimPipeSurface : public QWindow {
public:
    explicit SimPipeSurface(TFrmSimPipe& viewer);

protected:
    void exposeEvent(QExposeEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    TFrmSimPipe& Viewer;
};

// The viewer: a frameless child of the main window's panel that shows the bent tube. Its 10 ms
// frame loop applies the motions the operator holds and draws only when the picture can have
// changed; with nothing held and nothing to draw it pauses, and whatever can change the picture
// wakes it.
class TFrmSimPipe : public QWidget, public TFrmSimPipeState {
    Q_OBJECT

public:
    explicit TFrmSimPipe(QWidget* parent = nullptr);
    ~TFrmSimPipe() override;

    // Controls.
    PadPanel* MovPal = nullptr;
    PadButton* BtnLeftC = nullptr;
    PadButton* BtnUp = nullptr;
    PadButton* BtnRightC = nullptr;
    PadButton* BtnLeft = nullptr;
    PadButton* BitBtnRest = nullptr;
    PadButton* BtnRight = nullptr;
    PadButton* BtnZooM = nullptr;
    PadButton* BtnDown = nullptr;
    PadButton* BtnZooP = nullptr;
    PadButton* BtnMovLeft = nullptr;
    PadButton* BtnMovUp = nullptr;
    PadButton* BtnMovRight = nullptr;
    PadButton* BitBtn1 = nullptr;
    PadButton* BtnMovDown = nullptr;
    PadButton* BtnZoo = nullptr;
    QTimer* TmMovPipe = nullptr;
    SimPipeSurface* Surface = nullptr;
    QWidget* SurfaceHolder = nullptr;

    // Frames drawn (rendered and presented) since construction; lets tests and benchmarks see
    // when the loop draws and when it rests.
    std::uint64_t FramesDrawn = 0;

    // Not 0 while the bend sequence's step view is on: the display list each frame draws in
    // place of the tube.
    GLuint StepList = 0;
    // The other hand of the part: the builder draws every plane turn negated while ViewProgram
    // keeps the operator's values. Whatever reads the part as shown (checks, bend sequence,
    // setup sheet) takes ShownProgram().
    bool Mirrored = false;
    BendProgram ShownProgram() const;

    // Event handlers.
    void FormShow();
    void FormClose();
    void FormPaint();
    void TmMovPipeTimer();
    void FormMouseDown(Qt::MouseButton button, int x, int y);
    void FormMouseMove(int x, int y);
    void FormMouseUp(Qt::MouseButton button);
    // angleDelta in eighths of a degree, positive for the wheel turned away from the operator;
    // x and y the pointer in viewer pixels.
    void FormMouseWheel(int angleDelta, double x, double y);
    void BtnUpMouseDown(QObject* sender);
    void BtnUpMouseUp(QObject* sender);
    void BitBtnRestClick();

    // Internal operations.
    void RebuildModel(bool homeView);
    // Gives back the tube's lists, so nothing is drawn: the builder makes nothing of a program
    // of one row and would leave the last tube on screen.
    void DropModel();
    void HomeView();
    // Frames the whole part at the present orientation (the F key).
    void FitPart();
    void DrawTube();
    void RenderFrame();

    // The picture may differ from the last one shown: the next tick draws, and a paused frame
    // loop wakes to run it at once.
    void RequestFrame();
    // The host changes SizeToggle here, so that a paused frame loop wakes to carry out the
    // switch.
    void SetSizeToggle(bool on);
    // The host panel changed size: the viewer fills it again, and the view keeps its turn, pan
    // and zoom.
    void HostResized();
    // Draws the straights and bends of these rows (from 0) in amber; the tube is built again
    // only when the marks change.
    void MarkPieces(const std::vector<bool>& straights, const std::vector<bool>& bends);
    // A measured part laid over the tube: its aligned centre line (points in the walk's
    // coordinates of the part shown) drawn as a thin line over the tube, and the straights and
    // bends of these rows where it strays past its tolerance in violet. Empty lists drop it.
    void ShowMeasured(const std::vector<tubrix::Vec3>& line, const std::vector<bool>& straights,
                      const std::vector<bool>& bends);
    // The measured line as drawn, in the tube's drawing frame; empty: none.
    std::vector<tubrix::Vec3> MeasuredLine;

    // Where a point of the tube's drawing frame (as MeasuredLine's) shows with the view as it
    // stands: viewer pixels from the top left and the depth (0 nearest); none without a context.
    std::optional<WindowPoint> ProjectToWindow(tubrix::Vec3 p) const;
    // The centre line's piece (CentrelinePieces of the part shown, in the walk's coordinates)
    // the operator points at with the viewer pixel (x, y), by PieceUnderPointer with the view
    // as it stands; none over the background, in the step view and without a context.
    std::optional<tubrix::Piece> PieceUnder(int x, int y) const;
    // Resting the pointer on the picture for this long sends the viewer a tooltip event, as
    // resting on a widget does: the GL window's own mouse events never start Qt's.
    QTimer* TipTimer = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CreatePad();
    void BuildModel();
    void ResetToHomeOrientation();
    bool SizeToggleStep();
    void ApplyHeldMotions();
    void Zoom(double factor);
    void Rescale(float scale);
    void PanByRescale(double x, double y, double halfWidth, double halfHeight);
    void PlacePad(int margin);
    void PresentFrame();
    void WakeFrameLoop();
    bool FrameLoopBusy() const;

    // The tube's centre line, drawn under it while it is thinner than a few pixels on screen;
    // reserved with ReserveLists when the context is made, 0 without one.
    GLuint CentreLineList = 0;
    bool FrameLoopOpen = false; // from the show sequence to the close sequence
    bool InTick = false;
    bool FrameNeeded = false;
    int WheelRemainder = 0; // wheel units short of a whole zoom tick, with their sign
    QPoint TipAt;           // where the pointer last moved on the picture, for TipTimer
};

// The viewer instance the main window addresses; null until the application creates it.
extern TFrmSimPipe* FrmSimPipe;

// The size-toggle debounce, one set for the process.
extern bool SizeToggleApplied;
extern std::int32_t SizeToggleStage;
extern std::uint32_t SizeToggleStart;

// Milliseconds from a steady clock, wrapping at 2^32 like the system tick count.
std::uint32_t GetTickCount();
using TickCountSource = std::uint32_t (*)();
// Replaces the clock behind GetTickCount (null restores the steady clock); tests wrap it.
void SetTickCountSource(TickCountSource source);
