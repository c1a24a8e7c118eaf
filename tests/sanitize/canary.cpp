// Commits one fault of the kind named on the command line. The sanitizer build runs it for
// each kind and expects it to fail: proof that the options of the test preset turn every
// report into a failed test.
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    volatile int big = INT_MAX - 2 + argc; // INT_MAX, unknown to the optimiser
    if (std::strcmp(argv[1], "overflow") == 0)
        return big + 1 > 0 ? 0 : 0;
    if (std::strcmp(argv[1], "heap") == 0) {
        auto cells = std::make_unique<char[]>(8);
        volatile int at = 8 + argc - 2;
        return cells[size_t(at)];
    }
    if (std::strcmp(argv[1], "leak") == 0) {
        char* lost = new char[64];
        std::snprintf(lost, 64, "%d", big);
        lost = nullptr;
        return 0;
    }
    return 2;
}
