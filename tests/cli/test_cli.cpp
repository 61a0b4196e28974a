// tubrix-cli as a whole process: its outputs, its exit statuses and its one-line errors.
#include "cliprocess.h"
#include "programfile.h"

#include <QImage>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <set>
#include <sys/resource.h>

using namespace tubrix;

namespace {

using namespace clitest;

class Cli : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        WriteText(Path("initial.csv"), InitialProgramText);
    }
    QString Path(const char* name) const { return folder.filePath(QString::fromLatin1(name)); }
    bool Exists(const char* name) const { return QFile::exists(Path(name)); }
    CliRun Run(const std::vector<std::string>& args, const std::string& input = {}) {
        return RunCli(args, folder.path(), input);
    }

    QTemporaryDir folder;
};

TEST_F(Cli, InfoJsonGivesExactlyTheKeysAndTheNumbersWorkedByHand) {
    const CliRun run = Run({"info", "initial.csv", "--json"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const auto info = nlohmann::json::parse(run.Out);
    std::set<std::string> keys;
    for (const auto& item : info.items()) {
        keys.insert(item.key());
    }
    EXPECT_EQ(keys, (std::set<std::string>{"diameter", "wall", "developed_length", "start", "end",
                                           "bounding_box", "steps"}));
    EXPECT_EQ(info["diameter"], 38);
    EXPECT_TRUE(info["wall"].is_null()); // a program file holds no wall
    EXPECT_NEAR(info["developed_length"].get<double>(), 150 + 90 * std::numbers::pi, 1e-9);
    EXPECT_EQ(info["start"], nlohmann::json::array({0, 0, 0}));
    ASSERT_EQ(info["steps"].size(), 5u);
    const auto& first = info["steps"][0];
    // The first straight runs 30 along -z; its legs meet 45 tan 45 further on.
    EXPECT_EQ(first["straight_end"], nlohmann::json::array({0, 0, -30}));
    EXPECT_EQ(first["intersection"], nlohmann::json::array({0, 0, -75}));
    EXPECT_NEAR(first["arc_length"].get<double>(), 45 * std::numbers::pi / 2, 1e-12);
    const auto& last = info["steps"][4];
    for (const char* none : {"bend_centre", "bend_end", "intersection", "arc_length"}) {
        EXPECT_TRUE(last[none].is_null()) << none;
    }
    const CliRun text = Run({"info", "-"}, InitialProgramText);
    ASSERT_EQ(text.Status, 0) << text.Err;
    EXPECT_NE(text.Out.find("Developed length  432.743"), std::string::npos) << text.Out;
}

TEST_F(Cli, XyzThenYbcThroughFilesGivesTheProgramBack) {
    ASSERT_EQ(Run({"xyz", "initial.csv", "-o", "points.csv"}).Status, 0);
    const Result<PointsRows> points = ReadPointsFile(Path("points.csv").toStdString());
    ASSERT_TRUE(points) << points.Failure().ToString();
    ASSERT_EQ(points->Points.size(), 6u); // the two ends and four intersection points
    EXPECT_FALSE(points->Points.front().R);
    EXPECT_FALSE(points->Points.back().R);
    EXPECT_EQ(points->Points[1].R, 45);

    ASSERT_EQ(Run({"ybc", "points.csv", "-o", "back.csv"}).Status, 0);
    const Result<ProgramRows> back = ReadProgramFile(Path("back.csv").toStdString());
    ASSERT_TRUE(back) << back.Failure().ToString();
    const double expected[5][4] = {
        {30, 0, 90, 45}, {30, 90, 90, 45}, {30, 90, 90, 45}, {30, 90, 90, 45}, {30, 0, 0, 45}};
    ASSERT_EQ(back->Rows.size(), 5u);
    EXPECT_EQ(back->Diameter, 38);
    for (int i = 0; i < 5; ++i) {
        const BendRowInput& row = back->Rows[i];
        EXPECT_NEAR(row.Y, expected[i][0], 1e-9) << i;
        EXPECT_NEAR(std::remainder(row.B - expected[i][1], 360), 0, 1e-9) << i;
        EXPECT_NEAR(row.C, expected[i][2], 1e-9) << i;
        EXPECT_NEAR(row.R, expected[i][3], 1e-9) << i;
    }
}

// Every failure: its status, one line on standard error, and no output file left behind.
TEST_F(Cli, FailuresSayOneLineAndWriteNothing) {
    WriteText(Path("bad.csv"), "diameter,38\nY,B,C,R\n30,0,abc,45\n30,0,0,45\n");
    WriteText(Path("uturn.csv"), "diameter,10\n20,0,180,5\n20,0,0,5\n");
    // A bend radius that rounds to 0 leaves no program to write.
    WriteText(Path("thin.csv"), "diameter,10\n20,0,90,0.4\n20,0,0,5\n");
    const struct {
        std::vector<std::string> args;
        int status;
        const char* says;
    } cases[] = {
        {{"info", "missing.csv"}, 2, "missing.csv"},
        {{"info", "bad.csv", "-o", "out"}, 2, ""},
        {{"frobnicate"}, 2, ""},
        {{"info", "bad.csv"}, 2, "bad.csv:3:3"},
        {{"xyz", "uturn.csv", "-o", "out"}, 2, "180"},
        {{"xyz", "initial.csv", "-o", "no/such/folder/out"}, 1, ""},
        {{"ybc", "initial.csv", "--radius", "-1", "-o", "out"}, 2, "radius"},
        {{"render", "initial.csv", "-o", "out", "--size", "0x10"}, 2, "--size"},
        {{"render", "initial.csv", "-o", "out", "--size", "16385x10"}, 2, "--size"},
        {{"render", "initial.csv", "-o", "out", "--size", "-5x5"}, 2, "--size"},
        {{"render", "initial.csv", "-o", "out", "--size", "big"}, 2, "--size"},
        {{"render", "initial.csv", "-o", "out", "--turn", "nan,1"}, 2, "--turn"},
        {{"mirror", "initial.csv", "--decimals", "18", "-o", "out"}, 2, "--decimals"},
        {{"xyz", "initial.csv", "--decimals", "-1", "-o", "out"}, 2, "--decimals"},
        {{"mirror", "thin.csv", "--decimals", "0", "-o", "out"}, 2, "row 1"},
    };
    for (const auto& c : cases) {
        const CliRun run = Run(c.args);
        SCOPED_TRACE(c.args.front() + " " + c.args.back());
        EXPECT_EQ(run.Status, c.status);
        EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), 1) << run.Err;
        EXPECT_NE(run.Err.find(c.says), std::string::npos) << run.Err;
        EXPECT_FALSE(Exists("out"));
    }
    const CliRun version = Run({"--version"});
    EXPECT_EQ(version.Status, 0);
    EXPECT_EQ(version.Out.rfind("tubrix-cli ", 0), 0u) << version.Out;
}

