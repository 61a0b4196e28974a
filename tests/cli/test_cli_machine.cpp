// tubrix-cli check and machine as a shop's scripts run them: exit statuses 0, 3 and 2, the JSON
// keys, and the machine's program written whole.
#include "cliprocess.h"

#include <nlohmann/json.hpp>

#include <numbers>

namespace {

using namespace clitest;

// Two bends of 90 on dies 45 and 50 (the machine has no 50), 80 before the first.
const std::string ShortClamp = "diameter,38\nY,B,C,R\n80,0,90,45\n200,-90,90,50\n30,0,0,0\n";
const std::string Fits = "diameter,38\nY,B,C,R\n120,0,90,45\n200,270,45,76\n60,0,0,0\n";

class CliMachine : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        WriteText(Path("short.csv"), ShortClamp);
        WriteText(Path("fits.csv"), Fits);
        QFile::copy(QStringLiteral(TUBRIX_SOURCE_DIR "/docs/examples/bender3.toml"),
                    Path("bender3.toml"));
    }
    QString Path(const char* name) const { return folder.filePath(QString::fromLatin1(name)); }
    CliRun Run(const std::vector<std::string>& args, const std::string& input = {}) {
        return RunCli(args, folder.path(), input);
    }

    QTemporaryDir folder;
};

TEST_F(CliMachine, CheckExitsZeroThreeOrTwo) {
    // A clean part says so in one line, with the machine it was checked for.
    const CliRun clean = Run({"check", "fits.csv", "--machine", "bender3.toml"});
    EXPECT_EQ(clean.Status, 0) << clean.Err;
    EXPECT_EQ(clean.Out, "no findings on Bender 3\n");
    EXPECT_EQ(clean.Err,
              "tubrix-cli: fits.csv says no unit: its lengths are taken as mm, the profile's\n");
    WriteText(Path("unnamed.toml"), "radii = [45, 76]\n");
    const CliRun unnamed = Run({"check", "fits.csv", "--machine", "unnamed.toml"});
    EXPECT_EQ(unnamed.Status, 0) << unnamed.Err;
    EXPECT_EQ(unnamed.Out, "no findings on unnamed.toml\n");
    const CliRun bare = Run({"check", "fits.csv"});
    EXPECT_EQ(bare.Status, 0) << bare.Err;
    EXPECT_EQ(bare.Out, "no findings\n");

    const CliRun found = Run({"check", "short.csv", "--machine", "bender3.toml"});
    EXPECT_EQ(found.Status, 3) << found.Err;
    EXPECT_EQ(found.Out, "row 1: clamp: straight before the bend 80 < 114\n"
                         "row 2: die: no die of radius 50 (the dies are 45, 76)\n"
                         "row 3: tail: tail after the last bend 30 < 60\n");
    // Without a profile only folds and contact are looked for.
    EXPECT_EQ(Run({"check", "short.csv"}).Status, 0);

    WriteText(Path("bad.toml"), "name = \"B\"\nradii = [45, 0]\n");
    const CliRun bad = Run({"check", "short.csv", "--machine", "bad.toml"});
    EXPECT_EQ(bad.Status, 2);
    EXPECT_EQ(bad.Err, "tubrix-cli: bad.toml:2:14: radii must be greater than 0\n");
    EXPECT_EQ(Run({"check", "missing.csv"}).Status, 2);
}

