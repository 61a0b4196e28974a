// STEP parts through tubrix-cli as a whole process: parts made here with Open CASCADE from known
// centre lines, read back; solids written by export, checked by Open CASCADE; hostile files.
#include "cliprocess.h"
#include "stepmaker.h"

#include <BRepAdaptor_Surface.hxx>
#include <BRepBuilderAPI_NurbsConvert.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepGProp.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <GProp_GProps.hxx>
#include <STEPControl_Reader.hxx>
#include <ShapeUpgrade_ShapeDivideClosed.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedMapOfShape.hxx>

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <array>
#include <numbers>
#include <sstream>

namespace {

using namespace clitest;
using namespace steptest;

constexpr double Pi = std::numbers::pi;
#ifdef TUBRIX_SANITIZED
constexpr bool Sanitized = true;
#else
constexpr bool Sanitized = false;
#endif

using Row = std::array<double, 4>;

// The rows of a program file as tubrix-cli writes it.
std::vector<Row> RowsOf(const std::string& text) {
    std::vector<Row> rows;
    std::istringstream in(text.substr(text.find("Y,B,C,R\n") + 8));
    std::string line;
    while (std::getline(in, line)) {
        Row row{};
        std::sscanf(line.c_str(), "%lf,%lf,%lf,%lf", &row[0], &row[1], &row[2], &row[3]);
        rows.push_back(row);
    }
    return rows;
}

// Lengths to `length` (the part's size times 1e-9), angles to 1e-7 degrees.
void ExpectSameProgram(const std::vector<Row>& got, const std::vector<Row>& want, double length) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE("row " + std::to_string(i + 1));
        EXPECT_NEAR(got[i][0], want[i][0], length);
        EXPECT_NEAR(std::remainder(got[i][1] - want[i][1], 360.0), 0, 1e-7);
        EXPECT_NEAR(got[i][2], want[i][2], 1e-7);
        EXPECT_NEAR(got[i][3], want[i][3], length);
    }
}

std::string PointsText(const std::vector<Point>& points, double radius, double diameter) {
    std::ostringstream out;
    out.precision(17);
    out << "diameter," << diameter << "\nX,Y,Z,R\n";
    for (std::size_t i = 0; i < points.size(); ++i) {
        out << points[i].X << ',' << points[i].Y << ',' << points[i].Z << ',';
        if (i > 0 && i + 1 < points.size()) {
            out << radius;
        }
        out << '\n';
    }
    return out.str();
}

// A part bent in three planes, whose lead end is the first point (smallest x).
const std::vector<Point> Bent{{0, 0, 0}, {100, 0, 0}, {100, 80, 0}, {100, 80, 60}, {160, 120, 60}};
constexpr double BentRadius = 30, BentDiameter = 20;

TopoDS_Shape SplitFaces(const TopoDS_Shape& shape) {
    ShapeUpgrade_ShapeDivideClosed divide(shape);
    divide.SetNbSplitPoints(1);
    divide.Perform();
    return divide.Result();
}

int FaceCount(const TopoDS_Shape& shape) {
    int count = 0;
    for (TopExp_Explorer faces(shape, TopAbs_FACE); faces.More(); faces.Next()) {
        ++count;
    }
    return count;
}

TopoDS_Shape ReadBack(const std::string& path) {
    STEPControl_Reader reader;
    EXPECT_EQ(reader.ReadFile(path.c_str()), IFSelect_RetDone);
    reader.TransferRoots();
    return reader.OneShape();
}

class CliStep : public ::testing::Test {
protected:
    QTemporaryDir folder;
    std::string Path(const char* name) const { return folder.filePath(name).toStdString(); }
    void Write(const TopoDS_Shape& shape, const char* name, bool inches = false) const {
        ASSERT_TRUE(WriteStep(shape, Path(name), inches));
    }
    // What ybc gives for the points, the program a part through them must read as.
    std::vector<Row> ProgramOfPoints(std::vector<Point> points, double radius, double diameter) {
        WriteText(folder.filePath("points.csv"), PointsText(points, radius, diameter));
        const CliRun run = RunCli({"ybc", "points.csv"}, folder.path());
        EXPECT_EQ(run.Status, 0) << run.Err;
        return RowsOf(run.Out);
    }
};

