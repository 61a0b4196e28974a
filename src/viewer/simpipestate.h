#pragma once

#include "bendprogram.h"
#include "orbgl.h"

#include <GL/gl.h>
#include <bitset>
#include <cstdint>

class QFrame;
struct GLUquadric;

// The motions the operator holds on the pad, in the order the frame applies them.
struct MotionFlagSet {
    bool HeldLeft;
    bool HeldRight;
    bool HeldLeftC;
    bool HeldRightC;
    bool HeldDown;
    bool HeldUp;
    bool HeldZooP;
    bool HeldZooM;
    bool HeldMovLeft;
    bool HeldMovRight;
    bool HeldMovUp;
    bool HeldMovDown;
};

// The viewer's plain data, everything but its controls. The viewer form derives from it, and
// the tube model builder and the tests work on it without a window.
struct TFrmSimPipeState {
    bool RotateDrag = false;
    bool PanDrag = false;
    std::int32_t RotateLastX = 0;
    std::int32_t RotateLastY = 0;
    std::int32_t PanLastX = 0;
    std::int32_t PanLastY = 0;
    DeviceContext ViewDC = nullptr;
    GLuint ListBase = 0;
    GLUquadric* Quadric = nullptr;
    float ViewScale = 0.0f;
    MotionFlagSet MotionFlags{};
    QFrame* HostPanel = nullptr; // not owned
    bool RebuildPending = false;
    bool PadVisible = false;
    bool SizeToggle = false;
    BendProgram ViewProgram{};
    std::int32_t HighlightStep = 0;
    // The straights and bends a machine check finds fault with, by row; drawn in amber.
    std::bitset<MaxBendSteps> FaultyStraights;
    std::bitset<MaxBendSteps> FaultyBends;
    // The straights and bends where a measured part strays past its tolerance, by row; drawn in
    // a violet of their own.
    std::bitset<MaxBendSteps> OutsideStraights;
    std::bitset<MaxBendSteps> OutsideBends;
    std::int32_t ToggledWidth = 0;
    std::int32_t ToggledHeight = 0;
    std::int32_t NormalWidth = 0;
    std::int32_t NormalHeight = 0;
};
