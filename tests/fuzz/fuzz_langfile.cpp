// libFuzzer entry point: any bytes as a language pack, through the record store's walks and
// the pack reader applied to a few plain components. Built with the test helpers in
// tests/localization (LangTestComponents.cpp), which also make the seed packs (SeedPacks()).
#include "platform/AppError.h"
#include "localization/C_LangPack.h"
#include "tests/common/LangTestComponents.h"
#include "localization/Lang_Storageobj.h"

#include <QDir>
#include <QFile>

#include <cstddef>
#include <cstdint>
#include <unistd.h>

namespace {

QString scratchFile() {
    static const QString path =
        QDir::tempPath() + QStringLiteral("/fuzz_langfile_%1.SPK").arg(::getpid());
    return path;
}

void walkStore(const QString& path) {
    TStorefile store;
    store.Signature = kLanguageSignature;
    store.SetReadOnly(true);
    store.Filename = path;
    store.Open();
    QByteArray data;
    while (!store.Eof()) {
        int size = -1;
        store.ReadData(data, size, false);
        if (!store.Next())
            break;
    }
    if (store.Last())
        while (store.Prior()) {
        }
    store.MoveTo(store.RecordCount() / 2);
    store.MoveTo(store.RecordCount() - 1);
    int size = store.DataSize();
    store.ReadData(data, size, true);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t length) {
    const QString path = scratchFile();
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(bytes), qint64(length));
    }
    walkStore(path);

    const std::unique_ptr<TestNode> components = SeedComponents();
    QStringList excluded{QStringLiteral("main_ts")};
    LangPlatform platform;
    TLanguageRecord record(excluded, platform);
    const std::unique_ptr<ILangComponent> root = ViewOf(*components);
    record.Root = root.get();
    try {
        record.ApplyFile(path);
    } catch (const AppError&) {
        // Refusing a pack with a message is the expected outcome for most inputs.
    }
    return 0;
}
