// The window's words: in English exactly as they have always been, in German every one of them
// translated and none cut by its control.
#include "mainwindowtest.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAction>
#include <QDockWidget>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

// Every text the operator can read on the window as it stands, one per line, as
// "object: kind: text", sorted: titles, labels, buttons, actions and menus with their tooltips,
// the findings' heads and rows. The fields' own numbers are the program, not words.
QStringList WindowTexts() {
    QStringList texts;
    const auto add = [&texts](const QObject* object, const char* kind, const QString& text) {
        if (!text.isEmpty()) {
            texts << QStringLiteral("%1: %2: %3")
                         .arg(object->objectName().isEmpty()
                                  ? QString::fromLatin1(object->metaObject()->className())
                                  : object->objectName(),
                              QString::fromLatin1(kind), text);
        }
    };
    QList<QWidget*> widgets = FrmMain->findChildren<QWidget*>();
    widgets.prepend(FrmMain);
    for (const QWidget* widget : widgets) {
        if (widget->isWindow() || qobject_cast<const QDockWidget*>(widget)) {
            add(widget, "title", widget->windowTitle());
        }
        add(widget, "tip", widget->toolTip());
        if (const auto* label = qobject_cast<const QLabel*>(widget)) {
            add(widget, "label", label->text());
        } else if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
            add(widget, "button", button->text());
        } else if (const auto* edit = qobject_cast<const QLineEdit*>(widget)) {
            add(widget, "placeholder", edit->placeholderText());
        } else if (const auto* spin = qobject_cast<const QAbstractSpinBox*>(widget)) {
            add(widget, "spin", spin->text());
        } else if (const auto* menu = qobject_cast<const QMenu*>(widget)) {
            add(widget, "menu", menu->title());
        } else if (const auto* tree = qobject_cast<const QTreeWidget*>(widget)) {
            for (int c = 0; c < tree->columnCount(); ++c) {
                add(widget, "head", tree->headerItem()->text(c));
                for (int r = 0; r < tree->topLevelItemCount(); ++r) {
                    add(widget, "cell", tree->topLevelItem(r)->text(c));
                }
            }
        }
    }
    for (const QAction* action : FrmMain->findChildren<QAction*>()) {
        add(action, "action", action->text());
        if (action->toolTip() != QString(action->text()).remove(QLatin1Char('&'))) {
            add(action, "action tip", action->toolTip());
        }
    }
    texts.sort();
    texts.removeDuplicates();
    return texts;
}

QString Kept(const char* name) {
    QFile file(QStringLiteral(TUBRIX_SOURCE_DIR "/tests/main/") + QString::fromLatin1(name));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

class WindowLanguageTest : public MainWindowTest {};

// The window at start, then with a part and a machine that finds fault with it: the texts
// of both, one after the other.
QString ShownTexts() {
    QTest::mouseClick(FrmMain->SBtnMake3D, Qt::LeftButton);
    QStringList texts = WindowTexts();
    OpenCommandLineProgram({QStringLiteral("tubrix"), QStringLiteral("--machine"),
                            QStringLiteral(TUBRIX_SOURCE_DIR "/docs/examples/bender3.toml"),
                            QStringLiteral(TUBRIX_SOURCE_DIR "/docs/examples/exhaust.csv")});
    QTest::mouseClick(FrmMain->SBtnMake3D, Qt::LeftButton);
    texts << QStringLiteral("--- a part checked against a machine") << WindowTexts();
    return texts.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

TEST_F(WindowLanguageTest, TheEnglishWindowSaysWhatItAlwaysSaid) {
    const QString texts = ShownTexts();
    EXPECT_EQ(texts, Kept("window-texts-en.txt"));
}

} // namespace
