#include "piecepick.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

using namespace tubrix;

namespace {

constexpr double ArcStep = std::numbers::pi / 60; // 3 degrees: well under a pixel of sagitta
constexpr int MostSteps = 120;                    // a whole turn

// Where a piece passes nearest the pointer on screen, and the depth of its centre line there.
struct Pass {
    double Distance = std::numeric_limits<double>::infinity();
    double Depth = 0;
    double Along = 0; // from 0 at the segment's first point to 1 at its last
};

// The nearest approach of the screen segment from a to b to (x, y), with the depth there; the
// projection is affine along a segment, so the depth is too.
Pass SegmentPass(const WindowPoint& a, const WindowPoint& b, double x, double y) {
    const double dx = b.X - a.X, dy = b.Y - a.Y;
    const double span = dx * dx + dy * dy;
    const double t =
        span > 0 ? std::clamp(((x - a.X) * dx + (y - a.Y) * dy) / span, 0.0, 1.0) : 0.0;
    return {std::hypot(a.X + t * dx - x, a.Y + t * dy - y), a.Depth + t * (b.Depth - a.Depth), t};
}

} // namespace

std::optional<std::size_t> PieceUnderPointer(std::span<const Piece> pieces,
                                             const std::function<WindowPoint(Vec3)>& project,
                                             double x, double y, const TubeReach& reach) {
    const double within = reach.RadiusPixels + reach.SlackPixels;
    std::optional<std::size_t> best;
    double bestFront = std::numeric_limits<double>::infinity();
    double bestDistance = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const Piece& piece = pieces[i];
        if (!IsFinite(piece) || !(piece.Length > 0)) {
            continue;
        }
        const double turn = piece.IsArc() && piece.Radius > 0 ? piece.Length / piece.Radius : 0;
        // At most a whole turn, as the builder draws; a turn past any count is a whole one.
        const double wanted = std::ceil(turn / ArcStep);
        const int steps = wanted < MostSteps ? std::max(1, static_cast<int>(wanted)) : MostSteps;
        WindowPoint from = project(piece.At(0));
        for (int k = 1; k <= steps; ++k) {
            const WindowPoint to = project(piece.At(piece.Length * k / steps));
            const Pass pass = SegmentPass(from, to, x, y);
            from = to;
            if (!(pass.Distance <= within)) {
                continue;
            }
            // The tube's surface faces the viewer nearer than its centre line by as much as
            // the section's half chord at that distance from the line: what the depth test keeps.
            // Past the piece's end the piece has no surface; the next one goes on there.
            const bool past = (k == 1 && pass.Along <= 0) || (k == steps && pass.Along >= 1);
            const double across = reach.RadiusPixels > 0 && !past
                                      ? std::min(pass.Distance / reach.RadiusPixels, 1.0)
                                      : 1.0;
            const double front = pass.Depth - reach.RadiusDepth * std::sqrt(1 - across * across);
            if (front < bestFront || (front == bestFront && pass.Distance < bestDistance)) {
                bestFront = front;
                bestDistance = pass.Distance;
                best = i;
            }
        }
    }
    return best;
}
