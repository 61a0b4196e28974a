#include "tubepicture.h"

#include "coordtransform.h"
#include "homeview.h"
#include "orbgl.h"
#include "orbgloffscreen.h"
#include "simpipestate.h"
#include "tubemodel.h"

#include <GL/glu.h>

#include <memory>

using namespace tubrix;

namespace {

TubePicture NoMemory(const TubePictureRequest& request) {
    TubePicture picture;
    picture.OutOfMemory = true;
    picture.Error = "not enough memory for a " + std::to_string(request.Width) + "\u00d7" +
                    std::to_string(request.Height) + " picture";
    return picture;
}

} // namespace

TubePicture RenderTubePicture(const BendProgram& program, const TubePictureRequest& request) {
    TubePicture picture;
    // The context first, while memory is there to make it; then the picture's own memory,
    // checked, so GL is never handed a buffer that is not there; then GL's framebuffer.
    if (const char* error = OpenGLInitOffscreenContext()) {
        picture.Error = error;
        return picture;
    }
    QImage image(request.Width, request.Height, QImage::Format_RGB888);
    if (image.isNull()) {
        return NoMemory(request);
    }
    if (const char* error = OpenGLInitOffscreen(request.Width, request.Height)) {
        if (error == OffscreenNoMemory) {
            return NoMemory(request);
        }
        picture.Error = error;
        return picture;
    }
    SetupSceneState();
    // The viewer's state on the heap: the record alone is some ten kilobytes.
    auto viewer = std::make_unique<TFrmSimPipeState>();
    viewer->ViewProgram = program;
    // The home view, as the viewer sets it after "Make 3D", then the turns asked for.
    viewer->ViewScale = static_cast<float>(viewer->ViewProgram.TotalLength * 0.5);
    ReSizeWindows_wh(viewer->ViewScale, request.Width, request.Height);
    ApplyViewOp(ViewReset, 1.0);
    TurnToHomeView();
    ApplyViewOp(ViewTurnY, request.TurnY);
    ApplyViewOp(ViewTurnX, request.TurnX);
    if (request.Fit) {
        ApplyViewFit(FitView(viewer->ViewProgram, request.Width, request.Height), request.Width,
                     request.Height);
    }
    // Drawn once: straight from the record, with no lists compiled for it.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    DrawTubeOnce(*viewer, viewer->HighlightStep, false);
    glFlush();

    // Read straight into the picture's own rows: QImage pads each row to 4 bytes, as does GL's
    // default pack alignment.
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, request.Width, request.Height, GL_RGB, GL_UNSIGNED_BYTE, image.bits());
    if (viewer->Quadric) {
        gluDeleteQuadric(viewer->Quadric);
    }
    // GL counts rows from the bottom, images from the top; turned in place, without a copy.
    picture.Image = std::move(image).mirrored();
    return picture;
}