TEST_F(CliStep, APartReadsAsTheProgramOfItsPointsHoweverItIsModelled) {
    const TopoDS_Shape solid = TubeThrough(Bent, BentRadius, BentDiameter);
    const TopoDS_Shape split = SplitFaces(solid);
    ASSERT_GT(FaceCount(split), FaceCount(solid));
    Write(solid, "bent.step");
    Write(solid, "bent-inches.STP", true);
    Write(split, "split.step");
    Write(TubeThrough(Bent, BentRadius, BentDiameter, 2), "hollow.step");
    Write(TubeThrough(Bent, BentRadius, BentDiameter, 0, true), "open.step");
    std::vector<Point> backwards(Bent.rbegin(), Bent.rend());
    const std::vector<Row> forward = ProgramOfPoints(Bent, BentRadius, BentDiameter);
    const std::vector<Row> reverse = ProgramOfPoints(backwards, BentRadius, BentDiameter);
    const struct {
        std::vector<std::string> args;
        const std::vector<Row>& program;
    } cases[] = {{{"bent.step"}, forward},
                 {{"bent-inches.STP"}, forward},
                 {{"split.step"}, forward},
                 {{"hollow.step"}, forward},
                 {{"open.step"}, forward},
                 {{"bent.step", "--reverse"}, reverse},
                 {{"split.step", "--reverse"}, reverse}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : ""));
        std::vector<std::string> args{"ybc"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliRun run = RunCli(args, folder.path());
        ASSERT_EQ(run.Status, 0) << run.Err;
        EXPECT_NE(run.Out.find("# units: mm\n"), std::string::npos) << run.Out;
        EXPECT_NEAR(std::stod(run.Out.substr(run.Out.find("diameter,") + 9)), BentDiameter,
                    250 * 1e-9);
        // The part's box diagonal is some 250 mm.
        ExpectSameProgram(RowsOf(run.Out), c.program, 250 * 1e-9);
    }
}

TEST_F(CliStep, AHalfTurnReadsAsC180FromTheEndSmallestInX) {
    // 60 along -x from (50, 80, 0)... drawn from the other end: 50 along x, a half turn of
    // radius 40 about z, then 60 back; (-10, 80, 0) is smaller in x than (0, 0, 0).
    BRepBuilderAPI_MakeWire spine;
    spine.Add(BRepBuilderAPI_MakeEdge(gp_Pnt(0, 0, 0), gp_Pnt(50, 0, 0)).Edge());
    spine.Add(BRepBuilderAPI_MakeEdge(
                  GC_MakeArcOfCircle(gp_Pnt(50, 0, 0), gp_Vec(1, 0, 0), gp_Pnt(50, 80, 0)).Value())
                  .Edge());
    spine.Add(BRepBuilderAPI_MakeEdge(gp_Pnt(50, 80, 0), gp_Pnt(-10, 80, 0)).Edge());
    Write(SweptTube(spine.Wire(), gp_Pnt(0, 0, 0), gp_Vec(1, 0, 0), 16), "u.step");
    const CliRun run = RunCli({"ybc", "u.step"}, folder.path());
    ASSERT_EQ(run.Status, 0) << run.Err;
    ExpectSameProgram(RowsOf(run.Out), {{60, 0, 180, 40}, {50, 0, 0, 40}}, 1e-7);
}

