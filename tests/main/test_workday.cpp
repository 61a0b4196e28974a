// The window an operator works in all day: numbers read from their start, a window that grows,
// menus and undo, findings and steps in words, and the files a shop has.
#include "findingspanel.h"
#include "frmmain.h"
#include "fsimpipe.h"
#include "machinechecks.h"
#include "mainwindowtest.h"
#include "numberfield.h"
#include "programfiles.h"
#include "programgrid.h"
#include "programmodel.h"
#include "sequencesteps.h"
#include "session.h"

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QFile>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>
#include <QUndoStack>

#include <GL/gl.h>

#include <array>
#include <fstream>

namespace {

class WorkdayTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        FrmMain->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(FrmMain));
        files = FrmMain->findChild<TProgramFiles*>();
        TProgramFiles::AskPath = [this](QWidget*, bool forSaving) {
            asked.push_back(forSaving);
            return answer;
        };
    }

    QString Write(const char* name, const std::string& text) {
        const QString path = folder.filePath(QString::fromLatin1(name));
        std::ofstream(path.toStdString()) << text;
        return path;
    }

    static QString Status() { return FrmMain->statusBar()->currentMessage(); }
    static bool Marked(const QLineEdit* field) {
        return field->palette().color(QPalette::Base).red() > 200 &&
               field->palette().color(QPalette::Base).green() < 150;
    }
    // Types into a field as the operator does: select it all, then the keys.
    static void Type(QLineEdit* field, const QString& text) {
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
    }

    QTemporaryDir folder;
    TProgramFiles* files = nullptr;
    QString answer;
    std::vector<bool> asked;
};

// The client area at `size`, the bars around it as they are.
void ResizeClient(QSize size) {
    FrmMain->resize(FrmMain->size() + size - FrmMain->ClientArea->size());
    QTest::qWait(50);
    QApplication::processEvents();
}

std::array<double, 16> ModelView() {
    std::array<double, 16> matrix{};
    glGetDoublev(GL_MODELVIEW_MATRIX, matrix.data());
    return matrix;
}

} // namespace

TEST_F(WorkdayTest, ALongNumberShowsItsStartAndSaysItIsCut) {
    const QString longNumber = QStringLiteral("-1234.5678901");
    FrmMain->EditTubeDiameter->setFocus();
    FrmMain->EditY2->setText(longNumber);
    auto* field = qobject_cast<TNumberField*>(FrmMain->EditY2);
    ASSERT_NE(field, nullptr);
    EXPECT_TRUE(field->Cut());
    EXPECT_EQ(field->cursorPosition(), 0);
    const QImage cut = field->grab().toImage();
    // The same field holding only the first characters, which fit: what its start must look like.
    field->setText(QStringLiteral("-12"));
    EXPECT_FALSE(field->Cut());
    const QImage start = field->grab().toImage();
    const int textWidth = field->fontMetrics().horizontalAdvance(QStringLiteral("-12"));
    int differing = 0;
    for (int x = 0; x < textWidth; ++x) {
        for (int y = 0; y < cut.height(); ++y) {
            differing += cut.pixel(x, y) != start.pixel(x, y);
        }
    }
    EXPECT_EQ(differing, 0) << "the left of a cut field draws the number's first characters";
    // Where "-12" ends the cut field goes on with digits and its mark; the short one is blank.
    int inkRight = 0;
    for (int x = cut.width() / 2; x < cut.width() - 3; ++x) {
        for (int y = 3; y < cut.height() - 3; ++y) {
            inkRight += cut.pixel(x, y) != start.pixel(x, y);
        }
    }
    EXPECT_GT(inkRight, 0);
    // On hover the whole text.
    field->setText(longNumber);
    QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), field->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(field, &help);
    EXPECT_TRUE(PlainTip(QToolTip::text()).contains(longNumber)) << QToolTip::text().toStdString();
    QToolTip::hideText();

    // A file opened leaves every field read from its start.
    files->OpenProgram(Write("long.csv", "diameter,12.3456789\nY,B,C,R\n1234.5678901,-148.85921,"
                                         "90.123456,45.654321\n185.762643,0,0,45.654321\n"));
    for (QLineEdit* each : {FrmMain->EditY1, FrmMain->EditB1, FrmMain->EditC1, FrmMain->EditR1,
                            FrmMain->EditY2, FrmMain->EditTubeDiameter}) {
        EXPECT_EQ(each->cursorPosition(), 0) << each->objectName().toStdString();
    }
}

