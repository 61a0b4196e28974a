#include "headlessgl.h"
#include "orbgl.h"
#include "tubemodel.h"

#include <GL/glu.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>

using namespace tubrix;

namespace {

using Vec = std::array<double, 3>;

Vec Sub(const Vec& a, const Vec& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
Vec Add(const Vec& a, const Vec& b) {
    return {a[0] + b[0], a[1] + b[1], a[2] + b[2]};
}
Vec Scale(const Vec& a, double s) {
    return {a[0] * s, a[1] * s, a[2] * s};
}
double Dot(const Vec& a, const Vec& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
double Norm(const Vec& a) {
    return std::sqrt(Dot(a, a));
}
Vec At(const FeedbackVertex& v) {
    return {v.x, v.y, v.z};
}

void SetRow(BendProgram& p, int i, double y, double b, double c, double r) {
    p.Steps[i].Y = y;
    p.Steps[i].B = b;
    p.Steps[i].C = c;
    p.Steps[i].R = r;
}

// The main window's initial values, with the developed length computed here: 150 + 90 pi.
BendProgram InitialProgram() {
    BendProgram p{};
    p.TubeDiameter = 38;
    p.StepCount = 5;
    SetRow(p, 0, 30, 0, 90, 45);
    SetRow(p, 1, 30, 90, 90, 45);
    SetRow(p, 2, 30, 90, 90, 45);
    SetRow(p, 3, 30, 90, 90, 45);
    SetRow(p, 4, 30, 0, 0, 45);
    p.TotalLength = 150 + 90 * std::numbers::pi;
    return p;
}

class TubeModelTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        glDeleteLists(1, 2);
        glDisable(GL_LIGHTING);
    }
    void TearDown() override {
        if (viewer.Quadric) {
            gluDeleteQuadric(viewer.Quadric);
        }
        glDeleteLists(1, 2);
        GLTest::TearDown();
    }
    void Build() { BuildTubeModel(viewer, viewer.ListBase, viewer.HighlightStep, false); }

    // Both lists as the viewer draws them: the backward list turned half a turn about y.
    std::vector<FeedbackVertex> CaptureTube(double extent = 512) {
        glLoadIdentity();
        return CaptureVertices(
            [] {
                glPushMatrix();
                glCallList(1);
                glPopMatrix();
                glPushMatrix();
                glRotatef(180, 0, 1, 0);
                glCallList(2);
                glPopMatrix();
            },
            extent);
    }

    TFrmSimPipeState viewer{};
};

TEST(SplitStep, FollowsTheRunningSumOfDevelopedLengths) {
    BendProgram p = InitialProgram();
    // Sums 100.686, 201.372, 302.058 against a half of 216.37: passed at row 2, cut at 3.
    EXPECT_EQ(SplitStep(p), 3);

    BendProgram two{};
    two.StepCount = 2;
    SetRow(two, 0, 10, 0, 0, 0);
    SetRow(two, 1, 10, 0, 0, 0);
    two.TotalLength = 20;
    // 10 is exactly half: the search goes on, passes at row 1, which is the last.
    EXPECT_EQ(SplitStep(two), 1);

    BendProgram exact{};
    exact.StepCount = 4;
    for (int i = 0; i < 4; ++i) {
        SetRow(exact, i, 25, 0, 0, 0);
    }
    exact.TotalLength = 100;
    // Sum 50 equals half after row 1 and goes on; 75 passes at row 2, cut at row 3.
    EXPECT_EQ(SplitStep(exact), 3);

    BendProgram zero{};
    zero.StepCount = 5;
    EXPECT_EQ(SplitStep(zero), 2) << "all zero: half the step count, truncated";
    zero.StepCount = 4;
    EXPECT_EQ(SplitStep(zero), 2);

    BendProgram late{};
    late.StepCount = 6;
    for (int i = 0; i < 5; ++i) {
        SetRow(late, i, 1, 0, 0, 0);
    }
    SetRow(late, 5, 100, 0, 0, 0);
    late.TotalLength = 105;
    EXPECT_EQ(SplitStep(late), 5) << "passing only at the last row cuts before it";

    BendProgram arc{};
    arc.StepCount = 3;
    SetRow(arc, 0, 10, 0, 90, 1000);
    arc.Steps[0].ArcMode = 1;
    arc.Steps[0].ArcLength = 5;
    SetRow(arc, 1, 10, 0, 0, 0);
    SetRow(arc, 2, 10, 0, 0, 0);
    arc.TotalLength = 35;
    // Arc mode counts Y + ArcLength (15), not the angle-mode arc: passes at row 1, cut at 2.
    EXPECT_EQ(SplitStep(arc), 2);
}

TEST_F(TubeModelTest, FewerThanTwoStepsCompileNothingAndKeepThePreviousLists) {
    viewer.ViewProgram.StepCount = 0;
    viewer.ViewProgram.SquareSection = 3;
    Build();
    EXPECT_EQ(viewer.ViewProgram.SquareSection, 0);
    EXPECT_FALSE(glIsList(1));
    EXPECT_FALSE(glIsList(2));
    EXPECT_EQ(viewer.Quadric, nullptr);

    viewer.ViewProgram = InitialProgram();
    Build();
    ASSERT_TRUE(glIsList(1));
    const auto before = CaptureTube();
    ASSERT_FALSE(before.empty());

    viewer.ViewProgram.StepCount = 1;
    viewer.ViewProgram.SquareSection = 1;
    viewer.ViewProgram.Steps[0].Y = 500;
    Build();
    EXPECT_EQ(viewer.ViewProgram.SquareSection, 0);
    const auto after = CaptureTube();
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < after.size(); i += 97) {
        EXPECT_EQ(after[i].x, before[i].x);
        EXPECT_EQ(after[i].y, before[i].y);
        EXPECT_EQ(after[i].z, before[i].z);
    }
}