TEST_F(CliStep, AnAssemblyListsItsSolidsAndOneIsChosen) {
    const TopoDS_Shape tube = TubeThrough(Bent, BentRadius, BentDiameter);
    const std::vector<Point> straight{{0, 0, 100}, {0, 0, 300}};
    const TopoDS_Shape box = BRepPrimAPI_MakeBox(gp_Pnt(300, 300, 300), 10, 20, 30).Shape();
    Write(Together({tube, box}), "fitting.step");
    Write(Together({box, tube, TubeThrough(straight, 1, 12)}), "two.step");
    // Developed length: the legs less 2 R tan(45) at each of the three square corners, plus
    // three quarter arcs; the last leg, 60 by 40, is square to the third.
    const double legs = 100 + 80 + 60 + std::hypot(60.0, 40.0);
    const double developed = legs - 6 * BentRadius + 3 * BentRadius * Pi / 2;
    char length[32];
    std::snprintf(length, sizeof length, "%.3f", developed);

    CliRun run = RunCli({"ybc", "fitting.step", "--list"}, folder.path());
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out.substr(0, run.Out.find('\n')),
              "solid 1: " + std::to_string(FaceCount(tube)) +
                  " faces, tube, diameter 20, 3 bends, developed length " + length);
    EXPECT_NE(run.Out.find("solid 2: 6 faces, not a tube"), std::string::npos) << run.Out;
    run = RunCli({"ybc", "fitting.step"}, folder.path());
    ASSERT_EQ(run.Status, 0) << run.Err;
    ExpectSameProgram(RowsOf(run.Out), ProgramOfPoints(Bent, BentRadius, BentDiameter), 2.5e-7);

    run = RunCli({"ybc", "two.step"}, folder.path());
    EXPECT_EQ(run.Status, 2);
    EXPECT_NE(run.Err.find("two.step: the file holds 2 tubes (solids 2, 3): choose one with "
                           "--solid N; ybc --list lists them"),
              std::string::npos)
        << run.Err;
    run = RunCli({"ybc", "two.step", "--solid", "3"}, folder.path());
    ASSERT_EQ(run.Status, 0) << run.Err;
    ExpectSameProgram(RowsOf(run.Out), {{200, 0, 0, 0}}, 1e-7);
    run = RunCli({"info", "two.step", "--solid", "4"}, folder.path());
    EXPECT_EQ(run.Status, 2);
    EXPECT_NE(run.Err.find("--solid 4: the file has 3 solids"), std::string::npos) << run.Err;
}

// Two tubes, one of them hollow, and a box: read once, every solid with what ybc --solid N
// would give for it, for a program rather than a person to read.
TEST_F(CliStep, AListAsJsonGivesEverySolidWithItsProgram) {
    const std::vector<Point> straight{{0, 0, 100}, {0, 0, 300}};
    const TopoDS_Shape box = BRepPrimAPI_MakeBox(gp_Pnt(300, 300, 300), 10, 20, 30).Shape();
    Write(Together({box, TubeThrough(Bent, BentRadius, BentDiameter),
                    TubeThrough(straight, 1, 12, 1.5)}),
          "two.step");
    const CliRun run = RunCli({"ybc", "two.step", "--list", "--json"}, folder.path());
    ASSERT_EQ(run.Status, 0) << run.Err;
    const QJsonObject list = QJsonDocument::fromJson(QByteArray::fromStdString(run.Out)).object();
    EXPECT_EQ(list["units"].toString(), "mm");
    const QJsonArray solids = list["solids"].toArray();
    ASSERT_EQ(solids.size(), 3);
    EXPECT_FALSE(solids[0]["tube"].toBool());
    EXPECT_EQ(solids[0]["faces"].toInt(), 6);
    EXPECT_EQ(solids[0]["not_a_tube"].toString(),
              "no tube: the body has no cylindrical or toroidal face");

    const std::vector<Row> bent = ProgramOfPoints(Bent, BentRadius, BentDiameter);
    const double legs = 100 + 80 + 60 + std::hypot(60.0, 40.0);
    const struct {
        double Diameter;
        QJsonValue Wall;
        int Bends;
        double Developed; // the legs less 2 R tan(45) at each square corner, plus the arcs
        std::vector<Row> Rows;
    } tubes[] = {{20, QJsonValue(), 3, legs - 6 * BentRadius + 3 * BentRadius * Pi / 2, bent},
                 {12, 1.5, 0, 200, {{200, 0, 0, 0}}}};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i + 2);
        const QJsonObject solid = solids[i + 1].toObject();
        EXPECT_TRUE(solid["tube"].toBool());
        EXPECT_NEAR(solid["diameter"].toDouble(), tubes[i].Diameter, 1e-9);
        EXPECT_EQ(solid["wall"], tubes[i].Wall);
        EXPECT_EQ(solid["bends"].toInt(), tubes[i].Bends);
        EXPECT_NEAR(solid["developed_length"].toDouble(), tubes[i].Developed, 2.5e-7);
        std::vector<Row> rows;
        for (const QJsonValue row : solid["rows"].toArray()) {
            rows.push_back({row["Y"].toDouble(), row["B"].toDouble(), row["C"].toDouble(),
                            row["R"].toDouble()});
        }
        ExpectSameProgram(rows, tubes[i].Rows, 2.5e-7);
    }
}

