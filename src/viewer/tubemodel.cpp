#include "tubemodel.h"

#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <numbers>

using namespace tubrix;

namespace {

constexpr GLbyte StraightColour[3] = {70, 70, 70};
constexpr GLbyte StraightHighlightColour[3] = {20, 20, 120};
constexpr std::uint8_t BendColour[3] = {70, 70, 70};
constexpr std::uint8_t BendHighlightColour[3] = {120, 20, 20};
constexpr GLbyte MarkerColour[3] = {10, 10, 10};
// A piece a machine check finds fault with: amber, apart from the greys and the highlight's
// blue and red, and it wins over the highlight.
constexpr GLbyte FaultColour[3] = {127, 90, 0};
constexpr std::uint8_t FaultBendColour[3] = {127, 90, 0};
// A piece where a measured part strays past its tolerance: violet, a colour nothing else takes.
constexpr GLbyte OutsideColour[3] = {90, 0, 110};
constexpr std::uint8_t OutsideBendColour[3] = {90, 0, 110};

// How a piece is drawn.
enum class PieceLook { Plain, Highlight, Fault, Outside };

// A fault the machine cannot bend wins over a measured part's deviation, which wins over the
// highlight.
PieceLook Look(const std::bitset<MaxBendSteps>& faulty, const std::bitset<MaxBendSteps>& outside,
               std::int32_t row, std::int32_t highlightStep) {
    if (row >= 0 && row < MaxBendSteps && faulty[static_cast<std::size_t>(row)]) {
        return PieceLook::Fault;
    }
    if (row >= 0 && row < MaxBendSteps && outside[static_cast<std::size_t>(row)]) {
        return PieceLook::Outside;
    }
    return row == highlightStep ? PieceLook::Highlight : PieceLook::Plain;
}

constexpr double Pi = std::numbers::pi;
constexpr double DegToRad = Pi / 180.0;
// A little past the near side, so the line is not left to the depth test's rounding there.
constexpr double NearSideShare = 1.05;
constexpr int Slices = 24;
constexpr int Stacks = 24;
constexpr int CentreMarkerSlices = 16;
constexpr int BendSides = 24;
constexpr int BendRings = 1;

// A record can claim more rows than it has; the builder never reads past the table.
std::int32_t RowsInUse(const BendProgram& program) {
    return std::min(program.StepCount, MaxBendSteps);
}

long double StepLength(const BendStep& step) {
    if (step.ArcMode != 0) {
        return step.Y + step.ArcLength;
    }
    return ArcTerm(step) + step.Y;
}

void MarkerCone(GLUquadric* quadric, double base, double height, int slices) {
    gluCylinder(quadric, base, 0.0, height, slices, Stacks);
}

// How the pieces are issued: as the tube's surfaces, or as its centre line alone (the line a
// tube thinner than a pixel or two is drawn on, so that it never breaks into specks).
enum class Outline { Surface, CentreLine };

// The piece of tube laid along the local -z axis, in the step's colour.
void StraightPiece(GLUquadric* quadric, const BendStep& step, float tubeRadius, PieceLook look,
                   Outline outline = Outline::Surface) {
    glColor3bv(look == PieceLook::Fault       ? FaultColour
               : look == PieceLook::Outside   ? OutsideColour
               : look == PieceLook::Highlight ? StraightHighlightColour
                                              : StraightColour);
    if (outline == Outline::CentreLine) {
        // gluCylinder's axis: from the origin along +z, as long as the straight.
        glBegin(GL_LINES);
        glVertex3d(0, 0, 0);
        glVertex3d(0, 0, step.Y);
        glEnd();
        return;
    }
    gluCylinder(quadric, tubeRadius, tubeRadius, step.Y, Slices, Stacks);
}

// The centre line of fdoughnut's torus: (R cos t, -R sin t, 0), t from 0 to the sweep, in as
// many segments as the surface has rings along it.
void BendCentreLine(float bendRadius, float sweepDegrees, const std::uint8_t* colour) {
    glColor3b(static_cast<GLbyte>(colour[0]), static_cast<GLbyte>(colour[1]),
              static_cast<GLbyte>(colour[2]));
    if (!(sweepDegrees > 0.0f) || !std::isfinite(bendRadius)) {
        return;
    }
    const double sweep = std::min(static_cast<double>(sweepDegrees), 360.0) * DegToRad;
    const int along = std::max(1, static_cast<int>(std::ceil(sweep / (0.5 * Pi) * BendSides)));
    glBegin(GL_LINE_STRIP);
    for (int i = 0; i <= along; ++i) {
        const double t = sweep * i / along;
        glVertex3d(bendRadius * std::cos(t), -bendRadius * std::sin(t), 0);
    }
    glEnd();
}

// Turns the frame by B about the heading (plus the half turn that the next piece expects) and
// moves it to the end of the straight piece.
void AdvanceAlongStraight(const BendStep& step, bool mirror) {
    const double roll = mirror ? -step.B + 180 : 180 + step.B;
    glRotatef(static_cast<float>(roll), 0, 0, 1);
    glTranslatef(0, 0, static_cast<float>(-step.Y));
}

void BendBlock(const BendStep& step, float tubeRadius, PieceLook look,
               Outline outline = Outline::Surface) {
    const BendPlacement bend = PlaceBend(step);
    if (bend.Placed) {
        glTranslatef(static_cast<float>(bend.Radius), 0, 0);
    }
    glRotatef(90, 1, 0, 0);
    glRotatef(180, 0, 1, 0);
    if (bend.Drawn) {
        const std::uint8_t* colour = look == PieceLook::Fault       ? FaultBendColour
                                     : look == PieceLook::Outside   ? OutsideBendColour
                                     : look == PieceLook::Highlight ? BendHighlightColour
                                                                    : BendColour;
        if (outline == Outline::CentreLine) {
            BendCentreLine(static_cast<float>(bend.Radius), static_cast<float>(bend.Degrees),
                           colour);
        } else {
            fdoughnut(tubeRadius, static_cast<float>(bend.Radius), BendSides, BendRings,
                      static_cast<float>(bend.Degrees), colour[0], colour[1], colour[2]);
        }
    }
    glRotatef(-90, 1, 0, 0);
    glRotatef(-180, 0, 1, 0);
    if (bend.Placed) {
        glRotatef(static_cast<float>(bend.Degrees), 0, 1, 0);
        glTranslatef(static_cast<float>(-bend.Radius), 0, 0);
    }
    glRotatef(180, 0, 1, 0);
}

void EndMarkers(GLUquadric* quadric, float tubeRadius) {
    glColor3bv(StraightColour);
    glRotatef(180, 0, 1, 0);
    MarkerCone(quadric, tubeRadius, 0.1, Slices);
    glColor3b(MarkerColour[0], MarkerColour[1], MarkerColour[2]);
    MarkerCone(quadric, 0.8 * tubeRadius, 1.0, Slices);
}

// ForwardList's commands, issued as they stand: compiled between glNewList and glEndList, or
// drawn at once.
void IssueForward(const TFrmSimPipeState& viewer, std::int32_t split, std::int32_t highlightStep,
                  bool mirror, float tubeRadius, Outline outline = Outline::Surface) {
    const BendProgram& program = viewer.ViewProgram;
    const std::int32_t rows = RowsInUse(program);
    GLUquadric* quadric = viewer.Quadric;
    glTranslatef(0, 0, 0);
    const bool surface = outline == Outline::Surface;
    if (surface) {
        // The cut: markers pointing from the origin into the backward half.
        glColor3b(MarkerColour[0], MarkerColour[1], MarkerColour[2]);
        MarkerCone(quadric, 0.8 * tubeRadius, 0.2, CentreMarkerSlices);
        glColor3bv(StraightColour);
        MarkerCone(quadric, tubeRadius, 0.1, CentreMarkerSlices);
    }
    for (std::int32_t j = split; j < rows; ++j) {
        const BendStep& step = program.Steps[j];
        glRotatef(180, 1, 0, 0);
        StraightPiece(quadric, step, tubeRadius,
                      Look(viewer.FaultyStraights, viewer.OutsideStraights, j, highlightStep),
                      outline);
        glRotatef(-180, 1, 0, 0);
        AdvanceAlongStraight(step, mirror);
        if (j < rows - 1) {
            BendBlock(step, tubeRadius,
                      Look(viewer.FaultyBends, viewer.OutsideBends, j, highlightStep), outline);
        }
    }
    if (surface) {
        EndMarkers(quadric, tubeRadius);
    }
}

// BackwardList's commands, likewise.
void IssueBackward(const TFrmSimPipeState& viewer, std::int32_t split, std::int32_t highlightStep,
                   bool mirror, float tubeRadius, Outline outline = Outline::Surface) {
    const BendProgram& program = viewer.ViewProgram;
    GLUquadric* quadric = viewer.Quadric;
    glTranslatef(0, 0, 0);
    for (std::int32_t k = split - 1; k >= 0; --k) {
        const BendStep& step = program.Steps[k];
        BendBlock(step, tubeRadius, Look(viewer.FaultyBends, viewer.OutsideBends, k, highlightStep),
                  outline);
        glRotatef(180, 1, 0, 0);
        StraightPiece(quadric, step, tubeRadius,
                      Look(viewer.FaultyStraights, viewer.OutsideStraights, k, highlightStep),
                      outline);
        glRotatef(180, 1, 0, 0);
        AdvanceAlongStraight(step, mirror);
    }
    if (outline == Outline::Surface) {
        EndMarkers(quadric, tubeRadius);
    }
}

// The builder's common start: what every build resets, the cut, the one quadric. Nothing to
// draw (false) below two steps or without a quadric.
bool PrepareBuild(TFrmSimPipeState& viewer, std::int32_t& split, float& tubeRadius) {
    BendProgram& program = viewer.ViewProgram;
    program.SquareSection = 0;
    if (program.StepCount < 2) {
        return false;
    }
    tubeRadius = static_cast<float>(program.TubeDiameter * 0.5);
    split = SplitStep(program);
    // The compiled lists do not need the quadric once glEndList returns; one quadric serves
    // every build, so at most one exists whatever the operator does.
    if (!viewer.Quadric) {
        viewer.Quadric = gluNewQuadric();
    }
    return viewer.Quadric != nullptr;
}

// DrawTube's framing of the two halves around `forward` and `backward`.
template <typename Forward, typename Backward> void DrawHalves(Forward forward, Backward backward) {
    glPushMatrix();
    glColor3f(0.0f, 0.3f, 1.0f);
    forward();
    glPopMatrix();
    glPushMatrix();
    glRotatef(180, 0, 1, 0);
    glColor3f(0.0f, 0.3f, 1.0f);
    backward();
    glPopMatrix();
}

// The centre line of a thin tube: drawn after the tube, unlit, so that a line a pixel wide keeps
// the piece's colour whatever way it faces, and brought towards the eye by the tube's radius, to
// where the tube's near side is, so that the tube's own surfaces (which a thin tube turns into
// specks of grazing light) do not hide it while the parts in front of it still do.
template <typename Issue> void WithLineState(double tubeRadius, Issue issue) {
    glDisable(GL_LIGHTING);
    glLineWidth(1.0f);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    // After the model-view matrix: along the eye's z, which looks down -z.
    glTranslated(0, 0, std::fabs(tubeRadius) * NearSideShare);
    glMatrixMode(GL_MODELVIEW);
    issue();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_LIGHTING);
}

} // namespace

