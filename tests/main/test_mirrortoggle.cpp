// The other hand of the part in the window (Ctrl+Shift+M), and the view's framing key F, on a
// real X display (Xvfb will do).
#include "fsimpipe.h"
#include "mainwindowtest.h"
#include "mirrortoggle.h"
#include "programfile.h"
#include "programfiles.h"

#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>

#include <vector>

using namespace tubrix;

namespace {

class MirrorToggleTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        // Shortcuts reach only the active window.
        FrmMain->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(FrmMain));
    }

    static void PressMirror() {
        QTest::keyClick(FrmMain, Qt::Key_M, Qt::ControlModifier | Qt::ShiftModifier);
    }
};

struct Spread {
    double MeanX = 0, MeanY = 0, LowX = 1e300, HighX = -1e300, LowY = 1e300, HighY = -1e300;
};

// Where the drawn tube's vertices fall in the window, captured in feedback mode, x to the right
// and y up; with the view reset first, the model's y runs along the window's.
Spread DrawnVertices(bool resetView = true) {
    if (resetView) {
        ReSizeWindows_wh(300, FrmSimPipe->width(), FrmSimPipe->height());
    }
    std::vector<GLfloat> buffer(1 << 23);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    FrmSimPipe->DrawTube();
    const GLint used = glRenderMode(GL_RENDER);
    Spread s;
    int count = 0;
    for (GLint i = 0; i < used;) {
        const auto token = static_cast<GLenum>(buffer[i++]);
        const int vertices = token == GL_POLYGON_TOKEN ? static_cast<int>(buffer[i++])
                             : token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN ? 2
                             : token == GL_PASS_THROUGH_TOKEN                         ? 0
                                                                                      : 1;
        if (token == GL_PASS_THROUGH_TOKEN) {
            ++i;
        }
        for (int v = 0; v < vertices; ++v, i += 3) {
            s.MeanX += buffer[i];
            s.MeanY += buffer[i + 1];
            s.LowX = std::min<double>(s.LowX, buffer[i]);
            s.HighX = std::max<double>(s.HighX, buffer[i]);
            s.LowY = std::min<double>(s.LowY, buffer[i + 1]);
            s.HighY = std::max<double>(s.HighY, buffer[i + 1]);
            ++count;
        }
    }
    s.MeanX /= count;
    s.MeanY /= count;
    return s;
}

// The initial program's first bend lies in the plane of the model's x and z through the cut
// (its first B is 0): the other hand is its reflection in that plane, the model's y negated.
TEST_F(MirrorToggleTest, CtrlShiftMDrawsTheReflectionAndKeepsTheFields) {
    Make3D();
    const double middle = FrmSimPipe->height() / 2.0;
    const Spread typed = DrawnVertices();
    ASSERT_GT(std::fabs(typed.MeanY - middle), 1) << "a part that is its own reflection";

    PressMirror();
    EXPECT_TRUE(FrmSimPipe->Mirrored);
    EXPECT_EQ(FrmMain->EditB2->text(), QStringLiteral("90"));
    EXPECT_EQ(FrmSimPipe->ViewProgram.Steps[1].B, 90);
    EXPECT_EQ(FrmSimPipe->ShownProgram().Steps[1].B, -90);
    const Spread mirrored = DrawnVertices();
    EXPECT_NEAR(mirrored.MeanX, typed.MeanX, 0.01);
    EXPECT_NEAR(mirrored.MeanY - middle, middle - typed.MeanY, 0.01);
    EXPECT_NEAR(mirrored.HighY - middle, middle - typed.LowY, 0.01);

    // The label sits at the viewer's top-right corner, above the picture, only while mirrored.
    const QLabel* label = FrmMain->findChild<TMirrorToggle*>()->LblMirrored;
    EXPECT_TRUE(label->isVisible());
    EXPECT_EQ(label->text(), QStringLiteral("Mirrored"));
    EXPECT_EQ(label->geometry().right(), FrmSimPipe->width() - 2);
    EXPECT_EQ(label->y(), 1);
    EXPECT_TRUE(label->testAttribute(Qt::WA_NativeWindow));

    // "Make 3D" builds the hand that is shown; Ctrl+S saves the fields as typed.
    Make3D();
    EXPECT_NEAR(DrawnVertices().MeanY, mirrored.MeanY, 0.01);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("saved.csv"));
    FrmMain->findChild<TProgramFiles*>()->SaveProgram(path);
    const tubrix::Result<ProgramRows> saved = ReadProgramFile(path.toStdString());
    ASSERT_TRUE(saved) << saved.Failure().ToString();
    EXPECT_EQ(saved->Rows[1].B, 90);

    PressMirror();
    EXPECT_FALSE(FrmSimPipe->Mirrored);
    EXPECT_FALSE(label->isVisible());
    EXPECT_NEAR(DrawnVertices().MeanY, typed.MeanY, 0.01);
}

// F frames the part at the view's present orientation: its box centred and filling 90 % of
// the binding side, the orientation kept; the pad's reset returns to the home view.
TEST_F(MirrorToggleTest, FFramesThePartAndTheResetReturnsHome) {
    Make3D();
    const float home = FrmSimPipe->ViewScale;
    // The fields keep the keyboard until the picture is clicked; then F is the viewer's.
    QTest::keyClick(FrmMain->windowHandle(), Qt::Key_F);
    EXPECT_EQ(FrmSimPipe->ViewScale, home);
    QTest::mouseClick(FrmSimPipe->Surface, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::keyClick(FrmMain->windowHandle(), Qt::Key_F);
    const viewertest::Matrix4 framed = viewertest::ModelView();
    const viewertest::Matrix4 homeTurns = viewertest::HomeRotation();
    for (int i = 0; i < 12; ++i) {
        EXPECT_NEAR(framed[i], homeTurns[i], 1e-6) << i;
    }
    const Spread box = DrawnVertices(false);
    const double w = FrmSimPipe->width(), h = FrmSimPipe->height();
    EXPECT_NEAR((box.LowX + box.HighX) / 2, w / 2, 1);
    EXPECT_NEAR((box.LowY + box.HighY) / 2, h / 2, 1);
    EXPECT_NEAR(std::max((box.HighX - box.LowX) / w, (box.HighY - box.LowY) / h), 0.9, 0.01);
    QTest::mouseClick(FrmSimPipe->BitBtnRest, Qt::LeftButton);
    EXPECT_EQ(FrmSimPipe->ViewScale, home);
    viewertest::ExpectNear(viewertest::ModelView(), homeTurns, 1e-6);
}

TEST_F(MirrorToggleTest, EveryPadButtonSaysWhatItDoes) {
    for (const PadButton* button : FrmSimPipe->MovPal->findChildren<PadButton*>()) {
        EXPECT_FALSE(button->toolTip().isEmpty()) << button->objectName().toStdString();
    }
    EXPECT_EQ(FrmSimPipe->BtnZoo->toolTip(), QStringLiteral("Does nothing"));
    EXPECT_EQ(FrmSimPipe->BitBtn1->toolTip(), QStringLiteral("Does nothing"));
}

} // namespace