TEST_F(CliMachine, CheckJsonHasEveryKeyAndContactNamesBothRows) {
    // The last leg crosses the first: a square loop of radius 20 bends, tube 10.
    const std::string loop = "diameter,10\n100,0,90,20\n100,0,90,20\n60,0,90,20\n200,0,0,0\n";
    const CliRun run = Run({"check", "-", "--json"}, loop);
    ASSERT_EQ(run.Status, 3) << run.Err;
    const auto json = nlohmann::json::parse(run.Out);
    EXPECT_TRUE(json["machine"].is_null());
    EXPECT_NEAR(json["cut_length"].get<double>(), 460 + 30 * std::numbers::pi, 1e-9);
    // Bent, the first leg swings across the stock at the third bend.
    ASSERT_EQ(json["findings"].size(), 2u);
    EXPECT_EQ(json["findings"][1]["rule"], "stock");
    EXPECT_EQ(json["findings"][1]["row"], 3);
    const auto& contact = json["findings"][0];
    EXPECT_EQ(contact["rule"], "contact");
    EXPECT_EQ(contact["row"], 1);
    EXPECT_EQ(contact["other_row"], 4);
    EXPECT_NEAR(contact["value"].get<double>(), 0, 1e-8);
    EXPECT_EQ(contact["limit"], 10);

    const auto named = nlohmann::json::parse(
        Run({"check", "short.csv", "--machine", "bender3.toml", "--json"}).Out);
    EXPECT_EQ(named["machine"], "Bender 3");
    EXPECT_NEAR(named["cut_length"].get<double>(), 310 + 47.5 * std::numbers::pi - 1.6, 1e-9);
    EXPECT_TRUE(named["findings"][1]["limit"].is_null()) << "die";
    EXPECT_TRUE(named["findings"][1]["other_row"].is_null());
}