// A slip of the command's name is said as one, with the command most likely meant and all of
// them; a word nothing like a command gets the list alone.
TEST_F(Cli, AMistypedCommandIsNamedWithTheOneMeant) {
    const std::string commands = "Commands: info, xyz, ybc, render, export, check, machine, "
                                 "sequence, report, mirror, convert, compare, correct, calibrate "
                                 "(tubrix-cli --help says what each does).\n";
    const CliRun chek = Run({"chek", "initial.csv"});
    EXPECT_EQ(chek.Status, 2);
    EXPECT_EQ(chek.Out, "");
    EXPECT_EQ(chek.Err, "tubrix-cli: unknown command \"chek\"; did you mean check? " + commands);
    EXPECT_EQ(Run({"seqeunce", "initial.csv"}).Err,
              "tubrix-cli: unknown command \"seqeunce\"; did you mean sequence? " + commands);
    EXPECT_EQ(Run({"frobnicate"}).Err, "tubrix-cli: unknown command \"frobnicate\". " + commands);
    const CliRun none = Run({});
    EXPECT_EQ(none.Status, 2);
    EXPECT_EQ(none.Err, "tubrix-cli: no command given. " + commands);
    // Help and the version are still answered, and a command spelt right runs.
    EXPECT_EQ(Run({"--help"}).Status, 0);
    EXPECT_EQ(Run({"check", "initial.csv"}).Status, 0);
}

