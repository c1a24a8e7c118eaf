#include "picture/U_PageWrite.h"

#include "picture/U_PixelPath.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Rows shorter than this gain nothing from streaming.
constexpr size_t kStreamFrom = 256;

} // namespace

void PageCopy(void* destination, const void* source, size_t bytes) {
    auto* to = static_cast<unsigned char*>(destination);
    const auto* from = static_cast<const unsigned char*>(source);
#if defined(__SSE2__)
    if (bytes >= kStreamFrom && ActivePixelPath() >= PixelPath::Sse2) {
        const size_t head = (16 - reinterpret_cast<uintptr_t>(to) % 16) % 16;
        std::memcpy(to, from, head);
        size_t i = head;
        for (; i + 16 <= bytes; i += 16)
            _mm_stream_si128(reinterpret_cast<__m128i*>(to + i),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i)));
        std::memcpy(to + i, from + i, bytes - i);
        return;
    }
#endif
    std::memcpy(to, from, bytes);
}

void PageFill(uint32_t* destination, uint32_t value, size_t count) {
#if defined(__SSE2__)
    if (count * 4 >= kStreamFrom && reinterpret_cast<uintptr_t>(destination) % 4 == 0 &&
        ActivePixelPath() >= PixelPath::Sse2) {
        size_t i = 0;
        while (i < count && reinterpret_cast<uintptr_t>(destination + i) % 16)
            destination[i++] = value;
        const __m128i v = _mm_set1_epi32(int(value));
        for (; i + 4 <= count; i += 4)
            _mm_stream_si128(reinterpret_cast<__m128i*>(destination + i), v);
        std::fill(destination + i, destination + count, value);
        return;
    }
#endif
    std::fill(destination, destination + count, value);
}

void PageWritesDone() {
#if defined(__SSE2__)
    _mm_sfence();
#endif
}
