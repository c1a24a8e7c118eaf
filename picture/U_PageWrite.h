#pragma once

// Copying photo cells onto a page in pixels, on every pixel path.

#include <cstddef>
#include <cstdint>

// Writing the page image: it is far larger than the caches and nothing reads it back soon,
// so the bulk of each row goes out with non-temporal stores, which skip reading the
// destination into the cache first. Call PageWritesDone once after a series of writes.
void PageCopy(void* destination, const void* source, size_t bytes);
void PageFill(uint32_t* destination, uint32_t value, size_t count);
void PageWritesDone();