bool TubeThinOnScreen(double diameter) {
    // Orthographic: every piece is as wide on screen as the diameter times the pixels per unit,
    // which the projection's y scale and the viewport's height give.
    double projection[16];
    GLint viewport[4];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    const double pixels = std::fabs(diameter * projection[5]) * 0.5 * viewport[3];
    return !(pixels >= ThinTubePixels);
}

std::int32_t SplitStep(const BendProgram& program) {
    const std::int32_t rows = RowsInUse(program);
    double sum = 0;
    for (std::int32_t i = 0; i < rows; ++i) {
        sum = static_cast<double>(StepLength(program.Steps[i]) + sum);
        // A sum exactly at half the length goes on: the cut falls past the middle.
        if (program.TotalLength * 0.5 >= sum) {
            continue;
        }
        return i + 1 < rows ? i + 1 : i;
    }
    return static_cast<std::int32_t>(rows * 0.5);
}

void BuildTubeModel(TFrmSimPipeState& viewer, GLuint listBase, std::int32_t highlightStep,
                    bool mirror) {
    std::int32_t split = 0;
    float tubeRadius = 0;
    if (!PrepareBuild(viewer, split, tubeRadius)) {
        return;
    }
    glNewList(listBase + 1, GL_COMPILE);
    IssueForward(viewer, split, highlightStep, mirror, tubeRadius);
    glEndList();
    glNewList(listBase + 2, GL_COMPILE);
    IssueBackward(viewer, split, highlightStep, mirror, tubeRadius);
    glEndList();
}

