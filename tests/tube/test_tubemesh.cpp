#include "meshfile.h"
#include "tubemesh.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <numbers>
#include <random>

using namespace tubrix;

namespace {

constexpr double Pi = std::numbers::pi;

struct TubeCase {
    double Diameter;
    std::vector<BendRowInput> Rows;
};

BendProgram Record(const TubeCase& tube) {
    BendProgram program{};
    FillBendProgram(program, tube.Diameter, tube.Rows);
    return program;
}

const TubeCase Initial{
    38, {{30, 0, 90, 45}, {30, 90, 90, 45}, {30, 90, 90, 45}, {30, 90, 90, 45}, {30, 0, 0, 45}}};

// Valid rows as a file may hold them: some straights and bends of nothing, radii from the tube
// radius to forty times it (so gentle bends are cut by their sag), the last row straight.
TubeCase RandomTube(unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0, 1);
    TubeCase tube{4 + 56 * unit(random), {}};
    const int rows = 2 + static_cast<int>(unit(random) * 40);
    for (int i = 0; i < rows; ++i) {
        const double y = unit(random) < 0.2 ? 0 : 1 + 299 * unit(random);
        const double c = i == rows - 1 || unit(random) < 0.2 ? 0 : 180 * unit(random);
        const double r = tube.Diameter / 2 * std::exp(std::log(40) * unit(random));
        tube.Rows.push_back({y, 360 * unit(random), c, r});
    }
    return tube;
}

// Parts of a bend counted up one at a time until the chord's sag is small enough.
int ExpectedParts(double c, double r, double tubeRadius) {
    int parts = std::max(1, static_cast<int>(std::ceil(c * DefaultMeshSegments / 360)));
    while (parts < MaxBendParts &&
           r * (1 - std::cos(c * Pi / 180 / (2 * parts))) > 0.005 * tubeRadius) {
        ++parts;
    }
    return parts;
}

// A file read back: corners welded where their positions are equal, as a slicer welds STL
// facets (the importers give every corner its own vertex carrying its facet's normal, so
// Assimp's identical-vertex join would keep them apart), and the normals the file gave.
struct ReadMesh {
    std::vector<Vec3> Points;
    std::vector<std::array<unsigned, 3>> Triangles;
    std::vector<std::array<Vec3, 3>> Normals;
};

ReadMesh ReadBack(const std::string& bytes, const char* extension) {
    Assimp::Importer importer;
    const aiScene* scene =
        importer.ReadFileFromMemory(bytes.data(), bytes.size(), 0, extension + 1);
    ReadMesh read;
    if (scene == nullptr || scene->mNumMeshes != 1) {
        ADD_FAILURE() << "unreadable: " << importer.GetErrorString();
        return read;
    }
    const aiMesh& mesh = *scene->mMeshes[0];
    std::map<std::array<float, 3>, unsigned> welded;
    for (unsigned f = 0; f < mesh.mNumFaces && mesh.mNormals; ++f) {
        std::array<unsigned, 3> triangle{};
        std::array<Vec3, 3> normals;
        for (unsigned k = 0; k < 3 && mesh.mFaces[f].mNumIndices == 3; ++k) {
            const aiVector3D p = mesh.mVertices[mesh.mFaces[f].mIndices[k]];
            const aiVector3D n = mesh.mNormals[mesh.mFaces[f].mIndices[k]];
            const auto [at, added] = welded.try_emplace({p.x, p.y, p.z}, read.Points.size());
            if (added) {
                read.Points.push_back({p.x, p.y, p.z});
            }
            triangle[k] = at->second;
            normals[k] = {n.x, n.y, n.z};
        }
        read.Triangles.push_back(triangle);
        read.Normals.push_back(normals);
    }
    return read;
}

