// tubrix-cli compare, correct and calibrate as a shop runs them: the verdict's exit statuses,
// the JSON keys, the next machine program written, and the profile edited in place.
#include "cliprocess.h"

#include <QFile>
#include <QProcess>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <utility>

namespace {

using namespace clitest;

const std::string Nominal = "diameter,20\nY,B,C,R\n100,0,90,40\n150,90,45,40\n120,-30,60,40\n"
                            "80,0,0,40\n";
// Off by a degree here and there and a millimetre of feed.
const std::string Off = "diameter,20\nY,B,C,R\n101,0,88,40\n149,92,44,40\n120,-30,61,40\n"
                        "82,0,0,40\n";
// The nominal's points as `xyz` gives them, moved 0.3 along z: laid back exactly by `best`.
const std::string Moved = "diameter,20\nX,Y,Z\n0,0,0.3\n0,0,-139.7\n-206.5685424949238,0,-139.7\n"
                          "-319.4670166084021,-112.8984741134783,-139.7\n"
                          "-301.24239808003256,-204.0215667553262,-95.05898384862246\n";
const std::string Profile = "# our bender\nname = \"B1\"\nmax_angle = 200 # degrees\n\n"
                            "[springback]\nfixed = 1.5\n";

// A length in millimetres written in inches, to the last digit.
std::string Inches(double mm) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", mm / 25.4);
    return text;
}

// The nominal's points moved 0.3 along z (as Moved), in inches and without a diameter line.
std::string MovedInInches(const std::string& diameterLine = "") {
    const double points[5][3] = {{0, 0, 0.3},
                                 {0, 0, -139.7},
                                 {-206.5685424949238, 0, -139.7},
                                 {-319.4670166084021, -112.8984741134783, -139.7},
                                 {-301.24239808003256, -204.0215667553262, -95.05898384862246}};
    std::string text = "# units: in\n" + diameterLine + "X,Y,Z\n";
    for (const auto& p : points) {
        text += Inches(p[0]) + "," + Inches(p[1]) + "," + Inches(p[2]) + "\n";
    }
    return text;
}

// Off, its lengths in inches.
std::string OffInInches() {
    const double rows[4][4] = {
        {101, 0, 88, 40}, {149, 92, 44, 40}, {120, -30, 61, 40}, {82, 0, 0, 40}};
    std::string text = "# units: in\ndiameter," + Inches(20) + "\nY,B,C,R\n";
    for (const auto& r : rows) {
        text += Inches(r[0]) + "," + std::to_string(r[1]) + "," + std::to_string(r[2]) + "," +
                Inches(r[3]) + "\n";
    }
    return text;
}

class CliMeasured : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        WriteText(Path("nominal.csv"), Nominal);
        WriteText(Path("off.csv"), Off);
        WriteText(Path("moved.csv"), Moved);
        WriteText(Path("b1.toml"), Profile);
        // The same in other units.
        WriteText(Path("nominal_mm.csv"), "# units: mm\n" + Nominal);
        WriteText(Path("off_in.csv"), OffInInches());
        WriteText(Path("moved_in.csv"), MovedInInches());
        WriteText(Path("b1_in.toml"), "units = \"in\"\n" + Profile);
    }
    QString Path(const char* name) const { return folder.filePath(QString::fromLatin1(name)); }
    CliRun Run(const std::vector<std::string>& args) { return RunCli(args, folder.path(), {}); }
    std::string Read(const char* name) const {
        QFile file(Path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
    }

    QTemporaryDir folder;
};

