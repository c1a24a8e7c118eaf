// The format-label reader on any text, and the sizes derived from what it accepts: no
// number it lets through may overflow when turned into millimetres or display pixels.
#include "platform/AppError.h"
#include "tests/fuzz/FuzzMain.h"
#include "app/U_Formats.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    StartFuzzApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString label = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    PhotoFormat format;
    try {
        if (ParseFormatLabel(label, format)) {
            const int width = EngineMillimetres(format.LabelWidth, format.IsMillimetres);
            const int height = EngineMillimetres(format.LabelHeight, format.IsMillimetres);
            if (width <= 0 || height <= 0 || DisplayHeight(format) <= 0)
                __builtin_trap(); // an accepted label is a real photo size
        }
    } catch (const AppError&) {
    }
    (void)ParseIndexSetting(label);
    return 0;
}