void CompileCentreLine(TFrmSimPipeState& viewer, GLuint list, std::int32_t highlightStep,
                       bool mirror) {
    std::int32_t split = 0;
    float tubeRadius = 0;
    glNewList(list, GL_COMPILE);
    if (PrepareBuild(viewer, split, tubeRadius)) {
        WithLineState(tubeRadius, [&] {
            DrawHalves(
                [&] {
                    IssueForward(viewer, split, highlightStep, mirror, tubeRadius,
                                 Outline::CentreLine);
                },
                [&] {
                    IssueBackward(viewer, split, highlightStep, mirror, tubeRadius,
                                  Outline::CentreLine);
                });
        });
    }
    glEndList();
}

void DrawTubeOnce(TFrmSimPipeState& viewer, std::int32_t highlightStep, bool mirror) {
    std::int32_t split = 0;
    float tubeRadius = 0;
    if (!PrepareBuild(viewer, split, tubeRadius)) {
        return;
    }
    DrawHalves([&] { IssueForward(viewer, split, highlightStep, mirror, tubeRadius); },
               [&] { IssueBackward(viewer, split, highlightStep, mirror, tubeRadius); });
    if (TubeThinOnScreen(viewer.ViewProgram.TubeDiameter)) {
        WithLineState(tubeRadius, [&] {
            DrawHalves(
                [&] {
                    IssueForward(viewer, split, highlightStep, mirror, tubeRadius,
                                 Outline::CentreLine);
                },
                [&] {
                    IssueBackward(viewer, split, highlightStep, mirror, tubeRadius,
                                  Outline::CentreLine);
                });
        });
    }
}