// ybc reads points: a program handed to it is said to be one.
TEST_F(Cli, YbcGivenAProgramSaysItReadsPoints) {
    const CliRun run = Run({"ybc", "initial.csv"});
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err, "tubrix-cli: initial.csv:2:1: ybc reads XYZ points (x,y,z or x,y,z,r), and "
                       "this file looks like a bend program (a Y,B,C,R header); tubrix-cli xyz "
                       "gives a program's points\n");
    // Points in inches with radii in millimetres: every leg 25.4 times too short.
    WriteText(Path("inches.csv"), "# part 12-A\ndiameter,0.5\nX,Y,Z,R\n0,0,0\n0,0,-4,20\n"
                                  "3,0,-4,20\n3,0,-8\n");
    EXPECT_EQ(Run({"ybc", "inches.csv"}).Err,
              "tubrix-cli: inches.csv:5: leg 1, from point 1 to point 2, is too short for its "
              "bends: it is 4 long, and they need 20 of it, 0 at point 1 and 20 at point 2 "
              "(points in inches and radii in mm?)\n");
}

// A part number lives in the comment lines a file begins with: the program made from the file
// keeps them, after its own line.
TEST_F(Cli, YbcAndMirrorKeepTheLeadingCommentLines) {
    WriteText(Path("cad.csv"), "# part 4711-L, rev. B\n# drawn 2026-11-30\n\ndiameter,38\n"
                               "# not a leading comment\nX,Y,Z,R\n0,0,0\n0,0,-75,45\n"
                               "-120,0,-75\n");
    const CliRun ybc = Run({"ybc", "cad.csv"});
    ASSERT_EQ(ybc.Status, 0) << ybc.Err;
    EXPECT_EQ(ybc.Out, "# Tubrix bend program\n# part 4711-L, rev. B\n# drawn 2026-11-30\n"
                       "diameter,38\nY,B,C,R\n30,0,90,45\n75,0,0,45\n");
    // Through standard input too, and mirrored twice it is the same file.
    const CliRun left = Run({"mirror", "-"}, ybc.Out);
    ASSERT_EQ(left.Status, 0) << left.Err;
    EXPECT_EQ(left.Out, ybc.Out); // a B of 0 stays 0
    WriteText(Path("left.csv"), "# part 4711-L\ndiameter,38\nY,B,C,R\n30,0,90,45\n"
                                "30,-90,90,45\n30,0,0,45\n");
    ASSERT_EQ(Run({"mirror", "left.csv", "-o", "right.csv", "--decimals", "3"}).Status, 0);
    QFile right(Path("right.csv"));
    ASSERT_TRUE(right.open(QIODevice::ReadOnly));
    EXPECT_EQ(right.readAll().toStdString(), "# Tubrix bend program\n# part 4711-L\n"
                                             "diameter,38\nY,B,C,R\n30,0,90,45\n30,90,90,45\n"
                                             "30,0,0,45\n");
}

TEST_F(Cli, MirrorNegatesEveryBAndTwiceGivesTheFileBack) {
    const std::string written = "# Tubrix bend program\ndiameter,38\nY,B,C,R\n30,0,90,45\n"
                                "30,-90,90,45\n30,12.5,90,45\n30,0,0,45\n";
    WriteText(Path("part.csv"), written);
    ASSERT_EQ(Run({"mirror", "part.csv", "-o", "other.csv"}).Status, 0);
    const CliRun other = Run({"mirror", "-"}, Run({"mirror", "part.csv"}).Out);
    EXPECT_EQ(other.Out, written);
    const Result<ProgramRows> mirrored = ReadProgramFile(Path("other.csv").toStdString());
    ASSERT_TRUE(mirrored) << mirrored.Failure().ToString();
    const double b[] = {0, 90, -12.5, 0};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(mirrored->Rows[i].B, b[i]);
    }
    // --mirror on a reader works on the same part: its points are those of the mirrored file.
    EXPECT_EQ(Run({"xyz", "part.csv", "--mirror"}).Out, Run({"xyz", "other.csv"}).Out);
}

