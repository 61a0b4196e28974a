#include "headlessgl.h"
#include "orbgl.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace {

using ShapeLibTest = GLTest;

struct Projection {
    double m[16];
};

Projection ReadProjection() {
    Projection p{};
    glGetDoublev(GL_PROJECTION_MATRIX, p.m);
    return p;
}

// Vertices of one bend compiled into a list and drawn at the identity.
std::vector<FeedbackVertex> DoughnutVertices(float tubeRadius, float bendRadius, float sweep) {
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    fdoughnut(tubeRadius, bendRadius, 24, 1, sweep, 70, 70, 70);
    glEndList();
    glLoadIdentity();
    auto vertices = CaptureVertices([&] { glCallList(list); }, 512);
    glDeleteLists(list, 1);
    return vertices;
}

// Distance of a point from the circle of radius |bend| about the origin in the z = 0 plane.
double DistanceFromCentreLine(const FeedbackVertex& v, double bend) {
    const double planar = std::hypot(v.x, v.y) - std::fabs(bend);
    return std::hypot(planar, v.z);
}

TEST_F(ShapeLibTest, ProjectionShowsHalfTheHeightPerScaleUnit) {
    ReSizeWindows_wh(100.0f, 200, 100);
    const Projection p = ReadProjection();
    // Orthographic: x over +-200 (aspect 2), y over +-100.
    EXPECT_NEAR(p.m[0], 1.0 / 200, 1e-9);
    EXPECT_NEAR(p.m[5], 1.0 / 100, 1e-9);
    EXPECT_NEAR(p.m[15], 1.0, 1e-12);
    EXPECT_NEAR(p.m[12], 0.0, 1e-12);
    EXPECT_NEAR(p.m[13], 0.0, 1e-12);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], 200);
    EXPECT_EQ(viewport[3], 100);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
}

TEST_F(ShapeLibTest, ResetsTheModelViewToTheBaseView) {
    glTranslatef(3, 4, 5);
    glRotatef(30, 1, 1, 0);
    ReSizeWindows_wh(10.0f, 50, 50);
    double m[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, m);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(m[i], (i % 5 == 0) ? 1.0 : 0.0) << "element " << i;
    }
}

TEST_F(ShapeLibTest, ALargerScaleShowsMoreAndNegativeScalesShowTheirSize) {
    ReSizeWindows_wh(10.0f, 100, 100);
    const double small = ReadProjection().m[5];
    ReSizeWindows_wh(20.0f, 100, 100);
    const double large = ReadProjection().m[5];
    EXPECT_NEAR(small / large, 2.0, 1e-9);
    ReSizeWindows_wh(-20.0f, 100, 100);
    EXPECT_NEAR(ReadProjection().m[5], large, 1e-12);
}

TEST_F(ShapeLibTest, DegenerateScalesAndSizesGiveAFiniteProjectionWithoutError) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float scales[] = {0.0f, -0.0f, nan, inf, -inf, 1e-45f, 3.4e38f, -5.0f};
    const int sizes[][2] = {{0, 0}, {100, 0}, {0, 100}, {-5, -7}, {787, 423}};
    for (float scale : scales) {
        for (const auto& size : sizes) {
            ReSizeWindows_wh(scale, size[0], size[1]);
            EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << scale << " " << size[0];
            const Projection p = ReadProjection();
            for (double v : p.m) {
                ASSERT_TRUE(std::isfinite(v))
                    << "scale " << scale << " size " << size[0] << "x" << size[1];
            }
            EXPECT_NE(p.m[0], 0.0);
            EXPECT_NE(p.m[5], 0.0);
        }
    }
}

TEST_F(ShapeLibTest, AScalePastTheLimitsHoldsAtTheLimit) {
    // Half the height shown is the scale, held within 1e-12 and 1e30 whatever its sign.
    const struct {
        float Scale;
        double Half;
    } cases[] = {{1e-20f, 1e-12}, {-1e-20f, 1e-12}, {1e-45f, 1e-12}, {1e38f, 1e30}, {-1e38f, 1e30}};
    for (const auto& c : cases) {
        ReSizeWindows_wh(c.Scale, 100, 100);
        EXPECT_NEAR(1 / ReadProjection().m[5], c.Half, c.Half * 1e-6) << c.Scale;
    }
}

TEST_F(ShapeLibTest, DepthRangeHoldsATubeTurnedOutOfThePlane) {
    // A tube of developed length 2 * scale may lie along the line of sight after a turn.
    ReSizeWindows_wh(100.0f, 400, 200);
    const double depthScale = ReadProjection().m[10];
    EXPECT_LE(std::fabs(depthScale) * 400.0, 1.0);
}

TEST_F(ShapeLibTest, DoughnutVerticesLieOnTheTorus) {
    const auto vertices = DoughnutVertices(19.0f, 45.0f, 90.0f);
    ASSERT_FALSE(vertices.empty());
    bool startSeen = false, endSeen = false;
    for (const FeedbackVertex& v : vertices) {
        ASSERT_NEAR(DistanceFromCentreLine(v, 45), 19.0, 1e-2) << v.x << " " << v.y << " " << v.z;
        // The centre line runs (R cos t, -R sin t, 0): every point has y <= 0 and x >= 0 here.
        const double t = std::atan2(-v.y, v.x);
        EXPECT_GE(t, -1e-4);
        EXPECT_LE(t, std::numbers::pi / 2 + 1e-4);
        startSeen = startSeen || std::fabs(t) < 1e-4;
        endSeen = endSeen || std::fabs(t - std::numbers::pi / 2) < 1e-4;
    }
    EXPECT_TRUE(startSeen) << "the bend must start at (R, 0, 0)";
    EXPECT_TRUE(endSeen) << "the bend must reach the full sweep";
}

