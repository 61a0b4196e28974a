// The viewer window and its frame loop, on a real native GL window (an X display, Xvfb will do).
#include "coordtransform.h"
#include "viewerhost.h"

#include <QElapsedTimer>
#include <QScreen>

#include <functional>

namespace {

using namespace viewertest;

Matrix4 Projection() {
    return ReadMatrix(GL_PROJECTION_MATRIX);
}

// The main window's initial program, with its developed length 150 + 90 pi.
BendProgram InitialProgram() {
    BendProgram p{};
    p.TubeDiameter = 38;
    p.StepCount = 5;
    const double rows[5][4] = {
        {30, 0, 90, 45}, {30, 90, 90, 45}, {30, 90, 90, 45}, {30, 90, 90, 45}, {30, 0, 0, 45}};
    for (int i = 0; i < 5; ++i) {
        p.Steps[i].Y = rows[i][0];
        p.Steps[i].B = rows[i][1];
        p.Steps[i].C = rows[i][2];
        p.Steps[i].R = rows[i][3];
    }
    p.TotalLength = 150 + 90 * std::numbers::pi;
    return p;
}

std::uint32_t FakeNow = 0;
std::uint32_t FakeClock() {
    return FakeNow;
}

class SimPipeTest : public ViewerHostTest {
protected:
    void TearDown() override {
        // The size-toggle debounce belongs to the process; leave it as a new viewer expects it.
        SizeToggleApplied = false;
        SizeToggleStage = 0;
        SizeToggleStart = 0;
        ViewerHostTest::TearDown();
    }
    void Show(const BendProgram& program) {
        viewer->ViewProgram = program;
        viewer->RebuildModel(true);
    }
};

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

TEST_F(SimPipeTest, HomeViewSetsHalfTheLengthAndTheBaseView) {
    Show(InitialProgram());
    EXPECT_TRUE(glIsList(1));
    EXPECT_TRUE(glIsList(2));
    EXPECT_FLOAT_EQ(viewer->ViewScale, static_cast<float>((150 + 90 * std::numbers::pi) / 2));
    EXPECT_NEAR(viewer->ViewScale, 216.37, 0.01);
    ExpectNear(ModelView(), Identity(), 0);
}

TEST_F(SimPipeTest, AHeldTurnAppliesOncePerTick) {
    Show(InitialProgram());
    viewer->MotionFlags.HeldRight = true;
    Ticks(1);
    ExpectNear(ModelView(), Rotation(1, 1.0), 1e-6);
    Ticks(9);
    ExpectNear(ModelView(), Rotation(1, 10.0), 1e-5);
    viewer->MotionFlags = {};
    viewer->MotionFlags.HeldUp = true;
    Ticks(5);
    // A later turn goes about the fixed base x axis, applied on top of the earlier one.
    ExpectNear(ModelView(), Multiply(Rotation(0, -5.0), Rotation(1, 10.0)), 1e-5);
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
        ExpectNear(ModelView(), Rotation(turn.axis, 3 * turn.degrees), 1e-6);
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
    ExpectNear(ModelView(), Identity(), 1e-5);
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
    ExpectNear(ModelView(), Identity(), 0);
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
    ExpectNear(ModelView(), Identity(), 0);

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

// The frame loop on its own timer: it draws while something can change the picture and rests
// otherwise.
class FrameLoopTest : public SimPipeTest {
protected:
    void SetUp() override {
        SimPipeTest::SetUp();
        Show(InitialProgram());
        LiveFrameLoop();
    }
    // After the last frame asked for, nothing more is drawn and the timer stands still.
    void ExpectAtRest(const char* after) {
        QTest::qWait(30);
        const auto frames = viewer->FramesDrawn;
        QTest::qWait(200);
        EXPECT_EQ(viewer->FramesDrawn, frames) << after;
        EXPECT_FALSE(viewer->TmMovPipe->isActive()) << after;
    }
    QColor OnScreen(QPoint at) {
        const QImage screen = viewer->screen()->grabWindow(0).toImage();
        return screen.pixelColor(viewer->mapToGlobal(at) * screen.devicePixelRatio());
    }
    // The home view puts the cut, on the tube, at the middle; the corner shows the background.
    void ExpectTubeOnScreen(const QColor& cover, const char* when) {
        const QColor centre = OnScreen(viewer->rect().center()), corner = OnScreen({3, 3});
        for (const QColor& other : {corner, cover}) {
            EXPECT_GT(std::abs(centre.red() - other.red()) + std::abs(centre.blue() - other.blue()),
                      60)
                << when << ": " << centre.name().toStdString();
        }
        EXPECT_NE(corner, cover) << when;
    }
};

TEST_F(FrameLoopTest, RestsUntilAButtonIsHeldThenDrawsEveryTick) {
    ExpectAtRest("the first frames");
    const auto before = viewer->FramesDrawn;
    QTest::mousePress(viewer->BtnRight, Qt::LeftButton);
    EXPECT_EQ(viewer->FramesDrawn, before + 1) << "the press draws its first step at once";
    QElapsedTimer wall;
    wall.start();
    QTest::qWait(1000);
    QTest::mouseRelease(viewer->BtnRight, Qt::LeftButton);
    const auto held = viewer->FramesDrawn - before;
    // One every 10 ms at most; a loaded shared machine may deliver fewer. Each frame drawn while
    // held carries one step of the turn, and no step goes undrawn.
    EXPECT_LE(held, static_cast<std::uint64_t>(wall.elapsed() / 10 + 2));
    EXPECT_GE(held, 30u);
    ExpectNear(ModelView(), Rotation(1, static_cast<double>(held)), 1e-3);
    ExpectAtRest("the release");

    const std::pair<const char*, std::function<void()>> changes[] = {
        {"an expose",
         [&] {
             QExposeEvent expose(QRegion(viewer->Surface->geometry()));
             QCoreApplication::sendEvent(viewer->Surface, &expose);
         }},
        {"a drag",
         [&] {
             QTest::mousePress(viewer->Surface, Qt::RightButton, {}, QPoint(100, 100));
             QTest::mouseMove(viewer->Surface, QPoint(120, 110));
             QTest::mouseRelease(viewer->Surface, Qt::RightButton, {}, QPoint(120, 110));
         }},
        {"a reset", [&] { QTest::mouseClick(viewer->BitBtnRest, Qt::LeftButton); }},
        {"Make 3D", [&] { viewer->RebuildModel(true); }},
    };
    for (const auto& [name, change] : changes) {
        const auto frames = viewer->FramesDrawn;
        change();
        EXPECT_GT(viewer->FramesDrawn, frames) << name;
        ExpectAtRest(name);
    }
}

TEST_F(FrameLoopTest, TheTubeComesBackWhenUncoveredRestoredOrResized) {
    // Below where the other window tests, which may run at the same time, put their windows.
    host.move(0, 590);
    QTest::qWait(50);
    const QColor magenta(255, 0, 255);
    QWidget cover(nullptr, Qt::FramelessWindowHint);
    cover.setStyleSheet(QStringLiteral("background: #ff00ff"));
    cover.setGeometry(QRect(viewer->mapToGlobal(QPoint(0, 0)), viewer->size()));
    cover.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&cover));
    QTest::qWait(50);
    ASSERT_EQ(OnScreen(viewer->rect().center()), magenta) << "the cover must hide the viewer";
    cover.hide();
    QTest::qWait(30);
    ExpectTubeOnScreen(magenta, "uncovered");

    host.hide(); // as a window minimised and restored
    QTest::qWait(30);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(viewer->Surface));
    QTest::qWait(30);
    ExpectTubeOnScreen(magenta, "restored");

    // The setter wakes the resting loop, which keeps ticking until the switch.
    ExpectAtRest("restored");
    viewer->ToggledWidth = 600;
    viewer->ToggledHeight = 400;
    viewer->SetSizeToggle(true);
    for (int waited = 0; panel->width() != 600 && waited < 2000; waited += 10) {
        QTest::qWait(10);
    }
    ASSERT_EQ(panel->width(), 600);
    QTest::qWait(30);
    ExpectTubeOnScreen(magenta, "resized");
    ExpectAtRest("resized");
}

} // namespace