TEST_F(Cli, DecimalsAndAGivenDiameterGiveNumbersAPersonTypes) {
    // 45 degrees apart: the tangent points land on irrational numbers.
    WriteText(Path("cad.csv"), "0;0;0\n0;0;-100;40\n70,710678118654755;0;-170,71067811865476\n");
    const CliRun run =
        Run({"ybc", "cad.csv", "--diameter", "20", "--radius", "40", "--decimals", "2"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, "# Tubrix bend program\ndiameter,20\nY,B,C,R\n83.43,0,45,40\n"
                       "83.43,0,0,40\n");
    const CliRun points = Run({"xyz", "-", "--decimals", "1"}, run.Out);
    EXPECT_NE(points.Out.find("\n0,0,-100,40\n"), std::string::npos) << points.Out;
}

// The picture's pixels that are not the background, as a box.
struct Box {
    int Left = 1 << 30, Top = 1 << 30, Right = -1, Bottom = -1;
};

Box TubePixels(const QImage& image) {
    const QRgb background = image.pixel(0, 0);
    Box box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != background) {
                box = {std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x),
                       std::max(box.Bottom, y)};
            }
        }
    }
    return box;
}

// A direction turned about the view's x or y axis by degrees, right-handed.
std::array<double, 3> Turned(std::array<double, 3> v, int axis, double degrees) {
    const double a = degrees * std::numbers::pi / 180, c = std::cos(a), s = std::sin(a);
    const int i = (axis + 1) % 3, j = (axis + 2) % 3;
    std::array<double, 3> out = v;
    out[i] = c * v[i] - s * v[j];
    out[j] = s * v[i] + c * v[j];
    return out;
}

// A straight of 60 and diameter 10: at the home view the scale is 30, so 400 pixels show 60
// units (800 x 400: 120 across), and the tube runs from the origin (the picture's centre) along the
// model's +z. The home view turns it by -45 degrees about y and by atan(1 / sqrt 2) about x; --turn
// Y then X turns it further. Seen along the view's z, a cylinder of radius r along the unit d
// reaches r sqrt(1 - d_e^2) past its axis' ends along a screen axis e; the end markers of the last
// row (no length) stand at the origin, a cone 1 long pointing back along -d.
TEST_F(Cli, RenderTurnsTheHomeViewAboutYThenX) {
    WriteText(Path("straight.csv"), "diameter,10\n60,0,0,1\n0,0,0,1\n");
    const struct {
        const char* turn;
        double x, y;
    } cases[] = {{"0,0", 0, 0}, {"0,90", 0, 90}, {"-30,0", -30, 0}, {"30,-60", 30, -60}};
    const double pixels = 400.0 / 60;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.turn);
        std::array<double, 3> d{0, 0, 1};
        d = Turned(d, 1, -45);
        d = Turned(d, 0, std::atan(1 / std::sqrt(2.0)) * 180 / std::numbers::pi);
        d = Turned(Turned(d, 1, c.y), 0, c.x);
        double low[2], high[2];
        for (int e = 0; e < 2; ++e) {
            const double reach = 5 * std::sqrt(1 - d[e] * d[e]);
            low[e] = std::min({-reach, 60 * d[e] - reach, -d[e]});
            high[e] = std::max({reach, 60 * d[e] + reach, -d[e]});
        }
        const CliRun run =
            Run({"render", "straight.csv", "-o", "t.png", "--size", "800x400", "--turn", c.turn});
        ASSERT_EQ(run.Status, 0) << run.Err;
        const QImage image(Path("t.png"));
        ASSERT_EQ(image.size(), QSize(800, 400));
        const Box box = TubePixels(image);
        // The whole tube is in the picture; the picture's y runs down, the view's up.
        ASSERT_TRUE(std::fabs(low[1]) < 30 && std::fabs(high[1]) < 30);
        EXPECT_NEAR(box.Left, 400 + low[0] * pixels, 3);
        EXPECT_NEAR(box.Right, 400 + high[0] * pixels, 3);
        EXPECT_NEAR(box.Top, 200 - high[1] * pixels, 3);
        EXPECT_NEAR(box.Bottom, 200 - low[1] * pixels, 3);
    }
}

