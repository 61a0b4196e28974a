// The GL-only half of the shape library: scene state, projection and the bend primitive. It
// works in whatever context is current, so a headless context can exercise it.
#include "orbgl.h"
#include "orbglinternal.h"

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace {

// The view turns about the model origin, which lies on the tube; any tube that fits the view
// stays within this many scales of the origin in depth, even when zoomed in well past it.
constexpr double DepthScales = 1000.0;

constexpr int MaxSides = 128;
constexpr int MaxRings = 8;
constexpr double DegToRadians = std::numbers::pi / 180.0;

GLbyte ColourByte(std::uint8_t value) {
    return static_cast<GLbyte>(std::min<int>(value, 127));
}

} // namespace

GLuint ReserveLists(GLsizei count) {
    constexpr GLuint BuilderLastList = 2;
    // A range that starts at or below the builder's names is held while the next is asked for,
    // until one starts past them (a single name given 1 is next given 2, which is still the
    // builder's); the ranges held are given back after.
    GLuint held[BuilderLastList] = {};
    int holding = 0;
    GLuint base = glGenLists(count);
    while (base != 0 && base <= BuilderLastList && holding < static_cast<int>(BuilderLastList)) {
        held[holding++] = base;
        base = glGenLists(count);
    }
    for (int i = 0; i < holding; ++i) {
        glDeleteLists(held[i], count);
    }
    return base != 0 && base <= BuilderLastList ? 0 : base;
}

void SetupSceneState() {
    glClearColor(0.91f, 0.93f, 0.95f, 1.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glShadeModel(GL_SMOOTH);

    // A directional light from the upper left front, fixed to the eye: it is set while the
    // model-view matrix is the identity, so later view turns move the tube under the light.
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    const GLfloat position[] = {-0.45f, 0.6f, 1.0f, 0.0f};
    const GLfloat ambient[] = {0.32f, 0.32f, 0.34f, 1.0f};
    const GLfloat diffuse[] = {0.78f, 0.78f, 0.78f, 1.0f};
    const GLfloat specular[] = {0.55f, 0.55f, 0.55f, 1.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
    glPopMatrix();
    const GLfloat sceneAmbient[] = {0.18f, 0.18f, 0.2f, 1.0f};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, sceneAmbient);
    // Open tube ends and negative lengths show the inside of the surfaces: light both faces.
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);

    // The builder's colour calls give the diffuse and ambient colour; a white highlight makes
    // the grey read as metal.
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    const GLfloat materialSpecular[] = {0.5f, 0.5f, 0.5f, 1.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, materialSpecular);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 40.0f);
    glEnable(GL_NORMALIZE);
}

void ReSizeWindows_wh(float scale, int width, int height) {
    const int w = std::max(width, 0);
    const int h = std::max(height, 0);
    const double ratio = SurfacePixelRatio();
    glViewport(0, 0, static_cast<GLsizei>(std::lround(w * ratio)),
               static_cast<GLsizei>(std::lround(h * ratio)));

    // The sign of the developed length says nothing about how much to show.
    // A zoom that has gone past a limit stays at it; only no scale at all shows one unit.
    double half = std::fabs(static_cast<double>(scale));
    if (std::isnan(half) || half == 0) {
        half = 1.0;
    }
    half = std::clamp(half, ShapeMinScale, ShapeMaxScale);
    const double aspect = (w > 0 && h > 0) ? static_cast<double>(w) / h : 1.0;
    const double halfWidth = half * aspect;
    const double depth = DepthScales * std::max(half, halfWidth);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-halfWidth, halfWidth, -half, half, -depth, depth);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void fdoughnut(float tubeRadius, float bendRadius, int sides, int rings, float sweepDegrees,
               std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    glColor3b(ColourByte(red), ColourByte(green), ColourByte(blue));
    // Nothing past one full turn is visible, and a sweep of 1e9 degrees must not tessellate a
    // billion degrees; no sweep at all, or an unreadable one, draws nothing.
    if (!(sweepDegrees > 0.0f) || !std::isfinite(tubeRadius) || !std::isfinite(bendRadius)) {
        return;
    }
    const double sweep = std::min(static_cast<double>(sweepDegrees), 360.0) * DegToRadians;
    const int around = std::clamp(sides, 3, MaxSides);
    const int perQuarter = around * std::clamp(rings, 1, MaxRings);
    const int along =
        std::max(1, static_cast<int>(std::ceil(sweep / (90.0 * DegToRadians) * perQuarter)));

    std::array<double, MaxSides + 1> cosPhi{};
    std::array<double, MaxSides + 1> sinPhi{};
    for (int j = 0; j <= around; ++j) {
        const double phi = 2.0 * std::numbers::pi * j / around;
        cosPhi[j] = std::cos(phi);
        sinPhi[j] = std::sin(phi);
    }
    const double r = tubeRadius;
    const double bend = bendRadius;
    // A negative tube radius puts the surface on the far side of the centre line; its normals
    // must still point away from the centre line.
    const double normalSign = r < 0 ? -1.0 : 1.0;

    // Triangle strips, not quad strips: the same surface, and Mesa's display-list compiler keeps
    // memory for every list of consecutive quad strips even after the list is replaced.
    for (int i = 0; i < along; ++i) {
        const double t0 = sweep * i / along;
        const double t1 = sweep * (i + 1) / along;
        const double c0 = std::cos(t0), s0 = std::sin(t0);
        const double c1 = std::cos(t1), s1 = std::sin(t1);
        glBegin(GL_TRIANGLE_STRIP);
        for (int j = 0; j <= around; ++j) {
            // Section frame at t: e1 = (cos t, -sin t, 0) away from the bend centre, e2 = z.
            const double n0x = cosPhi[j] * c0, n0y = -cosPhi[j] * s0;
            const double n1x = cosPhi[j] * c1, n1y = -cosPhi[j] * s1;
            const double nz = sinPhi[j];
            glNormal3d(normalSign * n1x, normalSign * n1y, normalSign * nz);
            glVertex3d(bend * c1 + r * n1x, -bend * s1 + r * n1y, r * nz);
            glNormal3d(normalSign * n0x, normalSign * n0y, normalSign * nz);
            glVertex3d(bend * c0 + r * n0x, -bend * s0 + r * n0y, r * nz);
        }
        glEnd();
    }
}
