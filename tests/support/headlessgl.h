#pragma once

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <vector>

// One headless GL context (EGL, Mesa surfaceless) per test process, current on the main thread,
// with a colour and depth framebuffer object bound so that pixels can be read back.
class HeadlessGL {
public:
    static constexpr int Width = 256;
    static constexpr int Height = 256;

    // Creates the context on first use and makes it current; fails the test when impossible.
    static void MakeCurrent();
};

// Test fixture for GL tests: a current headless context with a clean matrix stack and no
// pending GL error before each test, and a check that none is left after it.
class GLTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

// One vertex as feedback mode reports it in GL_3D_COLOR: window coordinates and colour.
struct FeedbackVertex {
    float x, y, z;
    float r, g, b, a;
};

// Runs `draw` in feedback mode with a projection that maps model units 1:1 onto window x and y
// (and z onto depth) over +-`extent`, and returns every vertex of every polygon drawn, in model
// coordinates. The current model-view matrix is used as it stands.
template <typename Draw> std::vector<FeedbackVertex> CaptureVertices(Draw draw, double extent);

std::vector<FeedbackVertex> ParseFeedback(const std::vector<GLfloat>& buffer, int count,
                                          double extent);
void BeginModelCapture(double extent);

template <typename Draw> std::vector<FeedbackVertex> CaptureVertices(Draw draw, double extent) {
    // Large enough for a 100-step tube; feedback stops recording (and reports overflow) past it.
    std::vector<GLfloat> buffer(1 << 23);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR, buffer.data());
    glRenderMode(GL_FEEDBACK);
    BeginModelCapture(extent);
    draw();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    const int count = glRenderMode(GL_RENDER);
    return ParseFeedback(buffer, count, extent);
}
