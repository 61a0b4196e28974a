// tubrix-cli export as a whole process: the files it writes, its warning and its refusals.
#include "cliprocess.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <algorithm>

namespace {

using namespace clitest;

class CliExport : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        WriteText(Path("initial.csv"), InitialProgramText);
    }
    QString Path(const char* name) const { return folder.filePath(QString::fromLatin1(name)); }
    CliRun Run(const std::vector<std::string>& args) { return RunCli(args, folder.path()); }

    QTemporaryDir folder;
};

// The initial program's rings: one at the start, one at the end of each of the five straights,
// and those of the four quarter bends. A bend gets a part per facet angle (12 at 48 facets, 64
// at 256), or more while the chord over one part sags more than 0.005 x 19 on radius 45, which
// needs parts of 7.45 degrees at most: 13. Triangles: two a facet between consecutive rings,
// one a facet in each cap.
TEST_F(CliExport, EachFormatHoldsTheInitialProgramsWall) {
    const struct {
        const char* file;
        int segments;
        int bendParts;
    } cases[] = {{"tube.stl", 48, 13}, {"tube.obj", 48, 13},  {"tube.ply", 48, 13},
                 {"tube.GLB", 48, 13}, {"coarse.stl", 8, 13}, {"fine.ply", 256, 64}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const CliRun run =
            Run({"export", "initial.csv", "-o", c.file, "--segments", std::to_string(c.segments)});
        ASSERT_EQ(run.Status, 0) << run.Err;
        EXPECT_EQ(run.Err, "");
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFile(Path(c.file).toStdString(), 0);
        ASSERT_TRUE(scene && scene->mNumMeshes == 1) << importer.GetErrorString();
        const int rings = 1 + 5 + 4 * c.bendParts;
        EXPECT_EQ(scene->mMeshes[0]->mNumFaces,
                  static_cast<unsigned>(2 * c.segments * (rings - 1) + 2 * c.segments));
    }
}

TEST_F(CliExport, ABendTighterThanTheTubeIsWrittenWithAWarning) {
    WriteText(Path("tight.csv"), "diameter,38\n30,0,90,45\n30,90,90,12\n30,0,0,45\n");
    const CliRun run = Run({"export", "tight.csv", "-o", "tight.stl"});
    EXPECT_EQ(run.Status, 0);
    EXPECT_NE(run.Err.find("warning: tight.csv: row 2: the bend radius 12"), std::string::npos)
        << run.Err;
    EXPECT_TRUE(QFile::exists(Path("tight.stl")));
}

TEST_F(CliExport, BadUsageSaysOneLineAndWritesNothing) {
    WriteText(Path("still.csv"), "diameter,38\n0,0,0,45\n");
    const struct {
        std::vector<std::string> args;
        const char* says;
    } cases[] = {
        {{"-o", "out.stl", "--segments", "7"}, "--segments"},
        {{"-o", "out.stl", "--segments", "257"}, "--segments"},
        {{"-o", "out.stl", "--segments", "4e1"}, "--segments"},
        {{"-o", "out.step"}, ".stl, .obj, .ply, .glb"},
        {{"-o", "out"}, ".stl, .obj, .ply, .glb"},
        {{"-o", "-"}, ".stl, .obj, .ply, .glb"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"export", "initial.csv"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        SCOPED_TRACE(args.back());
        const CliRun run = Run(args);
        EXPECT_EQ(run.Status, 2);
        EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), 1) << run.Err;
        EXPECT_NE(run.Err.find(c.says), std::string::npos) << run.Err;
    }
    const CliRun still = Run({"export", "still.csv", "-o", "out.stl"});
    EXPECT_EQ(still.Status, 2);
    EXPECT_NE(still.Err.find("no length"), std::string::npos) << still.Err;
    EXPECT_EQ(QDir(folder.path()).entryList({"out*"}, QDir::Files), QStringList());
}

} // namespace