TEST_F(CliStep, EveryCommandThatReadsAProgramTakesAPart) {
    Write(TubeThrough(Bent, BentRadius, BentDiameter, 2), "hollow.step");
    WriteText(folder.filePath("plain.csv"), InitialProgramText);
    const std::vector<std::vector<std::string>> commands{
        {"info", "hollow.step"},
        {"xyz", "hollow.step"},
        {"check", "hollow.step"},
        {"sequence", "hollow.step"},
        {"render", "hollow.step", "-o", "part.png"},
        {"export", "hollow.step", "-o", "part.stl"},
        {"report", "hollow.step", "-o", "part.pdf"},
        {"mirror", "hollow.step", "--reverse"},
        {"machine", "hollow.step", "--machine", TUBRIX_SOURCE_DIR "/docs/examples/bender3.toml"}};
    for (const std::vector<std::string>& command : commands) {
        SCOPED_TRACE(command[0]);
        const CliRun run = RunCli(command, folder.path());
        // check finds the part's straights short of the example machine's clamp, or none.
        EXPECT_TRUE(run.Status == 0 || (run.Status == 3 && command[0] == "check")) << run.Err;
    }
    // The wall is the hollow part's; a program file holds none.
    CliRun run = RunCli({"info", "hollow.step", "--json"}, folder.path());
    EXPECT_NE(run.Out.find("\"wall\": 2"), std::string::npos) << run.Out;
    run = RunCli({"info", "plain.csv", "--json"}, folder.path());
    EXPECT_NE(run.Out.find("\"wall\": null"), std::string::npos) << run.Out;
    run = RunCli({"info", "plain.csv", "--reverse"}, folder.path());
    EXPECT_EQ(run.Status, 2);
    EXPECT_NE(run.Err.find("--solid and --reverse are for a STEP part"), std::string::npos);
    run = RunCli({"ybc", "hollow.step", "--radius", "30"}, folder.path());
    EXPECT_EQ(run.Status, 2);
    EXPECT_NE(run.Err.find("--radius and --diameter are for a points file"), std::string::npos);
}

// A hollow part stays hollow: ybc writes its wall, and export makes it hollow again from the
// program alone. The numbers come out as the part was drawn (20, 2, a first straight of 100 less
// the bend's 30, a quarter bend), with the CAD kernel's round-off taken off.
TEST_F(CliStep, AHollowPartReadAndExportedStaysHollow) {
    Write(TubeThrough(Bent, BentRadius, BentDiameter, 2), "hollow.step");
    CliRun run = RunCli({"ybc", "hollow.step", "-o", "hollow.csv"}, folder.path());
    ASSERT_EQ(run.Status, 0) << run.Err;
    QFile program(folder.filePath("hollow.csv"));
    ASSERT_TRUE(program.open(QIODevice::ReadOnly));
    const std::string text = program.readAll().toStdString();
    EXPECT_EQ(text.substr(0, text.find('\n', text.find("Y,B,C,R\n") + 8) + 1),
              "# Tubrix bend program\n# units: mm\n# wall: 2\ndiameter,20\nY,B,C,R\n70,0,90,30\n");
    run = RunCli({"export", "hollow.csv", "-o", "again.step"}, folder.path());
    ASSERT_EQ(run.Status, 0) << run.Err;
    run = RunCli({"info", "again.step", "--json"}, folder.path());
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_NE(run.Out.find("\"wall\": 2,"), std::string::npos) << run.Out;
}

