// The window's words: in English exactly as they have always been, in German every one of them
// translated and none cut by its control.
#include "mainwindowtest.h"
#include "windowlanguage.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAction>
#include <QDockWidget>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QSet>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

// Every text the operator can read on the window as it stands, one per line, as
// "object: kind: text" (line ends as "\n", the source tree as "<source>"), sorted: titles, labels,
// buttons, actions and menus with their tooltips, the findings' heads and rows. The fields' own
// numbers are the program, not words.
QStringList WindowTexts() {
    QStringList texts;
    const auto add = [&texts](const QObject* object, const char* kind, const QString& text) {
        if (!text.isEmpty()) {
            texts << QStringLiteral("%1: %2: %3")
                         .arg(object->objectName().isEmpty()
                                  ? QString::fromLatin1(object->metaObject()->className())
                                  : object->objectName(),
                              QString::fromLatin1(kind),
                              QString(text)
                                  .replace(QLatin1Char('\n'), QStringLiteral("\\n"))
                                  .replace(QStringLiteral(TUBRIX_SOURCE_DIR),
                                           QStringLiteral("<source>")));
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

namespace {

// The same window for an operator whose system speaks German.
class GermanWindowTest : public WindowLanguageTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(SetWindowLanguage(QLocale(QLocale::German, QLocale::Germany)));
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        WindowLanguageTest::SetUp();
    }
    void TearDown() override {
        WindowLanguageTest::TearDown();
        EXPECT_FALSE(SetWindowLanguage(QLocale::c()));
    }
};

// What a line of WindowTexts says, without the object and kind it names.
QString Said(const QString& line) {
    return line.section(QStringLiteral(": "), 2);
}

TEST_F(GermanWindowTest, EveryTextTheWindowShowsIsGerman) {
    EXPECT_EQ(WindowLanguageCode(), QStringLiteral("de"));
    QSet<QString> english;
    for (const QString& line : Kept("window-texts-en.txt").split(QLatin1Char('\n'))) {
        english.insert(Said(line));
    }
    // A text is words when it has a run of three letters; what is the same in both languages
    // is the name, the part's own file and machine, and the program's letters and numbers.
    static const QRegularExpression word(QStringLiteral("\\p{L}{3}"));
    const QStringList same{QStringLiteral("Tubrix[*]"), QStringLiteral("Tubrix — exhaust.csv[*]"),
                           QStringLiteral("Bender 3"), QStringLiteral("&1 exhaust.csv"),
                           QStringLiteral("<source>/docs/examples/exhaust.csv")};
    const QString texts = ShownTexts();
    for (const QString& line : texts.split(QLatin1Char('\n'))) {
        const QString text = Said(line);
        if (english.contains(text) && text.contains(word) && !same.contains(text)) {
            ADD_FAILURE() << "left in English: " << line.toStdString();
        }
    }
    // The words an operator reads first, as the shop says them, and German numbers.
    for (const char* german :
         {"SBtnMake3D: button: 3D erzeugen", "QLabel: label: Rohr-Ø",
          "LblDevelopedLength: label: Abwicklung 2094,68", "QMenu: menu: &Datei"}) {
        EXPECT_TRUE(texts.contains(QString::fromUtf8(german))) << german;
    }
}

// A German text that does not fit its control is shortened in the translation, never cut: every
// label and button of the client area holds its whole text in its place at the first size.
TEST_F(GermanWindowTest, NoTextIsCutByItsControl) {
    Make3D();
    QList<QWidget*> controls = FrmMain->ClientArea->findChildren<QWidget*>();
    for (const QWidget* control : controls) {
        QString text;
        if (const auto* label = qobject_cast<const QLabel*>(control)) {
            text = label->text();
        } else if (const auto* button = qobject_cast<const QAbstractButton*>(control)) {
            text = QString(button->text()).remove(QLatin1Char('&'));
        } else if (const auto* spin = qobject_cast<const QAbstractSpinBox*>(control)) {
            EXPECT_LE(spin->sizeHint().width(), spin->width()) << spin->text().toStdString();
            continue;
        }
        if (text.isEmpty() || !control->isVisible()) {
            continue;
        }
        // A label that wraps has its height for more lines; anything else has one line.
        const auto* label = qobject_cast<const QLabel*>(control);
        const QRect room = control->contentsRect();
        const QFontMetrics metrics = control->fontMetrics();
        if (label && label->wordWrap()) {
            EXPECT_LE(metrics.boundingRect(room, Qt::TextWordWrap, text).height(), room.height())
                << text.toStdString();
        } else {
            EXPECT_LE(metrics.horizontalAdvance(text), room.width()) << text.toStdString();
        }
    }
}

// What could not be done is said in German, with the reader's own place and words after it; a
// field's mark names its rule in German.
TEST_F(GermanWindowTest, MessagesSayInGermanWhatFailed) {
    QTemporaryDir folder;
    const QString bad = folder.filePath(QStringLiteral("bad.csv"));
    QFile file(bad);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("diameter,38\nY,B,C,R\n30,0,x,45\n");
    file.close();
    EXPECT_FALSE(FrmMain->findChild<TProgramFiles*>()->OpenProgram(bad));
    const QString said = TakeMessage();
    EXPECT_TRUE(said.startsWith(QStringLiteral("Das Programm kann nicht geöffnet werden:\n")))
        << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("bad.csv:3:"))) << said.toStdString();

    FrmMain->EditY1->setText(QStringLiteral("-1"));
    EXPECT_EQ(PlainTip(FrmMain->EditY1->toolTip()),
              QStringLiteral("Y in Zeile 1: Y, die Länge der Geraden, muss 0 oder größer sein. "
                             "„3D erzeugen“ verwendet den Wert wie eingegeben. Strg+S speichert "
                             "es nicht."));
}

