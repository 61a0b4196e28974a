#include "fuzzgl.h"

#include "orbgloffscreen.h"

#include <cstdio>
#include <cstdlib>

void FuzzMakeGLCurrent() {
    // A fuzzer without its context would report nothing useful.
    if (const char* error = OpenGLInitOffscreen(FuzzGLSize, FuzzGLSize)) {
        std::fprintf(stderr, "fuzz GL setup: %s\n", error);
        std::abort();
    }
}
