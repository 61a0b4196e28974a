#pragma once

#include "simpipestate.h"
#include "tubewalk.h"

#include <functional>
#include <vector>

// The tube model builder: compiles the viewer's bend program into the display lists
// ListBase + 1 (ForwardList, from the cut to the tube's end) and ListBase + 2 (BackwardList,
// from the cut back to its start, drawn turned 180 degrees about y). Needs the viewer's GL
// context current. Keeps one quadric in the viewer's Quadric, reused across builds.
void BuildTubeModel(TFrmSimPipeState& viewer, GLuint listBase, std::int32_t highlightStep,
                    bool mirror);

// The first step of ForwardList: the first step boundary at which the developed length counted
// from the start passes half of TotalLength. Meaningful for StepCount >= 2.
std::int32_t SplitStep(const BendProgram& program);

// The forward list's pieces row by row, for drawing the first rows of a tube from its start, as
// the bend sequence draws the part formed so far at every state: list rowBase + 2j moves along
// row j's straight, drawing it, and rowBase + 2j + 1 is row j's bend block; each leaves the
// matrix where the next piece starts. rowBase + 2 * StepCount holds the end markers. Pieces and
// colours are the builder's, row highlightStep highlighted. The same pieces' centre lines, which
// move the matrix alike, from RowCentreLines(rowBase, StepCount) on. Uses 4 * StepCount + 1
// list names.
void CompileRowPieces(TFrmSimPipeState& viewer, GLuint rowBase, std::int32_t highlightStep);
GLuint RowCentreLines(GLuint rowBase, std::int32_t stepCount);

// Draws what `draw` issues as a thin tube's centre line: unlit, a pixel wide, brought towards the
// eye to the near side of a tube of `tubeRadius`, so the tube's own surfaces do not hide it and
// whatever is in front of the tube still does. Call it after the tube.
void DrawThinCentreLine(double tubeRadius, const std::function<void()>& draw);

// The tube as every frame draws it: ForwardList, then BackwardList turned 180 degrees about y,
// each between a push and a pop, so the matrix is the same afterwards. The viewer and the
// offscreen picture both draw with it.
void DrawTube(GLuint listBase);

// The tube drawn straight from the viewer's record with the builder's commands, as DrawTube
// draws the lists BuildTubeModel compiles from it, compiling nothing: for a picture drawn once,
// where compiling the lists first would only add their cost. Uses the viewer's Quadric. A tube
// thin on screen has its centre line drawn over it, as RenderFrame draws it.
void DrawTubeOnce(TFrmSimPipeState& viewer, std::int32_t highlightStep, bool mirror);

// One frame's drawing: clear colour and depth, DrawTube, flush.
void RenderFrame(GLuint listBase);

// Below this many pixels across, a tube's surfaces alone can break into specks on screen: its
// centre line is drawn under it, one unbroken line a pixel wide.
inline constexpr double ThinTubePixels = 3.0;
// Whether a tube of `diameter` is drawn thinner than ThinTubePixels with the current projection
// and viewport (orthographic, so every piece alike). Not a number counts as thin.
bool TubeThinOnScreen(double diameter);

// The centre line of what BuildTubeModel compiles, both halves framed as DrawTube frames them,
// drawn as DrawThinCentreLine draws, into `list` (the caller's, from ReserveLists): the line a
// thin tube is drawn on. An empty list where the builder draws nothing.
void CompileCentreLine(TFrmSimPipeState& viewer, GLuint list, std::int32_t highlightStep,
                       bool mirror);

// RenderFrame, with the centre line's list called after the tube while the tube is thin on
// screen (a list of 0: none).
void RenderFrame(GLuint listBase, GLuint centreLineList, double diameter);

// A measured part's centre line over the tube, points in the tube's drawing frame: unlit, two
// pixels wide, in green, and over the tube whatever lies in front, since a part inside its
// tolerance runs within the tube's own surface.
void DrawMeasuredLine(const std::vector<tubrix::Vec3>& line);
