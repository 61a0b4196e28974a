// tubrix-cli report as a whole process, its PDF read back with poppler's tools as a reader would.
#include "cliprocess.h"

#include <QImage>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace {

using namespace clitest;
using namespace std::string_literals;

// A poppler tool's standard output.
std::string Poppler(const char* tool, const QStringList& args) {
    QProcess process;
    process.start(QString::fromLatin1(tool), args);
    process.waitForFinished(60000);
    EXPECT_EQ(process.exitCode(), 0) << tool << ' ' << args.join(' ').toStdString();
    return process.readAllStandardOutput().toStdString();
}

std::string Info(const QString& pdf) {
    return Poppler("pdfinfo", {pdf});
}

// The sheet's words with runs of spaces made one, so a table row reads as one line.
std::string Words(const QString& pdf) {
    const QString text = QString::fromStdString(Poppler("pdftotext", {"-layout", pdf, "-"}));
    return text.split('\n')
        .replaceInStrings(QRegularExpression(QStringLiteral(" +")), QStringLiteral(" "))
        .join('\n')
        .toStdString();
}

std::string Two(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

// The locale's variables for the processes this one starts; null: unset.
void SetLocale(const char* all, const char* messages, const char* lang) {
    const std::pair<const char*, const char*> variables[] = {
        {"LC_ALL", all}, {"LC_MESSAGES", messages}, {"LANG", lang}};
    for (const auto& [name, value] : variables) {
        if (value) {
            qputenv(name, value);
        } else {
            qunsetenv(name);
        }
    }
}

class CliReport : public ::testing::Test {
protected:
    void SetUp() override {
        // The sheet speaks the locale's language: these sheets are English whatever the
        // machine's locale is.
        SetLocale("C.UTF-8", nullptr, nullptr);
        ASSERT_TRUE(folder.isValid());
        WriteText(Path("initial.csv"), InitialProgramText);
    }
    QString Path(const char* name) const { return folder.filePath(QString::fromLatin1(name)); }
    CliRun Run(const std::vector<std::string>& args) { return RunCli(args, folder.path()); }

    QTemporaryDir folder;
};

TEST_F(CliReport, TheInitialProgramFitsOneA4PageWithEveryNumberAsText) {
    const CliRun run = Run({"report", "initial.csv", "-o", "sheet.pdf"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    const std::string info = Info(Path("sheet.pdf"));
    EXPECT_NE(info.find("Pages:           1\n"), std::string::npos) << info;
    EXPECT_NE(info.find("(A4)"), std::string::npos) << info;

    const std::string words = Words(Path("sheet.pdf"));
    EXPECT_NE(words.find("initial.csv page 1 of 1"), std::string::npos) << words;
    // Four straights of 30 and four quarter bends of radius 45, and the last straight.
    const double arc = 45 * std::numbers::pi / 2;
    EXPECT_NE(words.find("Developed length " + Two(5 * 30 + 4 * arc)), std::string::npos);
    EXPECT_NE(words.find("Diameter 38.00"), std::string::npos);
    EXPECT_NE(words.find("Hand as programmed"), std::string::npos);
    EXPECT_NE(words.find("Cut length " + Two(5 * 30 + 4 * arc)), std::string::npos);
    EXPECT_NE(words.find("Findings\nno findings"), std::string::npos);
    const std::string program[] = {
        "1 30.00 0.00 90.00 45.00 " + Two(arc), "2 30.00 90.00 90.00 45.00 " + Two(arc),
        "4 30.00 90.00 90.00 45.00 " + Two(arc), "5 30.00 0.00 0.00 45.00 0.00"};
    for (const std::string& row : program) {
        EXPECT_NE(words.find(row), std::string::npos) << row << '\n' << words;
    }
    // The XYZ table holds the points `xyz` gives, to two decimals.
    const CliRun xyz = Run({"xyz", "initial.csv"});
    ASSERT_EQ(xyz.Status, 0);
    const QStringList lines = QString::fromStdString(xyz.Out).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2 + 6);
    for (int i = 2; i < lines.size(); ++i) {
        const QStringList cells = lines[i].split(',');
        std::string row = Two(cells[0].toDouble()) + ' ' + Two(cells[1].toDouble()) + ' ' +
                          Two(cells[2].toDouble());
        if (!cells[3].isEmpty()) {
            row += ' ' + Two(cells[3].toDouble());
        }
        EXPECT_NE(words.find(row), std::string::npos) << row << '\n' << words;
    }
}

TEST_F(CliReport, AProfileGivesTheMachineItsColumnsCutLengthAndFindings) {
    const std::string profile = std::string(TUBRIX_SOURCE_DIR) + "/docs/examples/bender3.toml";
    const CliRun run = Run({"report", "initial.csv", "--machine", profile, "-o", "sheet.pdf"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const std::string words = Words(Path("sheet.pdf"));
    EXPECT_NE(words.find("initial.csv Machine: Bender 3 page 1 of "), std::string::npos) << words;
    // The program says no unit; the profile's is taken for it, and the sheet says so.
    EXPECT_NE(words.find("Unit taken initial.csv says no unit: its lengths are taken as mm, "
                         "the profile's"),
              std::string::npos)
        << words;
    // The profile gains 0.8 in each of the four bends and over-bends 1.5 + 0.05 x 90.
    EXPECT_NE(words.find("Cut length " + Two(5 * 30 + 4 * 45 * std::numbers::pi / 2 - 4 * 0.8)),
              std::string::npos);
    EXPECT_NE(words.find("Row Y B C R Arc length Machine B Machine C"), std::string::npos);
    EXPECT_NE(words.find("2 30.00 90.00 90.00 45.00 70.69 90.00 96.00"), std::string::npos);
    // Every straight before a bend is 30, short of the clamp's 114; the tail 30 of 60.
    EXPECT_NE(words.find("4 clamp 30.00 114.00"), std::string::npos) << words;
    EXPECT_NE(words.find("5 tail 30.00 60.00"), std::string::npos) << words;
    // A picture per bend: the plane turns by +90 before bends 2 to 4, after feeds of 30.
    EXPECT_NE(words.find("Bend sequence"), std::string::npos);
    // Under each, the angle to bend to: the machine's, as the program table's machine C, with
    // the part's beside it, never the part's alone.
    for (const char* line : {"Bend 1, row 1 Bend 2, row 2 Bend 3, row 3 Bend 4, row 4\n",
                             "feed 30.00 feed 30.00 feed 30.00 feed 30.00\n",
                             "rotate 0.00 rotate 90.00 rotate 90.00 rotate 90.00\n",
                             "bend to 96.00 (part 90.00) bend to 96.00 (part 90.00) bend to 96.00 "
                             "(part 90.00) bend to 96.00 (part 90.00)\n"}) {
        EXPECT_NE(words.find(line), std::string::npos) << line << '\n' << words;
    }
    EXPECT_EQ(words.find("angle 90.00"), std::string::npos) << words;
}

TEST_F(CliReport, PicturesShowTheTubeFromBothSides) {
    ASSERT_EQ(Run({"report", "initial.csv", "-o", "sheet.pdf"}).Status, 0);
    Poppler("pdftoppm",
            {"-r", "40", "-png", "-f", "1", "-l", "1", Path("sheet.pdf"), Path("page")});
    const QImage page(Path("page-1.png"));
    ASSERT_FALSE(page.isNull());
    // The first straight is drawn red, in both pictures: left and right of the page's middle.
    int red[2] = {0, 0};
    for (int y = 0; y < page.height() / 2; ++y) {
        for (int x = 0; x < page.width(); ++x) {
            const QColor c = page.pixelColor(x, y);
            red[x < page.width() / 2 ? 0 : 1] += c.red() > 160 && c.green() < 90 && c.blue() < 90;
        }
    }
    EXPECT_GT(red[0], 10);
    EXPECT_GT(red[1], 10);
}

TEST_F(CliReport, AHundredRowsRunOnLetterPagesWithTheHeadsRepeated) {
    std::string text = "diameter,38\nY,B,C,R\n";
    for (int i = 0; i < 100; ++i) {
        text += std::to_string(30 + i % 7 * 10) + ',' + std::to_string(i * 37 % 360) + ',' +
                std::to_string(i == 99 ? 0 : 30 + i * 13 % 150) + ",60\n";
    }
    WriteText(Path("hundred.csv"), text);
    const CliRun run = Run(
        {"report", "hundred.csv", "-o", "sheet.pdf", "--paper", "letter", "--title", "Frame L"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const std::string info = Info(Path("sheet.pdf"));
    EXPECT_NE(info.find("612 x 792 pts (letter)"), std::string::npos) << info;
    int pages = 0;
    ASSERT_EQ(std::sscanf(info.substr(info.find("Pages:")).c_str(), "Pages: %d", &pages), 1);
    EXPECT_GT(pages, 1);
    const std::string words = Words(Path("sheet.pdf"));
    for (int k = 1; k <= pages; ++k) {
        const std::string header =
            "Frame L page " + std::to_string(k) + " of " + std::to_string(pages);
        EXPECT_NE(words.find(header), std::string::npos) << header;
    }
    EXPECT_NE(words.find("Bend program (continued)\nRow Y B C R Arc length"), std::string::npos);
    // Rows i from 0: Y 30 + i % 7 x 10, B i x 37 % 360, C 30 + i x 13 % 150 (0 on the last).
    EXPECT_NE(words.find("100 40.00 63.00 0.00 60.00 0.00"), std::string::npos);
    EXPECT_NE(words.find("99 30.00 26.00 104.00 60.00 " + Two(60 * 104 * std::numbers::pi / 180)),
              std::string::npos);
}

TEST_F(CliReport, MirroredHalfTurnAndTheHandAreSaid) {
    WriteText(Path("uturn.csv"), "diameter,10\n50,30,180,20\n50,0,0,20\n");
    ASSERT_EQ(Run({"report", "uturn.csv", "--mirror", "-o", "sheet.pdf"}).Status, 0);
    const std::string words = Words(Path("sheet.pdf"));
    EXPECT_NE(words.find("Hand mirrored"), std::string::npos);
    EXPECT_NE(words.find("1 50.00 -30.00 180.00 20.00"), std::string::npos) << words;
    // A half turn's legs are parallel: no point where they meet.
    EXPECT_NE(words.find("1 1 \u2014 \u2014 \u2014 20.00"), std::string::npos) << words;
}

TEST_F(CliReport, NumbersPastAnyTubeStayShortAndOverflowIsSaid) {
    WriteText(Path("over.csv"), "diameter,38\n1e308,0,90,45\n1e308,90,90,45\n1e308,0,0,45\n");
    const std::string profile = std::string(TUBRIX_SOURCE_DIR) + "/docs/examples/bender3.toml";
    ASSERT_EQ(Run({"report", "over.csv", "--machine", profile, "-o", "sheet.pdf"}).Status, 0);
    const std::string words = Words(Path("sheet.pdf"));
    EXPECT_NE(words.find("Developed length out of range"), std::string::npos) << words;
    EXPECT_NE(words.find("2 1.00e+308 90.00 90.00 45.00"), std::string::npos) << words;
    EXPECT_NE(words.find("Bend sequence\nthe numbers overflow on the machine"), std::string::npos);
}

TEST_F(CliReport, InGermanEveryWordAndTheDecimalComma) {
    const std::string profile = std::string(TUBRIX_SOURCE_DIR) + "/docs/examples/bender3.toml";
    const CliRun run =
        Run({"report", "initial.csv", "--machine", profile, "--language", "de", "-o", "sheet.pdf"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const std::string words = Words(Path("sheet.pdf"));
    const double arc = 45 * std::numbers::pi / 2;
    const auto comma = [](std::string number) {
        std::replace(number.begin(), number.end(), '.', ',');
        return number;
    };
    // The header, the facts, a table's row and a finding as a reader finds them in the PDF.
    for (const std::string& line : {
             "initial.csv Maschine: Bender 3 Seite 1 von "s,
             "Abwicklung " + comma(Two(5 * 30 + 4 * arc)),
             "Zuschnittlänge " + comma(Two(5 * 30 + 4 * arc - 4 * 0.8)),
             "2 30,00 90,00 90,00 45,00 70,69 90,00 96,00"s,
             "4 Spannlänge 30,00 114,00 Gerade vor der Biegung 30 < 114"s,
             "biegen auf 96,00 (Teil 90,00) biegen auf 96,00 (Teil 90,00)"s,
         }) {
        EXPECT_NE(words.find(line), std::string::npos) << line << '\n' << words;
    }
    for (const char* english : {"Developed length", "page ", "Findings", "bend to", "-0,00"}) {
        EXPECT_EQ(words.find(english), std::string::npos) << english;
    }
}

// Without --language the locale of messages decides: LC_ALL, else LC_MESSAGES, else LANG.
TEST_F(CliReport, TheLocaleChoosesTheLanguageUnlessItIsGiven) {
    const struct {
        const char* All;
        const char* Messages;
        const char* Lang;
        const char* Language; // --language, if given
        bool German;
    } cases[] = {
        {nullptr, nullptr, "de_DE.UTF-8", nullptr, true},
        {"de_DE.UTF-8", nullptr, "C", nullptr, true},
        {"C", nullptr, "de_DE.UTF-8", nullptr, false},
        {nullptr, nullptr, "de_DE.UTF-8", "en", false},
        {"C", nullptr, nullptr, "de", true},
    };
    for (const auto& c : cases) {
        SetLocale(c.All, c.Messages, c.Lang);
        std::vector<std::string> args{"report", "initial.csv", "-o", "sheet.pdf"};
        if (c.Language) {
            args.insert(args.end(), {"--language", c.Language});
        }
        const CliRun run = Run(args);
        ASSERT_EQ(run.Status, 0) << run.Err;
        const std::string words = Words(Path("sheet.pdf"));
        const std::string said = c.German ? "Abwicklung" : "Developed length";
        EXPECT_NE(words.find(said), std::string::npos)
            << (c.All ? c.All : "-") << ' ' << (c.Messages ? c.Messages : "-") << ' '
            << (c.Lang ? c.Lang : "-") << ' ' << (c.Language ? c.Language : "-");
    }
    SetLocale("C.UTF-8", nullptr, nullptr);
}

TEST_F(CliReport, RefusalsWriteNothing) {
    WriteText(Path("bad.csv"), "diameter,38\n30,0,200,45\n30,0,0,45\n");
    WriteText(Path("bad.toml"), "name = \"B\"\nmin_tail = -1\n");
    const struct {
        std::vector<std::string> args;
        int status;
        const char* says;
    } cases[] = {
        {{"initial.csv", "-o", "sheet.pdf", "--paper", "a5"}, 2, "--paper"},
        {{"initial.csv", "-o", "sheet.pdf", "--paper", "A4"}, 2, "--paper"},
        {{"initial.csv", "-o", "sheet.pdf", "--language", "fr"}, 2, "--language"},
        {{"initial.csv", "-o", "sheet.pdf", "--language", "DE"}, 2, "--language"},
        {{"bad.csv", "-o", "sheet.pdf"}, 2, "bad.csv:2:"},
        {{"initial.csv", "--machine", "bad.toml", "-o", "sheet.pdf"}, 2, "bad.toml:2:"},
        {{"initial.csv", "-o", "missing/sheet.pdf"}, 1, "missing/sheet.pdf"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"report"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliRun run = Run(args);
        EXPECT_EQ(run.Status, c.status) << c.says;
        EXPECT_NE(run.Err.find(c.says), std::string::npos) << run.Err;
    }
    EXPECT_EQ(QDir(folder.path()).entryList({"*.pdf"}, QDir::Files), QStringList());
}

} // namespace
