#include "picture/U_PixelPath.h"

#include <algorithm>

namespace {

PixelPath detect() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init(); // may not have run yet during static initialisation
    if (__builtin_cpu_supports("avx2"))
        return PixelPath::Avx2;
#endif
#if defined(__SSE2__)
    return PixelPath::Sse2;
#else
    return PixelPath::Scalar;
#endif
}

PixelPath& forced() {
    static PixelPath path = BestPixelPath();
    return path;
}

} // namespace

PixelPath BestPixelPath() {
    static const PixelPath best = detect();
    return best;
}

PixelPath ActivePixelPath() {
    return forced();
}

PixelPath ForcePixelPath(PixelPath path) {
    forced() = std::min(path, BestPixelPath());
    return forced();
}

void ResetPixelPath() {
    forced() = BestPixelPath();
}
