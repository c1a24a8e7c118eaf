// Writes the language-pack target's seeds into the folder given: the small packs of every
// revision that the language tests also read.
#include "LangTestComponents.h"

#include <QDir>
#include <QFile>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds_lang <folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    bool ok = QDir().mkpath(folder);
    for (const auto& [name, bytes] : SeedPacks()) {
        QFile file(folder + QLatin1Char('/') + name);
        ok &= file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }
    if (!ok)
        std::fprintf(stderr, "fuzz_seeds_lang: could not write the seeds into %s\n", argv[1]);
    return ok ? 0 : 1;
}