TEST_F(CliMeasured, CompareExitsZeroThreeOrTwo) {
    struct Case {
        std::vector<std::string> Args;
        int Status;
        const char* Says; // in standard output, or standard error for 2
    };
    const Case cases[] = {
        {{"compare", "nominal.csv", "moved.csv"}, 0, "Sheath 0.00 <= 1.00 at row"},
        {{"compare", "nominal.csv", "moved.csv", "--align", "none"}, 0, "Sheath 0.30 <= 1.00"},
        {{"compare", "nominal.csv", "moved.csv", "--align", "none", "--tolerance", "0.2"},
         3,
         "Sheath 0.30 > 0.20 at row 1 \u2014 fails"},
        {{"compare", "nominal.csv", "off.csv"}, 3, "Sheath 3.58 > 1.00 at row 1 \u2014 fails"},
        {{"compare", "nominal.csv", "off.csv", "--tolerance", "4"}, 0, "passes"},
        {{"compare", "nominal.csv", "off.csv", "--tolerance", "0"}, 2, "--tolerance"},
        {{"compare", "nominal.csv", "off.csv", "--tolerance", "inf"}, 2, "--tolerance"},
        {{"compare", "nominal.csv", "off.csv", "--align", "least"}, 2, "least"},
        {{"compare", "nominal.csv", "missing.csv"}, 2, "missing.csv"},
    };
    for (const Case& c : cases) {
        const CliRun run = Run(c.Args);
        EXPECT_EQ(run.Status, c.Status) << c.Args.back() << run.Err;
        EXPECT_NE((c.Status == 2 ? run.Err : run.Out).find(c.Says), std::string::npos)
            << run.Out << run.Err;
    }
    // The profile's sheath_tolerance, when no --tolerance is given.
    WriteText(Path("loose.toml"), "sheath_tolerance = 5\n");
    EXPECT_EQ(Run({"compare", "nominal.csv", "off.csv", "--machine", "loose.toml"}).Status, 0);
    WriteText(Path("bad.toml"), "sheath_tolerance = -1\n");
    const CliRun bad = Run({"compare", "nominal.csv", "off.csv", "--machine", "bad.toml"});
    EXPECT_EQ(bad.Status, 2);
    EXPECT_EQ(bad.Err, "tubrix-cli: bad.toml:1:20: sheath_tolerance must be greater than 0\n");
}

TEST_F(CliMeasured, CompareJsonHasItsKeys) {
    // An inch measurement of a millimetre part gives its deltas in millimetres alike.
    for (const char* measured : {"off.csv", "off_in.csv"}) {
        const CliRun run = Run({"compare", "nominal_mm.csv", measured, "--json"});
        EXPECT_EQ(run.Status, 3) << run.Err;
        const nlohmann::json out = nlohmann::json::parse(run.Out);
        EXPECT_EQ(out["align"]["rotation"].size(), 3u);
        EXPECT_EQ(out["align"]["translation"].size(), 3u);
        EXPECT_EQ(out["points"].size(), 5u);
        ASSERT_EQ(out["bends"].size(), 3u);
        // From each part's program: the straights, plane turns and angles as the files give them.
        const double expected[3][4] = {{1, 0, -2, 0}, {-1, 2, -1, 0}, {0, 0, 1, 0}};
        for (std::size_t k = 0; k < 3; ++k) {
            const nlohmann::json& bend = out["bends"][k];
            EXPECT_EQ(bend["row"], k + 1);
            EXPECT_NEAR(bend["dY"].get<double>(), expected[k][0], 1e-9);
            EXPECT_NEAR(bend["dB"].get<double>(), expected[k][1], 1e-9);
            EXPECT_NEAR(bend["dC"].get<double>(), expected[k][2], 1e-9);
            EXPECT_NEAR(bend["dR"].get<double>(), expected[k][3], 1e-9);
        }
        EXPECT_NEAR(out["tail_dY"].get<double>(), 2, 1e-9);
        EXPECT_EQ(out["sheath"]["tolerance"], 1);
        EXPECT_EQ(out["sheath"]["pass"], false);
        EXPECT_EQ(out["other_hand"], false);
    }
}