// Refusals: each names the file and, where a face is at fault, the face.
TEST_F(CliStep, WhatIsNoTubeIsRefusedNamingTheFaceOrTheReason) {
    const TopoDS_Shape solid = TubeThrough(Bent, BentRadius, BentDiameter);
    Write(BRepBuilderAPI_NurbsConvert(solid).Shape(), "nurbs.step");
    // Two straights joined at a corner of 20 degrees with no bend: a kink.
    const TopoDS_Shape first = BRepPrimAPI_MakeCylinder(gp_Ax2(gp::Origin(), gp::DX()), 5, 50);
    const TopoDS_Shape second = BRepPrimAPI_MakeCylinder(
        gp_Ax2(gp_Pnt(50, 0, 0), gp_Dir(std::cos(Pi / 9), std::sin(Pi / 9), 0)), 5, 50);
    const TopoDS_Shape kink = BRepAlgoAPI_Fuse(first, second).Shape();
    Write(kink, "kinked.step");
    Write(Together({BRepPrimAPI_MakeBox(10, 10, 10).Shape(), kink}), "boxandkink.step");
    Write(CentreLine(Bent, BentRadius), "wire.step");
    // A bar of 20 turned down to 16 for half its length: two diameters on one axis, no bore.
    const TopoDS_Shape stepped =
        BRepAlgoAPI_Fuse(BRepPrimAPI_MakeCylinder(gp_Ax2(gp::Origin(), gp::DX()), 10, 50),
                         BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(50, 0, 0), gp::DX()), 8, 50))
            .Shape();
    Write(stepped, "stepped.step");
    // Its faces as the reader counts them in the file: the first of each radius.
    int face16 = 0, face20 = 0;
    {
        TopTools_IndexedMapOfShape faces;
        TopExp::MapShapes(ReadBack(Path("stepped.step")), TopAbs_FACE, faces);
        for (int i = faces.Extent(); i >= 1; --i) {
            const BRepAdaptor_Surface surface(TopoDS::Face(faces(i)));
            if (surface.GetType() == GeomAbs_Cylinder) {
                (surface.Cylinder().Radius() < 9 ? face16 : face20) = i;
            }
        }
    }
    ASSERT_TRUE(face16 > 0 && face20 > 0);
    const std::string steppedSays = "stepped.step: face " + std::to_string(face16) +
                                    ": the diameter changes from 20 (face " +
                                    std::to_string(face20) + ") to 16";
    Write(BRepPrimAPI_MakeBox(10, 10, 10).Shape(), "box.step");
    std::string text;
    {
        QFile whole(folder.filePath("nurbs.step"));
        ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
        text = whole.readAll().toStdString();
    }
    WriteText(folder.filePath("truncated.step"), text.substr(0, text.size() / 3));
    WriteText(folder.filePath("garbage.stp"), "this is not a STEP file\n\x01\x02\xff");
    WriteText(folder.filePath("empty.step"), "");
    {
        QFile big(folder.filePath("big.step"));
        ASSERT_TRUE(big.open(QIODevice::WriteOnly));
        ASSERT_TRUE(big.resize(201ll << 20)); // sparse: refused before it is read
    }
    const struct {
        const char* file;
        std::string says;
    } cases[] = {
        {"stepped.step", steppedSays},
        {"nurbs.step", "nurbs.step: face 1: a B-spline surface; a tube is read from cylinders, "
                       "tori and planes"},
        {"kinked.step", "kinked.step: face 1: does not meet face 3 tangentially"},
        {"boxandkink.step", "boxandkink.step: no solid of the file is a tube; solid 2: face 1: "
                            "does not meet face 3 tangentially"},
        {"wire.step", "wire.step: no tube: the file holds wires, not faces"},
        {"box.step", "box.step: no tube"},
        {"truncated.step", "truncated.step: "},
        {"garbage.stp", "garbage.stp: not a readable STEP file: "},
        {"empty.step", "empty.step: not a readable STEP file: "},
        {"big.step", "big.step: a STEP file of more than 200 MB is not read"},
        {"missing.step", "missing.step: no such file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const CliRun run = RunCli({"ybc", c.file}, folder.path());
        EXPECT_EQ(run.Status, 2);
        EXPECT_NE(run.Err.find(c.says), std::string::npos) << run.Err;
        EXPECT_TRUE(run.Out.empty());
    }
}