TEST_F(WorkdayTest, AWindowMadeLargerShowsMoreAndKeepsTheView) {
    Make3D();
    const std::array<double, 16> view = ModelView();
    ResizeClient(QSize(1280, 438 + 200));
    EXPECT_EQ(FrmMain->ClientArea->size(), QSize(1280, 638));
    EXPECT_EQ(FrmMain->Panel3D->height(), 425 + 200);
    EXPECT_GT(FrmMain->Panel3D->width(), 789);
    EXPECT_EQ(FrmSimPipe->size(), FrmMain->Panel3D->size() - QSize(2, 2));
    EXPECT_EQ(ModelView(), view) << "the turn, pan and zoom stay";
    // 200 more pixels: seven more rows of 28, with their numbers.
    EXPECT_EQ(FrmMain->Grid->VisibleRows(), 12);
    EXPECT_TRUE(FrmMain->Grid->RowNumber(0)->isVisible());
    EXPECT_EQ(FrmMain->Grid->RowNumber(4)->text(), QStringLiteral("5"));
    // Ten characters of a long number show in a field.
    const QLineEdit* field = FrmMain->EditY1;
    EXPECT_GE(field->contentsRect().width() - 4,
              field->fontMetrics().horizontalAdvance(QStringLiteral("-1234.5678")));
    // Nothing of the column overlaps, and it all stays inside the client area.
    const QRect client = FrmMain->ClientArea->rect();
    const std::vector<QWidget*> column{FrmMain->SBtnMake3D, FrmMain->Image1,
                                       FrmMain->LblDevelopedLength, FrmMain->Grid->ScrollRows,
                                       FrmMain->findChild<QLabel*>(QStringLiteral("LblFindings"))};
    for (QWidget* control : column) {
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->parentWidget(), FrmMain->ClientArea);
        EXPECT_TRUE(client.contains(control->geometry())) << control->objectName().toStdString();
    }
    EXPECT_GT(FrmMain->SBtnMake3D->y(), FrmMain->Grid->Row(11)[0]->geometry().bottom());

    // Back at the first size, every control is where it was.
    ResizeClient(QSize(1024, 438));
    EXPECT_EQ(FrmMain->Grid->VisibleRows(), 5);
    EXPECT_EQ(FrmMain->EditR5->geometry(), QRect(968, 184, 49, 21));
    EXPECT_EQ(FrmMain->SBtnMake3D->geometry(), QRect(944, 216, 73, 33));
    EXPECT_EQ(FrmMain->Image1->geometry(), QRect(800, 320, 216, 113));
    EXPECT_FALSE(FrmMain->Grid->RowNumber(0)->isVisible());

    // The size is remembered between runs; a place off every screen comes back onto one.
    ResizeClient(QSize(1200, 600));
    const QSize remembered = FrmMain->size();
    FrmMain->move(9000, 9000);
    QTest::qWait(50);
    FrmMain->close();
    DestroyForms();
    CreateForms();
    FrmMain->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(FrmMain));
    EXPECT_EQ(FrmMain->size(), remembered);
    EXPECT_TRUE(QGuiApplication::primaryScreen()->geometry().intersects(FrmMain->frameGeometry()));
}