void CompileRowPieces(TFrmSimPipeState& viewer, GLuint rowBase, std::int32_t highlightStep) {
    const BendProgram& program = viewer.ViewProgram;
    const std::int32_t rows = std::max(RowsInUse(program), 0);
    if (!viewer.Quadric) {
        viewer.Quadric = gluNewQuadric();
        if (!viewer.Quadric) {
            return;
        }
    }
    const float tubeRadius = static_cast<float>(program.TubeDiameter * 0.5);
    for (const Outline outline : {Outline::Surface, Outline::CentreLine}) {
        const GLuint base =
            outline == Outline::Surface ? rowBase : RowCentreLines(rowBase, program.StepCount);
        for (std::int32_t j = 0; j < rows; ++j) {
            const BendStep& step = program.Steps[j];
            const GLuint list = base + 2 * static_cast<GLuint>(j);
            glNewList(list, GL_COMPILE);
            glRotatef(180, 1, 0, 0);
            StraightPiece(viewer.Quadric, step, tubeRadius,
                          Look(viewer.FaultyStraights, viewer.OutsideStraights, j, highlightStep),
                          outline);
            glRotatef(-180, 1, 0, 0);
            AdvanceAlongStraight(step, false);
            glEndList();
            glNewList(list + 1, GL_COMPILE);
            BendBlock(step, tubeRadius,
                      Look(viewer.FaultyBends, viewer.OutsideBends, j, highlightStep), outline);
            glEndList();
        }
    }
    glNewList(rowBase + 2 * static_cast<GLuint>(rows), GL_COMPILE);
    EndMarkers(viewer.Quadric, tubeRadius);
    glEndList();
}

GLuint RowCentreLines(GLuint rowBase, std::int32_t stepCount) {
    return rowBase + 2 * static_cast<GLuint>(std::clamp(stepCount, 0, MaxBendSteps)) + 1;
}

void DrawThinCentreLine(double tubeRadius, const std::function<void()>& draw) {
    WithLineState(tubeRadius, draw);
}

void DrawTube(GLuint listBase) {
    DrawHalves([&] { glCallList(listBase + 1); }, [&] { glCallList(listBase + 2); });
}

void RenderFrame(GLuint listBase) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    DrawTube(listBase);
    glFlush();
}

void RenderFrame(GLuint listBase, GLuint centreLineList, double diameter) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    DrawTube(listBase);
    if (centreLineList != 0 && TubeThinOnScreen(diameter)) {
        glCallList(centreLineList);
    }
    glFlush();
}

void DrawMeasuredLine(const std::vector<tubrix::Vec3>& line) {
    if (line.size() < 2) {
        return;
    }
    glPushAttrib(GL_ENABLE_BIT | GL_LINE_BIT | GL_CURRENT_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glLineWidth(2.0f);
    glColor3ub(0, 150, 60);
    glBegin(GL_LINE_STRIP);
    for (const tubrix::Vec3 p : line) {
        glVertex3d(p.X, p.Y, p.Z);
    }
    glEnd();
    glPopAttrib();
    glFlush();
}