TEST_F(CliMeasured, MismatchedPartsAreRefused) {
    WriteText(Path("short.csv"), "diameter,20\nX,Y,Z\n0,0,0\n0,0,-140\n-200,0,-140\n");
    const CliRun run = Run({"compare", "nominal.csv", "short.csv"});
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Err, "tubrix-cli: short.csv: the measured part has 3 points, the nominal "
                       "program 5 points (its start, one per bend, its end): they must match "
                       "one for one\n");
    EXPECT_EQ(Run({"correct", "nominal.csv", "short.csv", "--machine", "b1.toml"}).Status, 2);
}

TEST_F(CliMeasured, HostileMeasuredFilesAreRefusedNamingThem) {
    const char* const files[] = {
        "diameter,20\nX,Y,Z\n0,0,0\n0,0,-140\n-206,0,-140\n-319,-112,-140\nnan,-204,-95\n",
        "diameter,20\nX,Y,Z\n0,0,0\n0,0,-140\n-206,0,-140\n-319,-112,-140\ninf,-204,-95\n",
        "diameter,20\nX,Y,Z\n0,0,0\n0,0,0\n-206,0,-140\n-319,-112,-140\n-301,-204,-95\n",
        "diameter,20\nX,Y,Z\n",
        "diameter,20\nX,Y,Z\nx,y,z\n",
        "",
        "diameter,20\nY,B,C,R\n1e308,0,90,40\n1e308,90,45,40\n120,-30,60,40\n80,0,0,40\n",
        "diameter,20\nY,B,C,R\n100,0,90,40\n150,90,45,40\n120,-30,60,-40\n80,0,0,40\n",
    };
    for (const char* text : files) {
        WriteText(Path("hostile.csv"), text);
        for (const char* align : {"best", "none"}) {
            const CliRun run = Run({"compare", "nominal.csv", "hostile.csv", "--align", align});
            EXPECT_EQ(run.Status, 2) << text << run.Out;
            EXPECT_EQ(run.Err.rfind("tubrix-cli: hostile.csv", 0), 0u) << run.Err;
        }
    }
}

TEST_F(CliMeasured, CorrectWritesTheNextMachineProgram) {
    const CliRun run = Run({"correct", "nominal.csv", "off.csv", "--machine", "b1.toml", "-o",
                            "next.csv", "--decimals", "3"});
    EXPECT_EQ(run.Status, 0) << run.Err;
    // The cut length 450 + 40 (pi/2 + pi/4 + pi/3) of the nominal, 2 shorter for the feeds; the
    // machine angle (C + 1.5) plus what each bend came out short, the feeds likewise, the
    // second plane turned back by the 2 degrees it overshot.
    EXPECT_EQ(Read("next.csv"), "# corrected for the measured part off.csv, sheath deviation "
                                "3.582 at row 1\n# machine: B1\n# cut length: 584.136\n"
                                "# B: relative; C: the machine angle, springback included\n"
                                "# Tubrix bend program\ndiameter,20\nY,B,C,R\n99,0,93.5,40\n"
                                "151,88,47.5,40\n120,-30,60.5,40\n78,0,0,40\n");
    // What a machine program may not hold is refused, with nothing written.
    WriteText(Path("used.csv"), "diameter,20\nY,B,C,R\n100,0,250,40\n150,90,46.5,40\n"
                                "120,-30,61.5,40\n80,0,0,40\n");
    const CliRun bad = Run({"correct", "nominal.csv", "off.csv", "--machine", "b1.toml", "--used",
                            "used.csv", "-o", "next2.csv"});
    EXPECT_EQ(bad.Status, 2);
    EXPECT_EQ(bad.Err, "tubrix-cli: used.csv:3:3: C, the machine angle, must be from 0 to "
                       "max_angle, 200\n");
    EXPECT_FALSE(QFile::exists(Path("next2.csv")));
}

