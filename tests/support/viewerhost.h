#pragma once

// What the viewer's window tests share: GL matrices read back and composed independently of
// the code under test, and a host window whose panel holds a shown viewer, handed over the way
// the main window does it.
#include "fsimpipe.h"
#include "movpal.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QTest>
#include <QTimer>

#include <array>
#include <cmath>
#include <numbers>

namespace viewertest {

using Matrix4 = std::array<double, 16>; // column-major, as GL keeps it

inline Matrix4 ReadMatrix(GLenum which) {
    Matrix4 m{};
    glGetDoublev(which, m.data());
    return m;
}

inline Matrix4 ModelView() {
    return ReadMatrix(GL_MODELVIEW_MATRIX);
}

inline Matrix4 Identity() {
    return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

// Right-handed rotation about base axis 0 (x), 1 (y) or 2 (z).
inline Matrix4 Rotation(int axis, double degrees) {
    const double a = degrees * std::numbers::pi / 180;
    Matrix4 m = Identity();
    const int i = (axis + 1) % 3, j = (axis + 2) % 3;
    m[4 * i + i] = std::cos(a);
    m[4 * j + j] = std::cos(a);
    m[4 * i + j] = std::sin(a);
    m[4 * j + i] = -std::sin(a);
    return m;
}

inline Matrix4 Translation(double x, double y, double z) {
    Matrix4 m = Identity();
    m[12] = x;
    m[13] = y;
    m[14] = z;
    return m;
}

// a * b: b applied first.
inline Matrix4 Multiply(const Matrix4& a, const Matrix4& b) {
    Matrix4 m{};
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            for (int k = 0; k < 4; ++k) {
                m[4 * c + r] += a[4 * k + r] * b[4 * c + k];
            }
        }
    }
    return m;
}

// The home view's orientation, composed from its two turns as a drag makes them: 45 degrees
// about y, taking the part's right side back, then atan(1 / sqrt 2) about x, bringing its top
// forward. Every later turn and move goes on the left of it, about the screen's axes.
inline Matrix4 HomeRotation() {
    const double tilt = std::atan(1 / std::sqrt(2.0)) * 180 / std::numbers::pi;
    return Multiply(Rotation(0, tilt), Rotation(1, -45));
}

inline void ExpectNear(const Matrix4& actual, const Matrix4& expected, double tolerance) {
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(actual[i], expected[i], tolerance) << "element " << i;
    }
}

// The main window's initial program, with its developed length 150 + 90 pi.
inline BendProgram InitialProgram() {
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

// One application object per test process, of the kind the test asks for.
template <typename Application = QApplication> void EnsureApplication() {
    static int argc = 1;
    static char name[] = "tubrix-tests";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) {
        new Application(argc, argv);
    }
}

// A host window with a panel of the main window's size holding a shown viewer. Frames are
// driven by hand, one tick per call, so every test sees exactly the ticks it asks for: the
// viewer's timer is kept running but no longer ticks the viewer, so neither it nor a wake of
// the paused loop (which ticks at once) adds a tick of its own. LiveFrameLoop gives the timer
// back to the viewer for the tests of the loop itself.
class ViewerHostTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureApplication(); }

    void SetUp() override {
        host.setFixedSize(800, 440);
        panel = new QFrame(&host);
        panel->setGeometry(4, 8, 789, 425);
        viewer = new TFrmSimPipe;
        viewer->HostPanel = panel;
        viewer->PadVisible = true;
        viewer->setParent(panel);
        viewer->move(0, 0);
        host.show();
        viewer->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(viewer->Surface));
        QObject::disconnect(viewer->TmMovPipe, &QTimer::timeout, viewer, nullptr);
        viewer->TmMovPipe->start();
    }

    void LiveFrameLoop() {
        QObject::connect(viewer->TmMovPipe, &QTimer::timeout, viewer, &TFrmSimPipe::TmMovPipeTimer);
        // At rest, as a viewer left alone is: nothing waits to be drawn.
        viewer->TmMovPipe->stop();
        viewer->RequestFrame();
    }

    void TearDown() override {
        SetTickCountSource(nullptr);
        // The size-toggle debounce belongs to the process; leave it as a new viewer expects it.
        SizeToggleApplied = false;
        SizeToggleStage = 0;
        SizeToggleStart = 0;
        delete viewer;
    }

    // A program handed over as "Make 3D" does: a rebuild and the home view.
    void Show(const BendProgram& program) {
        viewer->ViewProgram = program;
        viewer->RebuildModel(true);
    }

    void Ticks(int n) {
        for (int i = 0; i < n; ++i) {
            viewer->TmMovPipeTimer();
            // A tick with nothing to do pauses the timer; keep it from waking with a tick.
            viewer->TmMovPipe->start();
        }
    }

    QWidget host;
    QFrame* panel = nullptr;
    TFrmSimPipe* viewer = nullptr;
};

} // namespace viewertest
