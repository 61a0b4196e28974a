#include "sequencescene.h"

#include "coordtransform.h"
#include "orbgl.h"
#include "simpipestate.h"
#include "tubemodel.h"

#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <utility>

using namespace tubrix;

namespace {

// The view looks from the operator's side of the machine (along +y), turned a little about the
// vertical so the feed axis is not seen end-on by any leg, and tilted 30 degrees to look down
// on it: from the base view (looking along -z), a turn about the screen's z (the machine's
// vertical while the view is level), then -60 degrees about the screen's x.
constexpr double ViewSwing = -25;
constexpr double ViewTilt = -60;
constexpr GLbyte StockColour[3] = {90, 90, 95};
constexpr GLbyte FloorColour[3] = {75, 78, 82};
constexpr GLbyte ContactColour[3] = {127, 90, 0}; // the amber the builder marks faults in
constexpr int StockSlices = 24;
// The rows' lists, clear of the builder's 1 and 2 and of the scenes' own: up to 2 * 100 + 1.

struct Box {
    Vec3 Low{INFINITY, INFINITY, INFINITY};
    Vec3 High{-INFINITY, -INFINITY, -INFINITY};

    void Add(Vec3 p, double grow = 0) {
        Low = {std::min(Low.X, p.X - grow), std::min(Low.Y, p.Y - grow),
               std::min(Low.Z, p.Z - grow)};
        High = {std::max(High.X, p.X + grow), std::max(High.Y, p.Y + grow),
                std::max(High.Z, p.Z + grow)};
    }
};

// A machine point as the view sees it: swung about z, then tilted about x.
Vec3 Turned(Vec3 p) {
    const double swing = ViewSwing * DegToRad;
    const double tilt = ViewTilt * DegToRad;
    const Vec3 q{std::cos(swing) * p.X - std::sin(swing) * p.Y,
                 std::sin(swing) * p.X + std::cos(swing) * p.Y, p.Z};
    return {q.X, std::cos(tilt) * q.Y - std::sin(tilt) * q.Z,
            std::sin(tilt) * q.Y + std::cos(tilt) * q.Z};
}

void MultiplyFrame(const WalkFrame& frame) {
    glMultMatrixd(frame.M.data());
}

void DrawStock(GLUquadric* quadric, double radius, double length, bool contact) {
    glColor3bv(contact ? ContactColour : StockColour);
    glPushMatrix();
    glRotatef(90, 0, 1, 0); // the cylinder's z along the feed axis
    gluCylinder(quadric, radius, radius, length, StockSlices, 1);
    glPopMatrix();
}

// The floor far below the frame: a line across the picture's foot, in the picture's own
// coordinates, whatever the view.
void DrawFloorLine(bool contact) {
    glColor3bv(contact ? ContactColour : FloorColour);
    glDisable(GL_LIGHTING);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    const double y = -1.0 + FloorLineShare;
    glRectd(-1.0, y - FloorLineShare * 0.15, 1.0, y + FloorLineShare * 0.15);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_LIGHTING);
}

void DrawFloor(const SequenceView& view, double height, bool contact) {
    if (view.FloorBelow) {
        DrawFloorLine(contact);
        return;
    }
    glColor3bv(contact ? ContactColour : FloorColour);
    glNormal3d(0, 0, 1);
    glBegin(GL_QUADS);
    glVertex3d(view.FloorMin.X, view.FloorMin.Y, -height);
    glVertex3d(view.FloorMax.X, view.FloorMin.Y, -height);
    glVertex3d(view.FloorMax.X, view.FloorMax.Y, -height);
    glVertex3d(view.FloorMin.X, view.FloorMax.Y, -height);
    glEnd();
}