TEST_F(WorkdayTest, EveryActionIsInAMenuWithItsKey) {
    const struct {
        QMenu* Menu;
        QKeySequence Keys;
    } expected[] = {
        {FrmMain->MenuFile, QKeySequence(Qt::CTRL | Qt::Key_O)},
        {FrmMain->MenuFile, QKeySequence(Qt::CTRL | Qt::Key_S)},
        {FrmMain->MenuFile, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
        {FrmMain->MenuFile, QKeySequence(Qt::CTRL | Qt::Key_P)},
        {FrmMain->MenuEdit, QKeySequence(Qt::CTRL | Qt::Key_Z)},
        {FrmMain->MenuEdit, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)},
        {FrmMain->MenuEdit, QKeySequence(Qt::CTRL | Qt::Key_Return)},
        {FrmMain->MenuEdit, QKeySequence(Qt::CTRL | Qt::Key_Delete)},
        {FrmMain->MenuView, QKeySequence(Qt::Key_Return)},
        {FrmMain->MenuView, QKeySequence(Qt::Key_F)},
        {FrmMain->MenuView, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M)},
        {FrmMain->MenuMachine, QKeySequence(Qt::CTRL | Qt::Key_M)},
    };
    for (const auto& item : expected) {
        const QList<QAction*> actions = item.Menu->actions();
        EXPECT_TRUE(std::any_of(actions.begin(), actions.end(),
                                [&](const QAction* a) { return a->shortcut() == item.Keys; }))
            << item.Menu->title().toStdString() << " " << item.Keys.toString().toStdString();
    }
    const QStringList menus{QStringLiteral("&File"), QStringLiteral("&Edit"),
                            QStringLiteral("&View"), QStringLiteral("&Machine"),
                            QStringLiteral("&Help")};
    QStringList titles;
    for (const QAction* menu : FrmMain->menuBar()->actions()) {
        titles << menu->text();
    }
    EXPECT_EQ(titles, menus);

    // Save gives a name without an extension its .csv and says what it did.
    answer = folder.filePath(QStringLiteral("fr220"));
    QTest::keyClick(FrmMain, Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(QFile::exists(answer + QStringLiteral(".csv")));
    EXPECT_EQ(Status(), QStringLiteral("Saved fr220.csv (5 rows)"));
    EXPECT_EQ(ShownTitle(), QStringLiteral("Tubrix — fr220.csv"));

    // A recent file that is gone leaves the list with a word.
    ASSERT_FALSE(files->MenuRecent->actions().isEmpty());
    QFile::remove(answer + QStringLiteral(".csv"));
    files->MenuRecent->actions().front()->trigger();
    EXPECT_NE(TakeMessage().indexOf(QStringLiteral("no longer there")), -1);
    EXPECT_TRUE(files->RecentFiles().isEmpty());
    EXPECT_TRUE(files->MenuRecent->actions().isEmpty());

    // The question before unsaved changes are lost: Enter means Cancel.
    QMessageBox::StandardButton byDefault = QMessageBox::NoButton;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        byDefault = box->standardButton(box->defaultButton());
        QTest::keyClick(box, Qt::Key_Return);
    });
    EXPECT_FALSE(TProgramFiles::AskGoOn(FrmMain, QStringLiteral("Close Tubrix and lose them?")));
    EXPECT_EQ(byDefault, QMessageBox::Cancel);
}