// The centre line of the initial program in the viewer's model coordinates.
struct CentreLine {
    struct Segment {
        Vec from, to;
    };
    struct Arc {
        Vec centre, start, end; // start and end relative to the centre, length 45
    };
    std::array<Segment, 5> straights{{{{-120, 120, 120}, {-120, 120, 90}},
                                      {{-120, 75, 45}, {-120, 45, 45}},
                                      {{-75, 0, 45}, {-45, 0, 45}},
                                      {{0, 0, 0}, {0, 0, -30}},
                                      {{0, -45, -75}, {0, -75, -75}}}};
    std::array<Arc, 4> bends{};

    CentreLine() {
        // A quarter bend from the end of one straight to the start of the next: its centre lies
        // the bend radius along the next heading from the end point.
        for (int i = 0; i < 4; ++i) {
            const Vec end = straights[i].to;
            const Vec next = straights[i + 1].from;
            const Vec nextHeading = Scale(Sub(straights[i + 1].to, next), 1.0 / 30);
            const Vec centre = Add(end, Scale(nextHeading, 45));
            bends[i] = {centre, Sub(end, centre), Sub(next, centre)};
        }
    }

    // Distance from a straight's axis and where along it (0 at `from`, 1 at `to`).
    static std::pair<double, double> AlongStraight(const Segment& s, const Vec& p) {
        const Vec axis = Sub(s.to, s.from);
        const double len = Norm(axis);
        const double t = Dot(Sub(p, s.from), axis) / (len * len);
        const Vec foot = Add(s.from, Scale(axis, t));
        return {Norm(Sub(p, foot)), t};
    }

    // Distance from a bend's centre circle and the angle along it (0 at its start, pi/2 at end).
    static std::pair<double, double> AlongBend(const Arc& a, const Vec& p) {
        const Vec rel = Sub(p, a.centre);
        const Vec u = Scale(a.start, 1.0 / 45);
        const Vec w = Scale(a.end, 1.0 / 45);
        const double cu = Dot(rel, u);
        const double cw = Dot(rel, w);
        const Vec normal = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2],
                            u[0] * w[1] - u[1] * w[0]};
        const double off = Dot(rel, normal);
        const double planar = std::hypot(cu, cw) - 45;
        return {std::hypot(planar, off), std::atan2(cw, cu)};
    }
};

// Where a vertex lies on the tube surface of radius 19: the straights and bends whose surface
// holds it, with the position along each (0..1 on a straight, 0..pi/2 on a bend). A vertex on the
// ring where two pieces meet belongs to both.
struct Where {
    std::vector<std::pair<int, double>> straights;
    std::vector<std::pair<int, double>> bends;
};

Where Locate(const CentreLine& line, const Vec& p) {
    constexpr double tolerance = 2e-2;
    Where where;
    for (int i = 0; i < 5; ++i) {
        const auto [d, t] = CentreLine::AlongStraight(line.straights[i], p);
        if (std::fabs(d - 19) < tolerance && t > -1e-4 && t < 1 + 1e-4) {
            where.straights.emplace_back(i, t);
        }
    }
    for (int i = 0; i < 4; ++i) {
        const auto [d, angle] = CentreLine::AlongBend(line.bends[i], p);
        if (std::fabs(d - 19) < tolerance && angle > -1e-4 && angle < std::numbers::pi / 2 + 1e-4) {
            where.bends.emplace_back(i, angle);
        }
    }
    return where;
}

