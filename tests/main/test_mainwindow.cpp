// The application as the operator meets it: the main window with the viewer inside, on a real
// X display (Xvfb will do).
#include "frmmain.h"
#include "fsimpipe.h"
#include "mainwindowtest.h"
#include "startup.h"
#include "viewerhost.h"

#include "coordtransform.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <cmath>
#include <numbers>
#include <stdexcept>

using namespace tubrix;

namespace {

TEST_F(MainWindowTest, StartsWithTheInitialFieldsAndNoTube) {
    const QLineEdit* const grid[5][4] = {
        {FrmMain->EditY1, FrmMain->EditB1, FrmMain->EditC1, FrmMain->EditR1},
        {FrmMain->EditY2, FrmMain->EditB2, FrmMain->EditC2, FrmMain->EditR2},
        {FrmMain->EditY3, FrmMain->EditB3, FrmMain->EditC3, FrmMain->EditR3},
        {FrmMain->EditY4, FrmMain->EditB4, FrmMain->EditC4, FrmMain->EditR4},
        {FrmMain->EditY5, FrmMain->EditB5, FrmMain->EditC5, FrmMain->EditR5}};
    const char* const texts[5][4] = {{"30", "0", "90", "45"},
                                     {"30", "90", "90", "45"},
                                     {"30", "90", "90", "45"},
                                     {"30", "90", "90", "45"},
                                     {"30", "0", "0", "45"}};
    for (int row = 0; row < 5; ++row) {
        for (int column = 0; column < 4; ++column) {
            EXPECT_EQ(grid[row][column]->text(), QString::fromLatin1(texts[row][column]));
        }
    }
    EXPECT_EQ(FrmMain->EditTubeDiameter->text(), QStringLiteral("38"));
    EXPECT_EQ(ShownTitle(), QStringLiteral("Tubrix"));
    EXPECT_EQ(FrmMain->LblTubeDiameter->text(), QStringLiteral("Tube diameter"));
    EXPECT_EQ(FrmMain->SBtnMake3D->text(), QStringLiteral("Make 3D"));
    EXPECT_EQ(FrmSimPipe->parentWidget(), FrmMain->Panel3D);
    EXPECT_EQ(FrmSimPipe->HostPanel, FrmMain->Panel3D);
    EXPECT_EQ(FrmSimPipe->ViewProgram.StepCount, 0);
    EXPECT_EQ(FrmSimPipe->ViewScale, 0.0f);
    EXPECT_FALSE(glIsList(1));
    QTest::qWait(100);
    EXPECT_GT(FrmSimPipe->FramesDrawn, 0u);
    QTest::qWait(100);
    EXPECT_FALSE(FrmSimPipe->TmMovPipe->isActive()) << "after its first frames the viewer rests";
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(MainWindowTest, HasItsLayoutAtTheFirstSize) {
    // Between the menu bar and the status bar.
    EXPECT_EQ(FrmMain->ClientArea->size(), QSize(1024, 438));
    EXPECT_EQ(FrmMain->ClientArea->y(), FrmMain->menuBar()->height());
    EXPECT_EQ(FrmMain->Panel3D->geometry(), QRect(4, 8, 789, 425));
    EXPECT_EQ(FrmMain->EditTubeDiameter->geometry(), QRect(912, 10, 49, 25));
    EXPECT_EQ(FrmMain->EditC3->geometry(), QRect(912, 128, 49, 21));
    EXPECT_EQ(FrmMain->EditR5->geometry(), QRect(968, 184, 49, 21));
    EXPECT_EQ(FrmMain->SBtnMake3D->geometry(), QRect(944, 216, 73, 33));
    EXPECT_EQ(FrmMain->Image1->geometry(), QRect(800, 320, 216, 113));
    EXPECT_EQ(FrmMain->Image1->pixmap().deviceIndependentSize().toSize(), QSize(216, 113));
    EXPECT_EQ(FrmMain->LblY->font().pixelSize(), 24);
    EXPECT_TRUE(FrmMain->EditY1->font().bold());
    EXPECT_EQ(FrmMain->SBtnMake3D->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(FrmSimPipe->size(), QSize(787, 423));
    // The window refuses to be smaller than that.
    FrmMain->resize(600, 300);
    EXPECT_EQ(FrmMain->ClientArea->size(), QSize(1024, 438));
}

TEST_F(MainWindowTest, Make3DBuildsTheTubeAtTheHomeView) {
    Make3D();
    EXPECT_EQ(InputProgram.TubeDiameter, 38);
    EXPECT_EQ(InputProgram.StepCount, 5);
    EXPECT_NEAR(InputProgram.TotalLength, 150 + 90 * std::numbers::pi, 1e-9);
    EXPECT_EQ(FrmSimPipe->ViewProgram.TotalLength, InputProgram.TotalLength);
    EXPECT_EQ(FrmSimPipe->ViewProgram.Steps[3].B, 90);
    EXPECT_TRUE(glIsList(1));
    EXPECT_TRUE(glIsList(2));
    EXPECT_NEAR(FrmSimPipe->ViewScale, 216.37, 0.01);
}

TEST_F(MainWindowTest, Make3DAgainReturnsToTheHomeView) {
    Make3D();
    const float home = FrmSimPipe->ViewScale;
    QWidget* const held[] = {FrmSimPipe->BtnRight, FrmSimPipe->BtnMovUp, FrmSimPipe->BtnZooP};
    for (QWidget* button : held) {
        QTest::mousePress(button, Qt::LeftButton);
    }
    QTest::qWait(100);
    for (QWidget* button : held) {
        QTest::mouseRelease(button, Qt::LeftButton);
    }
    ASSERT_NE(FrmSimPipe->ViewScale, home);
    Make3D();
    EXPECT_EQ(FrmSimPipe->ViewScale, home);
    viewertest::ExpectNear(viewertest::ModelView(), viewertest::HomeRotation(), 1e-6);
    // The tracked axes are the home turns' inverse: their transpose.
    const Matrix3 axes = CurrentViewAxes();
    const viewertest::Matrix4 homeTurns = viewertest::HomeRotation();
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(axes.m[r][c], homeTurns[4 * r + c], 1e-12);
        }
    }
}

TEST_F(MainWindowTest, UnreadableFieldsGiveTheirDefaults) {
    FrmMain->EditTubeDiameter->setText(QStringLiteral("abc"));
    FrmMain->EditC2->setText(QStringLiteral("ninety"));
    FrmMain->EditY3->clear();
    Make3D();
    EXPECT_EQ(InputProgram.TubeDiameter, 100);
    EXPECT_EQ(InputProgram.Steps[1].C, 0);
    EXPECT_EQ(InputProgram.Steps[2].Y, 0);
    EXPECT_EQ(InputProgram.Steps[1].R, 45) << "the rest of the record is filled as usual";
    // One quarter bend less and one straight less: 120 + 3 * 45 * pi / 2.
    EXPECT_NEAR(InputProgram.TotalLength, 120 + 67.5 * std::numbers::pi, 1e-9);
    FrmMain->EditTubeDiameter->clear();
    Make3D();
    EXPECT_EQ(InputProgram.TubeDiameter, 100);
}

TEST_F(MainWindowTest, HostileTextsGiveDefaultsAndTheWindowGoesOn) {
    for (const char* text : {"nan", "inf", "1e999", "-1e999", "0x20"}) {
        FrmMain->EditTubeDiameter->setText(QString::fromLatin1(text));
        FrmMain->EditR1->setText(QString::fromLatin1(text));
        Make3D();
        EXPECT_EQ(InputProgram.TubeDiameter, 100) << text;
        EXPECT_EQ(InputProgram.Steps[0].R, 0) << text;
        EXPECT_TRUE(std::isfinite(InputProgram.TotalLength)) << text;
    }
    FrmMain->EditY1->setText(QStringLiteral("1e308"));
    FrmMain->EditC1->setText(QStringLiteral("-1e308"));
    Make3D();
    QTest::qWait(50);
    EXPECT_EQ(InputProgram.Steps[0].Y, 1e308);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(MainWindowTest, ADecimalCommaLocaleTakesCommasOnly) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    FrmMain->EditY1->setText(QStringLiteral("2,5"));
    FrmMain->EditY2->setText(QStringLiteral("2.5"));
    Make3D();
    EXPECT_EQ(InputProgram.Steps[0].Y, 2.5);
    EXPECT_EQ(InputProgram.Steps[1].Y, 0);
}

TEST_F(MainWindowTest, TabVisitsTheGridAndEndsAtTheDiameter) {
    FrmMain->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(FrmMain));
    FrmMain->EditY1->setFocus();
    const QLineEdit* const expected[] = {
        FrmMain->EditB1, FrmMain->EditC1, FrmMain->EditR1, FrmMain->EditY2,
        FrmMain->EditY3, FrmMain->EditY4, FrmMain->EditY5, FrmMain->EditB2,
        FrmMain->EditB3, FrmMain->EditB4, FrmMain->EditB5, FrmMain->EditC2,
        FrmMain->EditC3, FrmMain->EditC4, FrmMain->EditC5, FrmMain->EditR2,
        FrmMain->EditR3, FrmMain->EditR4, FrmMain->EditR5, FrmMain->EditTubeDiameter};
    for (const QLineEdit* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next)
            << "expected " << next->objectName().toStdString() << ", got "
            << (QApplication::focusWidget()
                    ? QApplication::focusWidget()->objectName().toStdString()
                    : std::string("nothing"));
    }
}

