// tubrix-cli sequence as a whole process: the states, the contacts, the exit statuses and the
// pictures.
#include "cliprocess.h"

#include <QImage>

#include <nlohmann/json.hpp>

namespace {

using namespace clitest;
using Json = nlohmann::json;

// Two bends in one plane make a U; fed 30 before the third bend, the lead leg swings across the
// stock while bending and ends lying across it.
const std::string StockHitText = "diameter,38\n200,0,90,45\n40,0,90,45\n30,0,90,45\n300,0,0,45\n";

class CliSequence : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        WriteText(Path("initial.csv"), InitialProgramText);
        WriteText(Path("hit.csv"), StockHitText);
    }
    QString Path(const char* name) const { return folder.filePath(QString::fromLatin1(name)); }
    CliRun Run(const std::vector<std::string>& args) { return RunCli(args, folder.path()); }

    QTemporaryDir folder;
};

template <typename Colour> bool HasPixel(const QImage& image, Colour colour) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (colour(image.pixelColor(x, y))) {
                return true;
            }
        }
    }
    return false;
}

// Amber is the only colour with much red, some green and no blue.
bool HasAmber(const QImage& image) {
    return HasPixel(image, [](QColor c) {
        return c.red() > 120 && c.green() > 60 && c.blue() < 40 && c.red() > c.green();
    });
}

// The first row is drawn highlighted: its straight blue, its bend red.
bool HasHighlightBlue(const QImage& image) {
    return HasPixel(image,
                    [](QColor c) { return c.blue() > 90 && c.red() < 60 && c.green() < 60; });
}
bool HasHighlightRed(const QImage& image) {
    return HasPixel(image,
                    [](QColor c) { return c.red() > 90 && c.green() < 60 && c.blue() < 60; });
}

