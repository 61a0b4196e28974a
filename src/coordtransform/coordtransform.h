#pragma once

// The view transform. The viewer turns and moves the tube about the fixed axes of the view (x
// right, y up, z towards the viewer); each step is multiplied onto the current GL matrix, so the
// view accumulates there. Alongside, the unit keeps the view's base axes in model coordinates,
// which is what a step about a fixed view axis needs to be expressed in the model's frame.
//
// The state is one per process and belongs to the thread that owns the current GL context.

// Operation codes for ApplyViewOp. Moves take model units, turns take degrees.
inline constexpr int ViewMoveX = 1;
inline constexpr int ViewMoveY = 2;
inline constexpr int ViewMoveZ = 3;
inline constexpr int ViewTurnX = 4;
inline constexpr int ViewTurnY = 5;
inline constexpr int ViewTurnZ = 6;
inline constexpr int ViewReset = 7;

inline constexpr double DegToRad = 0.017453292519943295;

// Applies one view operation to the current GL matrix and to the tracked axes:
// - a move translates by `amount` along a fixed view axis;
// - a turn rotates by `amount` degrees (right-handed) about a fixed view axis;
// - ViewReset makes the tracked axes the identity again, for when the caller has just reset the
//   GL matrix to its base view; it ignores `amount` and leaves the GL matrix as it is.
// Every call multiplies the GL matrix exactly once (by the identity unless it turns); any other
// code changes nothing else. Any amount is accepted; one that is not finite makes the axes
// meaningless until the next ViewReset.
void ApplyViewOp(int code, double amount);

// Rotation by `angleDegrees` about `axis` (right-handed), which should be of unit length; the
// formula does not normalise it.
void AxisAngleMatrix(double angleDegrees, const double axis[3], double out[3][3]);

// c = a * b. `c` must not be `a` or `b`.
void MatMul3(const double a[3][3], const double b[3][3], double c[3][3]);

// A copy of the tracked axes: column k is base axis k of the view in model coordinates, i.e. the
// transpose of the rotation accumulated in the GL matrix since the last ViewReset.
struct Matrix3 {
    double m[3][3];
};
Matrix3 CurrentViewAxes();
