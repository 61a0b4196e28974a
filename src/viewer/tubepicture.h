#pragma once

#include "bendprogram.h"

#include <QImage>

#include <string>

// The tube's picture without a window: the viewer's builder, shape library and frame, at the
// viewer's home view for the program, in an offscreen context.
struct TubePictureRequest {
    int Width = 787; // the viewer's own size in the main window
    int Height = 423;
    double TurnX = 0; // degrees about the view's x axis, after TurnY, as a left drag turns
    double TurnY = 0; // degrees about the view's y axis
};

struct TubePicture {
    QImage Image;      // null when no OpenGL could be had
    std::string Error; // why, when Image is null
};

// Draws one frame in the offscreen context, which serves any number of pictures and sizes.
TubePicture RenderTubePicture(const BendProgram& program, const TubePictureRequest& request);
