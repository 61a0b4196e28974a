// Ctrl+P at the main window: the setup sheet of what "Make 3D" built, through tubrix-cli.
#include "frmmain.h"
#include "mainwindowtest.h"
#include "setupsheetaction.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>

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

    static QString TakeMessage() {
        QString text;
        for (QMessageBox* box : FrmMain->findChildren<QMessageBox*>()) {
            text += box->text();
            box->close();
            delete box;
        }
        return text;
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
}

TEST_F(SetupSheetTest, RefusesNamingTheFieldAndWritesNothing) {
    QTest::keyClick(FrmMain, Qt::Key_P, Qt::ControlModifier);
    EXPECT_TRUE(TakeMessage().contains(QStringLiteral("Make 3D")));
    FrmMain->EditC2->setText(QStringLiteral("200"));
    Make3D();
    QTest::keyClick(FrmMain, Qt::Key_P, Qt::ControlModifier);
    const QString said = TakeMessage();
    EXPECT_TRUE(said.startsWith(QStringLiteral("Row 2: C, the bend angle"))) << said.toStdString();
    EXPECT_EQ(asked, 0);
    EXPECT_FALSE(QFile::exists(sheet));
}

} // namespace
