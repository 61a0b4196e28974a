// The viewer window and its frame loop, on a real native GL window (an X display, Xvfb will do).
#include "coordtransform.h"
#include "viewerhost.h"

using namespace tubrix;

namespace {

using namespace viewertest;

Matrix4 Projection() {
    return ReadMatrix(GL_PROJECTION_MATRIX);
}

std::uint32_t FakeNow = 0;
std::uint32_t FakeClock() {
    return FakeNow;
}

using SimPipeTest = ViewerHostTest;

TEST_F(SimPipeTest, ShowSizesTheViewerAndPlacesThePad) {
    EXPECT_EQ(viewer->width(), 787);
    EXPECT_EQ(viewer->height(), 423);
    EXPECT_TRUE(viewer->MovPal->isVisible());
    EXPECT_EQ(viewer->MovPal->x(), 787 - 137 - 1);
    EXPECT_EQ(viewer->MovPal->y(), 423 - 216 - 1);
    EXPECT_TRUE(OpenGLIsOpen());
    // Nothing typed yet: no lists, scale 0, and frames still run cleanly.
    EXPECT_FALSE(glIsList(1));
    EXPECT_EQ(viewer->ViewScale, 0.0f);
    Ticks(3);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(SimPipeTest, HomeViewSetsHalfTheLengthAndLooksAlongNoAxis) {
    Show(InitialProgram());
    EXPECT_TRUE(glIsList(1));
    EXPECT_TRUE(glIsList(2));
    EXPECT_FLOAT_EQ(viewer->ViewScale, static_cast<float>((150 + 90 * std::numbers::pi) / 2));
    EXPECT_NEAR(viewer->ViewScale, 216.37, 0.01);
    const Matrix4 m = ModelView();
    ExpectNear(m, HomeRotation(), 1e-6);
    // Every model axis points towards the viewer by the same share, 1 / sqrt 3, and up (y) or
    // sideways, so none is seen end-on; the model's y stays upright on screen.
    for (int axis = 0; axis < 3; ++axis) {
        EXPECT_NEAR(m[4 * axis + 2], 1 / std::sqrt(3.0), 1e-6) << axis;
    }
    EXPECT_NEAR(m[4], 0, 1e-6);
    EXPECT_GT(m[5], 0);
}

TEST_F(SimPipeTest, AHeldTurnAppliesOncePerTick) {
    Show(InitialProgram());
    viewer->MotionFlags.HeldRight = true;
    Ticks(1);
    ExpectNear(ModelView(), Multiply(Rotation(1, 1.0), HomeRotation()), 1e-6);
    Ticks(9);
    ExpectNear(ModelView(), Multiply(Rotation(1, 10.0), HomeRotation()), 1e-5);
    viewer->MotionFlags = {};
    viewer->MotionFlags.HeldUp = true;
    Ticks(5);
    // A later turn goes about the fixed base x axis, applied on top of the earlier one.
    ExpectNear(ModelView(),
               Multiply(Multiply(Rotation(0, -5.0), Rotation(1, 10.0)), HomeRotation()), 1e-5);
}

TEST_F(SimPipeTest, EachFlagTurnsTheWayItsButtonSays) {
    const struct {
        bool MotionFlagSet::*flag;
        int axis;
        double degrees;
    } turns[] = {{&MotionFlagSet::HeldLeft, 1, -1}, {&MotionFlagSet::HeldRight, 1, 1},
                 {&MotionFlagSet::HeldLeftC, 2, 1}, {&MotionFlagSet::HeldRightC, 2, -1},
                 {&MotionFlagSet::HeldUp, 0, -1},   {&MotionFlagSet::HeldDown, 0, 1}};
    Show(InitialProgram());
    for (const auto& turn : turns) {
        viewer->BitBtnRestClick();
        viewer->MotionFlags = {};
        viewer->MotionFlags.*turn.flag = true;
        Ticks(3);
        ExpectNear(ModelView(), Multiply(Rotation(turn.axis, 3 * turn.degrees), HomeRotation()),
                   1e-6);
    }
}

TEST_F(SimPipeTest, OppositeTurnsHeldTogetherCancel) {
    Show(InitialProgram());
    viewer->MotionFlags.HeldLeft = true;
    viewer->MotionFlags.HeldRight = true;
    viewer->MotionFlags.HeldUp = true;
    viewer->MotionFlags.HeldDown = true;
    viewer->MotionFlags.HeldLeftC = true;
    viewer->MotionFlags.HeldRightC = true;
    Ticks(50);
    ExpectNear(ModelView(), HomeRotation(), 1e-5);
}

TEST_F(SimPipeTest, HeldZoomScalesByOnePercentPerTick) {
    Show(InitialProgram());
    float expected = viewer->ViewScale;
    viewer->MotionFlags.HeldZooP = true;
    for (int i = 0; i < 40; ++i) {
        expected = static_cast<float>(expected - expected * 0.01);
    }
    Ticks(40);
    EXPECT_EQ(viewer->ViewScale, expected);
    EXPECT_NEAR(viewer->ViewScale, 216.3717 * std::pow(0.99, 40), 1e-3);
    // Both zoom buttons together: 0.99 then 1.01 of the scale, not the scale itself.
    viewer->MotionFlags.HeldZooM = true;
    const float before = viewer->ViewScale;
    Ticks(1);
    EXPECT_NEAR(viewer->ViewScale / before, 0.9999, 1e-6);
    // The projection follows the scale: half the height is the scale.
    EXPECT_NEAR(Projection()[5], 1.0 / viewer->ViewScale, 1e-9);
}

// Zooming past what the shape library can show holds at its limit, so the way back is short.
TEST_F(SimPipeTest, HeldZoomStopsAtTheShapeLibrarysLimits) {
    Show(InitialProgram());
    viewer->ViewScale = 2e-12f;
    viewer->MotionFlags.HeldZooP = true;
    Ticks(200);
    EXPECT_EQ(viewer->ViewScale, static_cast<float>(1e-12));
    EXPECT_NEAR(Projection()[5] * 1e-12, 1, 1e-6);
    viewer->MotionFlags = {};
    viewer->MotionFlags.HeldZooM = true;
    Ticks(70); // 1.01 to the 70th is about 2
    EXPECT_GT(viewer->ViewScale, 1.9e-12f);
    viewer->ViewScale = 0.6e30f;
    Ticks(200);
    EXPECT_EQ(viewer->ViewScale, static_cast<float>(1e30));
}

TEST_F(SimPipeTest, ZoomingKeepsTheOrientationAndPan) {
    Show(InitialProgram());
    viewer->MotionFlags.HeldRight = true;
    viewer->MotionFlags.HeldMovUp = true;
    Ticks(7);
    const Matrix4 turned = ModelView();
    viewer->MotionFlags = {};
    viewer->MotionFlags.HeldZooM = true;
    Ticks(12);
    ExpectNear(ModelView(), turned, 0);
}

TEST_F(SimPipeTest, PanHeldWithZoomMovesByTheNewScale) {
    Show(InitialProgram());
    const float start = viewer->ViewScale;
    viewer->MotionFlags.HeldZooP = true;
    viewer->MotionFlags.HeldMovRight = true;
    Ticks(1);
    const float zoomed = static_cast<float>(start - start * 0.01);
    EXPECT_NEAR(ModelView()[12], zoomed * 0.003, 1e-6);
    EXPECT_NEAR(ModelView()[13], 0.0, 1e-9);
}

TEST_F(SimPipeTest, PanFlagsMoveAlongTheViewAxes) {
    Show(InitialProgram());
    const double d = viewer->ViewScale * 0.003;
    viewer->MotionFlags.HeldMovLeft = true;
    Ticks(2);
    EXPECT_NEAR(ModelView()[12], -2 * d, 1e-5);
    viewer->MotionFlags = {};
    viewer->MotionFlags.HeldMovDown = true;
    Ticks(3);
    EXPECT_NEAR(ModelView()[13], -3 * d, 1e-5);
    viewer->MotionFlags = {};
    viewer->MotionFlags.HeldMovUp = true;
    Ticks(1);
    EXPECT_NEAR(ModelView()[13], -2 * d, 1e-5);
}

TEST_F(SimPipeTest, ZeroLengthKeepsTheScaleAtZero) {
    BendProgram empty = InitialProgram();
    empty.TotalLength = 0;
    Show(empty);
    viewer->MotionFlags.HeldZooP = true;
    viewer->MotionFlags.HeldMovRight = true;
    Ticks(10);
    EXPECT_EQ(viewer->ViewScale, 0.0f);
    ExpectNear(ModelView(), HomeRotation(), 1e-6);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(SimPipeTest, RebuildPendingRebuildsWithoutResettingTheView) {
    Show(InitialProgram());
    viewer->MotionFlags.HeldLeft = true;
    Ticks(3);
    const Matrix4 turned = ModelView();
    viewer->MotionFlags = {};
    viewer->ViewProgram.Steps[0].Y = 80;
    viewer->RebuildPending = true;
    Ticks(1);
    EXPECT_FALSE(viewer->RebuildPending);
    ExpectNear(ModelView(), turned, 0);
}

TEST_F(SimPipeTest, TheFrameDrawsTheTube) {
    Show(InitialProgram());
    Ticks(1);
    // The back buffer still holds the frame just presented: the origin of the view, which
    // lies on the tube at the cut, is drawn in the tube's colour, a corner in the background.
    GLubyte centre[4] = {}, corner[4] = {};
    const double ratio = viewer->Surface->devicePixelRatio();
    glReadBuffer(GL_BACK);
    viewer->RenderFrame();
    glReadPixels(static_cast<GLint>(viewer->width() * ratio / 2),
                 static_cast<GLint>(viewer->height() * ratio / 2), 1, 1, GL_RGBA, GL_UNSIGNED_BYTE,
                 centre);
    glReadPixels(2, 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, corner);
    EXPECT_GT(std::abs(int(centre[0]) - int(corner[0])) + std::abs(int(centre[2]) - int(corner[2])),
              30);
}

class SizeToggleTest : public SimPipeTest {
protected:
    void SetUp() override {
        SimPipeTest::SetUp();
        SetTickCountSource(&FakeClock);
        viewer->ToggledWidth = 600;
        viewer->ToggledHeight = 400;
        viewer->NormalWidth = 789;
        viewer->NormalHeight = 425;
        Show(InitialProgram());
    }
    void TickAt(std::uint32_t now) {
        FakeNow = now;
        Ticks(1);
    }
};

TEST_F(SizeToggleTest, SwitchesAtTheFirstTickMoreThan120msAfterTheChangeWasSeen) {
    viewer->MotionFlags.HeldRight = true;
    TickAt(1000);
    viewer->MotionFlags = {};
    const float scale = viewer->ViewScale;
    viewer->SizeToggle = true;
    TickAt(5000);
    EXPECT_EQ(SizeToggleStage, 1);
    EXPECT_EQ(SizeToggleStart, 5000u);
    TickAt(5060);
    TickAt(5120);
    EXPECT_EQ(panel->width(), 789) << "120 ms is not more than 120 ms";
    TickAt(5121);
    EXPECT_EQ(panel->width(), 600);
    EXPECT_EQ(panel->height(), 400);
    EXPECT_EQ(viewer->width(), 598);
    EXPECT_EQ(viewer->height(), 398);
    EXPECT_EQ(viewer->MovPal->x(), 598 - 137 - 2);
    EXPECT_EQ(viewer->MovPal->y(), 398 - 216 - 2);
    EXPECT_TRUE(SizeToggleApplied);
    EXPECT_EQ(SizeToggleStage, 0);
    EXPECT_EQ(viewer->ViewScale, scale);
    ExpectNear(ModelView(), HomeRotation(), 1e-6);

    viewer->SizeToggle = false;
    TickAt(6000);
    TickAt(6121);
    EXPECT_EQ(panel->width(), 789);
    EXPECT_EQ(viewer->MovPal->x(), 787 - 137 - 1) << "1-pixel margin when off";
}

TEST_F(SizeToggleTest, AReturnBeforeTheSwitchKeepsStageAndStamp) {
    viewer->SizeToggle = true;
    TickAt(100);
    viewer->SizeToggle = false;
    TickAt(150);
    EXPECT_EQ(SizeToggleStage, 1);
    EXPECT_EQ(SizeToggleStart, 100u);
    EXPECT_EQ(panel->width(), 789);
    // A later change switches at once, the stamp being old enough.
    viewer->SizeToggle = true;
    TickAt(400);
    EXPECT_EQ(panel->width(), 600);
}

TEST_F(SizeToggleTest, AWrapOfTheClockDoesNotHoldTheSwitchBack) {
    viewer->SizeToggle = true;
    TickAt(0xFFFFFFF0u);
    TickAt(0x00000060u); // 0x70 = 112 ms later
    EXPECT_EQ(panel->width(), 789);
    TickAt(0x00000069u); // 121 ms later
    EXPECT_EQ(panel->width(), 600);
}

TEST_F(SimPipeTest, CloseGivesBackTheGLResources) {
    Show(InitialProgram());
    ASSERT_NE(viewer->Quadric, nullptr);
    viewer->TmMovPipe->start();
    viewer->close();
    EXPECT_FALSE(viewer->TmMovPipe->isActive());
    EXPECT_EQ(viewer->Quadric, nullptr);
    EXPECT_FALSE(OpenGLIsOpen());
}

TEST(SimPipeWithoutHost, ShowingTheViewerWithoutAPanelDoesNothingHarmful) {
    EnsureApplication();
    TFrmSimPipe viewer;
    viewer.FormPaint(); // before any context: nothing to clear
    viewer.show();
    QApplication::processEvents();
    EXPECT_FALSE(viewer.TmMovPipe->isActive());
    viewer.close();
}

} // namespace
