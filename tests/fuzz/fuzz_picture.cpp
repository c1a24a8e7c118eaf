// The picture decoder on any bytes: a JPEG, or a Windows bitmap when they start with "BM".
// Damaged data must give an AppError, never a crash, a read outside the data or a leak.
#include "platform/AppError.h"
#include "tests/fuzz/FuzzMain.h"
#include "picture/U_PictureFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    StartFuzzApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const QImage picture = DecodePicture(bytes, QStringLiteral("fuzz.jpg"));
        if (picture.isNull() || picture.depth() != 32)
            __builtin_trap(); // success must mean a 32-bit picture
    } catch (const AppError&) {
    }
    return 0;
}
