// Preloaded into a program by bench_heldpad: counts the program's buffer swaps in a file of
// eight bytes, shared, so that the frames a program presents can be read from outside it without
// a word from the program and without a system call per frame. The file is named by
// TUBRIX_SWAP_COUNTER; without it the swaps are only passed on. The same count for every
// program, whatever toolkit it is built on.
#include <GL/glx.h>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

std::atomic<std::uint64_t>* OpenCounter() {
    const char* path = std::getenv("TUBRIX_SWAP_COUNTER");
    if (!path) {
        return nullptr;
    }
    const int file = open(path, O_RDWR | O_CREAT, 0600);
    if (file < 0) {
        return nullptr;
    }
    void* shared = nullptr;
    if (ftruncate(file, sizeof(std::uint64_t)) == 0) {
        shared = mmap(nullptr, sizeof(std::uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, file, 0);
    }
    close(file);
    return shared == MAP_FAILED ? nullptr : static_cast<std::atomic<std::uint64_t>*>(shared);
}

} // namespace

extern "C" void glXSwapBuffers(Display* display, GLXDrawable drawable) {
    using Swap = void (*)(Display*, GLXDrawable);
    static const auto real = reinterpret_cast<Swap>(dlsym(RTLD_NEXT, "glXSwapBuffers"));
    static std::atomic<std::uint64_t>* const counter = OpenCounter();
    real(display, drawable);
    if (counter) {
        counter->fetch_add(1, std::memory_order_relaxed);
    }
}
