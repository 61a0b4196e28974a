// The window's program of 1 to 100 rows: the field rows scroll over it, rows are added, deleted
// and pasted, fields the program cannot use are marked, and a file keeps its shape.
#include "frmmain.h"
#include "fsimpipe.h"
#include "mainwindowtest.h"
#include "programfiles.h"
#include "programgrid.h"
#include "programmodel.h"
#include "startup.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTemporaryDir>
#include <QWheelEvent>

#include <fstream>
#include <iterator>
#include <numbers>

using namespace tubrix;

namespace {

class ProgramRowsTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        FrmMain->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(FrmMain));
        files = FrmMain->findChild<TProgramFiles*>();
        grid = FrmMain->Grid;
    }

    QString Write(const char* name, const std::string& text) {
        const QString path = folder.filePath(QString::fromLatin1(name));
        std::ofstream(path.toStdString(), std::ios::binary) << text;
        return path;
    }

    static std::string ReadBytes(const QString& path) {
        std::ifstream file(path.toStdString(), std::ios::binary);
        return {std::istreambuf_iterator<char>(file), {}};
    }

    // Rows of Y = 10, 20, ... 120, each a quarter bend on radius 20 but the last.
    QString OpenTwelveRows() {
        std::string text = "diameter,20\n";
        for (int i = 1; i <= 12; ++i) {
            text += std::to_string(10 * i) + (i < 12 ? ",0,90,20\n" : ",0,0,20\n");
        }
        const QString path = Write("twelve.csv", text);
        OpenCommandLineProgram({QStringLiteral("tubrix"), path});
        return path;
    }

    static void Paste(QLineEdit* field, const QString& block) {
        QApplication::clipboard()->setText(block);
        field->setFocus();
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    }

    static bool Marked(const QLineEdit* field) {
        const QColor base = field->palette().color(QPalette::Base);
        return base.red() > 200 && base.green() < 150 && PlainTip(field->toolTip()).contains(u':');
    }

    QTemporaryDir folder;
    TProgramFiles* files = nullptr;
    TProgramGrid* grid = nullptr;
};

TEST_F(ProgramRowsTest, ATwelveRowFileFromTheCommandLineIsBuiltWhole) {
    OpenTwelveRows();
    EXPECT_EQ(FrmMain->Program->RowCount(), 12);
    EXPECT_EQ(InputProgram.StepCount, 12);
    EXPECT_EQ(FrmSimPipe->ViewProgram.StepCount, 12);
    EXPECT_EQ(FrmSimPipe->ViewProgram.Steps[11].Y, 120);
    EXPECT_TRUE(glIsList(1));
    // 780 of straights and eleven quarter bends of radius 20; the last row does not bend.
    const double length = 780 + 11 * 10 * std::numbers::pi;
    EXPECT_EQ(FrmMain->LblDevelopedLength->text(),
              QStringLiteral("Developed length %1").arg(length, 0, 'f', 2));
    EXPECT_EQ(grid->LblRows->text(), QStringLiteral("Rows 1–5 of 12"));
    EXPECT_EQ(FrmMain->EditY5->text(), QStringLiteral("50"));
    EXPECT_TRUE(grid->ScrollRows->isVisible());
    EXPECT_EQ(ShownTitle(), QStringLiteral("Tubrix — twelve.csv"));
}

