// The bend sequence's step control in the viewer: stepping with the keys, back to the normal
// picture, and a program the file rules refuse named by its field.
#include "fsimpipe.h"
#include "mainwindowtest.h"
#include "sequencesteps.h"

#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

using namespace tubrix;

namespace {

class SequenceStepsTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        steps = FrmMain->findChild<TSequenceSteps*>();
        ASSERT_NE(steps, nullptr);
    }
    void Key(Qt::Key key) { QTest::keyClick(steps->SpinStep, key); }

    TSequenceSteps* steps = nullptr;
};

TEST_F(SequenceStepsTest, KeysStepThroughTheBendsAndEscapeGoesBack) {
    // In the viewer's bottom-left corner, above its GL window.
    const QRect panel = steps->StepPanel->geometry();
    EXPECT_EQ(panel.left(), 1);
    EXPECT_EQ(panel.bottom(), FrmSimPipe->height() - 2);
    EXPECT_TRUE(steps->StepPanel->isVisible());

    Make3D();
    steps->SpinStep->setFocus();
    Key(Qt::Key_Up);
    EXPECT_EQ(steps->Step(), 0);
    EXPECT_NE(FrmSimPipe->StepList, 0u);
    EXPECT_EQ(steps->SpinStep->text(), QStringLiteral("Bend 0 / 4"));
    for (int i = 0; i < 6; ++i) {
        Key(Qt::Key_Up); // held past the last bend it stays there
    }
    EXPECT_EQ(steps->Step(), 4);
    const std::uint64_t frames = FrmSimPipe->FramesDrawn;
    Key(Qt::Key_Down);
    EXPECT_EQ(steps->Step(), 3);
    EXPECT_TRUE(QTest::qWaitFor([&] { return FrmSimPipe->FramesDrawn > frames; }));

    Key(Qt::Key_Escape);
    EXPECT_EQ(steps->Step(), -1);
    EXPECT_EQ(FrmSimPipe->StepList, 0u);
    EXPECT_EQ(steps->SpinStep->text(), QStringLiteral("Part"));
    // The normal picture at its home view.
    EXPECT_FLOAT_EQ(FrmSimPipe->ViewScale,
                    static_cast<float>(FrmSimPipe->ViewProgram.TotalLength * 0.5));
}

TEST_F(SequenceStepsTest, ProgramTheFileRulesRefuseIsNamedAndNotPlayed) {
    FrmMain->EditC3->setText(QStringLiteral("200"));
    Make3D();
    steps->SpinStep->setFocus();
    Key(Qt::Key_Up);
    EXPECT_EQ(steps->Step(), -1);
    EXPECT_EQ(FrmSimPipe->StepList, 0u);
    EXPECT_TRUE(steps->LblStepRefusal->isVisible());
    EXPECT_TRUE(steps->LblStepRefusal->text().startsWith(QStringLiteral("row 3, C:")))
        << steps->LblStepRefusal->text().toStdString();

    // Put right, the same control plays it.
    FrmMain->EditC3->setText(QStringLiteral("90"));
    Make3D();
    EXPECT_FALSE(steps->LblStepRefusal->isVisible());
    Key(Qt::Key_Up);
    EXPECT_EQ(steps->Step(), 0);
}

} // namespace