bool IsColour(const FeedbackVertex& v, double r, double g, double b) {
    constexpr double tolerance = 0.006; // signed-byte to float differs between GL versions
    return std::fabs(v.r - r / 127) < tolerance && std::fabs(v.g - g / 127) < tolerance &&
           std::fabs(v.b - b / 127) < tolerance;
}

TEST_F(TubeModelTest, InitialProgramFollowsTheCentreLineInTheRightColours) {
    viewer.ViewProgram = InitialProgram();
    Build();
    const auto vertices = CaptureTube();
    ASSERT_GT(vertices.size(), 1000u);

    const CentreLine line;
    // Each straight and bend must be covered from its start to its end.
    std::array<std::array<bool, 2>, 5> straightEnds{};
    std::array<std::array<bool, 3>, 4> bendPoints{};
    int markers = 0;
    for (const FeedbackVertex& v : vertices) {
        const Where w = Locate(line, At(v));
        for (const auto& [i, t] : w.straights) {
            straightEnds[i][0] = straightEnds[i][0] || t < 1e-3;
            straightEnds[i][1] = straightEnds[i][1] || t > 1 - 1e-3;
            if (t > 1e-3 && t < 1 - 1e-3) {
                EXPECT_TRUE(i == 0 ? IsColour(v, 20, 20, 120) : IsColour(v, 70, 70, 70))
                    << "straight " << i << " at " << t;
            }
        }
        for (const auto& [i, angle] : w.bends) {
            for (int k = 0; k < 3; ++k) {
                bendPoints[i][k] =
                    bendPoints[i][k] || std::fabs(angle - k * std::numbers::pi / 4) < 1e-3;
            }
            if (angle > 1e-3 && angle < std::numbers::pi / 2 - 1e-3) {
                EXPECT_TRUE(i == 0 ? IsColour(v, 120, 20, 20) : IsColour(v, 70, 70, 70))
                    << "bend " << i << " at " << angle;
            }
        }
        if (w.straights.empty() && w.bends.empty()) {
            // Only the markers lie off the tube surface: dark cones and the flat grey ones.
            EXPECT_TRUE(IsColour(v, 10, 10, 10) || IsColour(v, 70, 70, 70))
                << v.x << " " << v.y << " " << v.z;
            // The cones are no wider than the tube and reach at most 1 unit past its ends.
            const double nearest = std::min(
                {Norm(At(v)), Norm(Sub(At(v), {0, -75, -75})), Norm(Sub(At(v), {-120, 120, 120}))});
            EXPECT_LE(nearest, std::hypot(19.0, 1.0) + 1e-3) << v.x << " " << v.y << " " << v.z;
            ++markers;
        }
    }
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(straightEnds[i][0] && straightEnds[i][1]) << "straight " << i;
    }
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(bendPoints[i][0] && bendPoints[i][1] && bendPoints[i][2]) << "bend " << i;
    }
    EXPECT_GT(markers, 0);
}

TEST_F(TubeModelTest, PiecesAtFaultAreAmberEvenOnTheHighlightedStep) {
    viewer.ViewProgram = InitialProgram();
    viewer.FaultyStraights[0] = true; // the highlighted step: amber wins
    viewer.FaultyStraights[2] = true;
    viewer.FaultyBends[1] = true;
    Build();
    const CentreLine line;
    int amberStraights[5] = {}, amberBends[4] = {}, other = 0;
    for (const FeedbackVertex& v : CaptureTube()) {
        const Where w = Locate(line, At(v));
        const bool amber = IsColour(v, 127, 90, 0);
        for (const auto& [i, t] : w.straights) {
            if (t > 1e-3 && t < 1 - 1e-3) {
                (amber ? amberStraights[i] : other) += 1;
                EXPECT_TRUE(amber || IsColour(v, 70, 70, 70)) << "straight " << i;
            }
        }
        for (const auto& [i, angle] : w.bends) {
            if (angle > 1e-3 && angle < std::numbers::pi / 2 - 1e-3) {
                (amber ? amberBends[i] : other) += 1;
                EXPECT_TRUE(amber || (i == 0 ? IsColour(v, 120, 20, 20) : IsColour(v, 70, 70, 70)))
                    << "bend " << i;
            }
        }
    }
    EXPECT_GT(amberStraights[0], 0);
    EXPECT_GT(amberStraights[2], 0);
    EXPECT_EQ(amberStraights[1] + amberStraights[3] + amberStraights[4], 0);
    EXPECT_GT(amberBends[1], 0);
    EXPECT_EQ(amberBends[0] + amberBends[2] + amberBends[3], 0);
    EXPECT_GT(other, 0);
}

