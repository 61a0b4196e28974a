// A measured part at the main window: Ctrl+K lays it over the part built, with its centre line,
// the pieces past the tolerance in violet and the verdict under "Make 3D"; a new build drops it.
#include "fsimpipe.h"
#include "mainwindowtest.h"
#include "measuredcomparison.h"
#include "session.h"
#include "setupsheetaction.h"
#include "tubemodel.h"
#include "ybc.h"

#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QStatusBar>
#include <QToolTip>

#include <algorithm>
#include <fstream>

using namespace tubrix;

namespace {

class MeasuredComparisonTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        FrmMain->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(FrmMain));
        comparison = FrmMain->findChild<TMeasuredComparison*>();
        ASSERT_NE(comparison, nullptr);
        TMeasuredComparison::AskPath = [this](QWidget*) { return answer; };
    }

    QString Write(const char* name, const std::string& text) {
        const QString path = folder.filePath(QString::fromLatin1(name));
        std::ofstream(path.toStdString()) << text;
        return path;
    }

    // The part built, as its XYZ points, each moved by `shift` (and divided by `scale`, with
    // `head` before them).
    std::string BuiltPoints(Vec3 shift, double scale = 1,
                            const std::string& head = "diameter,38\n") const {
        const std::vector<XyzPoint> points =
            *ProgramToXyz(WalkTube(*FrmMain->Session->BuiltShown()));
        std::string text = head + "X,Y,Z\n";
        for (const XyzPoint& p : points) {
            const Vec3 at = (p.At + shift) * (1 / scale);
            text += std::to_string(at.X) + "," + std::to_string(at.Y) + "," + std::to_string(at.Z) +
                    "\n";
        }
        return text;
    }

    QTemporaryDir folder;
    TMeasuredComparison* comparison = nullptr;
    QString answer;
};

TEST_F(MeasuredComparisonTest, CtrlKLaysTheMeasuredPartOverTheTube) {
    Make3D();
    QLabel* verdict = FrmMain->findChild<QLabel*>(QStringLiteral("LblVerdict"));
    ASSERT_NE(verdict, nullptr);
    EXPECT_TRUE(verdict->text().isEmpty());

    // The part itself, measured elsewhere: it passes, and its line runs through the start of
    // the row the tube is drawn from, the drawing's origin.
    answer = Write("same.csv", BuiltPoints({100, -20, 5}));
    QTest::keyClick(FrmMain, Qt::Key_K, Qt::ControlModifier);
    EXPECT_TRUE(TakeMessage().isEmpty());
    EXPECT_TRUE(verdict->text().startsWith(QStringLiteral("Sheath 0.00 <= 1.00 at row ")))
        << verdict->text().toStdString();
    EXPECT_TRUE(verdict->text().endsWith(QStringLiteral("\u2014 passes")));
    EXPECT_TRUE(verdict->isVisible());
    EXPECT_TRUE(FrmMain->ClientArea->rect().contains(verdict->geometry()));
    EXPECT_TRUE(verdict->toolTip().startsWith(QStringLiteral("Row 1: dY 0.00  dB 0.00")));
    ASSERT_FALSE(FrmSimPipe->MeasuredLine.empty());
    double nearest = INFINITY;
    for (const Vec3 p : FrmSimPipe->MeasuredLine) {
        nearest = std::min(nearest, Length(p));
    }
    EXPECT_LT(nearest, 1e-3);
    EXPECT_TRUE(FrmSimPipe->OutsideBends.none() && FrmSimPipe->OutsideStraights.none());
    EXPECT_EQ(FrmMain->Session->MeasuredPath(), answer);

    // The same part measured from its other end: read in the program's order, and said so.
    QStringList lines = QString::fromStdString(BuiltPoints({100, -20, 5})).split('\n');
    lines.removeAll(QString());
    std::reverse(lines.begin() + 2, lines.end());
    answer = Write("reversed.csv", lines.join('\n').toStdString() + "\n");
    QTest::keyClick(FrmMain, Qt::Key_K, Qt::ControlModifier);
    EXPECT_TRUE(verdict->text().startsWith(QStringLiteral("Sheath 0.00 <= 1.00 at row ")));
    EXPECT_TRUE(verdict->text().endsWith(QStringLiteral("; read from the other end")))
        << verdict->text().toStdString();

    // Its third bend 6 degrees short: past the tolerance, and the pieces that stray in violet.
    answer = Write("short.csv", "diameter,38\nY,B,C,R\n30,0,90,45\n30,90,90,45\n30,90,84,45\n"
                                "30,90,90,45\n30,0,0,45\n");
    QTest::keyClick(FrmMain, Qt::Key_K, Qt::ControlModifier);
    EXPECT_TRUE(TakeMessage().isEmpty());
    EXPECT_TRUE(verdict->text().endsWith(QStringLiteral("\u2014 fails")))
        << verdict->text().toStdString();
    EXPECT_TRUE(FrmSimPipe->OutsideBends.any() || FrmSimPipe->OutsideStraights.any());
    EXPECT_NE(verdict->toolTip().indexOf(QStringLiteral("Row 3: dY 0.00  dB 0.00  dC -6.00")), -1)
        << verdict->toolTip().toStdString();

    // A file that does not match is said, and the comparison on screen stays.
    answer = Write("two.csv", "diameter,38\nX,Y,Z\n0,0,0\n0,0,-100\n");
    QTest::keyClick(FrmMain, Qt::Key_K, Qt::ControlModifier);
    EXPECT_NE(TakeMessage().indexOf(QStringLiteral("2 points")), -1);
    EXPECT_TRUE(verdict->text().endsWith(QStringLiteral("\u2014 fails")));

    // Ctrl+P's sheet inspects the part compared on screen.
    TSetupSheetAction::CliPath = [] { return QStringLiteral(TUBRIX_CLI); };
    const QString sheet = folder.filePath(QStringLiteral("sheet.pdf"));
    ASSERT_TRUE(FrmMain->findChild<TSetupSheetAction*>()->PrintSetupSheet(sheet))
        << TakeMessage().toStdString();
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {sheet, QStringLiteral("-")});
    text.waitForFinished(60000);
    EXPECT_NE(text.readAllStandardOutput().indexOf("Inspection of short.csv"), -1);

    // A new "Make 3D" drops it.
    Make3D();
    EXPECT_TRUE(verdict->text().isEmpty());
    EXPECT_FALSE(verdict->isVisible());
    EXPECT_TRUE(FrmSimPipe->MeasuredLine.empty());
    EXPECT_TRUE(FrmSimPipe->OutsideBends.none() && FrmSimPipe->OutsideStraights.none());
    EXPECT_TRUE(FrmMain->Session->MeasuredPath().isEmpty());
}

