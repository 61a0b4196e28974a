#pragma once

#include "bendsequence.h"

#include <GL/gl.h>

#include <memory>

struct TFrmSimPipeState;

// The bend sequence drawn with the viewer's builder: the part formed at one state, placed on the
// machine, with the stock behind the head and the floor; a contact's stock or floor in the
// findings' amber. Every step of a sequence is seen from one view (from the front of the
// machine, above it) at one scale, so the part is seen to move and the machine not.

// How far from the bend head's tangent point the pictures frame the part and the stock, in the
// program's units: a bend head's length. What reaches further runs out of the picture, so a long
// stock or a large part does not shrink what happens at the head to a few pixels.
inline constexpr double BendHeadLength = 1000;
// The share of the picture's half height kept at its foot for the floor's line.
inline constexpr double FloorLineShare = 0.06;

struct SequenceView {
    double Scale = 1;                // half the visible height, in model units
    tubrix::Vec3 Middle;             // the point at the picture's middle, in the view's axes
    tubrix::Vec3 FloorMin, FloorMax; // the floor drawn: the box the states take, a little grown
    // The floor lies wholly below the frame of the part and the stock: it is not framed, and is
    // drawn as a line along the picture's foot.
    bool FloorBelow = false;
};

// The view that holds every state of the sequence, as far as BendHeadLength from the origin, in
// a picture of this size, at one scale for every state.
SequenceView FitSequenceView(const tubrix::BendSequence& sequence, int width, int height);

// Sets the projection and the model-view matrix for the view (ReSizeWindows_wh, then the view's
// turn and moves through ApplyViewOp, so the pad and the mouse turn it about the screen's axes).
void SetSequenceView(const SequenceView& view, int width, int height);

// The played program's rows as the builder draws them, compiled once for every state of its
// sequence: each state calls the lists of the rows it has formed, so drawing state after state
// costs one row's compiling per row, not the whole formed part again at each.
class SequenceRows {
public:
    explicit SequenceRows(const BendProgram& program);
    ~SequenceRows();
    SequenceRows(const SequenceRows&) = delete;
    SequenceRows& operator=(const SequenceRows&) = delete;

    // The first of the rows' lists (see CompileRowPieces), compiled at the first call; needs
    // the GL context current then and when this is destroyed.
    GLuint Lists();
    int RowCount() const;
    // The context the lists were compiled in is gone, and they with it: nothing to delete.
    void Abandon() { Compiled = false; }

private:
    std::unique_ptr<TFrmSimPipeState> Builder;
    bool Compiled = false;
    GLuint RowLists = 0; // reserved with glGenLists when first compiled
};

// Compiles state `step` (0 the loaded tube, k the state after bend k) of the sequence played
// from `rows`' program into the display list `sceneList` (the caller's, from glGenLists), which
// draws the whole scene. Needs a current GL context.
void CompileSequenceStep(SequenceRows& rows, const tubrix::BendSequence& sequence,
                         const SequenceView& view, int step, GLuint sceneList);

// One frame of a step: clear colour and depth, the scene's list, flush.
void RenderStepFrame(GLuint sceneList);