// Distance from a point to the centre line's piece: a straight, or a bend's arc.
double DistanceToStraight(Vec3 p, Vec3 a, Vec3 b) {
    const double along = Dot(p - a, b - a) / std::max(Dot(b - a, b - a), 1e-300);
    return Length(p - (a + (b - a) * std::clamp(along, 0.0, 1.0)));
}

double DistanceToArc(Vec3 p, const WalkBend& bend, Vec3 heading) {
    const Vec3 d = p - bend.Centre;
    const double height = Dot(d, bend.Axis);
    const Vec3 flat = d - bend.Axis * height;
    const double angle = std::atan2(Dot(flat, heading), Dot(flat, bend.FromCentre));
    if (angle < 0 || angle > bend.Degrees * Pi / 180) {
        return std::min(Length(p - (bend.Centre + bend.FromCentre * bend.Radius)),
                        Length(p - bend.End));
    }
    return std::hypot(height, Length(flat) - bend.Radius);
}

// On the wall: at the tube radius from one of the centre line's pieces, within the rounding of
// the file's 32-bit floats. Or one of the caps' centres.
bool OnSurface(Vec3 p, const TubeWalk& walk, double tubeRadius, double tolerance) {
    if (Length(p - walk.Start) < tolerance || Length(p - walk.End) < tolerance) {
        return true;
    }
    for (const WalkStep& step : walk.Steps) {
        if (std::fabs(DistanceToStraight(p, step.StraightStart, step.StraightEnd) - tubeRadius) <
                tolerance ||
            (step.Bend &&
             std::fabs(DistanceToArc(p, *step.Bend, step.Heading) - tubeRadius) < tolerance)) {
            return true;
        }
    }
    return false;
}

void CheckFile(const TubeCase& tube, const MeshFormat& format) {
    SCOPED_TRACE(format.Extension);
    const BendProgram program = Record(tube);
    const tubrix::Result<std::string> encoded = EncodeMesh(BuildTubeMesh(program), format);
    ASSERT_TRUE(encoded) << encoded.Failure().Message;
    const ReadMesh read = ReadBack(*encoded, format.Extension);
    const double r = tube.Diameter / 2;
    // One ring at the start, one more at the end of each straight with length, the parts of
    // each bend; two cap centres.
    int rings = 1;
    double length = 0;
    for (std::size_t i = 0; i < tube.Rows.size(); ++i) {
        const BendRowInput& row = tube.Rows[i];
        const bool bends = row.C > 0 && i + 1 < tube.Rows.size();
        rings += (row.Y > 0) + (bends ? ExpectedParts(row.C, row.R, r) : 0);
        length += row.Y + (bends ? row.R * row.C * Pi / 180 : 0);
    }
    EXPECT_EQ(read.Points.size(), static_cast<std::size_t>(rings * DefaultMeshSegments + 2));
    // Closed and consistently wound: each directed edge once, and its reverse once.
    std::map<std::pair<unsigned, unsigned>, int> edges;
    for (const auto& t : read.Triangles) {
        for (int k = 0; k < 3; ++k) {
            ++edges[{t[k], t[(k + 1) % 3]}];
        }
    }
    int badEdges = 0;
    for (const auto& [edge, count] : edges) {
        badEdges += count != 1 || !edges.contains({edge.second, edge.first});
    }
    EXPECT_EQ(badEdges, 0);
    // Normals agree with the winding, and the winding encloses a positive volume: outward.
    double volume = 0;
    int inward = 0;
    for (std::size_t f = 0; f < read.Triangles.size(); ++f) {
        const Vec3 a = read.Points[read.Triangles[f][0]], b = read.Points[read.Triangles[f][1]],
                   c = read.Points[read.Triangles[f][2]];
        volume += Dot(a, Cross(b, c)) / 6;
        for (const Vec3& n : read.Normals[f]) {
            inward += !(Dot(n, Cross(b - a, c - a)) > 0);
        }
    }
    EXPECT_EQ(inward, 0);
    const double pappus = Pi * r * r * length;
    EXPECT_GE(volume / pappus, 0.99);
    EXPECT_LE(volume / pappus, 1.0);
    const TubeWalk walk = WalkTube(program);
    const double tolerance = 1e-6 * std::max({1.0, Length(walk.BoxMin), Length(walk.BoxMax)});
    int off = 0;
    for (const Vec3& p : read.Points) {
        off += !OnSurface(p, walk, r, tolerance);
    }
    EXPECT_EQ(off, 0);
}

