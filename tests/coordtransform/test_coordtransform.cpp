#include "coordtransform.h"
#include "headlessgl.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cfloat>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <sstream>

namespace {

using Vec3 = std::array<double, 3>;
using Mat3 = std::array<Vec3, 3>;
using GLMatrix = std::array<double, 16>;

constexpr Vec3 XAxis{1.0, 0.0, 0.0};
constexpr Vec3 YAxis{0.0, 1.0, 0.0};
constexpr Vec3 ZAxis{0.0, 0.0, 1.0};
constexpr Mat3 Identity{XAxis, YAxis, ZAxis};

// Right-handed rotation about a unit axis, written as cos(t) I + sin(t) [u]x + (1 - cos(t)) u u^T
// so that it shares neither the code nor the arrangement of the unit's own formula.
Mat3 Rotation(const Vec3& u, double degrees) {
    const double t = degrees * std::numbers::pi / 180.0;
    const double c = std::cos(t);
    const double s = std::sin(t);
    const Mat3 cross{Vec3{0.0, -u[2], u[1]}, Vec3{u[2], 0.0, -u[0]}, Vec3{-u[1], u[0], 0.0}};
    Mat3 r{};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            r[i][j] = c * Identity[i][j] + s * cross[i][j] + (1.0 - c) * u[i] * u[j];
        }
    }
    return r;
}

Mat3 Product(const Mat3& a, const Mat3& b) {
    Mat3 p{};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            for (int k = 0; k < 3; ++k) {
                p[i][j] += a[i][k] * b[k][j];
            }
        }
    }
    return p;
}

Mat3 Transpose(const Mat3& a) {
    Mat3 t{};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            t[i][j] = a[j][i];
        }
    }
    return t;
}

Mat3 Axes() {
    const Matrix3 v = CurrentViewAxes();
    Mat3 a{};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            a[i][j] = v.m[i][j];
        }
    }
    return a;
}

GLMatrix ModelView() {
    GLMatrix m{};
    glGetDoublev(GL_MODELVIEW_MATRIX, m.data());
    return m;
}

// The rotation block of a column-major GL matrix, as [row][column].
Mat3 RotationPart(const GLMatrix& m) {
    Mat3 r{};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            r[i][j] = m[4 * j + i];
        }
    }
    return r;
}

Vec3 TranslationPart(const GLMatrix& m) {
    return {m[12], m[13], m[14]};
}

// m * translation(v), as GL's glTranslate composes it.
GLMatrix Translated(const GLMatrix& m, const Vec3& v) {
    GLMatrix t = m;
    for (int i = 0; i < 4; ++i) {
        t[12 + i] = m[i] * v[0] + m[4 + i] * v[1] + m[8 + i] * v[2] + m[12 + i];
    }
    return t;
}

// A difference that is not a number counts as the worst, so that no comparison passes on NaN.
double Worse(double worst, double difference) {
    return std::isnan(difference) || difference > worst ? difference : worst;
}

double MaxDifference(const Mat3& a, const Mat3& b) {
    double worst = 0.0;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            worst = Worse(worst, std::fabs(a[i][j] - b[i][j]));
        }
    }
    return worst;
}

double MaxDifference(const GLMatrix& a, const GLMatrix& b) {
    double worst = 0.0;
    for (int i = 0; i < 16; ++i) {
        worst = Worse(worst, std::fabs(a[i] - b[i]));
    }
    return worst;
}

Vec3 Column(const Mat3& a, int k) {
    return {a[0][k], a[1][k], a[2][k]};
}

// The GL matrix may be kept in single precision; this is room for a handful of float roundings
// of entries of magnitude about one.
constexpr double GLTolerance = 8.0 * FLT_EPSILON;

// The suites carry the unit's name so that `ctest -R coordtransform` selects them.
class coordtransform : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        ApplyViewOp(ViewReset, 1.0);
        glLoadIdentity();
    }
};

