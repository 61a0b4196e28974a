#pragma once

#include "sequencescene.h"
#include "tubepicture.h"

// One state of the bend sequence as a picture without a window, drawn as the viewer draws it,
// in the offscreen context that serves any number of pictures in one process.
TubePicture RenderSequencePicture(const BendProgram& program, const BendSequence& sequence,
                                  const SequenceView& view, int step, int width, int height);
