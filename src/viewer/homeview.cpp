#include "homeview.h"

#include "coordtransform.h"
#include "orbgl.h"
#include "tubemodel.h"
#include "tubewalk.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

using namespace tubrix;

namespace {

// The builder's end markers stand this far past each end of the tube, along its heading.
constexpr double EndMarkerLength = 1.0;

} // namespace

void TurnToHomeView() {
    ApplyViewOp(ViewTurnY, HomeTurnY);
    ApplyViewOp(ViewTurnX, HomeTurnX);
}

ViewFit FitView(const BendProgram& shown, int width, int height) {
    ViewFit fit;
    if (shown.StepCount < 2 || width < 1 || height < 1) {
        return fit;
    }
    const TubeWalk walk = WalkTube(shown);
    // The builder draws the walk moved so that the start of the split row is at its origin.
    const WalkFrame toModel =
        walk.Steps[static_cast<std::size_t>(std::clamp(SplitStep(shown), 0, shown.StepCount - 1))]
            .Start.Inverse();
    double view[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, view);
    // A view axis k, as a direction in walk coordinates, and the view's offset along it.
    const auto extent = [&](int k) {
        const Vec3 row{view[k], view[4 + k], view[8 + k]};
        const Vec3 inWalk{Dot(row, toModel.Direction({1, 0, 0})),
                          Dot(row, toModel.Direction({0, 1, 0})),
                          Dot(row, toModel.Direction({0, 0, 1}))};
        const double offset = Dot(row, toModel.Origin()) + view[12 + k];
        const TubeExtent e = ExtentAlong(walk, inWalk, shown.TubeDiameter * 0.5, EndMarkerLength);
        return TubeExtent{e.Low + offset, e.High + offset};
    };
    const TubeExtent x = extent(0), y = extent(1);
    const double aspect = static_cast<double>(width) / height;
    const double half = std::max((y.High - y.Low) * 0.5, (x.High - x.Low) * 0.5 / aspect);
    const double scale = half / FitShare;
    fit.MoveX = -(x.Low + x.High) * 0.5;
    fit.MoveY = -(y.Low + y.High) * 0.5;
    fit.Scale = static_cast<float>(std::clamp(scale, ShapeMinScale, ShapeMaxScale));
    fit.Valid = std::isfinite(scale) && std::isfinite(fit.MoveX) && std::isfinite(fit.MoveY);
    return fit;
}

void ApplyViewFit(const ViewFit& fit, int width, int height) {
    if (!fit.Valid) {
        return;
    }
    glPushMatrix();
    ReSizeWindows_wh(fit.Scale, width, height);
    glPopMatrix();
    ApplyViewOp(ViewMoveX, fit.MoveX);
    ApplyViewOp(ViewMoveY, fit.MoveY);
}