TEST_F(ProgramRowsTest, TheKeysAndTheWheelScrollPastTheFifthRow) {
    OpenTwelveRows();
    FrmMain->EditB5->setFocus();
    QTest::keyClick(FrmMain->EditB5, Qt::Key_Down);
    EXPECT_EQ(grid->Top(), 1);
    EXPECT_EQ(QApplication::focusWidget(), FrmMain->EditB5);
    EXPECT_EQ(FrmMain->EditY5->text(), QStringLiteral("60")); // row 6
    EXPECT_EQ(grid->LblRows->text(), QStringLiteral("Rows 2–6 of 12"));
    // What is typed into a scrolled field goes to the row it shows.
    FrmMain->EditB5->setText(QStringLiteral("45"));
    EXPECT_EQ(FrmMain->Program->Rows()[5].Cells[1], QStringLiteral("45"));

    QTest::keyClick(FrmMain->EditB5, Qt::Key_PageDown);
    EXPECT_EQ(grid->Top(), 6);
    EXPECT_EQ(FrmMain->EditY5->text(), QStringLiteral("110"));
    QTest::keyClick(FrmMain->EditB5, Qt::Key_PageDown); // stops at the last row
    EXPECT_EQ(grid->Top(), 7);
    EXPECT_EQ(QApplication::focusWidget(), FrmMain->EditB5);

    FrmMain->EditC1->setFocus();
    QTest::keyClick(FrmMain->EditC1, Qt::Key_Up);
    EXPECT_EQ(grid->Top(), 6);
    EXPECT_EQ(QApplication::focusWidget(), FrmMain->EditC1);

    // Two notches towards the operator over the grid: two rows down.
    QWheelEvent wheel(QPointF(922, 138), FrmMain->mapToGlobal(QPointF(922, 138)), QPoint(),
                      QPoint(0, -240), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(FrmMain->ClientArea, &wheel);
    EXPECT_EQ(grid->Top(), 7);
    grid->ScrollRows->setValue(0);
    EXPECT_EQ(FrmMain->EditY1->text(), QStringLiteral("10"));
}

TEST_F(ProgramRowsTest, BlocksPasteDownAndRightOrChangeNothing) {
    // Ctrl+C with nothing selected copies the whole program, which a paste takes back whole.
    FrmMain->EditY1->setFocus();
    QTest::keyClick(FrmMain->EditY1, Qt::Key_C, Qt::ControlModifier);
    const QString copied = QApplication::clipboard()->text();
    EXPECT_EQ(copied, QStringLiteral("diameter\t38\nY\tB\tC\tR\n30\t0\t90\t45\n30\t90\t90\t45\n"
                                     "30\t90\t90\t45\n30\t90\t90\t45\n30\t0\t0\t45\n"));
    FrmMain->Program->RemoveRow(0);
    FrmMain->EditTubeDiameter->setText(QStringLiteral("12"));
    Paste(FrmMain->EditTubeDiameter, copied);
    EXPECT_EQ(FrmMain->EditTubeDiameter->text(), QStringLiteral("38"));
    EXPECT_EQ(FrmMain->Program->RowCount(), 5);
    EXPECT_EQ(FrmMain->EditC1->text(), QStringLiteral("90"));

    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    // Three lines from B4: the third adds row 6, whose other cells are 0.
    Paste(FrmMain->EditB4, QStringLiteral("1.5\t2\n3\t4,5\n7\t8\r\n"));
    EXPECT_TRUE(TakeMessage().isEmpty());
    const auto& rows = FrmMain->Program->Rows();
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(FrmMain->EditB4->text(), QStringLiteral("1,5"));
    EXPECT_EQ(FrmMain->EditC5->text(), QStringLiteral("4,5"));
    EXPECT_EQ(rows[5].Cells, (std::array<QString, 4>{QStringLiteral("0"), QStringLiteral("7"),
                                                     QStringLiteral("8"), QStringLiteral("0")}));
    EXPECT_EQ(rows[3].Cells[0], QStringLiteral("30"));

    const std::vector<ProgramRowTexts> before = rows;
    const struct {
        QLineEdit* field;
        QString block;
        const char* says;
    } refused[] = {
        {FrmMain->EditY5, QStringLiteral("1\n").repeated(97), "Line 97 would be row 101"},
        {FrmMain->EditC1, QStringLiteral("1\t2\t3"), "Line 1, cell 3 runs past the R column"},
        {FrmMain->EditY1, QStringLiteral("1\t2\n3\tx2\n"),
         "Line 2, cell 2: \"x2\" is not a number"},
        {FrmMain->EditY1, QStringLiteral("1\t1.000,5\n"), "Line 1, cell 2"},
    };
    for (const auto& k : refused) {
        Paste(k.field, k.block);
        EXPECT_NE(TakeMessage().indexOf(QLatin1String(k.says)), -1) << k.says;
        ASSERT_EQ(rows.size(), before.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(rows[i].Cells, before[i].Cells) << k.says;
        }
    }

    // One cell's text is pasted by the field itself.
    FrmMain->EditR2->selectAll();
    Paste(FrmMain->EditR2, QStringLiteral("50,5\n"));
    EXPECT_EQ(FrmMain->EditR2->text(), QStringLiteral("50,5"));
}

TEST_F(ProgramRowsTest, RowsAreAddedAndDeletedWithinOneAndAHundred) {
    Make3D();
    ASSERT_TRUE(glIsList(1));
    FrmMain->EditB2->setFocus();
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete, Qt::ControlModifier);
    }
    ASSERT_EQ(FrmMain->Program->RowCount(), 1);
    EXPECT_FALSE(grid->BtnDeleteRow->isEnabled());
    EXPECT_EQ(FrmMain->EditY1->text(), QStringLiteral("30")); // the first row is the one left
    for (const QLineEdit* field : {FrmMain->EditY2, FrmMain->EditR5}) {
        EXPECT_TRUE(field->text().isEmpty());
        EXPECT_FALSE(field->isEnabled());
        EXPECT_FALSE(Marked(field));
    }
    // One row draws nothing: the tube the fields no longer hold goes from the picture.
    Make3D();
    EXPECT_EQ(InputProgram.StepCount, 1);
    EXPECT_FALSE(glIsList(1));
    EXPECT_FALSE(glIsList(2));
    EXPECT_EQ(InputProgram.Steps[1].Y, 0);

    for (int i = 1; i < MaxBendSteps; ++i) {
        QTest::mouseClick(grid->BtnAddRow, Qt::LeftButton);
    }
    ASSERT_EQ(FrmMain->Program->RowCount(), 100);
    EXPECT_FALSE(grid->BtnAddRow->isEnabled());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(FrmMain->Program->RowCount(), 100);
    EXPECT_EQ(grid->LblRows->text(), QStringLiteral("Rows 96–100 of 100"));
    EXPECT_EQ(QApplication::focusWidget(), FrmMain->EditY5);
    // An added row is straight and keeps the radius of the row it follows.
    EXPECT_EQ(FrmMain->Program->Rows()[99].Cells,
              (std::array<QString, 4>{QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"),
                                      QStringLiteral("45")}));
    Make3D();
    EXPECT_EQ(FrmSimPipe->ViewProgram.StepCount, 100);
    EXPECT_TRUE(glIsList(1));
}

