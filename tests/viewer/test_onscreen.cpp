// What the screen shows of the viewer, and the frame loop on its own timer: it draws while
// something can change the picture and rests otherwise. These tests run alone: another test's
// window over the viewer would both hide it and expose it when it goes.
#include "viewerhost.h"

#include <QElapsedTimer>
#include <QScreen>

#include <functional>

using namespace tubrix;

namespace {

using namespace viewertest;

// The frame loop on its own timer: it draws while something can change the picture and rests
// otherwise.
class FrameLoopTest : public ViewerHostTest {
protected:
    void SetUp() override {
        ViewerHostTest::SetUp();
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
    ExpectNear(ModelView(), Multiply(Rotation(1, static_cast<double>(held)), HomeRotation()), 1e-3);
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

TEST_F(FrameLoopTest, ThePadIsDrawnAboveTheGLWindow) {
    QTest::qWait(100);
    // The middle of the up arrow shows its red glyph, not the picture behind the pad.
    const QColor shown = OnScreen(viewer->BtnUp->mapTo(viewer, viewer->BtnUp->rect().center()));
    EXPECT_GT(shown.red(), shown.green() + 80) << shown.name().toStdString();
    EXPECT_GT(shown.red(), shown.blue() + 80) << shown.name().toStdString();
}

} // namespace