TEST_F(CliMeasured, CalibrateFitsAndWritesTheProfileInPlace) {
    // Bent with 91.5, 46.5, 61.5: measured 88, 44, 61.
    ASSERT_EQ(Run({"machine", "nominal.csv", "--machine", "b1.toml", "-o", "used.csv"}).Status, 0);
    const CliRun run = Run({"calibrate", "b1.toml", "used.csv", "off.csv", "--json", "--write"});
    EXPECT_EQ(run.Status, 0) << run.Err;
    const nlohmann::json out = nlohmann::json::parse(run.Out);
    // Least squares of machine - C = fixed + per_degree C over (88, 3.5), (44, 2.5), (61, 0.5).
    const double x[] = {88, 44, 61}, y[] = {3.5, 2.5, 0.5};
    const double mx = (x[0] + x[1] + x[2]) / 3, my = (y[0] + y[1] + y[2]) / 3;
    double sxy = 0, sxx = 0;
    for (int i = 0; i < 3; ++i) {
        sxy += (x[i] - mx) * (y[i] - my);
        sxx += (x[i] - mx) * (x[i] - mx);
    }
    // Six significant digits, as the profile keeps them.
    const auto six = [](double v) {
        char text[32];
        std::snprintf(text, sizeof text, "%.6g", v);
        return std::strtod(text, nullptr);
    };
    EXPECT_EQ(out["per_degree"].get<double>(), six(sxy / sxx));
    EXPECT_EQ(out["fixed"].get<double>(), six(my - sxy / sxx * mx));
    EXPECT_EQ(out["residuals"].size(), 3u);
    const std::string written = Read("b1.toml");
    EXPECT_EQ(written.substr(0, Profile.size() - 4), Profile.substr(0, Profile.size() - 4));
    EXPECT_NE(written.find("\nper_degree = "), std::string::npos);

    // One angle alone fixes no law: refused, the profile untouched.
    WriteText(Path("b2.toml"), Profile);
    WriteText(Path("one.csv"), "diameter,20\nY,B,C,R\n100,0,91.5,40\n80,0,0,40\n");
    WriteText(Path("onem.csv"), "diameter,20\nY,B,C,R\n100,0,90,40\n80,0,0,40\n");
    const CliRun one = Run({"calibrate", "b2.toml", "one.csv", "onem.csv", "--write"});
    EXPECT_EQ(one.Status, 2);
    EXPECT_EQ(Read("b2.toml"), Profile);
    EXPECT_EQ(Run({"calibrate", "b2.toml", "one.csv"}).Status, 2);
}

