#include "tubepicture.h"

#include "coordtransform.h"
#include "orbgl.h"
#include "orbgloffscreen.h"
#include "simpipestate.h"
#include "tubemodel.h"

#include <GL/glu.h>

#include <memory>

TubePicture RenderTubePicture(const BendProgram& program, const TubePictureRequest& request) {
    TubePicture picture;
    if (const char* error = OpenGLInitOffscreen(request.Width, request.Height)) {
        picture.Error = error;
        return picture;
    }
    SetupSceneState();
    // The viewer's state on the heap: the record alone is some ten kilobytes.
    auto viewer = std::make_unique<TFrmSimPipeState>();
    viewer->ViewProgram = program;
    BuildTubeModel(*viewer, viewer->ListBase, viewer->HighlightStep, false);
    // The home view, as the viewer sets it after "Make 3D".
    viewer->ViewScale = static_cast<float>(viewer->ViewProgram.TotalLength * 0.5);
    ReSizeWindows_wh(viewer->ViewScale, request.Width, request.Height);
    ApplyViewOp(ViewReset, 1.0);
    ApplyViewOp(ViewTurnY, request.TurnY);
    ApplyViewOp(ViewTurnX, request.TurnX);
    RenderFrame(viewer->ListBase);

    QImage image(request.Width, request.Height, QImage::Format_RGBA8888);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, request.Width, request.Height, GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
    if (viewer->Quadric) {
        gluDeleteQuadric(viewer->Quadric);
    }
    glDeleteLists(viewer->ListBase + 1, 2);
    // GL counts rows from the bottom, images from the top.
    picture.Image = image.mirrored().convertToFormat(QImage::Format_RGB888);
    return picture;
}