// The part of the segment from a to b that lies within `reach` of the origin, if any.
std::optional<std::pair<Vec3, Vec3>> WithinReach(Vec3 a, Vec3 b, double reach) {
    // |a + t (b - a)|^2 = reach^2, for t in [0, 1].
    const Vec3 d = b - a;
    const double qa = Dot(d, d), qb = 2 * Dot(a, d), qc = Dot(a, a) - reach * reach;
    if (qa == 0) {
        return qc <= 0 ? std::optional{std::pair{a, b}} : std::nullopt;
    }
    const double discriminant = qb * qb - 4 * qa * qc;
    if (!(discriminant >= 0)) {
        return std::nullopt;
    }
    const double root = std::sqrt(discriminant);
    const double t0 = std::max((-qb - root) / (2 * qa), 0.0);
    const double t1 = std::min((-qb + root) / (2 * qa), 1.0);
    if (!(t0 <= t1)) {
        return std::nullopt;
    }
    return std::pair{a + d * t0, a + d * t1};
}

} // namespace

SequenceView FitSequenceView(const BendSequence& sequence, int width, int height) {
    const double radius = std::fabs(sequence.Diameter) * 0.5;
    // What the states take near the bend head, on the machine (for the floor) and as the view
    // sees it (a sphere seen from any side is a disc of its radius). The stock of a long part
    // and the far legs of a large one reach out of the frame rather than shrink the part at the
    // head to a few pixels.
    Box machine, seen;
    const auto add = [&](Vec3 p, double grow) {
        machine.Add(p, grow);
        seen.Add(Turned(p), grow);
    };
    const auto addSegment = [&](Vec3 a, Vec3 b) {
        if (const auto within = WithinReach(a, b, BendHeadLength)) {
            add(within->first, radius);
            add(within->second, radius);
        }
    };
    add({0, 0, 0}, radius);
    for (int step = 0; step < sequence.StateCount() && !sequence.Bends.empty(); ++step) {
        const MachineState& state = sequence.State(step);
        const int rows = sequence.StateRows(step);
        for (int row = 0; row < rows; ++row) {
            const WalkStep& walked = sequence.Walk.Steps[static_cast<std::size_t>(row)];
            addSegment(state.Placement.Point(walked.StraightStart),
                       state.Placement.Point(walked.StraightEnd));
            if (walked.Bend && (row + 1 < rows || sequence.StateEndsInBend(step))) {
                const Vec3 centre = state.Placement.Point(walked.Bend->Centre);
                if (Length(centre) <= BendHeadLength) {
                    add(centre, walked.Bend->Radius + radius);
                }
            }
        }
        addSegment({0, 0, 0}, {state.StockLength, 0, 0});
    }
    SequenceView view;
    const double margin = std::max(radius * 4, 0.05 * Length(machine.High - machine.Low));
    view.FloorMin = machine.Low - Vec3{margin, margin, 0};
    view.FloorMax = machine.High + Vec3{margin, margin, 0};
    if (sequence.CentrelineHeight) {
        // A floor that shows in the frame of the part is framed with it; one wholly below that
        // frame is drawn as a line along the picture's foot, and the part keeps its size.
        const double z = -*sequence.CentrelineHeight;
        Box floor;
        for (double x : {view.FloorMin.X, view.FloorMax.X}) {
            for (double y : {view.FloorMin.Y, view.FloorMax.Y}) {
                floor.Add(Turned({x, y, z}));
            }
        }
        view.FloorBelow = floor.High.Y < seen.Low.Y;
        if (!view.FloorBelow) {
            seen.Add(floor.Low);
            seen.Add(floor.High);
        }
    }
    view.Middle = (seen.Low + seen.High) * 0.5;
    const double aspect = width > 0 && height > 0 ? static_cast<double>(width) / height : 1.0;
    const Vec3 half = (seen.High - seen.Low) * 0.5;
    view.Scale = std::max(half.Y, half.X / aspect) * 1.05;
    if (view.FloorBelow) {
        // Room at the foot for the floor's line.
        view.Scale /= 1.0 - FloorLineShare;
        view.Middle.Y -= view.Scale * FloorLineShare;
    }
    return view;
}

void SetSequenceView(const SequenceView& view, int width, int height) {
    ReSizeWindows_wh(static_cast<float>(view.Scale), width, height);
    ApplyViewOp(ViewReset, 1.0);
    ApplyViewOp(ViewTurnZ, ViewSwing);
    ApplyViewOp(ViewTurnX, ViewTilt);
    ApplyViewOp(ViewMoveX, -view.Middle.X);
    ApplyViewOp(ViewMoveY, -view.Middle.Y);
    ApplyViewOp(ViewMoveZ, -view.Middle.Z);
}

