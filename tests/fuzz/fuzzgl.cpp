#include "fuzzgl.h"

#include "eglcontext.h"

#include <cstdio>
#include <cstdlib>

void FuzzMakeGLCurrent() {
    // A fuzzer without its context would report nothing useful.
    if (const char* error = MakeHeadlessGLCurrent(FuzzGLSize, FuzzGLSize)) {
        std::fprintf(stderr, "fuzz GL setup: %s\n", error);
        std::abort();
    }
}
