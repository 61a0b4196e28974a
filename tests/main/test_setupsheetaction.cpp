// Ctrl+P at the main window: the setup sheet of what "Make 3D" built, through tubrix-cli.
#include "frmmain.h"
#include "machinechecks.h"
#include "mainwindowtest.h"
#include "mirrortoggle.h"
#include "session.h"
#include "setupsheetaction.h"
#include "windowlanguage.h"

#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>

#include <numbers>

using namespace tubrix;

namespace {

class SetupSheetTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        FrmMain->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(FrmMain));
        TSetupSheetAction::CliPath = [] { return QStringLiteral(TUBRIX_CLI); };
        TSetupSheetAction::AskPath = [this](QWidget*) {
            ++asked;
            return sheet;
        };
    }

    static QString Text(const QString& pdf) {
        QProcess process;
        process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, "-"});
        process.waitForFinished(60000);
        return QString::fromUtf8(process.readAllStandardOutput()).simplified();
    }

    QTemporaryDir folder;
    QString sheet = folder.filePath(QStringLiteral("sheet.pdf"));
    int asked = 0;
};

TEST_F(SetupSheetTest, CtrlPWritesWhatMake3DBuiltNotWhatIsTypedSince) {
    FrmMain->EditY1->setText(QStringLiteral("42.5"));
    Make3D();
    FrmMain->EditY1->setText(QStringLiteral("99")); // typed after: not on the sheet
    QTest::keyClick(FrmMain, Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(TakeMessage(), QString());
    const QString words = Text(sheet);
    EXPECT_TRUE(words.contains(QStringLiteral("Tubrix part page 1 of 1"))) << words.toStdString();
    EXPECT_TRUE(words.contains(QStringLiteral("1 42.50 0.00 90.00 45.00"))) << words.toStdString();
    EXPECT_TRUE(words.contains(QStringLiteral("Hand as programmed")));

    // The other hand shown (made again from the fields as they stand): the sheet is of it, and
    // says so.
    FrmMain->findChild<TMirrorToggle*>()->SetMirrored(true);
    QTest::keyClick(FrmMain, Qt::Key_P, Qt::ControlModifier);
    const QString mirrored = Text(sheet);
    EXPECT_TRUE(mirrored.contains(QStringLiteral("Hand mirrored")));
    EXPECT_TRUE(mirrored.contains(QStringLiteral("1 99.00 0.00 90.00 45.00 70.69 2 30.00 -90.00")))
        << mirrored.toStdString();
}

// The German window prints the German sheet, with decimal commas.
TEST_F(SetupSheetTest, TheSheetSpeaksTheWindowsLanguage) {
    FrmMain->close();
    DestroyForms();
    ASSERT_TRUE(SetWindowLanguage(QLocale(QLocale::German, QLocale::Germany)));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    CreateForms();
    FrmMain->show();
    FrmMain->EditY1->setText(QStringLiteral("42,5"));
    Make3D();
    FrmMain->findChild<TSetupSheetAction*>()->PrintSetupSheet(sheet);
    SetWindowLanguage(QLocale::c());
    EXPECT_EQ(TakeMessage(), QString());
    const QString words = Text(sheet);
    EXPECT_TRUE(words.contains(QStringLiteral("Abwicklung"))) << words.toStdString();
    EXPECT_TRUE(words.contains(QStringLiteral("1 42,50 0,00 90,00 45,00"))) << words.toStdString();
}

TEST_F(SetupSheetTest, TheLoadedProfileIsTheSheetsMachine) {
    auto* checks = FrmMain->findChild<TMachineChecks*>();
    ASSERT_TRUE(checks->LoadProfile(QStringLiteral(TUBRIX_SOURCE_DIR) +
                                    QStringLiteral("/docs/examples/bender3.toml")));
    MachineProfile loaded = *FrmMain->Session->Profile();
    loaded.GainPerBend = 1.25; // as loaded, not as the file on disk says
    FrmMain->Session->SetProfile(loaded, FrmMain->Session->ProfileName());
    Make3D();
    ASSERT_TRUE(FrmMain->findChild<TSetupSheetAction*>()->PrintSetupSheet(sheet));
    const QString words = Text(sheet);
    EXPECT_TRUE(words.contains(QStringLiteral("Machine: Bender 3"))) << words.toStdString();
    // Four quarter bends of radius 45 and five straights of 30, less 1.25 in each bend; each
    // bend over-bent by 1.5 + 0.05 x 90.
    const double cut = 5 * 30 + 4 * 45 * std::numbers::pi / 2 - 4 * 1.25;
    EXPECT_TRUE(words.contains(QStringLiteral("Cut length %1").arg(cut, 0, 'f', 2)));
    EXPECT_TRUE(words.contains(QStringLiteral("1 30.00 0.00 90.00 45.00 70.69 0.00 96.00")));
}

TEST_F(SetupSheetTest, RefusesNamingTheFieldAndWritesNothing) {
    QTest::keyClick(FrmMain, Qt::Key_P, Qt::ControlModifier);
    EXPECT_TRUE(TakeMessage().contains(QStringLiteral("Make 3D")));
    // A typo, marked as typed, is named as saving names it; no sheet goes to the floor.
    FrmMain->EditC2->setText(QStringLiteral("6O"));
    Make3D();
    QTest::keyClick(FrmMain, Qt::Key_P, Qt::ControlModifier);
    const QString said = TakeMessage();
    EXPECT_TRUE(said.startsWith(QStringLiteral("C in row 2:"))) << said.toStdString();
    EXPECT_TRUE(said.endsWith(QStringLiteral("No setup sheet was written."))) << said.toStdString();
    EXPECT_EQ(asked, 0);
    EXPECT_FALSE(QFile::exists(sheet));
}

} // namespace
