#pragma once

#include "bendprogram.h"

#include <QImage>

#include <string>

// The tube's picture without a window: the viewer's builder, shape library and frame, at the
// viewer's home view for the program (turned further and framed as asked), in an offscreen
// context.
struct TubePictureRequest {
    int Width = 787; // the viewer's own size in the main window
    int Height = 423;
    double TurnX = 0; // degrees about the view's x axis, after TurnY, as a left drag turns
    double TurnY = 0; // degrees about the view's y axis
    // Frame the part after the turns: its box centred, filling FitShare of the width or the
    // height, whichever binds. Without it the scale is the home view's, half the length.
    bool Fit = false;
};

struct TubePicture {
    QImage Image;             // null when no OpenGL or not enough memory could be had
    std::string Error;        // why, when Image is null
    bool OutOfMemory = false; // the picture's memory could not be had (Error says so)
};

// Draws one frame in the offscreen context, which serves any number of pictures and sizes.
TubePicture RenderTubePicture(const BendProgram& program, const TubePictureRequest& request);
