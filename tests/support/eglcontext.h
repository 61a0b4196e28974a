#pragma once

// Makes one headless GL context current on the calling thread: EGL on Mesa's surfaceless
// platform, compatibility profile (display lists, GLU quadrics and feedback need it), drawing
// into a colour and depth framebuffer object of the given size, since without a surface the
// default framebuffer is incomplete and every draw would fail. Returns null on success, else
// what went wrong. Needs no test framework, so the fuzzers share it with the tests.
const char* MakeHeadlessGLCurrent(int width, int height);