TEST_F(MeasuredComparisonTest, AnInchMeasurementOfAMillimetrePartIsComparedInMillimetres) {
    FrmMain->Session->SetUnits(LengthUnit::Millimetre);
    MachineProfile inches;
    inches.Units = LengthUnit::Inch;
    inches.SheathTolerance = 0.15; // 3.81 mm
    FrmMain->Session->SetProfile(inches, QStringLiteral("in.toml"));
    Make3D();
    answer = Write("inches.csv", BuiltPoints({100, -20, 5}, 25.4, "# units: in\n"));
    QTest::keyClick(FrmMain, Qt::Key_K, Qt::ControlModifier);
    EXPECT_TRUE(TakeMessage().isEmpty());
    QLabel* verdict = FrmMain->findChild<QLabel*>(QStringLiteral("LblVerdict"));
    EXPECT_TRUE(verdict->text().startsWith(QStringLiteral("Sheath 0.00 <= 3.81 at row ")))
        << verdict->text().toStdString();
    EXPECT_EQ(FrmMain->statusBar()->currentMessage(),
              QStringLiteral("Compared with inches.csv, its lengths converted from in to mm"));
}

// The middle of a piece of the part shown, in the frame the tube is drawn in: the start of its
// split row at the origin.
Vec3 MiddleAsDrawn(int row, PieceKind kind) {
    const BendProgram shown = FrmSimPipe->ShownProgram();
    const TubeWalk walk = WalkTube(shown);
    const std::vector<Piece> pieces = CentrelinePieces(walk);
    const Piece& piece = pieces[FindPiece(pieces, row, kind)];
    return walk.Steps[static_cast<std::size_t>(SplitStep(shown))].Start.Inverse().Point(
        piece.At(piece.Length / 2));
}

// Whether the picture shows the tube, not the background, at the viewer's pixel (x, y).
bool TubeDrawnAt(double x, double y) {
    FrmSimPipe->RenderFrame();
    const double ratio = FrmSimPipe->Surface->devicePixelRatio();
    GLubyte at[4] = {}, corner[4] = {};
    glReadBuffer(GL_BACK);
    glReadPixels(static_cast<GLint>(x * ratio),
                 static_cast<GLint>((FrmSimPipe->height() - y) * ratio), 1, 1, GL_RGBA,
                 GL_UNSIGNED_BYTE, at);
    glReadPixels(2, 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, corner);
    return std::abs(at[0] - corner[0]) + std::abs(at[1] - corner[1]) + std::abs(at[2] - corner[2]) >
           40;
}