TEST_F(ShapeLibTest, DoughnutNormalsPointAwayFromTheCentreLine) {
    // A light along +z with diffuse only: a vertex facing the viewer is lit, one facing away is
    // dark. Inward normals would swap them.
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glDisable(GL_COLOR_MATERIAL);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_FALSE);
    const GLfloat black[] = {0, 0, 0, 1};
    const GLfloat white[] = {1, 1, 1, 1};
    const GLfloat towardsViewer[] = {0, 0, 1, 0};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
    glLightfv(GL_LIGHT0, GL_AMBIENT, black);
    glLightfv(GL_LIGHT0, GL_SPECULAR, black);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLoadIdentity();
    glLightfv(GL_LIGHT0, GL_POSITION, towardsViewer);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, white);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, black);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, black);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, black);
    for (float tubeRadius : {19.0f, -19.0f}) {
        const auto vertices = DoughnutVertices(tubeRadius, 45.0f, 120.0f);
        ASSERT_FALSE(vertices.empty());
        for (const FeedbackVertex& v : vertices) {
            // Outward normal's z component is the vertex's height over the radius.
            const double expected = std::max(0.0, v.z / 19.0);
            ASSERT_NEAR(v.r, expected, 0.02) << "tube radius " << tubeRadius << " at z " << v.z;
        }
    }
    glPopAttrib();
}

TEST_F(ShapeLibTest, SweepsPastOneTurnDrawOneTurnAndFinish) {
    const size_t fullTurn = DoughnutVertices(5.0f, 45.0f, 360.0f).size();
    ASSERT_GT(fullTurn, 0u);
    EXPECT_LE(fullTurn, 200000u);
    for (float sweep : {720.0f, 1e9f, std::numeric_limits<float>::infinity(), 3.4e38f}) {
        EXPECT_EQ(DoughnutVertices(5.0f, 45.0f, sweep).size(), fullTurn) << sweep;
    }
    for (float sweep : {std::numeric_limits<float>::quiet_NaN(), 0.0f, -90.0f,
                        -std::numeric_limits<float>::infinity()}) {
        EXPECT_TRUE(DoughnutVertices(5.0f, 45.0f, sweep).empty()) << sweep;
    }
}

TEST_F(ShapeLibTest, OddBendRadiiDrawWithoutFailing) {
    for (float bend : {0.0f, -45.0f}) {
        const auto vertices = DoughnutVertices(19.0f, bend, 90.0f);
        ASSERT_FALSE(vertices.empty()) << bend;
        for (const FeedbackVertex& v : vertices) {
            ASSERT_NEAR(DistanceFromCentreLine(v, bend), 19.0, 1e-2) << "bend radius " << bend;
        }
    }
    // Below the tube radius the surface passes through the bend's axis: every vertex is still
    // within the tube radius of the centre circle.
    const auto tight = DoughnutVertices(19.0f, 5.0f, 90.0f);
    ASSERT_FALSE(tight.empty());
    for (const FeedbackVertex& v : tight) {
        ASSERT_LE(DistanceFromCentreLine(v, 5.0), 19.0 + 1e-2);
    }
    for (float odd : {std::numeric_limits<float>::quiet_NaN(), 1e30f}) {
        DoughnutVertices(odd, odd, 90.0f);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
}

TEST_F(ShapeLibTest, DoughnutLeavesTheMatrixAsItFoundIt) {
    glLoadIdentity();
    glTranslatef(1, 2, 3);
    double before[16], after[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, before);
    fdoughnut(2.0f, 10.0f, 24, 1, 90.0f, 120, 20, 20);
    glGetDoublev(GL_MODELVIEW_MATRIX, after);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(before[i], after[i]);
    }
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_NEAR(colour[0], 120.0 / 127, 0.006);
    EXPECT_NEAR(colour[1], 20.0 / 127, 0.006);
}

// Every list but the builder's two is reserved through ReserveLists; whether the builder's names
// exist at the moment or not, what it hands out never includes them, and nothing it reserves
// is given back to the builder's names.
TEST_F(ShapeLibTest, ReservedListsStayClearOfTheBuildersNames) {
    // One name alone is the case where the first two answers both fall on the builder's names.
    for (const GLsizei count : {1, 2, 5}) {
        for (const bool builderHasLists : {false, true}) {
            SCOPED_TRACE(testing::Message()
                         << count << " names, builder's lists " << builderHasLists);
            if (builderHasLists) {
                for (const GLuint list : {1u, 2u}) {
                    glNewList(list, GL_COMPILE);
                    glEndList();
                }
            }
            const GLuint base = ReserveLists(count);
            EXPECT_GT(base, 2u);
            for (GLuint list = base; list < base + static_cast<GLuint>(count); ++list) {
                EXPECT_TRUE(glIsList(list)) << list;
            }
            EXPECT_EQ(glIsList(1) == GL_TRUE, builderHasLists);
            EXPECT_EQ(glIsList(2) == GL_TRUE, builderHasLists);
            glDeleteLists(base, count);
            glDeleteLists(1, 2);
        }
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

} // namespace
