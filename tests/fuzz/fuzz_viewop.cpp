// Runs arbitrary sequences of view operations, as the pad, the keys and mouse drags issue them,
// and checks that GL reports no error, that codes outside 1..7 and moves leave the tracked axes
// alone, and that ViewReset always brings the axes back to exactly the identity whatever came
// before, NaN and infinities included. With TUBRIX_FUZZ_CHECK_AXES set in the environment it
// also checks that finite turns keep the axes orthonormal and the transpose of GL's rotation.
//
// Input: a sequence of operations, each a code byte and an amount as FuzzInput reads it. Code
// bytes below 240 give (byte % 12) - 2, so -2..9 with the seven real codes and their
// neighbours; the rest give codes far out of range.
#include "fuzzcheck.h"
#include "fuzzgl.h"
#include "fuzzinput.h"

#include "coordtransform.h"

#include <GL/gl.h>

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace {

int CodeFrom(std::uint8_t b) {
    if (b < 240) {
        return b % 12 - 2;
    }
    constexpr int odd[] = {std::numeric_limits<int>::min(),
                           std::numeric_limits<int>::max(),
                           -1000,
                           1000,
                           0x10000 + ViewTurnX,
                           -ViewTurnZ,
                           64,
                           255};
    return odd[(b - 240) % (sizeof odd / sizeof odd[0])];
}

bool AllFinite(const Matrix3& a) {
    for (const auto& row : a.m) {
        for (double v : row) {
            if (!std::isfinite(v)) {
                return false;
            }
        }
    }
    return true;
}

bool Equal(const Matrix3& a, const Matrix3& b) {
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            if (!(a.m[r][c] == b.m[r][c])) {
                return false;
            }
        }
    }
    return true;
}

bool IsExactIdentity(const Matrix3& a) {
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            // Bit for bit: a -0.0 would already say that something was multiplied in.
            const double expected = r == c ? 1.0 : 0.0;
            if (std::bit_cast<std::uint64_t>(a.m[r][c]) != std::bit_cast<std::uint64_t>(expected)) {
                return false;
            }
        }
    }
    return true;
}

// Largest deviation of the axes from an orthonormal set: |A^T A - I| entry by entry, NaN when
// any entry is not a number.
double OrthonormalityError(const Matrix3& a) {
    double worst = 0.0;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            double dot = 0.0;
            for (int r = 0; r < 3; ++r) {
                dot += a.m[r][i] * a.m[r][j];
            }
            const double error = std::fabs(dot - (i == j ? 1.0 : 0.0));
            if (!(error <= worst)) {
                worst = error;
            }
        }
    }
    return worst;
}

// Rounding alone moves a product of a few thousand rotations by about 1e-13; anything near this
// means the error grows with every turn instead of adding up.
constexpr double AxesTolerance = 1e-9;
// The GL matrix is kept in single precision.
constexpr double GLTolerance = 1e-3;
// Moves up to this keep every translation a few thousand of them can add up within float.
constexpr double MaxGLMove = 1e30;

// Off unless TUBRIX_FUZZ_CHECK_AXES is set: the tracked axes stop being orthonormal after
// repeated turns (a half turn multiplies the error by five), and until that is fixed this check
// fails within seconds and would hide every other finding.
bool CheckAxes = false;

// Whether the rotation block of the model-view matrix is the transpose of the axes, as it must
// be when both started from the identity.
bool GLMatchesAxes(const Matrix3& a) {
    GLdouble m[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, m);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            // Column-major: GL row r, column c is m[4c + r], and must equal axes[c][r].
            if (!(std::fabs(m[4 * c + r] - a.m[c][r]) <= GLTolerance)) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzMakeGLCurrent();
    CheckAxes = std::getenv("TUBRIX_FUZZ_CHECK_AXES") != nullptr;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (glGetError() != GL_NO_ERROR) {
        FuzzFail("a GL error was pending before the sequence");
    }
    // The viewer's home view: the base matrix and the axes reset together.
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    ApplyViewOp(ViewReset, 1.0);

    FuzzInput in(data, size);
    // Whether every turn since the last ViewReset was by a finite amount, so the axes must still
    // be a rotation; and whether that reset is the one above, so GL started from the identity,
    // and GL's matrix has stayed finite since.
    bool finiteTurns = true;
    bool resetWithGL = true;
    while (!in.AtEnd()) {
        const int code = CodeFrom(in.Byte());
        const double amount = in.Number();
        const Matrix3 before = CurrentViewAxes();
        ApplyViewOp(code, amount);
        const Matrix3 after = CurrentViewAxes();
        const bool turn = code >= ViewTurnX && code <= ViewTurnZ;
        if (code == ViewReset) {
            if (!IsExactIdentity(after)) {
                FuzzFail("ViewReset did not make the axes exactly the identity");
            }
            finiteTurns = true;
            resetWithGL = false;
        } else if (!turn && AllFinite(before) && !Equal(before, after)) {
            FuzzFail("a move or an unknown code changed the tracked axes");
        }
        if (turn && !std::isfinite(amount)) {
            finiteTurns = false;
        }
        // A move beyond float's range puts an infinity into GL's translation, and the next turn
        // multiplies it by zero into the rotation block.
        const bool move = code >= ViewMoveX && code <= ViewMoveZ;
        if (move && !(std::fabs(amount) <= MaxGLMove)) {
            resetWithGL = false;
        }
        if (CheckAxes && finiteTurns && !(OrthonormalityError(after) <= AxesTolerance)) {
            FuzzFail("turns by finite amounts left the axes no longer orthonormal");
        }
    }
    if (CheckAxes && finiteTurns && resetWithGL && !GLMatchesAxes(CurrentViewAxes())) {
        FuzzFail("the GL rotation is not the transpose of the tracked axes");
    }
    if (glGetError() != GL_NO_ERROR) {
        FuzzFail("GL error after the view operations");
    }
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    if (depth != 1) {
        FuzzFail("the view operations changed the matrix stack depth");
    }

    ApplyViewOp(ViewReset, 1.0);
    if (!IsExactIdentity(CurrentViewAxes())) {
        FuzzFail("ViewReset after the sequence did not make the axes exactly the identity");
    }
    if (glGetError() != GL_NO_ERROR) {
        FuzzFail("GL error after ViewReset");
    }
    return 0;
}