TEST_F(WorkdayTest, UndoAndRedoWalkAnEditSessionBothWays) {
    TProgramModel& program = *FrmMain->Program;
    std::vector<QString> states{program.ClipboardText()};
    const auto step = [&] { states.push_back(program.ClipboardText()); };
    Type(FrmMain->EditY2, QStringLiteral("125")); // three keys, one step
    step();
    Type(FrmMain->EditC3, QStringLiteral("45"));
    step();
    QTest::keyClick(FrmMain->EditC3, Qt::Key_Return, Qt::ControlModifier); // a row after row 3
    step();
    FrmMain->EditY1->setFocus();
    QTest::keyClick(FrmMain->EditY1, Qt::Key_Delete, Qt::ControlModifier); // row 1 goes
    step();
    FrmMain->EditB2->setFocus();
    ASSERT_TRUE(FrmMain->Grid->PasteBlock(QStringLiteral("10\t20\n30\t40\n")));
    step();
    ASSERT_EQ(program.History->count(), 5);
    EXPECT_EQ(ShownTitle(), QStringLiteral("Tubrix*"));

    // Ctrl+Z from a field that was not the one changed, back to the start.
    FrmMain->EditR4->setFocus();
    for (int i = 4; i >= 0; --i) {
        QTest::keyClick(FrmMain->EditR4, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(program.ClipboardText(), states[static_cast<std::size_t>(i)]) << "undo to " << i;
    }
    EXPECT_EQ(ShownTitle(), QStringLiteral("Tubrix")) << "back at the clean state";
    for (int i = 1; i <= 5; ++i) {
        QTest::keyClick(FrmMain->EditR4, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(program.ClipboardText(), states[static_cast<std::size_t>(i)]) << "redo to " << i;
    }
    // The fields show what the program holds after the walk.
    EXPECT_EQ(FrmMain->EditB2->text(), QStringLiteral("10"));

    // Opening a program starts a new history: the file is the clean state.
    ASSERT_TRUE(files->OpenProgram(Write("fresh.csv", "diameter,20\nY,B,C,R\n50,0,90,40\n"
                                                      "60,0,0,40\n")));
    EXPECT_EQ(program.History->count(), 0);
    EXPECT_FALSE(program.Modified());
    EXPECT_EQ(Status(), QStringLiteral("Opened fresh.csv (2 rows)"));
}

TEST_F(WorkdayTest, FilesAUserHasOpenInsteadOfBeingRefused) {
    // An R of 0 on a bending row opens, marked as if it had been typed.
    ASSERT_TRUE(
        files->OpenProgram(Write("r0.csv", "diameter,20\nY,B,C,R\n50,0,90,0\n60,0,0,30\n")));
    EXPECT_TRUE(Marked(FrmMain->EditR1));
    EXPECT_FALSE(Marked(FrmMain->EditY1));
    EXPECT_NE(Status().indexOf(QStringLiteral("1 field marked")), -1) << Status().toStdString();
    // A cell that is not a number still refuses the file, naming line and column.
    EXPECT_FALSE(files->OpenProgram(Write("typo.csv", "diameter,20\nY,B,C,R\n50,0,9x,30\n")));
    EXPECT_NE(TakeMessage().indexOf(QStringLiteral("typo.csv:3:3")), -1);

    // Points from CAD with neither diameter nor radii: both asked for, then the program through
    // the points. Two straights of 100 at a right angle, R 30: each straight loses R tan 45°.
    std::vector<QString> questions;
    TProgramFiles::AskSize = [&](QWidget*, const QString& what) -> std::optional<double> {
        questions.push_back(what);
        return what.contains(QStringLiteral("diameter")) ? 12.0 : 30.0;
    };
    ASSERT_TRUE(files->OpenProgram(Write("bracket.csv", "X,Y,Z\n0,0,0\n100,0,0\n100,100,0\n")));
    EXPECT_EQ(questions.size(), 2u);
    const tubrix::ProgramRows rows = FrmMain->Program->Values();
    ASSERT_EQ(rows.Rows.size(), 2u);
    EXPECT_DOUBLE_EQ(rows.Diameter, 12);
    EXPECT_NEAR(rows.Rows[0].Y, 70, 1e-9);
    EXPECT_NEAR(rows.Rows[0].C, 90, 1e-9);
    EXPECT_NEAR(rows.Rows[0].R, 30, 1e-9);
    EXPECT_NEAR(rows.Rows[1].Y, 70, 1e-9);
    EXPECT_NE(Status().indexOf(QStringLiteral("Read 3 points")), -1) << Status().toStdString();
    // Ctrl+S never writes over the points: it asks for a name.
    answer.clear();
    QTest::keyClick(FrmMain, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(asked, std::vector<bool>{true});

    // Pasted cells: either decimal mark in an English locale, written in the locale's own.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    FrmMain->EditY1->setFocus();
    ASSERT_TRUE(FrmMain->Grid->PasteBlock(QStringLiteral("98,5\t0.5\n")));
    EXPECT_EQ(FrmMain->EditY1->text(), QStringLiteral("98.5"));
    EXPECT_EQ(FrmMain->EditB1->text(), QStringLiteral("0.5"));
    // "1,234" is refused as ambiguous, naming the cell, and nothing changes.
    const QString before = FrmMain->Program->ClipboardText();
    EXPECT_FALSE(FrmMain->Grid->PasteBlock(QStringLiteral("5\t1,234\n")));
    EXPECT_NE(TakeMessage().indexOf(QStringLiteral("cell 2: \"1,234\"")), -1);
    EXPECT_EQ(FrmMain->Program->ClipboardText(), before);
}

TEST_F(WorkdayTest, FindingsAndStepsAreReadInWords) {
    auto* panel = FrmMain->findChild<TFindingsPanel*>();
    auto* checks = FrmMain->findChild<TMachineChecks*>();
    auto* steps = FrmMain->findChild<TSequenceSteps*>();
    ASSERT_TRUE(panel && checks && steps);
    EXPECT_FALSE(panel->Dock->isVisible()) << "hidden at start";
    Make3D();
    EXPECT_FALSE(panel->Dock->isVisible()) << "nothing found: it stays hidden";
    ASSERT_EQ(panel->List->topLevelItemCount(), 1);
    EXPECT_EQ(panel->List->topLevelItem(0)->text(4), QStringLiteral("No findings"));

    // The initial part on Bender 3: straights of 30 under its clamp of 114 and a short tail.
    ASSERT_TRUE(
        checks->LoadProfile(QStringLiteral(TUBRIX_SOURCE_DIR "/docs/examples/bender3.toml")));
    Make3D();
    EXPECT_TRUE(panel->Dock->isVisible());
    ASSERT_EQ(panel->List->topLevelItemCount(), 5);
    const QTreeWidgetItem* first = panel->List->topLevelItem(0);
    EXPECT_EQ(first->text(0), QStringLiteral("1"));
    EXPECT_EQ(first->text(1), QStringLiteral("clamp"));
    EXPECT_EQ(first->text(2), QStringLiteral("30"));
    EXPECT_EQ(first->text(3), QStringLiteral("114"));
    // Every clamp finding marks its straight; choosing the first marks that one alone.
    EXPECT_GE(FrmSimPipe->FaultyStraights.count(), 4u);
    panel->List->setCurrentItem(panel->List->topLevelItem(0));
    EXPECT_TRUE(FrmSimPipe->FaultyStraights.test(0));
    EXPECT_EQ(FrmSimPipe->FaultyStraights.count(), 1u);
    panel->List->clearSelection();
    EXPECT_GE(FrmSimPipe->FaultyStraights.count(), 4u);

    // Bend 2 in words, with the angle to bend to beside the part's: 90 + 1.5 + 0.05 × 90.
    ASSERT_TRUE(steps->ShowStep(2));
    const QString words = steps->LblStepWords->text();
    EXPECT_NE(words.indexOf(QStringLiteral("Bend 2: row 2, feed 30.00")), -1)
        << words.toStdString();
    EXPECT_NE(words.indexOf(QStringLiteral("bend to 96.00 (part 90.00)")), -1)
        << words.toStdString();
    EXPECT_NE(words.indexOf(QStringLiteral("contact")), -1);
    // The grid marks the step's row, and only it.
    const QColor rowTwo = FrmMain->EditY2->palette().color(QPalette::Base);
    EXPECT_NE(rowTwo, FrmMain->EditY3->palette().color(QPalette::Base));
    ASSERT_TRUE(steps->ShowStep(-1));
    EXPECT_EQ(FrmMain->EditY2->palette().color(QPalette::Base),
              FrmMain->EditY3->palette().color(QPalette::Base));
}

TEST_F(WorkdayTest, ALongTooltipStaysOnTheScreen) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    FrmMain->move(screen.right() - FrmMain->frameGeometry().width(), 0);
    QTest::qWait(50);
    QString why;
    for (int i = 0; i < 120; ++i) {
        why += QStringLiteral("word ");
    }
    FrmMain->EditR5->setToolTip(WrappedTip(why));
    const QPoint at = FrmMain->EditR5->mapToGlobal(QPoint(40, 10));
    QHelpEvent help(QEvent::ToolTip, QPoint(40, 10), at);
    QApplication::sendEvent(FrmMain->EditR5, &help);
    QTest::qWait(50);
    const QWidgetList tops = QApplication::topLevelWidgets();
    const auto tip = std::find_if(tops.begin(), tops.end(), [](const QWidget* w) {
        return w->inherits("QTipLabel") && w->isVisible();
    });
    ASSERT_NE(tip, tops.end());
    EXPECT_TRUE(screen.contains((*tip)->geometry())) << (*tip)->geometry().width();
    // Wrapped to a width that reads as a paragraph, not a line across the screen.
    EXPECT_LE((*tip)->width(), screen.width() / 2);
    QToolTip::hideText();
}

// The unit a file says stays in sight; a profile in the other unit checks the part converted,
// and a save keeps the file's unit.
TEST_F(WorkdayTest, TheProgramsUnitIsShownAndNeverMixedWithTheProfiles) {
    const QString path =
        Write("inch.csv", "# units: in\ndiameter,1.5\nY,B,C,R\n4,0,90,2\n10,0,0,0\n");
    ASSERT_TRUE(files->OpenProgram(path));
    const auto* units = FrmMain->findChild<QLabel*>(QStringLiteral("UnitsLabel"));
    ASSERT_NE(units, nullptr);
    EXPECT_EQ(units->text(), QStringLiteral("lengths in in"));

    tubrix::MachineProfile metric;
    metric.Units = tubrix::LengthUnit::Millimetre;
    metric.ClampLength = 114.3; // 4.5 in: the 4 in before the bend is short
    FrmMain->Session->SetProfile(metric, QStringLiteral("mm.toml"));
    QApplication::processEvents();
    ASSERT_NE(FrmMain->Session->Check(), nullptr);
    const std::vector<tubrix::Finding>& findings = FrmMain->Session->Check()->Findings;
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].Rule, tubrix::FindingRule::Clamp);
    EXPECT_DOUBLE_EQ(*findings[0].Limit, 4.5);

    Type(FrmMain->EditY1, QStringLiteral("5"));
    ASSERT_TRUE(files->SaveProgram(path));
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(saved.readAll().startsWith("# units: in\n"));
    // A program that says no unit is taken in the profile's, and that is said.
    ASSERT_TRUE(files->OpenProgram(Write("bare.csv", "diameter,20\nY,B,C,R\n50,0,0,0\n")));
    EXPECT_EQ(units->text(),
              QStringLiteral("bare.csv says no unit: its lengths are taken as mm, the profile's"));
}
