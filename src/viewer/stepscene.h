#pragma once

#include "bendsequence.h"
#include "sequencescene.h"

#include <GL/gl.h>

#include <memory>

class TFrmSimPipe;

// The bend sequence drawn in the viewer in place of the tube, one state at a time, from one view
// for every state. It owns what it draws with: the played program's row lists and the list of
// the state shown, reserved with glGenLists and given back when the step view ends.
class TStepScene {
public:
    explicit TStepScene(TFrmSimPipe& viewer);
    ~TStepScene();
    TStepScene(const TStepScene&) = delete;
    TStepScene& operator=(const TStepScene&) = delete;

    // Whether the viewer has a GL context to draw in.
    bool CanDraw() const;
    // Plays `program` (the hand shown) as `sequence`, fitted to the viewer; nothing shown yet.
    void Start(const BendProgram& program, const tubrix::BendSequence& sequence);
    bool Started() const { return Played != nullptr; }
    const tubrix::BendSequence& Sequence() const { return *Played; }
    // Draws state `step` (0 the loaded tube, k the state after bend k) in the viewer.
    void Show(int step);
    // Fits the view again to the viewer's size (after a resize) or sets it again (the pad's
    // home button), and draws.
    void Refit();
    void ResetView();
    // Back to the tube at its home view; the lists are given back.
    void Stop();

private:
    TFrmSimPipe& Viewer;
    std::unique_ptr<tubrix::BendSequence> Played;
    std::unique_ptr<SequenceRows> Rows; // the played program's rows, compiled once
    SequenceView View;
    GLuint SceneList = 0;
};