TEST_F(MainWindowTest, AnEscapedExceptionIsShownAndTheProgramGoesOn) {
    QString shown;
    bool boxSeen = false;
    QTimer::singleShot(200, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            boxSeen = true;
            shown = box->text();
            box->accept();
        }
    });
    struct Throwing : QObject {
        bool event(QEvent*) override { throw std::runtime_error("broken handler"); }
    } target;
    QEvent event(QEvent::User);
    QApplication::sendEvent(&target, &event);
    EXPECT_TRUE(boxSeen);
    EXPECT_EQ(shown, QStringLiteral("broken handler"));
    // The windows still answer.
    Make3D();
    EXPECT_EQ(InputProgram.StepCount, 5);
}

TEST_F(MainWindowTest, TenMakesAndACloseGiveEverythingBack) {
    for (int i = 0; i < 10; ++i) {
        FrmMain->EditY1->setText(QString::number(10 + i));
        Make3D();
        QTest::qWait(15);
    }
    EXPECT_EQ(InputProgram.Steps[0].Y, 19);
    FrmMain->close();
    EXPECT_FALSE(FrmSimPipe->TmMovPipe->isActive());
    EXPECT_EQ(FrmSimPipe->Quadric, nullptr);
    EXPECT_FALSE(OpenGLIsOpen());
}

