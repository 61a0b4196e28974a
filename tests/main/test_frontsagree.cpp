// One part, one answer: the window under "Make 3D", tubrix-cli check, machine and sequence, and
// the setup sheet all report the same findings for the same program and profile.
#include "../cli/cliprocess.h"
#include "machinechecks.h"
#include "mainwindowtest.h"
#include "mirrortoggle.h"
#include "programfiles.h"

#include <QLabel>
#include <QRegularExpression>

#include <nlohmann/json.hpp>

#include <set>
#include <tuple>

using namespace tubrix;

namespace {

using Json = nlohmann::json;
using clitest::CliRun;

struct FrontCase {
    const char* Name;
    std::string Program;
    std::string Profile; // empty: none
    bool Mirror = false;
};

void PrintTo(const FrontCase& part, std::ostream* out) {
    *out << part.Name;
}

std::string Example(const char* name) {
    return std::string(TUBRIX_SOURCE_DIR "/docs/examples/") + name;
}

std::string Read(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

// A U whose third bend swings its lead leg across the stock.
const std::string StockHit = "diameter,38\n200,0,90,45\n40,0,90,45\n30,0,90,45\n300,0,0,45\n";
// Turned down before bend 2, the lead leg hangs below a floor 100 under the feed axis.
const std::string Hanging = "diameter,38\n200,0,90,45\n30,-90,90,45\n30,0,0,45\n";
// Five quarter turns in one plane: the tube comes round onto itself.
const std::string Coil =
    "diameter,38\n0,0,90,45\n0,0,90,45\n0,0,90,45\n0,0,90,45\n0,0,90,45\n100,0,0,45\n";
// Bends tighter than the tube and not on any of Bender 3's dies.
const std::string Folded = "diameter,38\n100,0,90,10\n60,90,45,10\n100,0,0,10\n";

const std::string Floor = "centreline_height = 100\n";
const std::string LeftHandFloor = "centreline_height = 100\ndie_side = -1\n";

std::vector<FrontCase> Cases() {
    const std::string bender3 = Read(Example("bender3.toml"));
    const std::string exhaust = Read(Example("exhaust.csv"));
    const std::string initial = Read(Example("initial.csv"));
    return {
        {"InitialAlone", initial, {}},
        {"InitialOnBender3", initial, bender3},
        {"ExhaustAlone", exhaust, {}},
        {"ExhaustOnBender3", exhaust, bender3},
        {"ExhaustMirroredOnBender3", exhaust, bender3, true},
        {"WindowOnBender3", Read(Example("window.csv")), bender3},
        {"StockHitAlone", StockHit, {}},
        {"StockHitOnBender3", StockHit, bender3},
        {"HangingOverAFloor", Hanging, Floor},
        {"HangingOnALeftHandMachine", Hanging, LeftHandFloor},
        {"CoilAlone", Coil, {}},
        {"FoldedOnBender3", Folded, bender3},
    };
}

// A finding as every front can name it: its rule, its row and contact's other row.
using Named = std::tuple<std::string, int, int>;

class FrontsAgree : public MainWindowTest, public ::testing::WithParamInterface<FrontCase> {
protected:
    CliRun Cli(std::vector<std::string> args) {
        args.insert(args.begin() + 1, "part.csv");
        if (!GetParam().Profile.empty()) {
            args.insert(args.end(), {"--machine", "machine.toml"});
        }
        if (GetParam().Mirror) {
            args.emplace_back("--mirror");
        }
        return clitest::RunCli(args, folder.path());
    }

    QString Path(const char* name) const { return folder.filePath(QString::fromLatin1(name)); }

    QTemporaryDir folder;
};

TEST_P(FrontsAgree, EveryFrontReportsTheSameFindings) {
    const FrontCase& part = GetParam();
    clitest::WriteText(Path("part.csv"), part.Program);
    if (!part.Profile.empty()) {
        clitest::WriteText(Path("machine.toml"), part.Profile);
    }

    // tubrix-cli check: the list the others are held to.
    const CliRun check = Cli({"check", "--json"});
    ASSERT_TRUE(check.Status == 0 || check.Status == 3) << check.Err;
    const Json checked = Json::parse(check.Out);
    const Json& listed = checked["findings"];
    std::multiset<Named> expected;
    std::set<std::pair<int, std::string>> bendingContacts; // stock and floor, by row
    for (const Json& f : listed) {
        const int row = f["row"].is_null() ? 0 : f["row"].get<int>();
        const int other = f["other_row"].is_null() ? 0 : f["other_row"].get<int>();
        expected.insert({f["rule"].get<std::string>(), row, other});
        if (f["rule"] == "stock" || f["rule"] == "floor") {
            bendingContacts.insert({row, f["rule"].get<std::string>()});
        }
    }
    EXPECT_EQ(check.Status, listed.empty() ? 0 : 3);

    // The window, after "Make 3D" of the opened program.
    auto* checks = FrmMain->findChild<TMachineChecks*>();
    if (!part.Profile.empty()) {
        ASSERT_TRUE(checks->LoadProfile(Path("machine.toml")));
    }
    ASSERT_TRUE(FrmMain->findChild<TProgramFiles*>()->OpenProgram(Path("part.csv")));
    if (part.Mirror) {
        FrmMain->findChild<TMirrorToggle*>()->SetMirrored(true);
    }
    std::multiset<Named> shown;
    for (const Finding& f : checks->Findings) {
        shown.insert({RuleName(f.Rule), f.Row, f.OtherRow});
    }
    EXPECT_EQ(shown, expected);
    const QString count = checks->LblFindings->text();
    EXPECT_EQ(count.isEmpty() ? 0 : count.section(u' ', 0, 0).toInt(), listed.size())
        << count.toStdString();

    // tubrix-cli machine counts them (it needs a profile).
    if (!part.Profile.empty()) {
        const CliRun machine = Cli({"machine"});
        EXPECT_EQ(machine.Status, 0) << machine.Err;
        const QRegularExpressionMatch said = QRegularExpression(QStringLiteral("(\\d+) findings?"))
                                                 .match(QString::fromStdString(machine.Err));
        EXPECT_EQ(said.hasMatch() ? said.captured(1).toInt() : 0, listed.size()) << machine.Err;
    }

    // tubrix-cli sequence names the same bends where the part meets the stock or the floor.
    const CliRun sequence = Cli({"sequence", "--json"});
    EXPECT_EQ(sequence.Status, bendingContacts.empty() ? 0 : 3) << sequence.Err;
    std::set<std::pair<int, std::string>> played;
    const Json playedJson = Json::parse(sequence.Out);
    for (const Json& bend : playedJson["bends"]) {
        for (const Json& contact : bend["contacts"]) {
            played.insert({bend["row"].get<int>(), contact["with"].get<std::string>()});
        }
    }
    EXPECT_EQ(played, bendingContacts);

    // The setup sheet lists every finding's words, and says "no findings" only when there are
    // none.
    const CliRun report = Cli({"report", "-o", "sheet.pdf"});
    ASSERT_EQ(report.Status, 0) << report.Err;
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), Path("sheet.pdf"), "-"});
    text.waitForFinished(60000);
    const QString words = QString::fromUtf8(text.readAllStandardOutput()).simplified();
    for (const Json& f : listed) {
        const QString message = QString::fromStdString(f["message"].get<std::string>());
        EXPECT_TRUE(words.contains(message)) << message.toStdString();
    }
    EXPECT_EQ(words.contains(QStringLiteral("no findings")), listed.empty());
}

INSTANTIATE_TEST_SUITE_P(PartsAndProfiles, FrontsAgree, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.Name); });

} // namespace
