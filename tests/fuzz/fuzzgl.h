#pragma once

// One headless GL context (EGL, Mesa surfaceless, compatibility profile) per fuzzer process,
// current on the calling thread, drawing into a small colour and depth framebuffer object so
// that draw calls have somewhere to go. Aborts the process when no such context can be made:
// a fuzzer without its context would report nothing useful.
void FuzzMakeGLCurrent();

// Width and height of the framebuffer in pixels; small, because the fuzzers look at GL state and
// errors, not pixels, and every input is drawn.
inline constexpr int FuzzGLSize = 32;