TEST(coordtransformAxisAngleMatrix, MatchesAnIndependentRotationForUnitAxes) {
    const double n = std::sqrt(14.0);
    const Vec3 axes[] = {XAxis, YAxis, ZAxis, Vec3{1.0 / n, 2.0 / n, 3.0 / n},
                         Vec3{-0.6, 0.0, 0.8}};
    for (const Vec3& u : axes) {
        for (double degrees : {0.0, 1.0, 37.5, 90.0, -120.0, 180.0, 725.0}) {
            double out[3][3];
            AxisAngleMatrix(degrees, u.data(), out);
            const Mat3 expected = Rotation(u, degrees);
            for (int i = 0; i < 3; ++i) {
                for (int j = 0; j < 3; ++j) {
                    EXPECT_NEAR(out[i][j], expected[i][j], 1e-15)
                        << "axis (" << u[0] << ", " << u[1] << ", " << u[2] << "), " << degrees
                        << " degrees, element [" << i << "][" << j << "]";
                }
            }
        }
    }
}

TEST(coordtransformAxisAngleMatrix, TakesTheAxisAsGiven) {
    // Axis (0, 0, 2) at 90 degrees: c = cos(pi/2), s = 1, t = 1 - c, and no normalisation.
    const double c = std::cos(std::numbers::pi / 2.0);
    const double axis[3] = {0.0, 0.0, 2.0};
    double out[3][3];
    AxisAngleMatrix(90.0, axis, out);
    const double expected[3][3] = {{c, -2.0, 0.0}, {2.0, c, 0.0}, {0.0, 0.0, c + 4.0 * (1.0 - c)}};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            EXPECT_DOUBLE_EQ(out[i][j], expected[i][j]) << "element [" << i << "][" << j << "]";
        }
    }
}

TEST(coordtransformMatMul3, MatchesHandComputedProducts) {
    const double a[3][3] = {{1, 2, 3}, {4, 5, 6}, {7, 8, 10}};
    const double b[3][3] = {{2, 0, 1}, {1, 3, 0}, {0, 1, 4}};
    const double ab[3][3] = {{4, 9, 13}, {13, 21, 28}, {22, 34, 47}};
    const double ba[3][3] = {{9, 12, 16}, {13, 17, 21}, {32, 37, 46}};
    double c[3][3];
    for (auto& row : c) {
        for (double& x : row) {
            x = 99.0;
        }
    }
    MatMul3(a, b, c);
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            EXPECT_EQ(c[i][j], ab[i][j]) << "a*b [" << i << "][" << j << "]";
        }
    }
    MatMul3(b, a, c);
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            EXPECT_EQ(c[i][j], ba[i][j]) << "b*a [" << i << "][" << j << "]";
        }
    }
}

TEST(coordtransformMatMul3, SumsTheTermsInIndexOrder) {
    // (0 + 1e17) + 1 rounds back to 1e17, so summing row 0 in the order k = 0, 1, 2 gives 0
    // where an order that cancels the large terms first would give 1; row 1 is the converse.
    const double a[3][3] = {{1e17, 1.0, -1e17}, {1e17, -1e17, 1.0}, {0, 0, 0}};
    const double ones[3][3] = {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}};
    double c[3][3];
    MatMul3(a, ones, c);
    for (int j = 0; j < 3; ++j) {
        EXPECT_EQ(c[0][j], 0.0);
        EXPECT_EQ(c[1][j], 1.0);
        EXPECT_EQ(c[2][j], 0.0);
    }
}

TEST_F(coordtransform, MoveXAfterResetTranslatesAlongX) {
    ApplyViewOp(ViewMoveX, 5.0);
    const GLMatrix expected{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, 0, 0, 1};
    EXPECT_EQ(ModelView(), expected);
    EXPECT_EQ(Axes(), Identity);
}