// The window's initial program, by hand: each bend takes the lead end 15 along x and 45 along
// y from the fed and turned state (see the library's tests); the turns are +90.
TEST_F(CliSequence, InitialProgramJsonAndPicturesOfEveryState) {
    const CliRun run =
        Run({"sequence", "initial.csv", "--json", "-o", "made/steps", "--size", "200x100"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const Json json = Json::parse(run.Out);
    EXPECT_TRUE(json["first_contact"].is_null());
    ASSERT_EQ(json["bends"].size(), 4u);
    const double after[4][3] = {{-45, 75, 0}, {-45, 120, 75}, {-120, 120, 120}, {-165, 195, 120}};
    for (int m = 0; m < 4; ++m) {
        const Json& bend = json["bends"][m];
        EXPECT_EQ(bend["bend"], m + 1);
        EXPECT_EQ(bend["row"], m + 1);
        EXPECT_EQ(bend["feed"], 30);
        EXPECT_EQ(bend["rotate"], m == 0 ? 0 : 90);
        EXPECT_EQ(bend["angle"], 90);
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(bend["after"]["lead_end"][k].get<double>(), after[m][k], 1e-9);
        }
        EXPECT_EQ(bend["after"]["lowest_z"], 0);
        EXPECT_TRUE(bend["contacts"].empty());
    }
    for (const char* name : {"step-00.png", "step-01.png", "step-04.png"}) {
        const QImage image(Path("made/steps/") + name);
        EXPECT_EQ(image.size(), QSize(200, 100)) << name;
        // The part formed so far is drawn at every state: the first row's straight from the
        // start, its bend from the first bend on.
        EXPECT_TRUE(HasHighlightBlue(image)) << name;
        EXPECT_EQ(HasHighlightRed(image), std::string(name) != "step-00.png") << name;
    }
    EXPECT_FALSE(QFile::exists(Path("made/steps/step-05.png")));
    QFile saved(Path("made/steps/sequence.json"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll().toStdString(), run.Out);
}

// With a machine, the table gives the angle to bend to, the machine's (90 over-bent by
// 1.5 + 0.05 x 90), with the part's beside it; without one, the part's angle alone.
TEST_F(CliSequence, WithAMachineTheTableSaysTheAngleToBendTo) {
    WriteText(Path("spring.toml"), "[springback]\nfixed = 1.5\nper_degree = 0.05\n");
    const CliRun run = Run({"sequence", "initial.csv", "--machine", "spring.toml"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_NE(run.Out.find("Bend  Row        Feed      Rotate     Bend to  Part angle    Lead end "
                           "after bend (x, y, z)          Contacts\n"
                           "   1    1      30.000       0.000      96.000      90.000     -45.000"
                           "      75.000       0.000\n"
                           "   2    2      30.000      90.000      96.000      90.000"),
              std::string::npos)
        << run.Out;
    const CliRun bare = Run({"sequence", "initial.csv"});
    ASSERT_EQ(bare.Status, 0) << bare.Err;
    EXPECT_NE(bare.Out.find("Bend  Row        Feed      Rotate       Angle    Lead end after bend"
                            " (x, y, z)          Contacts\n"
                            "   1    1      30.000       0.000      90.000     -45.000      75.000"
                            "       0.000\n"),
              std::string::npos)
        << bare.Out;
    EXPECT_EQ(bare.Out.find("Bend to"), std::string::npos);
}

TEST_F(CliSequence, ContactsExitThreeAndShowInAmber) {
    const CliRun run = Run({"sequence", "hit.csv", "-o", "out", "--size", "300x200"});
    EXPECT_EQ(run.Status, 3) << run.Err;
    EXPECT_NE(run.Out.find("stock bend 0.000, stock after 0.000"), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find("First contact at bend 3"), std::string::npos) << run.Out;
    EXPECT_FALSE(HasAmber(QImage(Path("out/step-02.png"))));
    EXPECT_TRUE(HasAmber(QImage(Path("out/step-03.png"))));

    // An output that cannot be written outranks the contacts; bad input outranks both.
    WriteText(Path("file"), "x");
    EXPECT_EQ(Run({"sequence", "hit.csv", "-o", "file"}).Status, 1);
    const CliRun size = Run({"sequence", "hit.csv", "-o", "out", "--size", "0x10"});
    EXPECT_EQ(size.Status, 2);
    EXPECT_NE(size.Err.find("--size"), std::string::npos);
}

// Turned -90 before bend 2, the lead leg hangs 45 + 200 below the feed axis: 145 under a floor
// 100 down. With the die on the other side the machine is turned over and the leg stands up.
TEST_F(CliSequence, FloorFromTheProfileInSequenceAndCheck) {
    WriteText(Path("hang.csv"), "diameter,38\n200,0,90,45\n30,-90,90,45\n30,0,0,45\n");
    WriteText(Path("floor.toml"), "centreline_height = 100\n");
    WriteText(Path("left.toml"), "centreline_height = 100\ndie_side = -1\n");
    const CliRun check = Run({"check", "hang.csv", "--machine", "floor.toml"});
    EXPECT_EQ(check.Status, 3);
    EXPECT_EQ(check.Out, "row 2: floor: part above the floor in the plane turn -145 < 19\n");

    const CliRun run = Run({"sequence", "hang.csv", "--machine", "floor.toml", "--json"});
    EXPECT_EQ(run.Status, 3) << run.Err;
    const Json json = Json::parse(run.Out);
    EXPECT_EQ(json["first_contact"], 2);
    EXPECT_EQ(json["bends"][1]["rotate"], -90);
    EXPECT_EQ(json["bends"][1]["after"]["lowest_z"], -245);
    const Json& contacts = json["bends"][1]["contacts"];
    ASSERT_EQ(contacts.size(), 2u);
    EXPECT_EQ(contacts[0], Json({{"with", "floor"}, {"phase", "rotate"}, {"distance", -145}}));
    EXPECT_EQ(contacts[1]["phase"], "after");

    EXPECT_EQ(Run({"sequence", "hang.csv", "--machine", "left.toml"}).Status, 0);
    EXPECT_EQ(Run({"check", "hang.csv", "--machine", "left.toml"}).Status, 0);
}

} // namespace
