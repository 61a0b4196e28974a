// Bend program files at the main window: open from the command line, Ctrl+O and a drop; save
// with Ctrl+S and Ctrl+Shift+S; what cannot be opened or saved changes nothing.
#include "frmmain.h"
#include "mainwindowtest.h"
#include "programfile.h"
#include "programfiles.h"
#include "session.h"
#include "startup.h"
#include "strtofloatdef.h"

#include <QDropEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>

#include <fstream>

using namespace tubrix;

namespace {

class ProgramFilesTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        // Shortcuts reach only the active window.
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

    QTemporaryDir folder;
    TProgramFiles* files = nullptr;
    QString answer;
    std::vector<bool> asked;
};

const char* const ShortProgram = "diameter,12.5\n0.1,-0,90,1e-7\n123456789.123,45,0,2\n";

void ExpectShortProgramInTheFields() {
    // The two rows given, each field reading back as the file's double; the other field rows
    // empty and disabled.
    const QLineEdit* const filled[] = {FrmMain->EditY1, FrmMain->EditB1, FrmMain->EditC1,
                                       FrmMain->EditR1, FrmMain->EditY2, FrmMain->EditB2,
                                       FrmMain->EditC2, FrmMain->EditR2};
    const double values[] = {0.1, -0.0, 90, 1e-7, 123456789.123, 45, 0, 2};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(StrToFloatDef(filled[i]->text(), 99), values[i])
            << filled[i]->text().toStdString();
    }
    for (const QLineEdit* unused : {FrmMain->EditY3, FrmMain->EditC4, FrmMain->EditR5}) {
        EXPECT_TRUE(unused->text().isEmpty());
        EXPECT_FALSE(unused->isEnabled());
    }
    // And "Make 3D" was pressed with them.
    EXPECT_EQ(InputProgram.StepCount, 2);
    EXPECT_EQ(InputProgram.TubeDiameter, 12.5);
    EXPECT_EQ(InputProgram.Steps[1].Y, 123456789.123);
    EXPECT_EQ(ShownTitle(), QStringLiteral("Tubrix — short.csv"));
}

TEST_F(ProgramFilesTest, OpensFromTheCommandLineCtrlOAndADrop) {
    const QString path = Write("short.csv", ShortProgram);
    OpenCommandLineProgram({QStringLiteral("tubrix"), path});
    ExpectShortProgramInTheFields();
    EXPECT_EQ(FrmMain->Session->Path(), path);

    InputProgram = {};
    FrmMain->EditY1->setText(QStringLiteral("7"));
    answer = path;
    QTest::keyClick(FrmMain, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(asked, std::vector<bool>{false});
    ExpectShortProgramInTheFields();

    InputProgram = {};
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    DropFile(path);
    EXPECT_EQ(FrmMain->EditY1->text(), QStringLiteral("0,1")); // the German decimal comma
    ExpectShortProgramInTheFields();
    EXPECT_TRUE(TakeMessage().isEmpty());
}

TEST_F(ProgramFilesTest, WhatCannotBeOpenedChangesNothing) {
    std::string tooLong = "diameter,10\n";
    for (int i = 0; i < 101; ++i) {
        tooLong += "10,0,0,5\n";
    }
    const struct {
        QString path;
        const char* says;
    } cases[] = {{Write("long.csv", tooLong), "more than 100 rows"},
                 {Write("bad.csv", "diameter,10\n10,0,90,x\n10,0,0,5\n"), "bad.csv:2:4"},
                 {folder.filePath(QStringLiteral("missing.csv")), "missing.csv"}};
    for (const auto& c : cases) {
        EXPECT_FALSE(files->OpenProgram(c.path));
        EXPECT_NE(TakeMessage().indexOf(QLatin1String(c.says)), -1) << c.says;
        EXPECT_EQ(FrmMain->EditTubeDiameter->text(), QStringLiteral("38"));
        EXPECT_EQ(FrmMain->EditC4->text(), QStringLiteral("90"));
        EXPECT_EQ(InputProgram.StepCount, 0);
    }
}

TEST_F(ProgramFilesTest, SavesWhatMake3DWouldBuildAndAsksOnlyWhenItMust) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    FrmMain->EditY2->setText(QStringLiteral("30,25"));
    answer = folder.filePath(QStringLiteral("saved.csv"));
    QTest::keyClick(FrmMain, Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(FrmMain, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(asked, std::vector<bool>{true}); // the second save goes to the same file
    const tubrix::Result<ProgramRows> saved = ReadProgramFile(answer.toStdString());
    ASSERT_TRUE(saved) << saved.Failure().ToString();
    EXPECT_EQ(saved->Diameter, 38);
    ASSERT_EQ(saved->Rows.size(), 5u);
    EXPECT_EQ(saved->Rows[1].Y, 30.25);
    EXPECT_EQ(saved->Rows[3].B, 90);
    EXPECT_EQ(saved->Rows[4].C, 0);

    answer = folder.filePath(QStringLiteral("other.csv"));
    QTest::keyClick(FrmMain, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(asked, (std::vector<bool>{true, true}));
    EXPECT_TRUE(QFile::exists(answer));
    EXPECT_EQ(FrmMain->Session->Path(), answer);
}

TEST_F(ProgramFilesTest, AFieldAFileCannotHoldIsNamedAndNothingIsWritten) {
    const struct {
        QLineEdit* field;
        const char* text;
        const char* says;
    } cases[] = {{FrmMain->EditTubeDiameter, "0", "Tube diameter"},
                 {FrmMain->EditY3, "-1", "Y in row 3"},
                 {FrmMain->EditC2, "181", "C in row 2"},
                 {FrmMain->EditR4, "0", "R in row 4"}};
    answer = folder.filePath(QStringLiteral("never.csv"));
    for (const auto& c : cases) {
        const QString before = c.field->text();
        c.field->setText(QString::fromLatin1(c.text));
        EXPECT_FALSE(files->SaveProgram(answer));
        EXPECT_NE(TakeMessage().indexOf(QLatin1String(c.says)), -1) << c.says;
        c.field->setText(before);
    }
    EXPECT_FALSE(QFile::exists(answer));
    EXPECT_TRUE(asked.empty());
}

} // namespace
