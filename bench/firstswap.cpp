// Preloaded into a window program by bench_startup: says "first frame" on standard error once
// the program's first buffer swap has returned, the moment its first frame is on screen. The
// same mark for every program, whatever toolkit it is built on.
#include <GL/glx.h>
#include <dlfcn.h>
#include <unistd.h>

extern "C" void glXSwapBuffers(Display* display, GLXDrawable drawable) {
    using Swap = void (*)(Display*, GLXDrawable);
    static const auto real = reinterpret_cast<Swap>(dlsym(RTLD_NEXT, "glXSwapBuffers"));
    static bool told = false;
    real(display, drawable);
    if (!told) {
        told = true;
        static const char mark[] = "first frame\n";
        [[maybe_unused]] const auto written = write(STDERR_FILENO, mark, sizeof mark - 1);
    }
}