TEST_F(coordtransform, TurnYQuarterFromIdentity) {
    ApplyViewOp(ViewTurnY, 90.0);
    const double c = std::cos(std::numbers::pi / 2.0);
    ASSERT_NE(c, 0.0);
    const Mat3 expectedAxes{Vec3{c, 0.0, -1.0}, Vec3{0.0, 1.0, 0.0}, Vec3{1.0, 0.0, c}};
    const Mat3 axes = Axes();
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            EXPECT_DOUBLE_EQ(axes[i][j], expectedAxes[i][j]) << "[" << i << "][" << j << "]";
        }
    }
    const GLMatrix turned{c, 0, -1, 0, 0, 1, 0, 0, 1, 0, c, 0, 0, 0, 0, 1};
    const GLMatrix gl = ModelView();
    for (int i = 0; i < 16; ++i) {
        EXPECT_FLOAT_EQ(static_cast<float>(gl[i]), static_cast<float>(turned[i])) << "entry " << i;
    }

    const double d = 3.0;
    ApplyViewOp(ViewMoveX, d);
    const GLMatrix moved = Translated(turned, Vec3{d * c, 0.0, d});
    EXPECT_LE(MaxDifference(ModelView(), moved), d * GLTolerance);
    // Seen from the view, that is a move of d along its own x axis.
    const Vec3 shift = TranslationPart(ModelView());
    EXPECT_NEAR(shift[0], d, d * GLTolerance);
    EXPECT_NEAR(shift[1], 0.0, d * GLTolerance);
    EXPECT_NEAR(shift[2], 0.0, d * GLTolerance);
}

TEST_F(coordtransform, TurnsComposeAboutTheFixedAxesInOrder) {
    ApplyViewOp(ViewTurnY, 90.0);
    ApplyViewOp(ViewTurnX, 90.0);
    const Mat3 yThenX = Product(Rotation(XAxis, 90.0), Rotation(YAxis, 90.0));
    const Mat3 glYThenX = RotationPart(ModelView());
    EXPECT_LE(MaxDifference(glYThenX, yThenX), GLTolerance);
    EXPECT_LE(MaxDifference(Axes(), Transpose(yThenX)), 1e-15);

    ApplyViewOp(ViewReset, 1.0);
    glLoadIdentity();
    ApplyViewOp(ViewTurnX, 90.0);
    ApplyViewOp(ViewTurnY, 90.0);
    const Mat3 xThenY = Product(Rotation(YAxis, 90.0), Rotation(XAxis, 90.0));
    const Mat3 glXThenY = RotationPart(ModelView());
    EXPECT_LE(MaxDifference(glXThenY, xThenY), GLTolerance);
    EXPECT_LE(MaxDifference(Axes(), Transpose(xThenY)), 1e-15);

    EXPECT_GT(MaxDifference(glYThenX, glXThenY), 0.5);
}

TEST_F(coordtransform, MixedTurnsFollowTheFixedAxesFromAnyBase) {
    // A base view that is not the identity: the turns are relative to whatever GL held at reset.
    glTranslated(1.0, 2.0, 3.0);
    glRotated(30.0, 0.0, 0.0, 1.0);
    const GLMatrix base = ModelView();
    const Mat3 baseRotation = RotationPart(base);

    Mat3 s = Identity;
    const struct {
        int code;
        Vec3 axis;
        double degrees;
    } steps[] = {{ViewTurnZ, ZAxis, 25.0},
                 {ViewTurnX, XAxis, -70.0},
                 {ViewTurnY, YAxis, 140.0},
                 {ViewTurnX, XAxis, 12.5},
                 {ViewTurnZ, ZAxis, -33.0}};
    for (const auto& step : steps) {
        ApplyViewOp(step.code, step.degrees);
        s = Product(Rotation(step.axis, step.degrees), s);
    }
    EXPECT_LE(MaxDifference(Axes(), Transpose(s)), 1e-14);
    EXPECT_LE(MaxDifference(RotationPart(ModelView()), Product(baseRotation, s)), GLTolerance);
    const Vec3 shift = TranslationPart(ModelView());
    const Vec3 baseShift = TranslationPart(base);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(shift[i], baseShift[i], GLTolerance * 4.0) << "turns must not move";
    }
}

TEST_F(coordtransform, TurnThenOppositeTurnRestores) {
    ApplyViewOp(ViewTurnY, 35.0);
    ApplyViewOp(ViewMoveZ, 2.0);
    ApplyViewOp(ViewTurnZ, -50.0);
    const GLMatrix glBefore = ModelView();
    const Mat3 axesBefore = Axes();

    ApplyViewOp(ViewTurnX, 47.0);
    EXPECT_GT(MaxDifference(Axes(), axesBefore), 0.1);
    ApplyViewOp(ViewTurnX, -47.0);
    EXPECT_LE(MaxDifference(ModelView(), glBefore), 2.0 * GLTolerance);
    EXPECT_LE(MaxDifference(Axes(), axesBefore), 1e-15);
}