// Every field, every kind of text an operator can produce: the record gets the field's default
// or the number as typed, the build and the frames run, and the window keeps answering.
TEST_F(MainWindowTest, EveryFieldTakesHostileTextWithoutHarm) {
    QLineEdit* const fields[] = {FrmMain->EditY1, FrmMain->EditB1, FrmMain->EditC1,
                                 FrmMain->EditR1, FrmMain->EditY2, FrmMain->EditB2,
                                 FrmMain->EditC2, FrmMain->EditR2, FrmMain->EditY3,
                                 FrmMain->EditB3, FrmMain->EditC3, FrmMain->EditR3,
                                 FrmMain->EditY4, FrmMain->EditB4, FrmMain->EditC4,
                                 FrmMain->EditR4, FrmMain->EditY5, FrmMain->EditB5,
                                 FrmMain->EditC5, FrmMain->EditR5, FrmMain->EditTubeDiameter};
    const double* const targets[] = {
        &InputProgram.Steps[0].Y, &InputProgram.Steps[0].B, &InputProgram.Steps[0].C,
        &InputProgram.Steps[0].R, &InputProgram.Steps[1].Y, &InputProgram.Steps[1].B,
        &InputProgram.Steps[1].C, &InputProgram.Steps[1].R, &InputProgram.Steps[2].Y,
        &InputProgram.Steps[2].B, &InputProgram.Steps[2].C, &InputProgram.Steps[2].R,
        &InputProgram.Steps[3].Y, &InputProgram.Steps[3].B, &InputProgram.Steps[3].C,
        &InputProgram.Steps[3].R, &InputProgram.Steps[4].Y, &InputProgram.Steps[4].B,
        &InputProgram.Steps[4].C, &InputProgram.Steps[4].R, &InputProgram.TubeDiameter};
    const QString twoHundredDigits(200, u'7');
    const struct {
        QString text;
        bool parses;
        double value;
    } inputs[] = {{QStringLiteral("letters"), false, 0},
                  {QString(), false, 0},
                  {QStringLiteral("nan"), false, 0},
                  {QStringLiteral("inf"), false, 0},
                  {QStringLiteral("1e999"), false, 0},
                  {QStringLiteral("-0"), true, -0.0},
                  {QStringLiteral("1e308"), true, 1e308},
                  {QStringLiteral("-1e308"), true, -1e308},
                  {QStringLiteral("-99999999999999999999"), true, -1e20},
                  {QStringLiteral("2,5"), false, 0},
                  {twoHundredDigits, true, 7.777777777777778e199}};
    for (int f = 0; f < 21; ++f) {
        const double fallback = f == 20 ? 100 : 0;
        for (const auto& input : inputs) {
            fields[f]->setText(input.text);
            Make3D();
            const double expected = input.parses ? input.value : fallback;
            EXPECT_DOUBLE_EQ(*targets[f], expected)
                << fields[f]->objectName().toStdString() << " '" << input.text.toStdString() << "'";
            FrmSimPipe->TmMovPipeTimer();
        }
        fields[f]->setText(f == 20 ? QStringLiteral("38") : QStringLiteral("30"));
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    // Still responding: a normal press works and is drawn.
    const auto frames = FrmSimPipe->FramesDrawn;
    Make3D();
    QTest::qWait(30);
    EXPECT_GT(FrmSimPipe->FramesDrawn, frames);
    EXPECT_TRUE(std::isfinite(InputProgram.TotalLength));
}

// The length to cut: the straights and every bend but the last row's, which is never made.
TEST_F(MainWindowTest, TheDevelopedLengthIsShownAfterMake3D) {
    const QLabel* label = FrmMain->LblDevelopedLength;
    EXPECT_TRUE(label->text().isEmpty()) << "nothing before the first Make 3D";
    // In the right-hand column, below "Make 3D" and above the picture.
    const QRect at = label->geometry();
    EXPECT_TRUE(QRect(800, 0, 224, 438).contains(at));
    EXPECT_GT(at.top(), FrmMain->SBtnMake3D->geometry().bottom());
    EXPECT_LT(at.bottom(), FrmMain->Image1->geometry().top());

    const QLocale c = QLocale::c(), german(QLocale::German, QLocale::Germany);
    const struct {
        const QLocale& locale;
        QLineEdit* field; // each case changes one field and keeps the others' changes
        const char* text;
        const char* shown;
    } cases[] = {
        // 150 + 4 quarter bends of radius 45, 150 + 90 pi; the last row's bend is never made,
        // and the field that asks for it is marked.
        {c, FrmMain->EditC5, "90", "Developed length 432.74 — 1 field out of limits (row 5, C)"},
        {german, FrmMain->EditC5, "0", "Developed length 432,74"},
        // 5120 + 90 pi, without a thousands separator.
        {c, FrmMain->EditY1, "5000", "Developed length 5402.74"},
        {german, FrmMain->EditY1, "5000", "Developed length 5402,74"},
        // Shown as it is, and marked.
        {c, FrmMain->EditY1, "-1000",
         "Developed length -597.26 — 1 field out of limits (row 1, Y)"},
        {c, FrmMain->EditY1, "1e9", "Developed length out of range"},
        {c, FrmMain->EditY1, "-2e9",
         "Developed length out of range — 1 field out of limits (row 1, Y)"},
        {c, FrmMain->EditY1, "1e308", "Developed length out of range"},
        {c, FrmMain->EditR1, "1e308", "Developed length out of range"}, // not finite
    };
    for (const auto& k : cases) {
        QLocale::setDefault(k.locale);
        k.field->setText(QString::fromLatin1(k.text));
        Make3D();
        EXPECT_EQ(label->text().toStdString(), k.shown) << k.text;
    }
}

} // namespace