TEST_F(CliMeasured, TheSheetCarriesTheInspectionWhateverItsVerdict) {
    const CliRun run = Run({"report", "nominal.csv", "--measured", "off.csv", "--machine",
                            "b1.toml", "-o", "sheet.pdf"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {Path("sheet.pdf"), QStringLiteral("-")});
    text.waitForFinished(60000);
    const std::string words = text.readAllStandardOutput().toStdString();
    EXPECT_NE(words.find("Inspection of off.csv: Sheath 3.58 > 1.00 at row 1 \u2014 fails"),
              std::string::npos)
        << words;
    EXPECT_NE(words.find("Machine program corrected for the next part"), std::string::npos);
    // The corrected angle of the first bend: 90 + 1.5 of springback + the 2 it came out short.
    EXPECT_NE(words.find("93.50"), std::string::npos);
    EXPECT_EQ(Run({"report", "nominal.csv", "--measured", "missing.csv", "-o", "s.pdf"}).Status, 2);
}

TEST_F(CliMeasured, InchesAndMillimetresGiveOneVerdict) {
    // An inch measurement of a millimetre part, and an inch profile's tolerance: Off strays
    // 3.58 mm, within 0.15 in (3.81 mm) and past 0.14 in (3.556 mm).
    const std::string profileNote =
        "tubrix-cli: the lengths of p.toml converted from in to mm, the program's units\n";
    struct Case {
        std::string Measured;
        std::string Profile; // empty: none
        int Status;
        const char* Verdict;
        std::string Err;
    };
    const Case cases[] = {
        {"moved_in.csv", "", 0, "Sheath 0.00 <= 1.00 at row",
         "tubrix-cli: the lengths of moved_in.csv converted from in to mm, the units of "
         "nominal_mm.csv\n"},
        {"off_in.csv", "", 3, "Sheath 3.58 > 1.00 at row 1 \u2014 fails",
         "tubrix-cli: the lengths of off_in.csv converted from in to mm, the units of "
         "nominal_mm.csv\n"},
        {"off.csv", "units = \"in\"\nsheath_tolerance = 0.15\n", 0, "Sheath 3.58 <= 3.81 at row 1",
         profileNote},
        {"off.csv", "sheath_tolerance = 3.81\n", 0, "Sheath 3.58 <= 3.81 at row 1",
         "tubrix-cli: p.toml says no unit: its lengths are taken as mm, the program's\n"},
        {"off.csv", "units = \"in\"\nsheath_tolerance = 0.14\n", 3, "Sheath 3.58 > 3.56 at row 1",
         profileNote},
        {"off.csv", "units = \"mm\"\nsheath_tolerance = 3.556\n", 3, "Sheath 3.58 > 3.56 at row 1",
         ""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"compare", "nominal_mm.csv", c.Measured};
        if (!c.Profile.empty()) {
            WriteText(Path("p.toml"), c.Profile);
            args.insert(args.end(), {"--machine", "p.toml"});
        }
        const CliRun run = Run(args);
        EXPECT_EQ(run.Status, c.Status) << c.Measured << c.Profile << run.Err;
        EXPECT_NE(run.Out.find(c.Verdict), std::string::npos) << c.Profile << run.Out;
        EXPECT_EQ(run.Err, c.Err) << c.Measured << c.Profile;
    }
    // A diameter line in inches agrees as far as it is written; one that is another tube not.
    WriteText(Path("round.csv"), MovedInInches("diameter,0.7874\n"));
    EXPECT_EQ(Run({"compare", "nominal_mm.csv", "round.csv"}).Status, 0);
    WriteText(Path("wide.csv"), MovedInInches("diameter,0.8\n"));
    const CliRun wide = Run({"compare", "nominal_mm.csv", "wide.csv"});
    EXPECT_EQ(wide.Status, 2);
    EXPECT_NE(wide.Err.find("wide.csv:2:2: the diameter 0.8 differs"), std::string::npos)
        << wide.Err;
}

TEST_F(CliMeasured, AUnitsLineThatContradictsUnitsIsRefusedNamingBoth) {
    struct Case {
        std::vector<std::string> Args;
        const char* Err;
    };
    const Case cases[] = {
        {{"compare", "nominal.csv", "off_in.csv", "--units", "mm"},
         "tubrix-cli: off_in.csv: its units line says in, and --units says mm\n"},
        {{"compare", "nominal_mm.csv", "off.csv", "--units", "in"},
         "tubrix-cli: nominal_mm.csv: its units line says mm, and --units says in\n"},
        {{"correct", "nominal.csv", "off_in.csv", "--machine", "b1.toml", "--units", "mm"},
         "tubrix-cli: off_in.csv: its units line says in, and --units says mm\n"},
        {{"report", "nominal.csv", "--measured", "off_in.csv", "--units", "mm", "-o", "s.pdf"},
         "tubrix-cli: off_in.csv: its units line says in, and --units says mm\n"},
    };
    for (const Case& c : cases) {
        const CliRun run = Run(c.Args);
        EXPECT_EQ(run.Status, 2) << c.Args[0];
        EXPECT_EQ(run.Err, c.Err);
    }
    EXPECT_FALSE(QFile::exists(Path("s.pdf")));
}

TEST_F(CliMeasured, CorrectWritesTheMachinesUnits) {
    // The machine program `machine` gives with the inch profile, which bent the part.
    ASSERT_EQ(
        Run({"machine", "nominal_mm.csv", "--machine", "b1_in.toml", "-o", "used_in.csv"}).Status,
        0);
    for (const std::vector<std::string>& used :
         {std::vector<std::string>{}, std::vector<std::string>{"--used", "used_in.csv"}}) {
        std::vector<std::string> args{"correct", "nominal_mm.csv", "off.csv", "--machine",
                                      "b1_in.toml"};
        args.insert(args.end(), used.begin(), used.end());
        const CliRun run = Run(args);
        ASSERT_EQ(run.Status, 0) << run.Err;
        // The millimetre program's feeds 99, 151, 120, 78 and radius 40, in inches; the angles
        // and turns as they are.
        const std::string header = "# corrected for the measured part off.csv, sheath deviation "
                                   "3.582 mm at row 1\n# machine: B1\n";
        EXPECT_EQ(run.Out.substr(0, header.size()), header);
        ASSERT_NE(run.Out.find("# units: in\ndiameter,"), std::string::npos) << run.Out;
        std::istringstream lines(run.Out.substr(run.Out.find("Y,B,C,R\n") + 8));
        const double expected[4][4] = {{99 / 25.4, 0, 93.5, 40 / 25.4},
                                       {151 / 25.4, 88, 47.5, 40 / 25.4},
                                       {120 / 25.4, -30, 60.5, 40 / 25.4},
                                       {78 / 25.4, 0, 0, 40 / 25.4}};
        for (const auto& row : expected) {
            std::string line;
            ASSERT_TRUE(std::getline(lines, line)) << run.Out;
            std::istringstream cells(line);
            for (const double value : row) {
                std::string cell;
                std::getline(cells, cell, ',');
                EXPECT_NEAR(std::stod(cell), value, 1e-12) << line;
            }
        }
    }
}

TEST_F(CliMeasured, CalibrateReadsEachFileInItsUnits) {
    // Bent with 1.5 degrees of springback on 90, 45 and 60: measured as the nominal exactly.
    ASSERT_EQ(Run({"machine", "nominal_mm.csv", "--machine", "b1.toml", "-o", "used.csv"}).Status,
              0);
    ASSERT_EQ(
        Run({"machine", "nominal_mm.csv", "--machine", "b1_in.toml", "-o", "used_in.csv"}).Status,
        0);
    WriteText(Path("moved_mm.csv"), "# units: mm\n" + Moved);
    for (const auto& [used, measured] :
         {std::pair<const char*, const char*>{"used.csv", "moved_in.csv"},
          {"used_in.csv", "moved_mm.csv"}}) {
        const CliRun run = Run({"calibrate", "b1.toml", used, measured, "--json"});
        ASSERT_EQ(run.Status, 0) << used << run.Err;
        const nlohmann::json out = nlohmann::json::parse(run.Out);
        EXPECT_NEAR(out["fixed"].get<double>(), 1.5, 1e-9) << used;
        EXPECT_NEAR(out["per_degree"].get<double>(), 0, 1e-11) << used;
    }
}

TEST_F(CliMeasured, TheSheetInspectsAnInchMeasurementInMillimetres) {
    const CliRun run =
        Run({"report", "nominal_mm.csv", "--measured", "moved_in.csv", "-o", "sheet.pdf"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {Path("sheet.pdf"), QStringLiteral("-")});
    text.waitForFinished(60000);
    EXPECT_NE(text.readAllStandardOutput().indexOf("Sheath 0.00 <= 1.00"), -1);
}

} // namespace

namespace {

// Moved's points in the other order, and mirrored: the same part measured from its other end,
// and the part of the other hand.
std::string MovedReordered(bool reversed, bool mirrored) {
    std::istringstream in(Moved);
    std::string line, text;
    std::vector<std::string> points;
    for (int n = 0; std::getline(in, line); ++n) {
        if (n < 2) {
            text += line + "\n";
        } else {
            // X negated: a sign taken off or put on, 0 as it is.
            if (mirrored && line.rfind("0,", 0) != 0) {
                line = line[0] == '-' ? line.substr(1) : "-" + line;
            }
            points.push_back(line + "\n");
        }
    }
    if (reversed) {
        std::reverse(points.begin(), points.end());
    }
    for (const std::string& point : points) {
        text += point;
    }
    return text;
}

} // namespace

TEST_F(CliMeasured, OnlyAPlausibleMeasurementOfTheRightHandIsCorrected) {
    WriteText(Path("reversed.csv"), MovedReordered(true, false));
    WriteText(Path("mirrored.csv"), MovedReordered(false, true));
    // Another part with as many bends, reported by a measuring machine as its program.
    WriteText(Path("other.csv"),
              "diameter,20\nY,B,C,R\n250,0,120,40\n180,0,35,40\n300,45,20,40\n100,0,0,40\n");
    const CliRun forward =
        Run({"correct", "nominal.csv", "moved.csv", "--machine", "b1.toml", "--decimals", "6"});
    const CliRun reversed =
        Run({"correct", "nominal.csv", "reversed.csv", "--machine", "b1.toml", "--decimals", "6"});
    ASSERT_EQ(forward.Status, 0) << forward.Err;
    ASSERT_EQ(reversed.Status, 0) << reversed.Err;
    EXPECT_NE(reversed.Err.find("the measured points run from the other end; read reversed"),
              std::string::npos);
    // The same program, but for the comment that names the measured file.
    const auto body = [](const std::string& out) { return out.substr(out.find('\n') + 1); };
    EXPECT_EQ(body(reversed.Out), body(forward.Out));
    const nlohmann::json json =
        nlohmann::json::parse(Run({"compare", "nominal.csv", "reversed.csv", "--json"}).Out);
    EXPECT_TRUE(json["reversed"].get<bool>());

    ASSERT_EQ(Run({"machine", "nominal.csv", "--machine", "b1.toml", "-o", "used.csv"}).Status, 0);
    struct Case {
        std::vector<std::string> Args;
        const char* Says;
    } const refused[] = {
        {{"correct", "nominal.csv", "mirrored.csv", "--machine", "b1.toml", "-o", "next.csv"},
         "the measured part is of the other hand: a correction would turn every plane"},
        {{"correct", "nominal.csv", "mirrored.csv", "--machine", "b1.toml", "-o", "next.csv",
          "--force"},
         "other hand"},
        {{"correct", "nominal.csv", "other.csv", "--machine", "b1.toml", "-o", "next.csv"},
         "max_correction_"},
        {{"calibrate", "b1.toml", "used.csv", "mirrored.csv", "used.csv", "off.csv", "--write"},
         "other hand"},
    };
    const std::string profile = Read("b1.toml");
    for (const Case& c : refused) {
        const CliRun run = Run(c.Args);
        EXPECT_EQ(run.Status, 2) << run.Err;
        EXPECT_NE(run.Err.find(c.Says), std::string::npos) << run.Err;
        EXPECT_FALSE(QFile::exists(Path("next.csv")));
        EXPECT_EQ(Read("b1.toml"), profile);
    }
    // A first part a millimetre off, against a profile that takes half of that: --force writes it.
    WriteText(Path("tight.toml"), "max_correction_feed = 0.5\n" + Profile);
    const CliRun tight = Run({"correct", "nominal.csv", "off.csv", "--machine", "tight.toml"});
    EXPECT_EQ(tight.Status, 2);
    EXPECT_NE(tight.Err.find("max_correction_feed, 0.5"), std::string::npos) << tight.Err;
    EXPECT_EQ(
        Run({"correct", "nominal.csv", "off.csv", "--machine", "tight.toml", "--force"}).Status, 0);
}
