#pragma once

#include "sequencescene.h"
#include "tubepicture.h"

// One state of the bend sequence as a picture without a window, drawn as the viewer draws it,
// in the offscreen context that serves any number of pictures in one process. `rows` holds the
// program the sequence was played from; one serves every picture of the sequence.
TubePicture RenderSequencePicture(SequenceRows& rows, const tubrix::BendSequence& sequence,
                                  const SequenceView& view, int step, int width, int height);