// Whether some vertex of the given colour lies at the point.
bool HasVertexAt(const std::vector<FeedbackVertex>& vertices, const Vec& p, double shade) {
    for (const FeedbackVertex& v : vertices) {
        if (Norm(Sub(At(v), p)) < 2e-2 && IsColour(v, shade, shade, shade)) {
            return true;
        }
    }
    return false;
}

TEST_F(TubeModelTest, MarkersSitAtTheEndsAndAtTheCut) {
    viewer.ViewProgram = InitialProgram();
    Build();
    const auto vertices = CaptureTube();
    // Cone tips: the dark end cone 1 unit out, the flat grey one 0.1 out, along the heading.
    EXPECT_TRUE(HasVertexAt(vertices, {0, -76, -75}, 10)) << "forward end points along -y";
    EXPECT_TRUE(HasVertexAt(vertices, {0, -75.1, -75}, 70));
    EXPECT_TRUE(HasVertexAt(vertices, {-120, 120, 121}, 10)) << "backward end points along +z";
    EXPECT_TRUE(HasVertexAt(vertices, {-120, 120, 120.1}, 70));
    // The cut at the origin, pointing into the backward half (+z).
    EXPECT_TRUE(HasVertexAt(vertices, {0, 0, 0.2}, 10));
    EXPECT_TRUE(HasVertexAt(vertices, {0, 0, 0.1}, 70));
    // The dark cones' bases: 0.8 of the tube radius about the axis at the end.
    EXPECT_TRUE(HasVertexAt(vertices, {0.8 * 19, -75, -75}, 10));
    EXPECT_TRUE(HasVertexAt(vertices, {0.8 * 19, 0, 0}, 10));
}

TEST_F(TubeModelTest, TwoStepsPutOneStepInEachList) {
    BendProgram& p = viewer.ViewProgram;
    p.TubeDiameter = 10;
    p.StepCount = 2;
    SetRow(p, 0, 40, 0, 90, 20);
    SetRow(p, 1, 60, 0, 0, 20);
    p.TotalLength = 100 + 10 * std::numbers::pi;
    Build();
    glLoadIdentity();
    const auto forward = CaptureVertices([] { glCallList(1); }, 512);
    // Straight 1 alone, from the origin along -z for 60, then the end markers.
    double minZ = 0;
    for (const FeedbackVertex& v : forward) {
        EXPECT_NEAR(std::hypot(v.x, v.y) <= 5.0 + 1e-3 ? 0.0 : 1.0, 0.0, 0.0)
            << "forward list leaves the straight axis at " << v.x << " " << v.y;
        minZ = std::min<double>(minZ, v.z);
    }
    EXPECT_NEAR(minZ, -61, 1e-2) << "60 of tube and the 1-unit end cone";
    const auto backward = CaptureVertices([] { glCallList(2); }, 512);
    bool bendSeen = false;
    for (const FeedbackVertex& v : backward) {
        bendSeen = bendSeen || IsColour(v, 120, 20, 20);
    }
    EXPECT_TRUE(bendSeen) << "the backward list holds bend 0";
}

TEST_F(TubeModelTest, AZeroBendContinuesInLine) {
    BendProgram& p = viewer.ViewProgram;
    p.TubeDiameter = 4;
    p.StepCount = 3;
    SetRow(p, 0, 10, 0, 0, 30);
    SetRow(p, 1, 10, 45, 0, 30);
    SetRow(p, 2, 10, 0, 0, 30);
    p.TotalLength = 30;
    Build();
    const auto vertices = CaptureTube();
    // One straight line along z: the cut after row 1 puts the forward end at -10 and the
    // backward end at +20, each with its 1-unit end cone; radius 2.
    ASSERT_FALSE(vertices.empty());
    for (const FeedbackVertex& v : vertices) {
        ASSERT_LE(std::hypot(v.x, v.y), 2.0 + 1e-3);
        ASSERT_GE(v.z, -11.0 - 1e-3);
        ASSERT_LE(v.z, 21.0 + 1e-3);
    }
}

