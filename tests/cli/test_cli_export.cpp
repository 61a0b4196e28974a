// tubrix-cli export as a whole process: the files it writes, its warning and its refusals.
#include "cliprocess.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <algorithm>

namespace {

using namespace clitest;

// The initial program's rings: one at the start, one at the end of each of the five straights,
// and those of the four quarter bends. A bend gets a part per facet angle (12 at 48 facets, 64
// at 256), or more while the chord over one part sags more than 0.005 x 19 on radius 45, which
// needs parts of 7.45 degrees at most: 13. Triangles: two a facet between consecutive rings,
// one a facet in each cap.
TEST(CliExport, EachFormatHoldsTheWallAndATightBendWarns) {
    QTemporaryDir folder;
    WriteText(folder.filePath("initial.csv"), InitialProgramText);
    WriteText(folder.filePath("tight.csv"), "diameter,38\n30,0,90,45\n30,90,90,12\n30,0,0,45\n");
    const struct {
        const char* program;
        const char* file;
        int segments;
        int rings;
        const char* says;
    } cases[] = {{"initial.csv", "tube.stl", 48, 58, ""},
                 {"initial.csv", "tube.obj", 48, 58, ""},
                 {"initial.csv", "tube.ply", 48, 58, ""},
                 {"initial.csv", "tube.GLB", 48, 58, ""},
                 {"initial.csv", "coarse.stl", 8, 58, ""},
                 {"initial.csv", "fine.ply", 256, 1 + 5 + 4 * 64, ""},
                 {"tight.csv", "tight.stl", 48, 1 + 3 + 13 + 12,
                  "tubrix-cli: warning: tight.csv: row 2: fold: bend radius 12 \u2264 tube radius "
                  "19: the inner wall folds\n"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const CliRun run =
            RunCli({"export", c.program, "-o", c.file, "--segments", std::to_string(c.segments)},
                   folder.path());
        ASSERT_EQ(run.Status, 0) << run.Err;
        EXPECT_EQ(run.Err, c.says);
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFile(folder.filePath(c.file).toStdString(), 0);
        ASSERT_TRUE(scene && scene->mNumMeshes == 1) << importer.GetErrorString();
        EXPECT_EQ(scene->mMeshes[0]->mNumFaces,
                  static_cast<unsigned>(2 * c.segments * (c.rings - 1) + 2 * c.segments));
    }
}

TEST(CliExport, BadUsageSaysOneLineAndWritesNothing) {
    QTemporaryDir folder;
    WriteText(folder.filePath("initial.csv"), InitialProgramText);
    WriteText(folder.filePath("still.csv"), "diameter,38\n0,0,0,45\n");
    const struct {
        std::vector<std::string> args;
        const char* says;
    } cases[] = {
        {{"initial.csv", "-o", "out.stl", "--segments", "7"}, "--segments"},
        {{"initial.csv", "-o", "out.stl", "--segments", "257"}, "--segments"},
        {{"initial.csv", "-o", "out.stl", "--segments", "4e1"}, "--segments"},
        {{"initial.csv", "-o", "out.stepx"},
         ".stl, .obj, .ply, .glb, not \"out.stepx\"; or .step, .stp"},
        {{"initial.csv", "-o", "out"}, ".stl, .obj, .ply, .glb"},
        {{"initial.csv", "-o", "-"}, ".stl, .obj, .ply, .glb"},
        {{"still.csv", "-o", "out.stl"}, "no length"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"export"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        SCOPED_TRACE(args.back());
        const CliRun run = RunCli(args, folder.path());
        EXPECT_EQ(run.Status, 2);
        EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), 1) << run.Err;
        EXPECT_NE(run.Err.find(c.says), std::string::npos) << run.Err;
    }
    EXPECT_EQ(QDir(folder.path()).entryList({"out*"}, QDir::Files), QStringList());
}

} // namespace
