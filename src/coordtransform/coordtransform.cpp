#include "coordtransform.h"

#include <GL/gl.h>

#include <cmath>

namespace {

// Column k is base axis k of the view in model coordinates. Only ViewReset sets it exactly; in
// between it follows the turns by multiplication alone, like the GL matrix it mirrors.
constinit double ViewAxes[3][3] = {{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}};

// The step handed to glMultMatrixd, column-major. Only the rotation block is ever written, so
// the translation and projective entries keep their identity values.
constinit double StepMatrix[16] = {1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0,
                                   0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 1.0};

void SetIdentity(double m[3][3]) {
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            m[r][c] = r == c ? 1.0 : 0.0;
        }
    }
}

// Base axis k of the view, in model coordinates, as the unit vector a turn needs. A turn about
// an axis whose length has drifted from 1 by rounding is no longer a rotation: it scales the
// axes by that drift, the next turn takes the scaled axis, and the error multiplies with every
// turn (a long diagonal drag ends in a NaN view). Dividing by the length keeps each step a
// rotation, so rounding only adds up. An exact unit axis (after a reset, or quarter turns) is
// left exactly as it is.
void ViewAxis(int k, double axis[3]) {
    for (int r = 0; r < 3; ++r) {
        axis[r] = ViewAxes[r][k];
    }
    const double length = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
    if (length > 0.0 && std::isfinite(length)) {
        for (int r = 0; r < 3; ++r) {
            axis[r] /= length;
        }
    }
}

// ViewAxes = r * ViewAxes, through a temporary because MatMul3 must not write its input.
void TurnViewAxes(const double r[3][3]) {
    double turned[3][3];
    MatMul3(r, ViewAxes, turned);
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            ViewAxes[i][j] = turned[i][j];
        }
    }
}

// GL wants the step column-major: element [r][c] goes to 4c + r.
void MultiplyGL(const double r[3][3]) {
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            StepMatrix[4 * j + i] = r[i][j];
        }
    }
    glMultMatrixd(StepMatrix);
}

// A move along view axis k is a move along its model-space image, since the translation is
// applied in the model's frame.
void MoveAlong(int k, double amount) {
    glTranslatef(static_cast<float>(amount * ViewAxes[0][k]),
                 static_cast<float>(amount * ViewAxes[1][k]),
                 static_cast<float>(amount * ViewAxes[2][k]));
}

} // namespace

void AxisAngleMatrix(double angleDegrees, const double axis[3], double out[3][3]) {
    const double phi = angleDegrees * DegToRad;
    const double c = std::cos(phi);
    const double s = std::sin(phi);
    const double t = 1.0 - c;
    const double x = axis[0];
    const double y = axis[1];
    const double z = axis[2];
    out[0][0] = c + x * x * t;
    out[0][1] = x * y * t - z * s;
    out[0][2] = x * z * t + y * s;
    out[1][0] = x * y * t + z * s;
    out[1][1] = c + y * y * t;
    out[1][2] = y * z * t - x * s;
    out[2][0] = x * z * t - y * s;
    out[2][1] = y * z * t + x * s;
    out[2][2] = c + z * z * t;
}

void MatMul3(const double a[3][3], const double b[3][3], double c[3][3]) {
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            c[i][j] = 0.0;
            for (int k = 0; k < 3; ++k) {
                c[i][j] += a[i][k] * b[k][j];
            }
        }
    }
}

void ApplyViewOp(int code, double amount) {
    const bool move = code >= ViewMoveX && code <= ViewMoveZ;
    const bool turn = code >= ViewTurnX && code <= ViewTurnZ;
    double step[3][3];
    double axis[3];
    SetIdentity(step);
    if (turn) {
        // The axes are the inverse of the GL rotation, so they turn the opposite way about the
        // same model-space axis; that keeps them the transpose of GL after the step below.
        ViewAxis(code - ViewTurnX, axis);
        AxisAngleMatrix(-amount, axis, step);
    }
    if (code == ViewReset) {
        SetIdentity(step);
        SetIdentity(ViewAxes);
    }
    TurnViewAxes(step);
    if (move) {
        MoveAlong(code - ViewMoveX, amount);
    }
    if (turn) {
        // The turned axes leave the turning axis where it was, up to rounding; taking it from
        // them keeps the GL step consistent with what the axes now say.
        ViewAxis(code - ViewTurnX, axis);
        AxisAngleMatrix(amount, axis, step);
    }
    MultiplyGL(step);
}

Matrix3 CurrentViewAxes() {
    Matrix3 copy;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            copy.m[r][c] = ViewAxes[r][c];
        }
    }
    return copy;
}
