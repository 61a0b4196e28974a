#define GL_GLEXT_PROTOTYPES
#include "orbgloffscreen.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

namespace {

const char* CreateContext() {
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) {
        return "EGL has no eglGetPlatformDisplayEXT";
    }
    EGLDisplay display =
        getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr)) {
        return "no surfaceless EGL display";
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        return "EGL cannot bind desktop OpenGL";
    }
    const EGLint configAttributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configCount = 0;
    eglChooseConfig(display, configAttributes, &config, 1, &configCount);
    // A surfaceless context needs no config; Mesa accepts EGL_NO_CONFIG_KHR when none matches.
    const EGLint contextAttributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                        EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    EGLContext context = eglCreateContext(display, configCount > 0 ? config : EGL_NO_CONFIG_KHR,
                                          EGL_NO_CONTEXT, contextAttributes);
    if (context == EGL_NO_CONTEXT) {
        return "no compatibility GL context";
    }
    if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
        return "eglMakeCurrent without a surface failed";
    }
    return nullptr;
}

// The framebuffer the pictures are drawn into, kept between calls and remade only when a
// picture of another size is asked for.
struct Framebuffer {
    GLuint Name = 0;
    GLuint Colour = 0;
    GLuint Depth = 0;
    int Width = 0;
    int Height = 0;
};

void Release(Framebuffer& target) {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteRenderbuffers(1, &target.Colour);
    glDeleteRenderbuffers(1, &target.Depth);
    glDeleteFramebuffers(1, &target.Name);
    target = {};
}

// Whether the bound renderbuffer got its storage: the size was checked against GL's limit, so
// a storage that is not there is memory that could not be had (Mesa says so by leaving the
// renderbuffer empty, not always by GL_OUT_OF_MEMORY).
bool HasStorage(int width) {
    GLint stored = 0;
    glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_WIDTH, &stored);
    return stored == width;
}

const char* AttachFramebuffer(Framebuffer& target, int width, int height) {
    if (target.Name != 0 && target.Width == width && target.Height == height) {
        return nullptr;
    }
    GLint largest = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &largest);
    if (width < 1 || height < 1 || width > largest || height > largest) {
        return "the picture size is beyond what this OpenGL can draw";
    }
    Release(target);
    glGenFramebuffers(1, &target.Name);
    glBindFramebuffer(GL_FRAMEBUFFER, target.Name);
    glGenRenderbuffers(1, &target.Colour);
    glBindRenderbuffer(GL_RENDERBUFFER, target.Colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    bool stored = HasStorage(width);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, target.Colour);
    glGenRenderbuffers(1, &target.Depth);
    glBindRenderbuffer(GL_RENDERBUFFER, target.Depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
    stored = stored && HasStorage(width);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, target.Depth);
    if (!stored || glGetError() == GL_OUT_OF_MEMORY) {
        Release(target);
        return OffscreenNoMemory;
    }
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        Release(target);
        return "framebuffer object incomplete";
    }
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glViewport(0, 0, width, height);
    if (glGetError() != GL_NO_ERROR) {
        Release(target);
        return "GL error while setting up the framebuffer";
    }
    target.Width = width;
    target.Height = height;
    return nullptr;
}

} // namespace

const char* OpenGLInitOffscreenContext() {
    // The context is made once; a failure to make it is final for the process.
    static const char* const contextFailure = CreateContext();
    return contextFailure;
}

const char* OpenGLInitOffscreen(int width, int height) {
    // The framebuffer follows each call's size, so one process can draw many pictures of
    // different sizes.
    if (const char* failure = OpenGLInitOffscreenContext()) {
        return failure;
    }
    static Framebuffer target;
    return AttachFramebuffer(target, width, height);
}
