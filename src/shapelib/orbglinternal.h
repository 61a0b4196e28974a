#pragma once

// Device pixels per window pixel of the surface OpenGLInit opened (1 without one).
double SurfacePixelRatio();