SequenceRows::SequenceRows(const BendProgram& program)
    : Builder(std::make_unique<TFrmSimPipeState>()) {
    Builder->ViewProgram = program;
}

SequenceRows::~SequenceRows() {
    if (Compiled) {
        glDeleteLists(RowLists, 4 * RowCount() + 1);
    }
    if (Builder->Quadric) {
        gluDeleteQuadric(Builder->Quadric);
    }
}

int SequenceRows::RowCount() const {
    return std::clamp(Builder->ViewProgram.StepCount, 0, MaxBendSteps);
}

GLuint SequenceRows::Lists() {
    if (!Compiled) {
        Compiled = true;
        RowLists = ReserveLists(4 * RowCount() + 1);
        CompileRowPieces(*Builder, RowLists, 0);
    }
    return RowLists;
}

void CompileSequenceStep(SequenceRows& rows, const BendSequence& sequence, const SequenceView& view,
                         int step, GLuint sceneList) {
    if (sequence.Bends.empty()) {
        glNewList(sceneList, GL_COMPILE);
        glEndList();
        return;
    }
    // Before the scene's list is opened: lists cannot be compiled inside one another.
    const GLuint pieces = rows.Lists();
    glNewList(sceneList, GL_COMPILE);
    const int formed = sequence.StateRows(step);
    const MachineState& state = sequence.State(step);
    // The formed part from the row lists at `base` (the pieces or their centre lines, which move
    // the matrix alike), with the end markers when it is the pieces.
    const auto drawPart = [&](GLuint base, bool markers) {
        glPushMatrix();
        MultiplyFrame(state.Placement);
        // The lead end's markers point out of the tube's start, as the tail's do out of its end.
        if (markers) {
            glPushMatrix();
            glRotatef(180, 0, 1, 0);
            glCallList(pieces + 2 * static_cast<GLuint>(rows.RowCount()));
            glPopMatrix();
        }
        for (int row = 0; row < formed; ++row) {
            glCallList(base + 2 * static_cast<GLuint>(row));
            if (row + 1 < formed || sequence.StateEndsInBend(step)) {
                glCallList(base + 2 * static_cast<GLuint>(row) + 1);
            } else {
                // Before its bend the last formed row ends with its straight: the bend block of a
                // row that does not bend, which turns the frame half a turn about the heading.
                glRotatef(180, 0, 0, 1);
            }
        }
        // The tail's markers where the formed part ends, facing out of it, after the roll a
        // closing row of nothing makes.
        if (markers) {
            glRotatef(180, 0, 0, 1);
            glCallList(pieces + 2 * static_cast<GLuint>(rows.RowCount()));
        }
        glPopMatrix();
    };
    drawPart(pieces, true);
    GLUquadric* quadric = gluNewQuadric();
    const double radius = std::fabs(sequence.Diameter) * 0.5;
    const bool stockContact = sequence.StateHasContact(step, ContactKind::Stock);
    DrawStock(quadric, radius, state.StockLength, stockContact);
    // A part thinner than a few pixels in the picture is drawn on its centre line too, and so
    // is the stock, so that neither breaks into specks.
    if (TubeThinOnScreen(sequence.Diameter)) {
        DrawThinCentreLine(radius, [&] {
            drawPart(RowCentreLines(pieces, rows.RowCount()), false);
            glColor3bv(stockContact ? ContactColour : StockColour);
            glBegin(GL_LINES);
            glVertex3d(0, 0, 0);
            glVertex3d(state.StockLength, 0, 0);
            glEnd();
        });
    }
    if (sequence.CentrelineHeight) {
        DrawFloor(view, *sequence.CentrelineHeight,
                  sequence.StateHasContact(step, ContactKind::Floor));
    }
    glEndList();
    if (quadric) {
        gluDeleteQuadric(quadric);
    }
}

void RenderStepFrame(GLuint sceneList) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glCallList(sceneList);
    glFlush();
}
