// Builds the tube model from arbitrary bend records, as the viewer does after "Make 3D", draws
// both lists and checks that GL is left without an error, that the builder keeps using its one
// quadric and that it compiles both lists whenever there is something to draw. libFuzzer's
// -timeout catches a record that makes a build slow.
//
// Input: byte 0 picks StepCount, byte 1 holds flags, byte 2 the highlighted step; then numbers
// as FuzzInput reads them. Without the fill flag: diameter, developed length, then for every row
// in use Y, B, C, R, ArcLength, ArcRadius and an ArcMode byte. With it: the diameter and five
// rows of Y, B, C, R go through FillBendProgram as the main window does, then ArcMode,
// ArcLength and ArcRadius for those five rows.
#include "fuzzcheck.h"
#include "fuzzgl.h"
#include "fuzzinput.h"

#include "bendprogram.h"
#include "orbgl.h"
#include "simpipestate.h"
#include "tubemodel.h"

#include <GL/gl.h>

#include <cstddef>
#include <cstdint>
#include <limits>

using namespace tubrix;

namespace {

constexpr std::uint8_t MirrorFlag = 1;
constexpr std::uint8_t FillFlag = 2;
constexpr std::uint8_t FreshListsFlag = 4; // lists deleted before the build, as on first show

// StepCount: mostly 0..100; the rest are counts a damaged record could claim.
std::int32_t StepCountFrom(std::uint8_t b) {
    if (b < 202) {
        return b % (MaxBendSteps + 1);
    }
    constexpr std::int32_t odd[] = {-1,
                                    std::numeric_limits<std::int32_t>::min(),
                                    MaxBendSteps + 1,
                                    1000,
                                    std::numeric_limits<std::int32_t>::max(),
                                    1,
                                    2,
                                    MaxBendSteps};
    return odd[(b - 202) % (sizeof odd / sizeof odd[0])];
}

void ReadArcFields(FuzzInput& in, BendStep& step) {
    step.ArcMode = in.Byte();
    step.ArcLength = in.Number();
    step.ArcRadius = in.Number();
}

BendProgram ProgramFrom(FuzzInput& in, std::uint8_t countByte, bool fill) {
    BendProgram program{};
    program.SquareSection = countByte;
    if (fill) {
        const double diameter = in.Number();
        BendRowInput rows[InputRowCount];
        for (BendRowInput& row : rows) {
            row.Y = in.Number();
            row.B = in.Number();
            row.C = in.Number();
            row.R = in.Number();
        }
        FillBendProgram(program, diameter, rows);
        for (int i = 0; i < InputRowCount; ++i) {
            ReadArcFields(in, program.Steps[i]);
        }
        return program;
    }
    program.StepCount = StepCountFrom(countByte);
    program.TubeDiameter = in.Number();
    program.TotalLength = in.Number();
    const std::int32_t rows = program.StepCount < 0              ? 0
                              : program.StepCount > MaxBendSteps ? MaxBendSteps
                                                                 : program.StepCount;
    for (std::int32_t i = 0; i < rows; ++i) {
        BendStep& step = program.Steps[i];
        step.Y = in.Number();
        step.B = in.Number();
        step.C = in.Number();
        step.R = in.Number();
        step.ArcLength = in.Number();
        step.ArcRadius = in.Number();
        step.ArcMode = in.Byte();
    }
    return program;
}

// The viewer's one state, kept across inputs like the viewer keeps it across rebuilds.
TFrmSimPipeState Viewer;
GLUquadric* FirstQuadric = nullptr;

// One frame as the viewer draws it: projection from the developed length, the forward list,
// then the backward list turned half a turn about y.
void DrawFrame() {
    ReSizeWindows_wh(static_cast<float>(Viewer.ViewProgram.TotalLength * 0.5), FuzzGLSize,
                     FuzzGLSize);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glPushMatrix();
    glCallList(Viewer.ListBase + 1);
    glPopMatrix();
    glPushMatrix();
    glRotatef(180, 0, 1, 0);
    glCallList(Viewer.ListBase + 2);
    glPopMatrix();
    // Waits for llvmpipe, so that a slow draw is charged to the input that caused it.
    glFinish();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzMakeGLCurrent();
    SetupSceneState();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const std::uint8_t countByte = in.Byte();
    const std::uint8_t flags = in.Byte();
    const auto highlight = static_cast<std::int32_t>(static_cast<std::int8_t>(in.Byte()));
    const bool mirror = (flags & MirrorFlag) != 0;

    if (glGetError() != GL_NO_ERROR) {
        FuzzFail("a GL error was pending before the build");
    }
    if (flags & FreshListsFlag) {
        glDeleteLists(Viewer.ListBase + 1, 2);
    }
    Viewer.ViewProgram = ProgramFrom(in, countByte, (flags & FillFlag) != 0);
    Viewer.HighlightStep = highlight;
    const bool drawable = Viewer.ViewProgram.StepCount >= 2;

    BuildTubeModel(Viewer, Viewer.ListBase, highlight, mirror);

    if (Viewer.ViewProgram.SquareSection != 0) {
        FuzzFail("the builder left SquareSection set");
    }
    // At most one quadric ever exists: once made, the builder must keep reusing it.
    if (FirstQuadric == nullptr) {
        FirstQuadric = Viewer.Quadric;
    } else if (Viewer.Quadric != FirstQuadric) {
        FuzzFail("the builder replaced or dropped its quadric");
    }
    if (drawable &&
        (glIsList(Viewer.ListBase + 1) != GL_TRUE || glIsList(Viewer.ListBase + 2) != GL_TRUE)) {
        FuzzFail("a record with two or more steps did not give both display lists");
    }
    if (glGetError() != GL_NO_ERROR) {
        FuzzFail("GL error after building the tube model");
    }

    DrawFrame();
    if (glGetError() != GL_NO_ERROR) {
        FuzzFail("GL error after drawing the tube model");
    }
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    if (depth != 1 || mode != GL_MODELVIEW) {
        FuzzFail("the lists left the matrix stack or mode changed");
    }
    return 0;
}