TEST_F(CliMachine, MachineWritesTheProgramForTheMachineAndCountsFindings) {
    WriteText(Path("absolute.toml"), "name = \"Left\"\nb_sign = -1\nb_mode = \"absolute\"\n"
                                     "[springback]\nfixed = 1.5\nper_degree = 0.05\n");
    const CliRun run = Run({"machine", "fits.csv", "--machine", "absolute.toml", "-o", "m.csv"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, "");
    QFile file(Path("m.csv"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const std::string text = file.readAll().toStdString();
    EXPECT_TRUE(text.starts_with("# machine: Left\n# cut length: ")) << text;
    // 270 turned the other way is -270: 90 from the first plane. 45 is bent as 48.75.
    EXPECT_NE(text.find("\n120,0,96,45\n200,90,48.75,76\n60,90,0,0\n"), std::string::npos) << text;

    const CliRun json = Run({"machine", "short.csv", "--machine", "bender3.toml", "--json"});
    EXPECT_EQ(json.Status, 0);
    EXPECT_EQ(json.Err,
              "tubrix-cli: short.csv says no unit: its lengths are taken as mm, the profile's\n"
              "tubrix-cli: warning: 3 findings; tubrix-cli check lists them\n");
    const auto out = nlohmann::json::parse(json.Out);
    EXPECT_EQ(out["b_mode"], "relative");
    EXPECT_EQ(out["rows"][1], nlohmann::json({{"Y", 200}, {"B", -90}, {"C", 96}, {"R", 50}}));

    // No profile is bad usage; an output that cannot be written leaves nothing.
    EXPECT_EQ(Run({"machine", "fits.csv"}).Status, 2);
    EXPECT_EQ(
        Run({"machine", "fits.csv", "--machine", "bender3.toml", "-o", "no/such/m.csv"}).Status, 1);
    // A springback no tube has is refused where the profile says it, and nothing is written:
    // 2 meant as 2 % would turn a 45 degree bend into 137.
    WriteText(Path("huge.toml"), "[springback]\nper_degree = 1e308\n");
    const CliRun huge = Run({"machine", "fits.csv", "--machine", "huge.toml", "-o", "h.csv"});
    EXPECT_EQ(huge.Status, 2);
    EXPECT_EQ(huge.Err, "tubrix-cli: huge.toml:2:14: springback.per_degree must be from -0.5 to "
                        "0.5\n");
    EXPECT_FALSE(QFile::exists(Path("h.csv")));
    WriteText(Path("percent.toml"), "[springback]\nfixed = 1.5\nper_degree = 2\n");
    const CliRun percent = Run({"check", "fits.csv", "--machine", "percent.toml"});
    EXPECT_EQ(percent.Status, 2);
    EXPECT_EQ(percent.Out, "");
    EXPECT_EQ(percent.Err, "tubrix-cli: percent.toml:3:14: springback.per_degree must be from "
                           "-0.5 to 0.5; did you mean 0.02, 2 %?\n");
    WriteText(Path("fixed.toml"), "[springback]\nfixed = 50\n");
    const CliRun fixed = Run({"sequence", "fits.csv", "--machine", "fixed.toml"});
    EXPECT_EQ(fixed.Status, 2);
    EXPECT_EQ(fixed.Err, "tubrix-cli: fixed.toml:2:9: springback.fixed must be from -45 to 45\n");
}

// The two example controls' files, written beside the program under the output's extension,
// byte for byte as kept in the tests (the date fixed by SOURCE_DATE_EPOCH): line ends, latin-1
// and decimal commas included.
TEST_F(CliMachine, PostWritesEachExampleControlsOwnFile) {
    qputenv("SOURCE_DATE_EPOCH", "1765152000"); // 2025-12-08
    const auto bytes = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    };
    for (const char* control : {"electric-gcode", "semicolon-table"}) {
        const QString profile = QStringLiteral(TUBRIX_SOURCE_DIR "/docs/examples/%1.toml")
                                    .arg(QString::fromLatin1(control));
        const CliRun run =
            Run({"machine", "fits.csv", "--machine", profile.toStdString(), "--post"});
        EXPECT_EQ(run.Status, 0) << run.Err;
        EXPECT_EQ(run.Out, "");
        const QString kept = std::string_view(control) == "electric-gcode" ? "fits.nc" : "fits.txt";
        EXPECT_EQ(bytes(Path(kept.toLatin1().constData())),
                  bytes(QStringLiteral(TUBRIX_SOURCE_DIR "/tests/cli/post/") + kept))
            << control;
    }
    qunsetenv("SOURCE_DATE_EPOCH");

    // Without an [output] table, or with another output asked for, --post is refused.
    const CliRun none = Run({"machine", "fits.csv", "--machine", "bender3.toml", "--post"});
    EXPECT_EQ(none.Status, 2);
    EXPECT_EQ(none.Err, "tubrix-cli: bender3.toml: --post writes through the profile's [output] "
                        "table, and it has none\n");
    WriteText(Path("post.toml"), "[output]\nrow = \"{Y}\"\n");
    EXPECT_EQ(Run({"machine", "fits.csv", "--machine", "post.toml", "--post", "--json"}).Status, 2);
    // No extension: standard output; a name that latin-1 cannot hold is refused, nothing written.
    EXPECT_EQ(Run({"machine", "fits.csv", "--machine", "post.toml", "--post"}).Out,
              "120\n200\n60\n");
    WriteText(Path("latin.toml"), "name = \"B\u00e4r \u20ac\"\n[output]\nencoding = \"latin-1\"\n"
                                  "extension = \"txt\"\nrow = \"{machine};{Y}\"\n");
    WriteText(Path("bear.csv"), Fits);
    const CliRun euro = Run({"machine", "bear.csv", "--machine", "latin.toml", "--post"});
    EXPECT_EQ(euro.Status, 2);
    EXPECT_NE(euro.Err.find("latin-1"), std::string::npos) << euro.Err;
    EXPECT_FALSE(QFile::exists(Path("bear.txt")));
}

// A program and a profile in different units are never mixed: the profile is converted into
// the program's units for the checks, and said; the machine's program is in the control's.
TEST_F(CliMachine, MixedUnitsAreConvertedAndSaid) {
    WriteText(Path("inch.csv"), "# units: in\ndiameter,1.5\nY,B,C,R\n4,0,90,2\n10,0,0,0\n");
    WriteText(Path("mm.toml"), "units = \"mm\"\nradii = [50.8]\nclamp_length = 114.3\n");
    const CliRun check = Run({"check", "inch.csv", "--machine", "mm.toml"});
    EXPECT_EQ(check.Status, 3) << check.Err;
    EXPECT_EQ(check.Out, "row 1: clamp: straight before the bend 4 < 4.5\n");
    EXPECT_EQ(check.Err,
              "tubrix-cli: the lengths of mm.toml converted from mm to in, the program's units\n");
    // Said by --units instead, the same; a file that says otherwise is refused.
    WriteText(Path("bare.csv"), "diameter,1.5\nY,B,C,R\n4,0,90,2\n10,0,0,0\n");
    EXPECT_EQ(Run({"check", "bare.csv", "--machine", "mm.toml", "--units", "in"}).Out, check.Out);
    const CliRun clash = Run({"check", "inch.csv", "--units", "mm"});
    EXPECT_EQ(clash.Status, 2);
    EXPECT_EQ(clash.Err, "tubrix-cli: inch.csv: its units line says in, and --units says mm\n");

    // 127 mm and 254 mm are 5 and 10 inches; the 90 degree bend on R 50.8 (2 in) adds pi in.
    WriteText(Path("metric.csv"),
              "# units: mm\ndiameter,25.4\nY,B,C,R\n127,0,90,50.8\n254,0,0,0\n");
    WriteText(Path("in.toml"),
              "units = \"in\"\nname = \"US\"\n[output]\nrow = \"{Y:.4f} {R:.4f} {units}\"\n"
              "footer = \"{cut_length:.5f}\"\n");
    const CliRun machine =
        Run({"machine", "metric.csv", "--machine", "in.toml", "--decimals", "9"});
    EXPECT_EQ(machine.Status, 0) << machine.Err;
    EXPECT_NE(machine.Out.find("# cut length: 18.141592654\n"), std::string::npos) << machine.Out;
    EXPECT_NE(machine.Out.find("# units: in\ndiameter,1\nY,B,C,R\n5,0,90,2\n10,0,0,0\n"),
              std::string::npos)
        << machine.Out;
    EXPECT_EQ(Run({"machine", "metric.csv", "--machine", "in.toml", "--post"}).Out,
              "5.0000 2.0000 in\n10.0000 0.0000 in\n18.14159\n");
}

// convert rescales lengths only (the wall among them), keeps the comments, and writes nothing
// it cannot.
TEST_F(CliMachine, ConvertRescalesLengthsAndNothingElse) {
    WriteText(Path("part.csv"), "# part 4711\n# units: in\n# wall: 0.125 stainless\ndiameter,1\n"
                                "Y,B,C,R\n4,-90,90,2\n3,45,45,2.5\n2,0,0,0\n");
    const CliRun mm = Run({"convert", "part.csv", "--to", "mm", "-o", "mm.csv"});
    ASSERT_EQ(mm.Status, 0) << mm.Err;
    const CliRun back = Run({"convert", "mm.csv", "--to", "in", "--decimals", "9"});
    EXPECT_EQ(back.Out, "# Tubrix bend program\n# units: in\n# wall: 0.125\n# part 4711\n"
                        "diameter,1\nY,B,C,R\n4,-90,90,2\n3,45,45,2.5\n2,0,0,0\n");
    const std::string info = Run({"info", "mm.csv"}).Out;
    EXPECT_NE(info.find("Diameter          25.400\nWall              3.175\n"), std::string::npos)
        << info;

    WriteText(Path("bare.csv"), "diameter,1\nY,B,C,R\n4,0,0,0\n");
    const CliRun unsaid = Run({"convert", "bare.csv", "--to", "mm"});
    EXPECT_EQ(unsaid.Status, 2);
    EXPECT_NE(unsaid.Err.find("does not say its units"), std::string::npos) << unsaid.Err;
    WriteText(Path("huge.csv"), "# units: in\ndiameter,1\nY,B,C,R\n1e308,0,0,0\n");
    const CliRun huge = Run({"convert", "huge.csv", "--to", "mm", "-o", "h.csv"});
    EXPECT_EQ(huge.Status, 2);
    EXPECT_FALSE(QFile::exists(Path("h.csv")));
}

} // namespace

// Where only one of the program and the profile says its unit, the other is taken in it, and
// that is said on standard error and in the JSON, both ways; where both say, nothing is.
TEST_F(CliMachine, AUnitOnlyOneSaysIsTakenForBothAndSaid) {
    WriteText(Path("inch.csv"), "# units: Inches\ndiameter,1.5\nY,B,C,R\n4,0,90,2\n10,0,0,0\n");
    WriteText(Path("bare.toml"), "radii = [2]\n");
    const CliRun check = Run({"check", "inch.csv", "--machine", "bare.toml", "--json"});
    EXPECT_EQ(check.Err,
              "tubrix-cli: bare.toml says no unit: its lengths are taken as in, the program's\n");
    EXPECT_EQ(nlohmann::json::parse(check.Out)["units_assumed"],
              nlohmann::json({{"file", "bare.toml"}, {"unit", "in"}, {"from", "inch.csv"}}));

    const CliRun machine = Run({"machine", "fits.csv", "--machine", "bender3.toml", "--json"});
    EXPECT_EQ(machine.Status, 0) << machine.Err;
    EXPECT_EQ(machine.Err,
              "tubrix-cli: fits.csv says no unit: its lengths are taken as mm, the profile's\n");
    EXPECT_EQ(nlohmann::json::parse(machine.Out)["units_assumed"],
              nlohmann::json({{"file", "fits.csv"}, {"unit", "mm"}, {"from", "bender3.toml"}}));

    WriteText(Path("metric.csv"), "# units: millimeters\n" + Fits);
    const CliRun both = Run({"sequence", "metric.csv", "--machine", "bender3.toml", "--json"});
    EXPECT_EQ(both.Err, "");
    EXPECT_TRUE(nlohmann::json::parse(both.Out)["units_assumed"].is_null()) << both.Out;
}

// An empty path is never taken as "no profile": it, a folder and a device are bad input, named.
TEST_F(CliMachine, AnEmptyPathAFolderOrADeviceIsBadInputNamed) {
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("parts")));
    const struct Case {
        std::vector<std::string> Args;
        std::string Said;
    } cases[] = {
        {{"machine", "fits.csv", "--machine", ""}, "tubrix-cli: --machine: the path is empty\n"},
        {{"check", "fits.csv", "--machine", ""}, "tubrix-cli: --machine: the path is empty\n"},
        {{"sequence", "fits.csv", "--machine", ""}, "tubrix-cli: --machine: the path is empty\n"},
        {{"correct", "fits.csv", "fits.csv", "--machine", ""},
         "tubrix-cli: --machine: the path is empty\n"},
        {{"info", ""}, "tubrix-cli: PROGRAM: the path is empty\n"},
        {{"compare", "fits.csv", ""}, "tubrix-cli: the path is empty; name a file\n"},
        {{"check", "fits.csv", "--machine", "parts"},
         "tubrix-cli: parts: is a folder, not a file\n"},
        {{"machine", "/dev/null", "--machine", "bender3.toml"},
         "tubrix-cli: /dev/null: is not a text file but a device\n"},
    };
    for (const Case& c : cases) {
        const CliRun run = Run(c.Args);
        EXPECT_EQ(run.Status, 2) << c.Args[0] << ' ' << c.Args.back();
        EXPECT_EQ(run.Err, c.Said) << c.Args[0] << ' ' << c.Args.back();
        EXPECT_EQ(run.Out, "");
    }
}

// convert computes the lengths (1.5 in is 38.099999999999994 mm in doubles) and writes them as
// the drawing meant them; the angles it copies come out digit for digit.
TEST_F(CliMachine, ConvertWritesComputedLengthsWithoutRoundOffAndCopiedAnglesAsRead) {
    WriteText(Path("in.csv"),
              "# units: in\ndiameter,1.5\nY,B,C,R\n1.5,90.00000000000594,90,2\n3,0,0,0\n");
    const CliRun mm = Run({"convert", "in.csv", "--to", "mm"});
    EXPECT_EQ(mm.Status, 0) << mm.Err;
    EXPECT_EQ(mm.Out, "# Tubrix bend program\n# units: mm\ndiameter,38.1\nY,B,C,R\n"
                      "38.1,90.00000000000594,90,50.8\n76.2,0,0,0\n");
}
