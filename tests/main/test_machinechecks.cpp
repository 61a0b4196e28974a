// Machine profiles at the main window: Ctrl+M and --machine load one and show its name; after
// "Make 3D" the findings are counted under the button, listed on hover and marked in amber.
#include "fsimpipe.h"
#include "machinechecks.h"
#include "mainwindowtest.h"
#include "session.h"

#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>

#include <fstream>

using namespace tubrix;

namespace {

class MachineChecksTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        FrmMain->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(FrmMain));
        checks = FrmMain->findChild<TMachineChecks*>();
        ASSERT_NE(checks, nullptr);
        TMachineChecks::AskPath = [this](QWidget*) { return answer; };
    }

    QString Write(const char* name, const std::string& text) {
        const QString path = folder.filePath(QString::fromLatin1(name));
        std::ofstream(path.toStdString()) << text;
        return path;
    }

    QTemporaryDir folder;
    TMachineChecks* checks = nullptr;
    QString answer;
};

const QString Bender3 = QStringLiteral(TUBRIX_SOURCE_DIR "/docs/examples/bender3.toml");

// The window's initial program on Bender 3: every straight of 30 is short of the clamp's 114,
// and the tail of the collet's 60.
const QString InitialOnBender3 = QStringLiteral("row 1: clamp: straight before the bend 30 < 114\n"
                                                "row 2: clamp: straight before the bend 30 < 114\n"
                                                "row 3: clamp: straight before the bend 30 < 114\n"
                                                "row 4: clamp: straight before the bend 30 < 114\n"
                                                "row 5: tail: tail after the last bend 30 < 60");

TEST_F(MachineChecksTest, CtrlMLoadsAProfileAndMake3DShowsWhatItFinds) {
    QLabel* count = FrmMain->findChild<QLabel*>(QStringLiteral("LblFindings"));
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count->geometry(), QRect(800, 292, 217, 26));
    Make3D();
    EXPECT_EQ(count->text(), QStringLiteral("No findings")) << "no profile: folds and contact only";
    EXPECT_FALSE(checks->LblMachineName->isVisible());

    answer = Bender3;
    QTest::keyClick(FrmMain, Qt::Key_M, Qt::ControlModifier);
    EXPECT_TRUE(TakeMessage().isEmpty());
    // The name at the viewer's top-left corner, and the part shown checked against it at once.
    EXPECT_EQ(checks->LblMachineName->text(), QStringLiteral("Bender 3"));
    EXPECT_TRUE(checks->LblMachineName->isVisible());
    EXPECT_EQ(checks->LblMachineName->parentWidget(), FrmSimPipe);
    EXPECT_LE(checks->LblMachineName->x() + checks->LblMachineName->y(), 4);
    EXPECT_EQ(count->text(), QStringLiteral("5 findings"));
    EXPECT_EQ(PlainTip(count->toolTip()), InitialOnBender3);
    EXPECT_EQ(FrmSimPipe->FaultyStraights.count(), 5u);
    EXPECT_EQ(FrmSimPipe->FaultyBends.count(), 0u);

    // A bend tighter than the tube folds; its bend is marked, and a straight long enough is not.
    FrmMain->EditY2->setText(QStringLiteral("120"));
    FrmMain->EditR2->setText(QStringLiteral("10"));
    Make3D();
    EXPECT_EQ(count->text(), QStringLiteral("6 findings"));
    EXPECT_NE(PlainTip(count->toolTip())
                  .indexOf(QStringLiteral(
                      "row 2: die: no die of radius 10 (the dies are 45, 76)\n"
                      "row 2: fold: bend radius 10 \u2264 tube radius 19: the inner wall folds")),
              -1)
        << PlainTip(count->toolTip()).toStdString();
    EXPECT_FALSE(FrmSimPipe->FaultyStraights[1]);
    EXPECT_TRUE(FrmSimPipe->FaultyBends[1]);
}

TEST_F(MachineChecksTest, CommandLineLoadsTheProfileBeforeTheProgram) {
    const QString program = Write("fold.csv", "diameter,38\n30,0,90,10\n30,0,0,0\n");
    OpenCommandLineProgram(
        {QStringLiteral("tubrix"), QStringLiteral("--machine"), Bender3, program});
    EXPECT_EQ(checks->LblMachineName->text(), QStringLiteral("Bender 3"));
    EXPECT_EQ(InputProgram.Steps[0].R, 10);
    QLabel* count = FrmMain->findChild<QLabel*>(QStringLiteral("LblFindings"));
    // die, clamp and fold on row 1 (30 before the bend), the tail of 30 on row 2.
    EXPECT_EQ(count->text(), QStringLiteral("4 findings"))
        << PlainTip(count->toolTip()).toStdString();
}

TEST_F(MachineChecksTest, TheMirroredPartIsCheckedAsShownAndSaysSo) {
    ASSERT_TRUE(checks->LoadProfile(Bender3));
    // The right-hand part of a pair whose left hand bends on a die the machine lacks: the rows
    // at fault are the same, and the count says which hand was checked.
    FrmMain->EditR3->setText(QStringLiteral("60"));
    QTest::keyClick(FrmMain, Qt::Key_M, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(FrmSimPipe->Mirrored);
    const QLabel* count = FrmMain->findChild<QLabel*>(QStringLiteral("LblFindings"));
    EXPECT_EQ(count->text(), QStringLiteral("6 findings (mirrored part)"));
    EXPECT_NE(PlainTip(count->toolTip()).indexOf(QStringLiteral("row 3: die")), -1);
    EXPECT_EQ(checks->Findings.size(), 6u);
}

TEST_F(MachineChecksTest, AProfileThatDoesNotLoadIsNamedAndChangesNothing) {
    ASSERT_TRUE(checks->LoadProfile(Bender3));
    answer = Write("bad.toml", "name = \"Other\"\nmax_angle = 400\n");
    QTest::keyClick(FrmMain, Qt::Key_M, Qt::ControlModifier);
    EXPECT_NE(TakeMessage().indexOf(QStringLiteral("bad.toml:2:13: max_angle must be")), -1);
    EXPECT_EQ(checks->LblMachineName->text(), QStringLiteral("Bender 3"));
    EXPECT_EQ(FrmMain->Session->Profile()->Name, "Bender 3");
}

} // namespace