TEST_F(coordtransform, ZeroTurnChangesNothing) {
    ApplyViewOp(ViewTurnY, 35.0);
    ApplyViewOp(ViewMoveX, -4.0);
    const GLMatrix glBefore = ModelView();
    const Mat3 axesBefore = Axes();
    for (int code : {ViewTurnX, ViewTurnY, ViewTurnZ}) {
        ApplyViewOp(code, 0.0);
        EXPECT_EQ(ModelView(), glBefore) << "code " << code;
        EXPECT_EQ(Axes(), axesBefore) << "code " << code;
    }
}

TEST_F(coordtransform, ResetLeavesGLAndRestartsFromItsView) {
    ApplyViewOp(ViewTurnZ, 60.0);
    ApplyViewOp(ViewMoveY, 1.5);
    ApplyViewOp(ViewTurnX, -20.0);
    const GLMatrix before = ModelView();

    ApplyViewOp(ViewReset, 123.0);
    EXPECT_EQ(ModelView(), before);
    EXPECT_EQ(Axes(), Identity);

    const double d = 2.5;
    ApplyViewOp(ViewMoveX, d);
    EXPECT_LE(MaxDifference(ModelView(), Translated(before, Vec3{d, 0.0, 0.0})), 4.0 * GLTolerance);
}

TEST_F(coordtransform, OtherCodesChangeNothing) {
    ApplyViewOp(ViewTurnZ, 15.0);
    ApplyViewOp(ViewMoveX, 3.0);
    ApplyViewOp(ViewTurnX, 40.0);
    const GLMatrix glBefore = ModelView();
    const Mat3 axesBefore = Axes();
    for (int code : {0, 8, -1, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()}) {
        ApplyViewOp(code, 17.0);
        EXPECT_EQ(ModelView(), glBefore) << "code " << code;
        EXPECT_EQ(Axes(), axesBefore) << "code " << code;
    }
}

TEST_F(coordtransform, MoveZFollowsTheTurnedThirdAxis) {
    ApplyViewOp(ViewTurnX, 40.0);
    ApplyViewOp(ViewTurnY, 25.0);
    const Mat3 s = Product(Rotation(YAxis, 25.0), Rotation(XAxis, 40.0));
    const Vec3 third = Column(Transpose(s), 2);
    const Vec3 axesThird = Column(Axes(), 2);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(axesThird[i], third[i], 1e-15);
    }
    const GLMatrix before = ModelView();

    const double d = 1.5;
    ApplyViewOp(ViewMoveZ, d);
    const Vec3 along{d * third[0], d * third[1], d * third[2]};
    EXPECT_LE(MaxDifference(ModelView(), Translated(before, along)), 4.0 * GLTolerance);
    // Which is the view's own z axis, and leaves the axes alone.
    const Vec3 shift = TranslationPart(ModelView());
    EXPECT_NEAR(shift[0], 0.0, 4.0 * GLTolerance);
    EXPECT_NEAR(shift[1], 0.0, 4.0 * GLTolerance);
    EXPECT_NEAR(shift[2], d, 4.0 * GLTolerance);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(Axes()[i][2], third[i], 1e-15);
    }
}

