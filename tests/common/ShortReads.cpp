#include "tests/common/ShortReads.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <random>
#include <thread>

#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

std::atomic<bool> g_on = false;
std::atomic<int> g_pieces = 0;
std::mutex g_lock;
std::mt19937 g_random;

size_t piece(int fd, size_t size) {
    struct stat info {};
    if (!g_on || size <= 1 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return size;
    const std::lock_guard<std::mutex> hold(g_lock);
    std::this_thread::sleep_for(std::chrono::microseconds(g_random() % 500));
    ++g_pieces;
    return std::min(size, size_t(1 + g_random() % (size_t(1) << g_random() % 13)));
}

} // namespace

ShortReads::ShortReads(unsigned seed) {
    g_random.seed(seed);
    g_on = true;
}

ShortReads::~ShortReads() {
    g_on = false;
}

int ShortReads::Pieces() {
    return g_pieces;
}

// They take the place of the C library's in the whole test program.
extern "C" ssize_t read(int fd, void* buffer, size_t size) {
    return ::syscall(SYS_read, fd, buffer, piece(fd, size));
}

extern "C" ssize_t pread(int fd, void* buffer, size_t size, off_t offset) {
    return ::syscall(SYS_pread64, fd, buffer, piece(fd, size), offset);
}

extern "C" ssize_t pread64(int fd, void* buffer, size_t size, off64_t offset) {
    return ::syscall(SYS_pread64, fd, buffer, piece(fd, size), offset);
}
