#pragma once

#include "centreline.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <span>

// Which piece of a tube the operator points at: the pieces' centre lines as the view shows
// them, measured against the pointer in window pixels. No GL: the view is handed in as a
// projection, so the rule can be checked with any projection one likes.

// A point as the view shows it: window pixels from the top left, and the depth (0 nearest the
// viewer, growing away from it).
struct WindowPoint {
    double X = 0;
    double Y = 0;
    double Depth = 0;
};

// How large the tube shows: its radius across the screen in pixels and along the view in depth
// units, and how many pixels beyond its outline a pointer still points at it.
struct TubeReach {
    double RadiusPixels = 0;
    double RadiusDepth = 0;
    double SlackPixels = 0;
};

// The index of the piece under the window pixel (x, y): of the pieces whose projected centre
// line passes within the tube's radius and the slack of it, the one whose surface there is
// nearest the viewer, as the depth test shows it; none when no piece passes so near. An arc is
// followed in steps of 3 degrees, a straight from end to end.
std::optional<std::size_t>
PieceUnderPointer(std::span<const tubrix::Piece> pieces,
                  const std::function<WindowPoint(tubrix::Vec3)>& project, double x, double y,
                  const TubeReach& reach);