// --fit: the part's box centred, 90 % of the binding dimension, the other within it.
TEST_F(Cli, RenderFitFramesThePart) {
    WriteText(Path("straight.csv"), "diameter,10\n60,0,0,1\n0,0,0,1\n");
    const CliRun run = Run({"render", "straight.csv", "-o", "f.png", "--size", "400x200", "--fit"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const Box box = TubePixels(QImage(Path("f.png")));
    const double width = box.Right - box.Left + 1, height = box.Bottom - box.Top + 1;
    // Whichever binds fills about 90 %, and the other fits; the box is centred.
    EXPECT_TRUE(std::fabs(width - 360) <= 8 || std::fabs(height - 180) <= 8)
        << width << "x" << height;
    EXPECT_LE(width, 368);
    EXPECT_LE(height, 188);
    EXPECT_NEAR((box.Left + box.Right) / 2.0, 199.5, 4);
    EXPECT_NEAR((box.Top + box.Bottom) / 2.0, 99.5, 4);
}

// A picture whose memory cannot be had is an output failure, said in one line, never a crash:
// under 1 GiB of address space the picture itself, under 2.5 GiB GL's framebuffer.
TEST_F(Cli, RenderWithoutTheMemoryForItsPictureSaysSo) {
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizer reserves terabytes of shadow address space at start: under an address-space
    // limit the program cannot start at all.
    GTEST_SKIP() << "AddressSanitizer cannot run under an address-space limit";
#endif
    for (const rlim_t limit : {rlim_t{1} << 30, rlim_t{5} << 29}) {
        QProcess process;
        process.setWorkingDirectory(folder.path());
        process.setChildProcessModifier([limit] {
            const rlimit address{limit, limit};
            ::setrlimit(RLIMIT_AS, &address);
        });
        process.start(QStringLiteral(TUBRIX_CLI),
                      {"render", "initial.csv", "-o", "big.png", "--size", "16384x16384"});
        ASSERT_TRUE(process.waitForFinished(120000));
        SCOPED_TRACE(limit);
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 1);
        EXPECT_EQ(process.readAllStandardError().toStdString(),
                  "tubrix-cli: not enough memory for a 16384\u00d716384 picture\n");
        EXPECT_FALSE(Exists("big.png"));
    }
}

TEST_F(Cli, RenderDrawsAHundredRowsAndWarnsForOne) {
    std::string hundred = "diameter,6\n";
    for (int i = 0; i < 99; ++i) {
        hundred += "20," + std::to_string(i * 37 % 180) + ",60,15\n";
    }
    hundred += "20,0,0,15\n";
    WriteText(Path("hundred.csv"), hundred);
    const CliRun run = Run({"render", "hundred.csv", "-o", "h.png"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const QImage image(Path("h.png"));
    ASSERT_EQ(image.size(), QSize(787, 423)); // the viewer's own size
    EXPECT_GE(TubePixels(image).Right, 0);

    WriteText(Path("one.csv"), "diameter,6\n20,0,0,15\n");
    const CliRun one = Run({"render", "one.csv", "-o", "one.png"});
    EXPECT_EQ(one.Status, 0);
    EXPECT_NE(one.Err.find("warning"), std::string::npos) << one.Err;
    EXPECT_EQ(TubePixels(QImage(Path("one.png"))).Right, -1); // the empty background
}

} // namespace