// A helper that crashes, hangs, floods its output or runs out of memory costs the child only:
// the command says so, naming the file. A flood on standard error is read to its end, so the
// helper's own exit is what is reported; the memory limit is the helper's, as it sees it.
TEST_F(CliStep, AHelperThatFailsIsExitTwoNamingTheFile) {
    Write(TubeThrough(Bent, BentRadius, BentDiameter), "bent.step");
    const struct {
        const char* helper;
        const char* script;
        const char* timeout;
        const char* memory; // MiB
        const char* says;
    } cases[] = {
        {"crash.sh", "kill -SEGV $$", "0.5", "", "bent.step: the STEP reader crashed (signal 11)"},
        {"hang.sh", "exec sleep 30", "0.5", "",
         "bent.step: the STEP reader took more than 0.5 s and was stopped"},
        {"errors.sh", "head -c 80000000 /dev/zero >&2; exit 5", "", "",
         "bent.step: the STEP reader failed with status 5"},
        {"answers.sh", "exec head -c 80000000 /dev/zero", "", "",
         "bent.step: the STEP reader's answer is too long; it was stopped"},
        // The reader's status when an allocation fails, given only under the limit asked for
        // (none in a build with a sanitizer).
        {"limited.sh",
         Sanitized ? "[ \"$(ulimit -v)\" = unlimited ] && exit 3; ulimit -v >&2; exit 1"
                   : "[ \"$(ulimit -v)\" = 65536 ] && exit 3; ulimit -v >&2; exit 1",
         "", "64", "bent.step: the STEP reader ran out of memory"},
        {"unlimited.sh", "[ \"$(ulimit -v)\" = unlimited ] && exit 3; ulimit -v >&2; exit 1", "",
         "0", "bent.step: the STEP reader ran out of memory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.helper);
        WriteText(folder.filePath(c.helper), std::string("#!/bin/sh\n") + c.script + "\n");
        QFile(folder.filePath(c.helper)).setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        qputenv("TUBRIX_STEP_HELPER", folder.filePath(c.helper).toUtf8());
        qputenv("TUBRIX_STEP_TIMEOUT", c.timeout);
        qputenv("TUBRIX_STEP_MEMORY", c.memory);
        const CliRun run = RunCli({"info", "bent.step"}, folder.path());
        for (const char* name :
             {"TUBRIX_STEP_HELPER", "TUBRIX_STEP_TIMEOUT", "TUBRIX_STEP_MEMORY"}) {
            qunsetenv(name);
        }
        EXPECT_EQ(run.Status, 2);
        EXPECT_NE(run.Err.find(c.says), std::string::npos) << run.Err;
    }
}

// The initial program: five straights of 30, four quarter bends of 45, D 38.
TEST_F(CliStep, ExportWritesAValidExactSolidThatReadsBack) {
    WriteText(folder.filePath("initial.csv"), InitialProgramText);
    const double developed = 150 + 4 * 45 * Pi / 2;
    const struct {
        std::vector<std::string> args;
        double area; // of the section
    } cases[] = {{{}, Pi * 19 * 19}, {{"--wall", "1.5"}, Pi * (19 * 19 - 17.5 * 17.5)}};
    const CliRun points = RunCli({"xyz", "initial.csv", "-o", "points.csv"}, folder.path());
    ASSERT_EQ(points.Status, 0) << points.Err;
    const CliRun fromPoints = RunCli({"ybc", "points.csv"}, folder.path());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.empty() ? "solid" : "hollow");
        std::vector<std::string> args{"export", "initial.csv", "-o", "part.step"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliRun run = RunCli(args, folder.path());
        ASSERT_EQ(run.Status, 0) << run.Err;
        const TopoDS_Shape shape = ReadBack(Path("part.step"));
        EXPECT_TRUE(BRepCheck_Analyzer(shape).IsValid());
        int solids = 0;
        for (TopExp_Explorer s(shape, TopAbs_SOLID); s.More(); s.Next()) {
            ++solids;
        }
        EXPECT_EQ(solids, 1);
        for (TopExp_Explorer f(shape, TopAbs_FACE); f.More(); f.Next()) {
            const GeomAbs_SurfaceType type =
                BRepAdaptor_Surface(TopoDS::Face(f.Current())).GetType();
            EXPECT_TRUE(type == GeomAbs_Plane || type == GeomAbs_Cylinder || type == GeomAbs_Torus)
                << type;
        }
        GProp_GProps volume;
        BRepGProp::VolumeProperties(shape, volume, 1e-12);
        EXPECT_NEAR(volume.Mass() / (c.area * developed), 1, 1e-9);
        const CliRun back = RunCli({"ybc", "part.step"}, folder.path());
        ASSERT_EQ(back.Status, 0) << back.Err;
        ExpectSameProgram(RowsOf(back.Out), RowsOf(fromPoints.Out), 2.5e-7);
    }
}

