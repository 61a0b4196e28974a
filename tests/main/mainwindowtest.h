#pragma once

// The application as the operator meets it: the main window with the viewer inside, created
// and shown for each test as start-up does it, and closed after it.
#include "frmmain.h"
#include "programfiles.h"
#include "startup.h"
#include "viewerhost.h"

#include <QDropEvent>
#include <QLocale>
#include <QMessageBox>
#include <QMimeData>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocumentFragment>
#include <QToolButton>
#include <QUrl>

// Failures show texts as texts.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

// The title as the window manager shows it: the [*] placeholder is the unsaved mark.
inline QString ShownTitle() {
    QString title = FrmMain->windowTitle();
    return title.replace(QStringLiteral("[*]"),
                         FrmMain->isWindowModified() ? QStringLiteral("*") : QString());
}

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        viewertest::EnsureApplication<TubrixApplication>();
        // The window's remembered size, place and recent files are the tests' own, apart from
        // the operator's, and each test starts without them.
        static QTemporaryDir settings;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    }

    void SetUp() override {
        QSettings().clear();
        InputProgram = {};
        // Unsaved changes are let go when a test closes the window or opens a file.
        TProgramFiles::AskYesNo = [](QWidget*, const QString&) { return true; };
        CreateForms();
        FrmMain->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(FrmMain));
    }

    void TearDown() override {
        QLocale::setDefault(QLocale::system());
        FrmMain->close();
        DestroyForms();
    }

    static void Make3D() { QTest::mouseClick(FrmMain->SBtnMake3D, Qt::LeftButton); }

    // A file dragged from the file manager and dropped on the window, which must take it.
    static void DropFile(const QString& path) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(FrmMain, &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(FrmMain, &drop);
    }

    // A tooltip as the operator reads it, whether it is rich text or plain.
    static QString PlainTip(const QString& tip) {
        return Qt::mightBeRichText(tip) ? QTextDocumentFragment::fromHtml(tip).toPlainText() : tip;
    }
    // The message the window shows, closed once read; empty when there is none.
    static QString TakeMessage() {
        QString text;
        for (QMessageBox* box : FrmMain->findChildren<QMessageBox*>()) {
            text += box->text();
            box->close();
            delete box;
        }
        return text;
    }
};
