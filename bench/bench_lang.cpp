// Language packs: building the list of 20 packs and switching between two packs of 300
// entries, against reading the same files' bytes, measured in the same run. A switch should
// stay under 50 ms to feel instant.
#include "bench/BenchUtil.h"
#include "localization/C_LangPack.h"
#include "tests/common/LangTestComponents.h"
#include "localization/Lang_File.h"
#include "localization/Lang_Languages.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int kEntries = 300;
constexpr int kPacks = 20;

// A window of 300 controls, each with a caption, a hint and, every tenth, a list.
std::unique_ptr<TestNode> window() {
    auto app = std::make_unique<TestNode>();
    TestNode& main = app->Add(QStringLiteral("MainDlg"), true);
    main.font = LangFont{QStringLiteral("MS Sans Serif"), 8, 1};
    for (int i = 0; i < kEntries; ++i) {
        TestNode& c = main.Add(QStringLiteral("control%1").arg(i));
        c.texts = {{QStringLiteral("caption"), QStringLiteral("Caption %1").arg(i)},
                   {QStringLiteral("hint"), QStringLiteral("Hint %1").arg(i)}};
        c.ordinals[QStringLiteral("showhint")] = 1;
        c.font = LangFont{QStringLiteral("MS Sans Serif"), 8, 1};
        if (i % 10 == 0)
            c.lists[QStringLiteral("items")] = {QStringLiteral("a"), QStringLiteral("b"),
                                                QStringLiteral("c")};
    }
    return app;
}

void writePack(const QString& file, uint16_t id, const QString& word) {
    LangPack pack;
    pack.header.languageId = id;
    pack.header.listTitle = word;
    pack.header.languageName = word;
    pack.header.picture = QImage(24, 16, QImage::Format_RGB32);
    pack.header.picture.fill(Qt::blue);
    for (int i = 0; i < kEntries; ++i)
        pack.entries.push_back({QStringLiteral("MainDlg.control%1").arg(i), 0, 0, 0x21,
                                word + QString::number(i), 0x32, word, i % 10 ? 0 : 0x23,
                                i % 10 ? QStringList() : QStringList{word, word, word}});
    WriteLanguageFile(file, pack);
}

double readAllBytes(const QStringList& files) {
    return BestSeconds(
        [&] {
            for (const QString& f : files) {
                QFile file(f);
                if (file.open(QIODevice::ReadOnly))
                    file.readAll();
            }
        },
        20);
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    PinToOneCore();
    QTemporaryDir dir;
    QStringList files;
    const auto languages = ListedLanguages();
    for (int i = 0; i < kPacks; ++i) {
        const uint16_t id = languages[size_t(1 + i * 7)].id;
        files << dir.filePath(
            QStringLiteral("QKS_0000%1.SPK").arg(id, 4, 16, QLatin1Char('0')).toUpper());
        writePack(files.last(), id, QStringLiteral("Word%1").arg(i));
    }
    const std::unique_ptr<TestNode> components = window();
    TLangList langue;
    langue.setFilePrefix(QStringLiteral("QKS_"));
    langue.setAutoload(false);
    LangPlatform platform;
    platform.programFolder = dir.path() + QLatin1Char('/');
    langue.SetPlatform(platform);
    langue.SetRoot(ViewOf(*components));

    const double build = BestSeconds([&] { langue.BuildLanguageList(); }, 20);
    Report(QStringLiteral("language list, 20 packs"), build * 1e3, readAllBytes(files) * 1e3,
           QStringLiteral("ms"), QStringLiteral("reading the files"));

    int next = 0;
    const double swap = BestSeconds(
        [&] {
            langue.SetLanguageIndex(next);
            next = 1 - next;
        },
        20);
    Report(QStringLiteral("language switch, 300 entries (target < 50 ms)"), swap * 1e3,
           readAllBytes(files.mid(0, 1)) * 1e3, QStringLiteral("ms"),
           QStringLiteral("reading the pack file"));
    return 0;
}
