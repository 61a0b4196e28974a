#define GL_GLEXT_PROTOTYPES
#include "fuzzgl.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>
#include <cstdlib>

namespace {

bool Ready = false;

void Require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "fuzz GL setup: %s (EGL error 0x%x)\n", what,
                     static_cast<unsigned>(eglGetError()));
        std::abort();
    }
}

void CreateContext() {
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    Require(getPlatformDisplay != nullptr, "EGL has no eglGetPlatformDisplayEXT");
    EGLDisplay display =
        getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    Require(display != EGL_NO_DISPLAY, "no surfaceless EGL display");
    Require(eglInitialize(display, nullptr, nullptr) == EGL_TRUE, "eglInitialize failed");
    Require(eglBindAPI(EGL_OPENGL_API) == EGL_TRUE, "eglBindAPI(EGL_OPENGL_API) failed");
    const EGLint configAttributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configCount = 0;
    eglChooseConfig(display, configAttributes, &config, 1, &configCount);
    // Display lists and GLU quadrics need the compatibility profile. A surfaceless context needs
    // no config; Mesa accepts EGL_NO_CONFIG_KHR when none matches.
    const EGLint contextAttributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                        EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    EGLContext context = eglCreateContext(display, configCount > 0 ? config : EGL_NO_CONFIG_KHR,
                                          EGL_NO_CONTEXT, contextAttributes);
    Require(context != EGL_NO_CONTEXT, "no compatibility GL context");
    Require(eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context) == EGL_TRUE,
            "eglMakeCurrent without a surface failed");

    // Without a surface the default framebuffer is incomplete and every draw call would raise
    // GL_INVALID_FRAMEBUFFER_OPERATION, hiding the errors the fuzzers look for.
    GLuint framebuffer = 0;
    GLuint colour = 0;
    GLuint depth = 0;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glGenRenderbuffers(1, &colour);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, FuzzGLSize, FuzzGLSize);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    glGenRenderbuffers(1, &depth);
    glBindRenderbuffer(GL_RENDERBUFFER, depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, FuzzGLSize, FuzzGLSize);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    Require(glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE,
            "framebuffer object incomplete");
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glViewport(0, 0, FuzzGLSize, FuzzGLSize);
    Require(glGetError() == GL_NO_ERROR, "GL error while setting up the framebuffer");
    Ready = true;
}

} // namespace

void FuzzMakeGLCurrent() {
    if (!Ready) {
        CreateContext();
    }
}
