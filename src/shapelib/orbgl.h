#pragma once

#include <GL/gl.h>

#include <cstdint>

class QWindow;

// The viewer's drawing surface, as the viewer hands it to the library: a native GL window.
using DeviceContext = QWindow*;

// Gives a surface that is not created yet the pixel format the library's context needs. The
// viewer calls it before its GL window first appears.
void PrepareSurface(DeviceContext dc);

// Creates a double-buffered compatibility context with a depth buffer on the surface, with
// swap interval 0, makes it current and sets the library's fixed scene state. A context opened
// earlier is released first.
void OpenGLInit(DeviceContext dc);

// Releases the context that OpenGLInit created. Harmless when none is open.
void OpenGLClose();

// Whether a context opened by OpenGLInit is live (and current).
bool OpenGLIsOpen();

// Presents the back buffer of the surface. Does nothing without a context or while the surface
// is not exposed (a hidden or minimised window has nothing to present to).
void SwapBuffers(DeviceContext dc);

// The library's fixed state: depth test, lighting, material and background. OpenGLInit applies
// it; a context made elsewhere (a headless one) applies it to look the same.
void SetupSceneState();

// The builder's two display lists have fixed names, 1 and 2. Every other list is reserved by
// its owner here: `count` names from glGenLists that never include those two, whether the
// builder's lists exist at the moment or not. Needs a current context.
GLuint ReserveLists(GLsizei count);

// The scales the projection can show in single precision: outside them the orthographic box
// would overflow or collapse. A zoom that goes past them holds at the limit.
inline constexpr double ShapeMinScale = 1e-12;
inline constexpr double ShapeMaxScale = 1e30;

// Viewport on the whole window (device pixels) and an orthographic projection in which `scale`
// is half the visible height in model units; then the model-view matrix at the base view
// (x right, y up, z towards the viewer), left current. A scale that is 0, negative or not a
// number, and a window of no size, are accepted: the sign is dropped, a magnitude past the
// limits above is held at the limit, and 0 or not a number shows one unit.
void ReSizeWindows_wh(float scale, int width, int height);

// A partial torus: a tube of radius `tubeRadius` about the centre line
// (R cos t, -R sin t, 0), R = `bendRadius`, t from 0 to `sweepDegrees`, so it starts at (R, 0, 0)
// heading along -y. `sides` is the number of facets around the section and also the number of
// segments per quarter turn of the sweep, multiplied by `rings`. Sets the colour from the three
// signed-range bytes, leaves the matrix alone and issues only commands a display list records.
// At most one full turn is drawn; a sweep that is not above 0 (or not a number) draws nothing.
void fdoughnut(float tubeRadius, float bendRadius, int sides, int rings, float sweepDegrees,
               std::uint8_t red, std::uint8_t green, std::uint8_t blue);
