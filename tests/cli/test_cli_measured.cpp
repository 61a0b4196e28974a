// tubrix-cli compare, correct and calibrate as a shop runs them: the verdict's exit statuses,
// the JSON keys, the next machine program written, and the profile edited in place.
#include "cliprocess.h"

#include <QFile>
#include <QProcess>

#include <nlohmann/json.hpp>

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

class CliMeasured : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        WriteText(Path("nominal.csv"), Nominal);
        WriteText(Path("off.csv"), Off);
        WriteText(Path("moved.csv"), Moved);
        WriteText(Path("b1.toml"), Profile);
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
    const CliRun run = Run({"compare", "nominal.csv", "off.csv", "--json"});
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
    EXPECT_NEAR(out["per_degree"].get<double>(), sxy / sxx, 1e-12);
    EXPECT_NEAR(out["fixed"].get<double>(), my - sxy / sxx * mx, 1e-10);
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

} // namespace
