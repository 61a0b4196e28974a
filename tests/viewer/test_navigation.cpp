// The button pad and the mouse drags on the viewer, driven through real mouse events.
#include "coordtransform.h"
#include "movpal.h"
#include "viewerhost.h"

#include <QSpontaneKeyEvent>
#include <QWheelEvent>

#include <GL/glu.h>

#include <algorithm>
#include <climits>
#include <vector>

using namespace tubrix;

namespace {

using namespace viewertest;

bool AnyFlag(const MotionFlagSet& f) {
    return f.HeldLeft || f.HeldRight || f.HeldLeftC || f.HeldRightC || f.HeldDown || f.HeldUp ||
           f.HeldZooP || f.HeldZooM || f.HeldMovLeft || f.HeldMovRight || f.HeldMovUp ||
           f.HeldMovDown;
}

class NavigationTest : public ViewerHostTest {
protected:
    void SetUp() override {
        ViewerHostTest::SetUp();
        // The initial program's developed length, 150 + 90 pi; the view only needs the scale.
        viewer->ViewProgram.TotalLength = 150 + 90 * std::numbers::pi;
        viewer->BitBtnRestClick();
    }

    // Mouse events on the GL window, as the operator's pointer gives them.
    void Press(Qt::MouseButton button, QPoint at) {
        QTest::mousePress(viewer->Surface, button, Qt::NoModifier, at);
    }
    void Move(QPoint at) { QTest::mouseMove(viewer->Surface, at); }
    void Release(Qt::MouseButton button, QPoint at) {
        QTest::mouseRelease(viewer->Surface, button, Qt::NoModifier, at);
    }
    // A turn of the vertical wheel, delivered as the window system delivers it: spontaneous, so
    // that a widget that does not take it passes it on to its parent.
    static void Wheel(QObject* target, QPointF at, int angleDelta) {
        QWheelEvent event(at, at, QPoint(), QPoint(0, angleDelta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QSpontaneKeyEvent::setSpontaneous(&event);
        QCoreApplication::instance()->notify(target, &event);
    }
};

struct MotionButton {
    PadButton* TFrmSimPipe::*button;
    bool MotionFlagSet::*flag;
};

const MotionButton MotionButtons[] = {
    {&TFrmSimPipe::BtnLeftC, &MotionFlagSet::HeldLeftC},
    {&TFrmSimPipe::BtnUp, &MotionFlagSet::HeldUp},
    {&TFrmSimPipe::BtnRightC, &MotionFlagSet::HeldRightC},
    {&TFrmSimPipe::BtnLeft, &MotionFlagSet::HeldLeft},
    {&TFrmSimPipe::BtnRight, &MotionFlagSet::HeldRight},
    {&TFrmSimPipe::BtnZooM, &MotionFlagSet::HeldZooM},
    {&TFrmSimPipe::BtnDown, &MotionFlagSet::HeldDown},
    {&TFrmSimPipe::BtnZooP, &MotionFlagSet::HeldZooP},
    {&TFrmSimPipe::BtnMovRight, &MotionFlagSet::HeldMovRight},
    {&TFrmSimPipe::BtnMovUp, &MotionFlagSet::HeldMovUp},
    {&TFrmSimPipe::BtnMovLeft, &MotionFlagSet::HeldMovLeft},
    {&TFrmSimPipe::BtnMovDown, &MotionFlagSet::HeldMovDown},
};

TEST_F(NavigationTest, ThePadSitsInTheCornerWithItsFifteenButtons) {
    EXPECT_EQ(viewer->MovPal->size(), QSize(137, 216));
    EXPECT_EQ(viewer->MovPal->geometry().bottomRight(),
              QPoint(viewer->width() - 2, viewer->height() - 2));
    const struct {
        PadButton* button;
        int left, top, tabOrder;
    } layout[] = {{viewer->BtnLeftC, 2, 3, 0},     {viewer->BtnUp, 46, 3, 1},
                  {viewer->BtnRightC, 90, 3, 2},   {viewer->BtnLeft, 2, 45, 3},
                  {viewer->BitBtnRest, 46, 45, 4}, {viewer->BtnRight, 90, 45, 5},
                  {viewer->BtnZooM, 2, 88, 6},     {viewer->BtnDown, 46, 88, 7},
                  {viewer->BtnZooP, 90, 88, 8},    {viewer->BtnMovLeft, 2, 131, 11},
                  {viewer->BtnMovUp, 46, 131, 10}, {viewer->BtnMovRight, 90, 131, 9},
                  {viewer->BitBtn1, 2, 174, 14},   {viewer->BtnMovDown, 46, 174, 12},
                  {viewer->BtnZoo, 90, 174, 13}};
    for (const auto& b : layout) {
        EXPECT_EQ(b.button->geometry(), QRect(b.left, b.top, 43, 40)) << b.tabOrder;
        EXPECT_EQ(b.button->TabOrder, b.tabOrder);
        EXPECT_EQ(b.button->cursor().shape(), Qt::PointingHandCursor);
        EXPECT_EQ(b.button->focusPolicy(), Qt::NoFocus);
    }
}

TEST_F(NavigationTest, EveryMouseButtonHoldsAMotionUntilReleased) {
    for (const MotionButton& m : MotionButtons) {
        PadButton* button = viewer->*m.button;
        for (Qt::MouseButton mouse : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
            QTest::mousePress(button, mouse);
            EXPECT_TRUE(viewer->MotionFlags.*m.flag) << button->objectName().toStdString();
            QTest::mouseRelease(button, mouse);
            EXPECT_FALSE(viewer->MotionFlags.*m.flag) << button->objectName().toStdString();
        }
    }
}

TEST_F(NavigationTest, HeldPadButtonsMoveByTheirStepEachTick) {
    const struct {
        PadButton* TFrmSimPipe::*button;
        Matrix4 (*expected)(int ticks, double scale);
    } cases[] = {
        {&TFrmSimPipe::BtnLeftC, [](int n, double) { return Rotation(2, n); }},
        {&TFrmSimPipe::BtnRightC, [](int n, double) { return Rotation(2, -n); }},
        {&TFrmSimPipe::BtnLeft, [](int n, double) { return Rotation(1, -n); }},
        {&TFrmSimPipe::BtnRight, [](int n, double) { return Rotation(1, n); }},
        {&TFrmSimPipe::BtnUp, [](int n, double) { return Rotation(0, -n); }},
        {&TFrmSimPipe::BtnDown, [](int n, double) { return Rotation(0, n); }},
        {&TFrmSimPipe::BtnMovRight, [](int n, double s) { return Translation(n * s, 0, 0); }},
        {&TFrmSimPipe::BtnMovLeft, [](int n, double s) { return Translation(-n * s, 0, 0); }},
        {&TFrmSimPipe::BtnMovUp, [](int n, double s) { return Translation(0, n * s, 0); }},
        {&TFrmSimPipe::BtnMovDown, [](int n, double s) { return Translation(0, -n * s, 0); }},
    };
    for (const auto& c : cases) {
        viewer->BitBtnRestClick();
        const double panStep = viewer->ViewScale * 0.003;
        PadButton* button = viewer->*c.button;
        QTest::mousePress(button, Qt::LeftButton);
        Ticks(7);
        QTest::mouseRelease(button, Qt::LeftButton);
        Ticks(3); // released: no more motion
        ExpectNear(ModelView(), Multiply(c.expected(7, panStep), HomeRotation()), 1e-4);
    }
    viewer->BitBtnRestClick();
    const float home = viewer->ViewScale;
    QTest::mousePress(viewer->BtnZooP, Qt::RightButton);
    Ticks(5);
    QTest::mouseRelease(viewer->BtnZooP, Qt::RightButton);
    EXPECT_NEAR(viewer->ViewScale, home * std::pow(0.99, 5), 1e-3);
    QTest::mousePress(viewer->BtnZooM, Qt::MiddleButton);
    Ticks(5);
    QTest::mouseRelease(viewer->BtnZooM, Qt::MiddleButton);
    EXPECT_NEAR(viewer->ViewScale, home * std::pow(0.99, 5) * std::pow(1.01, 5), 1e-3);
}

TEST_F(NavigationTest, ResetButtonReturnsHomeAndLeavesFlagsAndDrags) {
    QTest::mousePress(viewer->BitBtnRest, Qt::LeftButton);
    EXPECT_FALSE(AnyFlag(viewer->MotionFlags)) << "pressing the reset button holds nothing";
    QTest::mouseRelease(viewer->BitBtnRest, Qt::LeftButton);
    EXPECT_FALSE(AnyFlag(viewer->MotionFlags));

    const float home = viewer->ViewScale;
    viewer->MotionFlags.HeldRight = true;
    viewer->MotionFlags.HeldZooP = true;
    viewer->MotionFlags.HeldMovUp = true;
    Ticks(10);
    viewer->RotateDrag = true;
    viewer->PanDrag = true;
    QTest::mouseClick(viewer->BitBtnRest, Qt::LeftButton);
    EXPECT_EQ(viewer->ViewScale, home);
    ExpectNear(ModelView(), HomeRotation(), 1e-6);
    EXPECT_TRUE(viewer->MotionFlags.HeldRight);
    EXPECT_TRUE(viewer->MotionFlags.HeldZooP);
    EXPECT_TRUE(viewer->RotateDrag);
    EXPECT_TRUE(viewer->PanDrag);
}

TEST_F(NavigationTest, ButtonsWithoutAMotionDoNothing) {
    viewer->MotionFlags.HeldRight = true;
    Ticks(4);
    const Matrix4 before = ModelView();
    viewer->MotionFlags = {};
    for (PadButton* idle : {viewer->BtnZoo, viewer->BitBtn1}) {
        for (Qt::MouseButton mouse : {Qt::LeftButton, Qt::RightButton}) {
            QTest::mouseClick(idle, mouse);
        }
    }
    EXPECT_FALSE(AnyFlag(viewer->MotionFlags));
    ExpectNear(ModelView(), before, 0);
    // A sender that is not a pad button, or a TabOrder outside the motions, changes nothing.
    viewer->BtnUpMouseDown(viewer->MovPal);
    viewer->BtnUpMouseDown(viewer->BitBtnRest);
    viewer->BtnUpMouseDown(viewer->BtnZoo);
    EXPECT_FALSE(AnyFlag(viewer->MotionFlags));
}

TEST_F(NavigationTest, RightDragPansByThePixelsMoved) {
    Press(Qt::RightButton, QPoint(200, 150));
    EXPECT_TRUE(viewer->PanDrag);
    Move(QPoint(210, 155));
    ExpectNear(ModelView(), Multiply(Translation(10, -5, 0), HomeRotation()), 1e-5);
    // A move reported at the same place (the toolkit folds those, so the handler is called
    // directly) pans by 0 on both axes.
    viewer->FormMouseMove(210, 155);
    ExpectNear(ModelView(), Multiply(Translation(10, -5, 0), HomeRotation()), 1e-5);
    EXPECT_EQ(viewer->PanLastX, 210);
    EXPECT_EQ(viewer->PanLastY, 155);
    Move(QPoint(190, 175));
    ExpectNear(ModelView(), Multiply(Translation(-10, -25, 0), HomeRotation()), 1e-5);
    Release(Qt::RightButton, QPoint(190, 175));
    EXPECT_FALSE(viewer->PanDrag);
    Move(QPoint(300, 300));
    ExpectNear(ModelView(), Multiply(Translation(-10, -25, 0), HomeRotation()), 1e-5);
}

TEST_F(NavigationTest, PanningTurnedViewStillMovesAlongTheScreen) {
    viewer->MotionFlags.HeldRight = true;
    Ticks(90);
    viewer->MotionFlags = {};
    Press(Qt::RightButton, QPoint(100, 100));
    Move(QPoint(130, 100));
    // The tube turned a quarter about y, then moved 30 along the screen's x.
    ExpectNear(ModelView(),
               Multiply(Multiply(Translation(30, 0, 0), Rotation(1, 90)), HomeRotation()), 1e-3);
    Release(Qt::RightButton, QPoint(130, 100));
}

TEST_F(NavigationTest, LeftDragTurnsTwoDegreesPerEventBySignOnly) {
    // The first move compares with the last position of the previous drag, (0, 0) at first,
    // not with the press: a pixel's move after the press turns about both axes.
    Press(Qt::LeftButton, QPoint(100, 100));
    EXPECT_TRUE(viewer->RotateDrag);
    Move(QPoint(101, 101));
    Matrix4 expected = Multiply(Multiply(Rotation(0, 2), Rotation(1, 2)), HomeRotation());
    ExpectNear(ModelView(), expected, 1e-5);
    // Horizontal: only about y, however far.
    Move(QPoint(300, 101));
    expected = Multiply(Rotation(1, 2), expected);
    ExpectNear(ModelView(), expected, 1e-5);
    // Diagonal up-left: about y and x, negative.
    Move(QPoint(299, 90));
    expected = Multiply(Rotation(0, -2), Multiply(Rotation(1, -2), expected));
    ExpectNear(ModelView(), expected, 1e-5);
    Release(Qt::LeftButton, QPoint(299, 90));
    EXPECT_FALSE(viewer->RotateDrag);

    // A new drag compares with (299, 90): pressing at (50, 50) and moving a pixel turns -2, -2.
    Press(Qt::LeftButton, QPoint(50, 50));
    Move(QPoint(51, 51));
    expected = Multiply(Rotation(0, -2), Multiply(Rotation(1, -2), expected));
    ExpectNear(ModelView(), expected, 1e-5);
    Release(Qt::LeftButton, QPoint(51, 51));
}

TEST_F(NavigationTest, AnyReleaseEndsBothDrags) {
    Press(Qt::LeftButton, QPoint(10, 10));
    Press(Qt::RightButton, QPoint(10, 10));
    EXPECT_TRUE(viewer->RotateDrag);
    EXPECT_TRUE(viewer->PanDrag);
    Release(Qt::MiddleButton, QPoint(10, 10));
    EXPECT_FALSE(viewer->RotateDrag);
    EXPECT_FALSE(viewer->PanDrag);
    // A middle press starts nothing.
    Press(Qt::MiddleButton, QPoint(20, 20));
    EXPECT_FALSE(viewer->RotateDrag);
    EXPECT_FALSE(viewer->PanDrag);
    Release(Qt::MiddleButton, QPoint(20, 20));
}

TEST_F(NavigationTest, PadPanFollowsTheScale) {
    const double home = viewer->ViewScale;
    QTest::mousePress(viewer->BtnMovRight, Qt::LeftButton);
    Ticks(1);
    EXPECT_NEAR(ModelView()[12], 0.003 * home, 1e-5);
    QTest::mouseRelease(viewer->BtnMovRight, Qt::LeftButton);
    viewer->BitBtnRestClick();
    viewer->MotionFlags.HeldZooP = true;
    Ticks(20);
    viewer->MotionFlags = {};
    const double zoomed = viewer->ViewScale;
    ASSERT_LT(zoomed, home);
    const double x = ModelView()[12];
    QTest::mousePress(viewer->BtnMovRight, Qt::LeftButton);
    Ticks(1);
    QTest::mouseRelease(viewer->BtnMovRight, Qt::LeftButton);
    EXPECT_NEAR(ModelView()[12] - x, 0.003 * zoomed, 1e-5);
}

TEST_F(NavigationTest, ANotchOfTheWheelIsTenTicksOfTheZoomRows) {
    const struct {
        std::vector<int> deltas;
        int ticks; // of BtnZooP; negative for BtnZooM
    } cases[] = {
        {{120}, 10},
        {{-120}, -10},
        {{30, 30, 30, 30}, 10}, // a high-resolution wheel: four events make a notch
        {{8, 8, 8}, 2},         // parts of a tick add up
        {{-5, -5, -5}, -1},     // the last 3 wait for the next event
        {{-9}, -1},             // ... and make a whole tick with it
    };
    for (const auto& c : cases) {
        viewer->BitBtnRestClick();
        float expected = viewer->ViewScale;
        for (int i = 0; i < std::abs(c.ticks); ++i) {
            const double change = expected * 0.01;
            expected = static_cast<float>(c.ticks > 0 ? expected - change : expected + change);
        }
        for (int delta : c.deltas) {
            Wheel(viewer->Surface, QPointF(300, 200), delta);
        }
        EXPECT_EQ(viewer->ViewScale, expected) << c.deltas.size() << " events, " << c.ticks;
    }
}

TEST_F(NavigationTest, TheWheelZoomsAboutThePointUnderTheCursor) {
    // A view turned, moved and zoomed by the pad first.
    viewer->MotionFlags.HeldRight = true;
    viewer->MotionFlags.HeldUp = true;
    viewer->MotionFlags.HeldZooP = true;
    viewer->MotionFlags.HeldMovLeft = true;
    Ticks(25);
    viewer->MotionFlags = {};
    const double ratio = viewer->Surface->devicePixelRatio();
    const double w = viewer->width(), h = viewer->height();
    for (const QPointF cursor : {QPointF(w / 2, h / 2), QPointF(10, 12), QPointF(15, h - 9)}) {
        for (int delta : {120, -240}) {
            // The model point under the cursor at the depth of the model's origin, by GLU.
            Matrix4 view = ModelView(), projection = ReadMatrix(GL_PROJECTION_MATRIX);
            GLint viewport[4];
            glGetIntegerv(GL_VIEWPORT, viewport);
            double x, y, depth, model[3];
            gluProject(0, 0, 0, view.data(), projection.data(), viewport, &x, &y, &depth);
            gluUnProject(cursor.x() * ratio, viewport[3] - cursor.y() * ratio, depth, view.data(),
                         projection.data(), viewport, &model[0], &model[1], &model[2]);
            Wheel(viewer->Surface, cursor, delta);
            const Matrix4 zoomed = ModelView();
            projection = ReadMatrix(GL_PROJECTION_MATRIX);
            gluProject(model[0], model[1], model[2], zoomed.data(), projection.data(), viewport, &x,
                       &y, &depth);
            EXPECT_NEAR(x / ratio, cursor.x(), 1.0) << cursor.x() << "," << cursor.y();
            EXPECT_NEAR((viewport[3] - y) / ratio, cursor.y(), 1.0)
                << cursor.x() << "," << cursor.y();
            for (int i : {0, 1, 2, 4, 5, 6, 8, 9, 10}) {
                EXPECT_EQ(zoomed[i], view[i]) << "the orientation is kept bit for bit";
            }
        }
    }
}

TEST_F(NavigationTest, TheWheelDoesNothingOverThePadOrOnAnEmptyTube) {
    viewer->MotionFlags.HeldRight = true;
    Ticks(10);
    viewer->MotionFlags = {};
    const float scale = viewer->ViewScale;
    const Matrix4 view = ModelView();
    for (QWidget* onPad : std::initializer_list<QWidget*>{viewer->BtnZooP, viewer->MovPal}) {
        Wheel(onPad, QPointF(1, 1), 240);
    }
    EXPECT_EQ(viewer->ViewScale, scale);
    ExpectNear(ModelView(), view, 0);

    viewer->ViewProgram.TotalLength = 0;
    viewer->BitBtnRestClick();
    Wheel(viewer->Surface, QPointF(20, 30), -240);
    EXPECT_EQ(viewer->ViewScale, 0.0f);
    ExpectNear(ModelView(), HomeRotation(), 1e-6);

    // However far the wheel turns at once, the zoom ends and the view stays a view.
    viewer->ViewProgram.TotalLength = 432.74;
    viewer->BitBtnRestClick();
    for (int delta : {INT_MAX, INT_MIN, INT_MIN}) {
        Wheel(viewer->Surface, QPointF(20, 30), delta);
        EXPECT_GT(viewer->ViewScale, 0.0f);
        EXPECT_TRUE(std::isfinite(viewer->ViewScale));
        EXPECT_TRUE(std::ranges::all_of(ModelView(), [](double m) { return std::isfinite(m); }));
    }
}

} // namespace