TEST_F(coordtransform, HostileAmountsDoNotCrashAndResetRecovers) {
    const double amounts[] = {std::numeric_limits<double>::quiet_NaN(),
                              std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity(), 1e308, -1e308};
    for (double amount : amounts) {
        for (int code = 0; code <= 8; ++code) {
            ApplyViewOp(code, amount);
        }
    }
    ApplyViewOp(ViewReset, std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(Axes(), Identity);

    glLoadIdentity();
    ApplyViewOp(ViewMoveX, 5.0);
    const GLMatrix expected{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, 0, 0, 1};
    EXPECT_EQ(ModelView(), expected);
}

// What GL keeps of a double loaded into the matrix: zero when it stores doubles, else the
// rounding error of its own format near 1/3.
double GLStorageError() {
    const double third = 1.0 / 3.0;
    const GLMatrix load{third, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    glLoadMatrixd(load.data());
    const double kept = ModelView()[0];
    glLoadIdentity();
    return std::fabs(kept - third);
}

TEST_F(coordtransform, RandomSequenceKeepsGLRotationTheTransposeOfTheAxes) {
    const double storageError = GLStorageError();
    ApplyViewOp(ViewReset, 1.0);

    // Turns of up to 5 degrees, what one drag event of the viewer asks for, and moves of up to
    // 100 units. Raw mt19937 output is fixed by the standard, unlike the distributions, so the
    // sequence is the same with any library.
    std::mt19937 random(20240611u);
    constexpr int Steps = 4000;
    Mat3 s = Identity;
    int turns = 0;
    for (int n = 0; n < Steps; ++n) {
        const int code = ViewMoveX + static_cast<int>(random() % 6u);
        const double unit = static_cast<double>(random()) / 4294967296.0 * 2.0 - 1.0;
        const bool turn = code >= ViewTurnX;
        const double amount = unit * (turn ? 5.0 : 100.0);
        ApplyViewOp(code, amount);
        if (turn) {
            s = Product(Rotation(Identity[code - ViewTurnX], amount), s);
            ++turns;
        }
    }
    ASSERT_GT(turns, Steps / 3);

    // The axes are never re-orthonormalised; in double precision the drift over a few thousand
    // such steps stays many orders below anything visible.
    const Mat3 axes = Axes();
    EXPECT_LE(MaxDifference(Product(Transpose(axes), axes), Identity), 1e-13);
    EXPECT_LE(MaxDifference(axes, Transpose(s)), 1e-11);

    // When GL keeps doubles the invariant holds as tightly as the axes do. Mesa keeps single
    // precision (storageError is then a float's rounding, about 1e-8): each glMultMatrixd rounds
    // the step and the product to float, an error of a few float epsilons per entry and turn.
    // Those errors add up at most linearly with the number of turns, since rotations do not
    // amplify them, so that bound is the tolerance.
    const double tolerance = storageError == 0.0 ? 1e-9 : 4.0 * FLT_EPSILON * turns;
    const double glError = MaxDifference(RotationPart(ModelView()), Transpose(axes));
    RecordProperty("gl_storage_error", (std::ostringstream() << storageError).str());
    RecordProperty("gl_rotation_error", (std::ostringstream() << glError).str());
    EXPECT_LE(glError, tolerance) << "GL storage error near 1/3: " << storageError << ", " << turns
                                  << " turns";
}

// Orthonormality of the axes and of the GL rotation after long runs of turns that a viewer
// really issues: a diagonal drag turns about y and x by 2 degrees per mouse event, and two pad
// buttons held together turn about two axes by 1 degree per tick. Neither may drift away from
// a rotation, however long the operator keeps going.
TEST_F(coordtransform, LongTurnSequencesStayRotations) {
    const struct {
        int first, second;
        double amount;
        int repeats;
    } runs[] = {{ViewTurnY, ViewTurnX, 2.0, 20000},
                {ViewTurnZ, ViewTurnX, -1.0, 30000},
                {ViewTurnZ, ViewTurnZ, 180.0, 200}};
    for (const auto& run : runs) {
        glLoadIdentity();
        ApplyViewOp(ViewReset, 1.0);
        ApplyViewOp(ViewTurnX, 30.0);
        for (int i = 0; i < run.repeats; ++i) {
            ApplyViewOp(run.first, run.amount);
            ApplyViewOp(run.second, run.amount);
        }
        const Mat3 axes = Axes();
        EXPECT_LE(MaxDifference(Product(Transpose(axes), axes), Identity), 1e-9)
            << run.repeats << " pairs of " << run.amount << " degree turns";
        // GL keeps floats: its rounding adds up, about 1e-7 per turn at worst, but stays a
        // rotation to the eye.
        const Mat3 gl = RotationPart(ModelView());
        EXPECT_LE(MaxDifference(Product(Transpose(gl), gl), Identity), 1e-2);
    }
}

} // namespace