TEST_F(TubeModelTest, HostileRecordsBuildAndDrawWithoutError) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (double value : {1e308, -1e308, nan, inf, -inf, 0.0}) {
        for (int steps : {0, 1, 2, 3, 7, 50, 100}) {
            BendProgram& p = viewer.ViewProgram;
            p.TubeDiameter = value;
            p.TotalLength = value;
            p.StepCount = steps;
            for (BendStep& s : p.Steps) {
                s = {value, value, value, value, value, value, 0};
            }
            Build();
            glLoadIdentity();
            glCallList(1);
            glCallList(2);
            ASSERT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << value << " x " << steps;
        }
    }
}

TEST_F(TubeModelTest, MixedHostileRowsAndArcModeBuildWithoutError) {
    const double values[] = {1e308,
                             -1e308,
                             std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::infinity(),
                             0.0,
                             -3.0,
                             45.0,
                             4.9e-324};
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> pick(0, std::size(values) - 1);
    std::uniform_int_distribution<int> count(0, MaxBendSteps);
    for (int round = 0; round < 60; ++round) {
        BendProgram& p = viewer.ViewProgram;
        p.TubeDiameter = values[pick(random)];
        p.TotalLength = values[pick(random)];
        p.StepCount = count(random);
        for (BendStep& s : p.Steps) {
            s = {values[pick(random)],
                 values[pick(random)],
                 values[pick(random)],
                 values[pick(random)],
                 values[pick(random)],
                 values[pick(random)],
                 static_cast<std::uint8_t>(pick(random) % 2)};
        }
        Build();
        glCallList(1);
        glCallList(2);
        ASSERT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << "round " << round;
    }
}

TEST_F(TubeModelTest, StepCountsBeyondTheTableAreNotReadPastIt) {
    viewer.ViewProgram = InitialProgram();
    viewer.ViewProgram.StepCount = 1000;
    Build();
    EXPECT_TRUE(glIsList(1));
}

TEST_F(TubeModelTest, RebuildsReuseOneQuadric) {
    viewer.ViewProgram = InitialProgram();
    Build();
    GLUquadric* const first = viewer.Quadric;
    ASSERT_NE(first, nullptr);
    for (int i = 0; i < 1000; ++i) {
        viewer.ViewProgram.Steps[1].Y = i;
        Build();
        ASSERT_EQ(viewer.Quadric, first);
    }
}

TEST_F(TubeModelTest, BuildingLeavesTheCurrentMatrixAlone) {
    glLoadIdentity();
    glTranslatef(5, 6, 7);
    double before[16], after[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, before);
    viewer.ViewProgram = InitialProgram();
    Build();
    glGetDoublev(GL_MODELVIEW_MATRIX, after);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(before[i], after[i]);
    }
}

} // namespace

namespace {

// A picture drawn once is the viewer's frame pixel for pixel, lit as the scene is, with a
// highlighted step, faults and the mirror: the same commands, executed rather than compiled.
TEST_F(TubeModelTest, DrawingOnceDrawsWhatTheListsDraw) {
    SetupSceneState();
    const auto pixels = [](auto draw) {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-150, 150, -150, 150, -1000, 1000);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glRotatef(35, 1, 0, 0);
        glRotatef(-45, 0, 1, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        draw();
        std::vector<unsigned char> rgb(HeadlessGL::Width * HeadlessGL::Height * 3);
        glReadPixels(0, 0, HeadlessGL::Width, HeadlessGL::Height, GL_RGB, GL_UNSIGNED_BYTE,
                     rgb.data());
        return rgb;
    };
    for (const bool mirror : {false, true}) {
        SCOPED_TRACE(mirror);
        viewer.ViewProgram = InitialProgram();
        viewer.HighlightStep = 2;
        viewer.FaultyBends.set(1);
        viewer.FaultyStraights.set(0);
        BuildTubeModel(viewer, viewer.ListBase, viewer.HighlightStep, mirror);
        const auto compiled = pixels([&] { DrawTube(viewer.ListBase); });
        const auto once = pixels([&] { DrawTubeOnce(viewer, viewer.HighlightStep, mirror); });
        EXPECT_TRUE(once == compiled);
        EXPECT_NE(std::count_if(compiled.begin(), compiled.end(),
                                [&](unsigned char c) { return c != compiled[0]; }),
                  0)
            << "the tube is in the picture";
    }
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
}

} // namespace