TEST_F(ProgramRowsTest, FieldsTheProgramCannotUseAreMarkedCountedAndNeverSaved) {
    // "6O" reads as 60 in a bold face: marked as the operator types, and counted.
    FrmMain->EditC2->setText(QStringLiteral("6O"));
    EXPECT_TRUE(Marked(FrmMain->EditC2));
    EXPECT_NE(PlainTip(FrmMain->EditC2->toolTip()).indexOf(QLatin1String("uses 0")), -1);
    Make3D();
    EXPECT_EQ(InputProgram.Steps[1].C, 0); // drawn as typed: no bend in row 2
    EXPECT_EQ(FrmMain->LblDevelopedLength->text(),
              QStringLiteral("Developed length %1 — 1 field not a number (row 2, C)")
                  .arg(150 + 67.5 * std::numbers::pi, 0, 'f', 2));

    FrmMain->EditR3->setText(QStringLiteral("-45"));
    EXPECT_TRUE(Marked(FrmMain->EditR3));
    EXPECT_FALSE(Marked(FrmMain->EditC3));
    Make3D();
    // Row 3's quarter bend counted with its radius of -45.
    EXPECT_EQ(InputProgram.Steps[2].R, -45);
    EXPECT_EQ(FrmMain->LblDevelopedLength->text(),
              QStringLiteral("Developed length %1 — 2 fields marked (row 2, C; row 3, R)")
                  .arg(150 + 22.5 * std::numbers::pi, 0, 'f', 2));
    EXPECT_NE(PlainTip(FrmMain->LblDevelopedLength->toolTip()).indexOf(QLatin1String("R in row 3")),
              -1);

    const QString path = folder.filePath(QStringLiteral("typo.csv"));
    EXPECT_FALSE(files->SaveProgram(path));
    EXPECT_NE(TakeMessage().indexOf(QLatin1String("C in row 2")), -1);
    EXPECT_FALSE(QFile::exists(path));

    // The fields and the picture differ until Enter runs "Make 3D".
    FrmMain->EditC2->setText(QStringLiteral("60"));
    EXPECT_FALSE(Marked(FrmMain->EditC2));
    EXPECT_NE(
        FrmMain->LblDevelopedLength->text().indexOf(QStringLiteral("changed — press Make 3D")), -1);
    QTest::keyClick(FrmMain->EditC2, Qt::Key_Return);
    EXPECT_EQ(InputProgram.Steps[1].C, 60);
    EXPECT_EQ(FrmMain->LblDevelopedLength->text().indexOf(QLatin1String("changed")), -1);
}

