#pragma once

// A GL context without a window, for pictures made where there is no display: EGL on Mesa's
// surfaceless platform, compatibility profile (display lists, GLU quadrics and feedback need
// it), drawing into a colour and depth framebuffer object of the given size, since without a
// surface the default framebuffer is incomplete and every draw would fail. The context is made
// once per process and left current on the calling thread; each call makes the framebuffer the
// given size (kept when the size is the same), so one process draws many pictures. Returns null
// on success, else what went wrong. Needs nothing of Qt.
const char* OpenGLInitOffscreen(int width, int height);

// The context alone, current, without a framebuffer: Mesa does not survive making a context
// when memory runs short, so a caller that is about to take much memory makes it first.
const char* OpenGLInitOffscreenContext();

// What OpenGLInitOffscreen returns when GL could not have the framebuffer's memory.
inline constexpr const char* OffscreenNoMemory = "not enough memory for the picture's framebuffer";
