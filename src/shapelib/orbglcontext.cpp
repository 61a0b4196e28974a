// The context half of the shape library: one compatibility context on the viewer's native
// window, held here for the life of the viewer.
#include "orbgl.h"
#include "orbglinternal.h"

#include <QOpenGLContext>
#include <QSurfaceFormat>
#include <QWindow>

namespace {

QOpenGLContext* Context = nullptr;
QWindow* Surface = nullptr;

QSurfaceFormat SurfaceFormat() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    // Display lists, GLU quadrics and feedback need the compatibility profile.
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setDepthBufferSize(24);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    // Every motion speed is per 10 ms tick: a swap that waits for vertical sync would stretch it.
    format.setSwapInterval(0);
    return format;
}

} // namespace

double SurfacePixelRatio() {
    return Surface ? Surface->devicePixelRatio() : 1.0;
}

void PrepareSurface(DeviceContext dc) {
    if (dc && !dc->handle()) {
        dc->setSurfaceType(QSurface::OpenGLSurface);
        dc->setFormat(SurfaceFormat());
    }
}

bool OpenGLIsOpen() {
    return Context != nullptr;
}

void OpenGLInit(DeviceContext dc) {
    OpenGLClose();
    if (!dc) {
        return;
    }
    if (!dc->handle()) {
        PrepareSurface(dc);
        dc->create();
    }
    auto* context = new QOpenGLContext;
    context->setFormat(SurfaceFormat());
    if (!context->create() || !context->makeCurrent(dc)) {
        delete context;
        return;
    }
    Context = context;
    Surface = dc;
    SetupSceneState();
}

void OpenGLClose() {
    if (!Context) {
        return;
    }
    Context->doneCurrent();
    delete Context;
    Context = nullptr;
    Surface = nullptr;
}

void SwapBuffers(DeviceContext dc) {
    if (Context && dc && dc == Surface && dc->isExposed()) {
        Context->swapBuffers(dc);
    }
}
