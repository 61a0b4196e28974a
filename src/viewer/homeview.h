#pragma once

#include "bendprogram.h"

// The view the viewer and its pictures start from, and the framing of the whole part.

// After the view's reset, the home view turns the part as a drag would: about the view's y
// axis, then about its x axis, so that the view looks at the origin from above, in front and to
// the right, along (1, 1, 1) of the model. No axis of the model then lies along the line of
// sight, and a straight along any axis is seen as a straight, not end-on as a disc.
inline constexpr double HomeTurnY = -45.0;
inline constexpr double HomeTurnX = 35.264389682754654; // atan(1 / sqrt 2), in degrees

// The two turns, on top of a view just reset (ReSizeWindows_wh, then ViewReset).
void TurnToHomeView();

// How to frame the part at the view's present orientation: the scale that makes its box fill
// FitShare of the picture's width or height, whichever binds, and the moves along the view's x
// and y axes that centre the box. Not Valid when there is nothing drawn to frame.
inline constexpr double FitShare = 0.9;
struct ViewFit {
    bool Valid = false;
    float Scale = 0;
    double MoveX = 0;
    double MoveY = 0;
};

// The fit of the tube the builder draws from `shown` (its B already as drawn: mirrored when the
// part is), from the current model-view matrix, for a window of `width` x `height` pixels.
ViewFit FitView(const BendProgram& shown, int width, int height);

// Applies a fit: the projection at the fit's scale, keeping the orientation, then the moves.
void ApplyViewFit(const ViewFit& fit, int width, int height);
