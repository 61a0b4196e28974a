// tubrix-cli as a whole process: its outputs, its exit statuses and its one-line errors.
#include "cliprocess.h"
#include "programfile.h"

#include <QImage>

#include <nlohmann/json.hpp>

#include <cmath>
#include <numbers>
#include <set>

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
    EXPECT_EQ(keys, (std::set<std::string>{"diameter", "developed_length", "start", "end",
                                           "bounding_box", "steps"}));
    EXPECT_EQ(info["diameter"], 38);
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
    const Loaded<PointsRows> points = ReadPointsFile(Path("points.csv").toStdString());
    ASSERT_TRUE(points) << points.Error.ToString();
    ASSERT_EQ(points.Value->Points.size(), 6u); // the two ends and four intersection points
    EXPECT_FALSE(points.Value->Points.front().R);
    EXPECT_FALSE(points.Value->Points.back().R);
    EXPECT_EQ(points.Value->Points[1].R, 45);

    ASSERT_EQ(Run({"ybc", "points.csv", "-o", "back.csv"}).Status, 0);
    const Loaded<ProgramRows> back = ReadProgramFile(Path("back.csv").toStdString());
    ASSERT_TRUE(back) << back.Error.ToString();
    const double expected[5][4] = {
        {30, 0, 90, 45}, {30, 90, 90, 45}, {30, 90, 90, 45}, {30, 90, 90, 45}, {30, 0, 0, 45}};
    ASSERT_EQ(back.Value->Rows.size(), 5u);
    EXPECT_EQ(back.Value->Diameter, 38);
    for (int i = 0; i < 5; ++i) {
        const BendRowInput& row = back.Value->Rows[i];
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

// A straight of 60 and diameter 10: at the home view the scale is 30, 400 pixels show 60 units,
// and the tube runs from the origin (the picture's centre) along +z, towards the viewer. Turned
// about y by 90 degrees it runs to the right; about x, downwards; Y is applied first, so
// 90,90 leaves it running to the right. The last row has no length, so its end markers (a cone
// 1 long) stand at the origin pointing the other way: 1 unit, 7 pixels, behind the centre.
TEST_F(Cli, RenderTurnsTheViewAboutYThenX) {
    WriteText(Path("straight.csv"), "diameter,10\n60,0,0,1\n0,0,0,1\n");
    const struct {
        const char* turn;
        Box expected;
    } cases[] = {
        {"0,0", {167, 167, 233, 233}},
        {"0,90", {193, 167, 399, 233}},
        {"90,0", {167, 193, 233, 399}},
        {"90,90", {193, 167, 399, 233}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.turn);
        const CliRun run =
            Run({"render", "straight.csv", "-o", "t.png", "--size", "400x400", "--turn", c.turn});
        ASSERT_EQ(run.Status, 0) << run.Err;
        const QImage image(Path("t.png"));
        ASSERT_EQ(image.size(), QSize(400, 400));
        const Box box = TubePixels(image);
        EXPECT_NEAR(box.Left, c.expected.Left, 3);
        EXPECT_NEAR(box.Top, c.expected.Top, 3);
        EXPECT_NEAR(box.Right, c.expected.Right, 3);
        EXPECT_NEAR(box.Bottom, c.expected.Bottom, 3);
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