TEST_F(ProgramRowsTest, ASemicolonFileIsSavedBackButForTheChangedNumber) {
    const std::string text = "\xEF\xBB\xBF# bent by hand\r\n"
                             "diameter;42,4\r\n"
                             "Y;B;C;R\r\n"
                             "100;0;90;60,5\r\n"
                             "# the tight one\r\n"
                             "50;90;45;60,5\r\n"
                             "70;0;0;60,5\r\n";
    const QString path = Write("exhaust.csv", text);
    ASSERT_TRUE(files->OpenProgram(path));
    FrmMain->EditC2->setText(QStringLiteral("47.5"));
    QTest::keyClick(FrmMain, Qt::Key_S, Qt::ControlModifier);
    std::string expected = text;
    expected.replace(expected.find("50;90;45"), 8, "50;90;47,5");
    EXPECT_EQ(ReadBytes(path), expected);

    // Someone else writes the file: the next save asks first, and a no writes nothing.
    QTest::qWait(20);
    Write("exhaust.csv", "diameter,1\n1,0,0,1\n");
    std::vector<QString> questions;
    TProgramFiles::AskYesNo = [&](QWidget*, const QString& question) {
        questions.push_back(question);
        return false;
    };
    FrmMain->EditY1->setText(QStringLiteral("101"));
    EXPECT_FALSE(files->SaveProgram(path));
    EXPECT_EQ(ReadBytes(path), "diameter,1\n1,0,0,1\n");
    // Unsaved changes: closing and opening ask, and a no keeps the window and its program.
    FrmMain->close();
    EXPECT_TRUE(FrmMain->isVisible());
    EXPECT_FALSE(files->OpenProgram(path));
    EXPECT_EQ(FrmMain->EditY1->text(), QStringLiteral("101"));
    ASSERT_EQ(questions.size(), 3u);
    EXPECT_NE(questions[0].indexOf(QLatin1String("changed on disk")), -1);
    TProgramFiles::AskYesNo = [](QWidget*, const QString&) { return true; };
}

// Six characters, a sign or a decimal point among them, show whole in every field.
TEST_F(ProgramRowsTest, EveryFieldShowsSixCharactersWhole) {
    for (QLineEdit* field : FrmMain->findChildren<QLineEdit*>()) {
        QStyleOptionFrame option;
        option.initFrom(field);
        option.lineWidth =
            field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, field);
        const QRect contents =
            field->style()->subElementRect(QStyle::SE_LineEditContents, &option, field);
        // The line edit keeps 2 pixels each side of its text and one for the cursor.
        const int room = contents.marginsRemoved(field->textMargins()).width() - 2 * 2 - 1;
        const QFontMetrics metrics(field->font());
        for (const QString& text : {QStringLiteral("250.25"), QStringLiteral("-179.5")}) {
            EXPECT_LE(metrics.horizontalAdvance(text), room)
                << field->objectName().toStdString() << " " << text.toStdString();
        }
        EXPECT_LE(metrics.height(), contents.height());
    }
}

} // namespace
