#pragma once

// A GL context without a window, for pictures made where there is no display: EGL on Mesa's
// surfaceless platform, compatibility profile (display lists, GLU quadrics and feedback need
// it), drawing into a colour and depth framebuffer object of the given size, since without a
// surface the default framebuffer is incomplete and every draw would fail. Made once per
// process and left current on the calling thread; later calls return the first call's result.
// Returns null on success, else what went wrong. Needs nothing of Qt.
const char* OpenGLInitOffscreen(int width, int height);
