// A STEP part at the main window: opened through tubrix-cli in a child process, the rows filled
// from its tube, the part never written over; a file of several tubes asks which.
#include "frmmain.h"
#include "mainwindowtest.h"
#include "programfiles.h"
#include "session.h"
#include "startup.h"

#include <QCryptographicHash>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

#include <fstream>

using namespace tubrix;

namespace {

class StepPartTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        FrmMain->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(FrmMain));
        files = FrmMain->findChild<TProgramFiles*>();
        TProgramFiles::CliPath = [] { return QStringLiteral(TUBRIX_CLI); };
        TProgramFiles::AskPath = [this](QWidget*, bool forSaving) {
            asked.push_back(forSaving);
            return answer;
        };
        TProgramFiles::AskChoice = [this](QWidget*, const QString& what, const QStringList& items) {
            question = what;
            offered = items;
            return std::optional<int>(1);
        };
    }

    QString Write(const char* name, const std::string& text) {
        const QString path = folder.filePath(QString::fromLatin1(name));
        std::ofstream(path.toStdString()) << text;
        return path;
    }

    // The part of a program file, as tubrix-cli exports it.
    QString Part(const char* program, const char* name) {
        const QString csv = Write("program.csv", program);
        const QString step = folder.filePath(QString::fromLatin1(name));
        QProcess cli;
        cli.start(QStringLiteral(TUBRIX_CLI), {"export", csv, "-o", step});
        EXPECT_TRUE(cli.waitForFinished(60000));
        EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
        return step;
    }

    static QByteArray Digest(const QString& path) {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    }

    QTemporaryDir folder;
    TProgramFiles* files = nullptr;
    QString answer;
    std::vector<bool> asked;
    QString question;
    QStringList offered;
};

// An L of 40 and 25 with a bend of 60 degrees on radius 20, D 10, hollow with a wall of 1. Its
// program starts at the origin and ends at x = -(25 sin 60 + 20 (1 - cos 60)) = -31.65: the
// lead end, smaller in x, is that end, and the part reads back from it.
const char* const Ell = "# wall: 1\ndiameter,10\n40,0,60,20\n25,0,0,20\n";

void ExpectEllBuilt() {
    ASSERT_EQ(InputProgram.StepCount, 2);
    EXPECT_NEAR(InputProgram.TubeDiameter, 10, 1e-9);
    const double want[2][3] = {{25, 60, 20}, {40, 0, 20}};
    for (int i = 0; i < 2; ++i) {
        EXPECT_NEAR(InputProgram.Steps[i].Y, want[i][0], 1e-7) << i;
        EXPECT_NEAR(InputProgram.Steps[i].C, want[i][1], 1e-7) << i;
        EXPECT_NEAR(InputProgram.Steps[i].R, want[i][2], 1e-7) << i;
    }
}

TEST_F(StepPartTest, OpensFromTheCommandLineAndADropAndSavesOnlyAProgram) {
    const QString step = Part(Ell, "ell.STEP");
    const QByteArray before = Digest(step);
    OpenCommandLineProgram({QStringLiteral("tubrix"), step});
    EXPECT_EQ(TakeMessage(), QString());
    ExpectEllBuilt();
    EXPECT_EQ(ShownTitle(), QStringLiteral("Tubrix — ell.STEP"));

    InputProgram = {};
    DropFile(step);
    ExpectEllBuilt();

    // Ctrl+S asks for a program's name; the part is never written. The program keeps the
    // hollow part's wall.
    answer = folder.filePath(QStringLiteral("ell"));
    QTest::keyClick(FrmMain, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(asked, std::vector<bool>{true});
    QFile saved(folder.filePath(QStringLiteral("ell.csv")));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(saved.readAll().contains("# units: mm\n# wall: 1\ndiameter,10\n"));
    EXPECT_EQ(Digest(step), before);
}

TEST_F(StepPartTest, WhatCannotBeReadSaysTheChildsMessageAndChangesNothing) {
    const QString garbage = Write("garbage.step", "not a STEP file\n");
    EXPECT_FALSE(files->OpenProgram(garbage));
    EXPECT_NE(TakeMessage().indexOf(QLatin1String("garbage.step: not a readable STEP file")), -1);
    EXPECT_EQ(FrmMain->EditC4->text(), QStringLiteral("90"));
    EXPECT_EQ(InputProgram.StepCount, 0);

    TProgramFiles::CliPath = [] { return QString(); };
    EXPECT_FALSE(files->OpenProgram(garbage));
    EXPECT_NE(TakeMessage().indexOf(QLatin1String("tubrix-cli was not found")), -1);
}

// A stand-in for tubrix-cli that answers as it does for a file of two tubes.
TEST_F(StepPartTest, AFileOfSeveralTubesAsksWhichListingThem) {
    const QString cli = Write("cli.sh", R"(#!/bin/sh
case "$*" in
*--list*) printf 'solid 1: 6 faces, not a tube (no tube)\nsolid 2: 5 faces, tube, diameter 10, 1 bend, developed length 85.944\nsolid 3: 3 faces, tube, diameter 8, 0 bends, developed length 50\n' ;;
*"--solid 3"*) printf 'diameter,8\nY,B,C,R\n50,0,0,0\n' ;;
*) echo "tubrix-cli: two.step: the file holds 2 tubes (solids 2, 3): choose one with --solid N; ybc --list lists them" >&2; exit 2 ;;
esac
)");
    QFile(cli).setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    TProgramFiles::CliPath = [cli] { return cli; };
    EXPECT_TRUE(files->OpenProgram(folder.filePath(QStringLiteral("two.step"))));
    EXPECT_EQ(question, QStringLiteral("two.step holds 2 tubes. Open which?"));
    ASSERT_EQ(offered.size(), 2);
    EXPECT_TRUE(offered[1].startsWith(QStringLiteral("solid 3: 3 faces, tube, diameter 8")));
    ASSERT_EQ(InputProgram.StepCount, 1);
    EXPECT_EQ(InputProgram.TubeDiameter, 8);
    EXPECT_EQ(InputProgram.Steps[0].Y, 50);
}

// The window's start-up and memory do not pay for Open CASCADE: it does not link it.
TEST(StepPartLinking, TheWindowLinksNoOpenCascadeLibrary) {
    QProcess ldd;
    ldd.start(QStringLiteral("ldd"), {QStringLiteral(TUBRIX_WINDOW)});
    ASSERT_TRUE(ldd.waitForFinished(60000));
    const std::string libraries = ldd.readAllStandardOutput().toStdString();
    EXPECT_NE(libraries.find("libQt6Widgets"), std::string::npos) << libraries;
    EXPECT_EQ(libraries.find("libTK"), std::string::npos) << libraries;
}

} // namespace