// The longest verdict a comparison puts under "Make 3D" fits its two lines.
TEST_F(GermanWindowTest, TheLongestVerdictFitsItsPlace) {
    const QLabel* label = FrmMain->findChild<QLabel*>(QStringLiteral("LblVerdict"));
    ASSERT_NE(label, nullptr);
    const QString verdict =
        QCoreApplication::translate("TMeasuredComparison", "Sheath %1 > %2 at row %3 — fails")
            .arg(QStringLiteral("123,45"), QStringLiteral("10,00"))
            .arg(100) +
        QCoreApplication::translate("TMeasuredComparison", "; the other hand");
    EXPECT_TRUE(verdict.startsWith(QStringLiteral("Mantelabw.")));
    const QRect room = label->contentsRect();
    EXPECT_LE(label->fontMetrics().boundingRect(room, Qt::TextWordWrap, verdict).height(),
              room.height());
}

// Every text of the translation is done, and says in German what its English says with the same
// numbers: a lost %2 would leave a finding's limit out of the sentence.
TEST(GermanTranslation, IsCompleteAndKeepsEveryPlaceholder) {
    QFile file(QStringLiteral(TUBRIX_SOURCE_DIR "/translations/tubrix_de.ts"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString ts = QString::fromUtf8(file.readAll());
    static const QRegularExpression message(
        QStringLiteral("<source>([^<]*)</source>\\s*(?:<comment>[^<]*</comment>\\s*)?"
                       "<translation([^>]*)>([^<]*)</translation>"),
        QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression placeholder(QStringLiteral("%\\d"));
    int count = 0;
    for (auto it = message.globalMatch(ts); it.hasNext(); ++count) {
        const QRegularExpressionMatch m = it.next();
        const QString source = m.captured(1);
        EXPECT_FALSE(m.captured(2).contains(QStringLiteral("unfinished"))) << source.toStdString();
        EXPECT_FALSE(m.captured(3).isEmpty()) << source.toStdString();
        QStringList wanted, given;
        for (auto p = placeholder.globalMatch(source); p.hasNext();) {
            wanted << p.next().captured();
        }
        for (auto p = placeholder.globalMatch(m.captured(3)); p.hasNext();) {
            given << p.next().captured();
        }
        wanted.sort();
        given.sort();
        EXPECT_EQ(given, wanted) << source.toStdString();
    }
    EXPECT_GT(count, 150); // the window has that many texts; fewer means the file was not read
}

} // namespace
