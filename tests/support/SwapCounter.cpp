// Preloaded into the real binary to log each presented frame's CLOCK_MONOTONIC time to $SWAP_LOG:
// Mesa's software GL puts every swapped frame into the window with XShmPutImage or XPutImage.

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

static void note()
{
    static std::FILE* log = std::getenv("SWAP_LOG") ? std::fopen(std::getenv("SWAP_LOG"), "w") : nullptr;
    if (!log)
        return;
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    std::fprintf(log, "%.6f\n", static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9);
    std::fflush(log);
}

// The X types only pass through, so plain pointers and integers of the same size stand in for them.
extern "C" int XShmPutImage(void* display, unsigned long drawable, void* gc, void* image, int srcX, int srcY,
                            int dstX, int dstY, unsigned width, unsigned height, int sendEvent)
{
    note();
    using F = int (*)(void*, unsigned long, void*, void*, int, int, int, int, unsigned, unsigned, int);
    static const F real = reinterpret_cast<F>(dlsym(RTLD_NEXT, "XShmPutImage"));
    return real(display, drawable, gc, image, srcX, srcY, dstX, dstY, width, height, sendEvent);
}

extern "C" int XPutImage(void* display, unsigned long drawable, void* gc, void* image, int srcX, int srcY, int dstX,
                         int dstY, unsigned width, unsigned height)
{
    note();
    using F = int (*)(void*, unsigned long, void*, void*, int, int, int, int, unsigned, unsigned);
    static const F real = reinterpret_cast<F>(dlsym(RTLD_NEXT, "XPutImage"));
    return real(display, drawable, gc, image, srcX, srcY, dstX, dstY, width, height);
}
