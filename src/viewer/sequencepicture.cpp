#include "sequencepicture.h"

#include "orbgl.h"
#include "orbgloffscreen.h"

using namespace tubrix;

TubePicture RenderSequencePicture(SequenceRows& rows, const BendSequence& sequence,
                                  const SequenceView& view, int step, int width, int height) {
    TubePicture picture;
    if (const char* error = OpenGLInitOffscreen(width, height)) {
        picture.Error = error;
        return picture;
    }
    SetupSceneState();
    SetSequenceView(view, width, height);
    const GLuint scene = ReserveLists(1);
    CompileSequenceStep(rows, sequence, view, step, scene);
    RenderStepFrame(scene);
    // Rows padded to 4 bytes in both QImage and GL's default pack alignment; GL counts rows from
    // the bottom, images from the top.
    QImage image(width, height, QImage::Format_RGB888);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, image.bits());
    glDeleteLists(scene, 1);
    picture.Image = std::move(image).mirrored();
    return picture;
}
