// The settings reader on any file content: the program reads its two values, writes one
// back, and must neither crash nor lose the file's readability.
#include "tests/fuzz/FuzzMain.h"
#include "platform/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

namespace {

const QString kKey = QStringLiteral("SOFTWARE\\Brindlewood\\Quillmark");

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    StartFuzzApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // In memory when the system offers it: the store syncs and locks its file on every write.
    static QTemporaryDir folder(QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                                    ? QStringLiteral("/dev/shm/qm-fuzz-XXXXXX")
                                    : QDir::tempPath() + QStringLiteral("/qm-fuzz-XXXXXX"));
    const QString file = folder.path() + QStringLiteral("/registry.ini");
    {
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly))
            return 0;
        out.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    auto store = createIniSettingsStore(file);
    QString value;
    store->readString(kKey, QStringLiteral("PicFormatIdx"), value);
    store->readString(QStringLiteral("SOFTWARE\\Brindlewood"), QStringLiteral("Quillmark"), value);
    if (store->writeString(kKey, QStringLiteral("PicFormatIdx"), QStringLiteral("20"))) {
        QString back;
        if (!store->readString(kKey, QStringLiteral("PicFormatIdx"), back) ||
            back != QStringLiteral("20"))
            __builtin_trap(); // a write that reports success must read back
    }
    QFile::remove(file);
    QFile::remove(file + QStringLiteral(".damaged"));
    return 0;
}
