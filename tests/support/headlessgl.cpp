#define GL_GLEXT_PROTOTYPES
#include "headlessgl.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

namespace {

bool Ready = false;

void CreateContext() {
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    ASSERT_NE(getPlatformDisplay, nullptr) << "EGL has no eglGetPlatformDisplayEXT";
    EGLDisplay display =
        getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    ASSERT_NE(display, EGL_NO_DISPLAY) << "no surfaceless EGL display";
    ASSERT_TRUE(eglInitialize(display, nullptr, nullptr)) << "eglInitialize failed";
    ASSERT_TRUE(eglBindAPI(EGL_OPENGL_API));
    const EGLint configAttributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configCount = 0;
    eglChooseConfig(display, configAttributes, &config, 1, &configCount);
    // Surfaceless contexts need no config; Mesa accepts EGL_NO_CONFIG_KHR when none matches.
    const EGLint contextAttributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                        EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    EGLContext context = eglCreateContext(display, configCount > 0 ? config : EGL_NO_CONFIG_KHR,
                                          EGL_NO_CONTEXT, contextAttributes);
    ASSERT_NE(context, EGL_NO_CONTEXT) << "no compatibility GL context";
    ASSERT_TRUE(eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context));

    GLuint framebuffer = 0, colour = 0, depth = 0;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glGenRenderbuffers(1, &colour);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, HeadlessGL::Width, HeadlessGL::Height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    glGenRenderbuffers(1, &depth);
    glBindRenderbuffer(GL_RENDERBUFFER, depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, HeadlessGL::Width,
                          HeadlessGL::Height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glViewport(0, 0, HeadlessGL::Width, HeadlessGL::Height);
    Ready = true;
}

} // namespace

void HeadlessGL::MakeCurrent() {
    if (!Ready) {
        CreateContext();
    }
    ASSERT_TRUE(Ready);
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
