#include "headlessgl.h"

#include "orbgloffscreen.h"

void HeadlessGL::MakeCurrent() {
    const char* error = OpenGLInitOffscreen(Width, Height);
    ASSERT_EQ(error, nullptr) << error;
}

void GLTest::SetUp() {
    HeadlessGL::MakeCurrent();
    while (glGetError() != GL_NO_ERROR) {
    }
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void GLTest::TearDown() {
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << "a GL error was left behind";
}

void BeginModelCapture(double extent) {
    // Window x and y equal model x and y when the viewport's origin and size match the box.
    const GLint origin = static_cast<GLint>(-extent);
    const GLsizei size = static_cast<GLsizei>(2 * extent);
    glViewport(origin, origin, size, size);
    glDepthRange(0.0, 1.0);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-extent, extent, -extent, extent, -extent, extent);
    glMatrixMode(GL_MODELVIEW);
}

std::vector<FeedbackVertex> ParseFeedback(const std::vector<GLfloat>& buffer, int count,
                                          double extent) {
    std::vector<FeedbackVertex> vertices;
    EXPECT_GE(count, 0) << "feedback buffer overflowed";
    auto take = [&](int& at) {
        FeedbackVertex v{};
        v.x = buffer[at];
        v.y = buffer[at + 1];
        // Depth 0..1 maps back to model z from +extent (near) to -extent (far).
        v.z = static_cast<float>((1.0 - 2.0 * buffer[at + 2]) * extent);
        v.r = buffer[at + 3];
        v.g = buffer[at + 4];
        v.b = buffer[at + 5];
        v.a = buffer[at + 6];
        at += 7;
        vertices.push_back(v);
    };
    int at = 0;
    while (at < count) {
        const auto token = static_cast<GLint>(buffer[at++]);
        switch (token) {
        case GL_POLYGON_TOKEN: {
            const int n = static_cast<int>(buffer[at++]);
            for (int k = 0; k < n; ++k) {
                take(at);
            }
            break;
        }
        case GL_LINE_TOKEN:
        case GL_LINE_RESET_TOKEN:
            take(at);
            take(at);
            break;
        case GL_POINT_TOKEN:
        case GL_BITMAP_TOKEN:
        case GL_DRAW_PIXEL_TOKEN:
        case GL_COPY_PIXEL_TOKEN:
            take(at);
            break;
        case GL_PASS_THROUGH_TOKEN:
            ++at;
            break;
        default:
            ADD_FAILURE() << "unknown feedback token " << token;
            return vertices;
        }
    }
    return vertices;
}