TEST(TubeMeshFile, EveryFormatReadsBackClosedOnTheSurfaceWithPappusVolume) {
    std::vector<TubeCase> tubes{Initial};
    for (unsigned seed = 1; seed <= 8; ++seed) {
        tubes.push_back(RandomTube(seed));
    }
    for (std::size_t i = 0; i < tubes.size(); ++i) {
        SCOPED_TRACE("tube " + std::to_string(i));
        for (const MeshFormat& format : MeshFormats()) {
            CheckFile(tubes[i], format);
        }
    }
}

// The wall's quads stay flat only if each ring is the one before it moved along the straight
// or turned about the bend's axis; a roll carried into the rings would twist them.
TEST(TubeMesh, RollsDoNotTwistTheWall) {
    for (const TubeCase& tube : {Initial, RandomTube(21), RandomTube(22)}) {
        const TubeMesh mesh = BuildTubeMesh(Record(tube));
        const int n = mesh.Segments;
        double worst = 0;
        for (int ring = 0; ring + 1 < mesh.Rings; ++ring) {
            for (int k = 0; k < n; ++k) {
                const Vec3 a = mesh.Positions[ring * n + k];
                const Vec3 a1 = mesh.Positions[ring * n + (k + 1) % n];
                const Vec3 b = mesh.Positions[(ring + 1) * n + k];
                const Vec3 b1 = mesh.Positions[(ring + 1) * n + (k + 1) % n];
                const Vec3 across = Normalized(Cross(a1 - a, b - a));
                worst = std::max(worst, std::fabs(Dot(b1 - a, across)) / tube.Diameter);
            }
        }
        EXPECT_LT(worst, 1e-9);
    }
}

// Whatever the record holds, the mesh is either empty or finite and closed in size; an empty
// one is refused by the writer with a reason instead of a file of nothing.
TEST(TubeMesh, HostileRecordsGiveAnEmptyOrFiniteMesh) {
    const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
    const std::vector<std::vector<double>> rows{
        {0, 0, 0, 0},       {nan, 0, 90, 10}, {10, nan, 90, 10},     {10, 0, nan, 10},
        {10, 0, 90, nan},   {inf, 0, 90, 10}, {1e308, 0, 90, 1e308}, {-10, 0, 90, -10},
        {10, 0, 1e308, 10}, {10, 0, 90, 0},   {10, 0, 90, 1e-300},   {1e-300, 0, -90, 10}};
    for (const double diameter : {38.0, 0.0, -38.0, nan, inf, 1e308, 1e-300}) {
        for (const auto& row : rows) {
            for (const int stepCount : {-1, 0, 1, 3, 1000}) {
                // Three rows of the value, the second in arc mode, the rest zero.
                BendProgram program{};
                program.TubeDiameter = diameter;
                program.StepCount = stepCount;
                for (int i = 0; i < 3; ++i) {
                    program.Steps[i] = {row[0], row[1], row[2], row[3], row[0], row[3], i == 1};
                }
                const TubeMesh mesh = BuildTubeMesh(program, stepCount * 100);
                for (const Vec3& p : mesh.Positions) {
                    ASSERT_TRUE(std::isfinite(p.X + p.Y + p.Z));
                }
                if (mesh.Triangles.empty()) {
                    EXPECT_FALSE(EncodeMesh(mesh, MeshFormats()[0]));
                }
            }
        }
    }
}

} // namespace