TEST_F(CliStep, ExportRefusesWhatIsNoSolidNamingTheRow) {
    WriteText(folder.filePath("initial.csv"), InitialProgramText);
    WriteText(folder.filePath("tight.csv"), "diameter,38\n30,0,90,45\n30,90,90,19\n30,0,0,45\n");
    const struct {
        std::vector<std::string> args;
        const char* says;
    } cases[] = {
        {{"tight.csv", "-o", "p.step"},
         "tight.csv: row 2: fold: bend radius 19 \u2264 tube radius 19: the inner wall folds"},
        {{"initial.csv", "-o", "p.step", "--wall", "0"}, "--wall 0 must be above 0"},
        {{"initial.csv", "-o", "p.step", "--wall", "19"}, "--wall 19 must be above 0"},
        {{"initial.csv", "-o", "p.step", "--wall", "-1"}, "--wall -1 must be above 0"},
        {{"initial.csv", "-o", "p.step", "--wall", "nan"}, "--wall"},
        {{"initial.csv", "-o", "p.stl", "--wall", "1"}, "--wall is for a STEP solid"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.says);
        std::vector<std::string> args{"export"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliRun run = RunCli(args, folder.path());
        EXPECT_EQ(run.Status, 2);
        EXPECT_NE(run.Err.find(c.says), std::string::npos) << run.Err;
        EXPECT_FALSE(QFileInfo::exists(folder.filePath("p.step")));
    }
    // check finds the same fold at R = D/2, in the same words.
    const CliRun check = RunCli({"check", "tight.csv"}, folder.path());
    EXPECT_EQ(check.Status, 3);
    EXPECT_NE(check.Out.find("row 2: fold: bend radius 19 \u2264 tube radius 19: the inner wall "
                             "folds"),
              std::string::npos)
        << check.Out;
}

// Commands on program files do not pay for Open CASCADE: tubrix-cli does not link it.
TEST(CliStepLinking, TubrixCliLinksNoOpenCascadeLibrary) {
    QProcess ldd;
    ldd.start("ldd", {QStringLiteral(TUBRIX_CLI)});
    ASSERT_TRUE(ldd.waitForFinished(60000));
    const std::string libraries = ldd.readAllStandardOutput().toStdString();
    EXPECT_NE(libraries.find("libc.so"), std::string::npos) << libraries;
    EXPECT_EQ(libraries.find("libTK"), std::string::npos) << libraries;
}

} // namespace