// The tip the viewer shows for a pointer resting at (x, y); empty when it shows none.
QString TipAt(QPoint at) {
    EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }));
    QTest::mouseMove(FrmSimPipe->Surface, at);
    QHelpEvent help(QEvent::ToolTip, at, FrmSimPipe->mapToGlobal(at));
    QApplication::sendEvent(FrmSimPipe, &help);
    const QString tip = QToolTip::isVisible() ? QToolTip::text() : QString();
    QToolTip::hideText();
    return tip;
}

TEST_F(MeasuredComparisonTest, EachBendsDeltasShowWhereThePointerRestsOnTheTube) {
    // A long tail, whose middle lies clear of the last bend from any side.
    FrmMain->EditY5->setText(QStringLiteral("200"));
    Make3D();
    // Every bend short by as many degrees as its row, the tail a millimetre long.
    answer = Write("short.csv", "diameter,38\nY,B,C,R\n30,0,89,45\n30,90,88,45\n30,90,87,45\n"
                                "30,90,86,45\n201,0,0,45\n");
    QTest::keyClick(FrmMain, Qt::Key_K, Qt::ControlModifier);
    ASSERT_TRUE(TakeMessage().isEmpty());
    struct Case {
        int Row;
        PieceKind Kind;
        const char* Tip;
    };
    const Case cases[] = {
        {0, PieceKind::Arc, "Row 1: dY 0.00  dB 0.00  dC -1.00  dR 0.00"},
        {1, PieceKind::Arc, "Row 2: dY 0.00  dB 0.00  dC -2.00  dR 0.00"},
        {2, PieceKind::Arc, "Row 3: dY 0.00  dB 0.00  dC -3.00  dR 0.00"},
        {3, PieceKind::Arc, "Row 4: dY 0.00  dB 0.00  dC -4.00  dR 0.00"},
        {2, PieceKind::Straight, "Row 3: dY 0.00  dB 0.00  dC -3.00  dR 0.00"},
        {4, PieceKind::Straight, "Tail: dY 1.00"},
    };
    for (const Case& c : cases) {
        const std::optional<WindowPoint> at =
            FrmSimPipe->ProjectToWindow(MiddleAsDrawn(c.Row, c.Kind));
        ASSERT_TRUE(at) << c.Tip;
        EXPECT_TRUE(TubeDrawnAt(at->X, at->Y)) << c.Tip;
        EXPECT_EQ(TipAt(QPoint(static_cast<int>(std::lround(at->X)),
                               static_cast<int>(std::lround(at->Y)))),
                  QString::fromUtf8(c.Tip));
    }
    // The numbers as the window writes them in its locale.
    const std::optional<WindowPoint> first =
        FrmSimPipe->ProjectToWindow(MiddleAsDrawn(0, PieceKind::Arc));
    FrmMain->setLocale(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(TipAt(QPoint(static_cast<int>(first->X), static_cast<int>(first->Y))),
              QStringLiteral("Row 1: dY 0,00  dB 0,00  dC -1,00  dR 0,00"));
    FrmMain->setLocale(QLocale::c());
    // Resting there is enough: the viewer asks for the tip itself.
    const std::optional<WindowPoint> bend =
        FrmSimPipe->ProjectToWindow(MiddleAsDrawn(1, PieceKind::Arc));
    QTRY_VERIFY(!QToolTip::isVisible());
    QTest::mouseMove(FrmSimPipe->Surface,
                     QPoint(static_cast<int>(bend->X), static_cast<int>(bend->Y)));
    QTRY_COMPARE(QToolTip::text(), QStringLiteral("Row 2: dY 0.00  dB 0.00  dC -2.00  dR 0.00"));
    QToolTip::hideText();

    // The background has none, and neither has the tube once a new build drops the comparison.
    EXPECT_FALSE(TubeDrawnAt(4, 4));
    EXPECT_EQ(TipAt(QPoint(4, 4)), QString());
    Make3D();
    EXPECT_EQ(TipAt(QPoint(static_cast<int>(bend->X), static_cast<int>(bend->Y))), QString());
}

} // namespace
