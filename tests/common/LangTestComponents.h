#pragma once

// Plain components for the translation engine's tests, and packs written byte by byte
// without the code under test.
#include "localization/LangComponent.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <optional>
#include <vector>

struct TestNode {
    QString name;
    bool window = false;
    std::map<QString, QString> texts;     // "caption", "text", "hint" (lower case)
    std::map<QString, int> ordinals;      // "showhint", "itemindex", "alignment", "layout"
    std::map<QString, QStringList> lists; // "items", "lines"
    std::optional<LangFont> font;
    std::vector<std::unique_ptr<TestNode>> owned;

    TestNode& Add(const QString& childName, bool isWindow = false);
};

std::unique_ptr<ILangComponent> ViewOf(TestNode& node);

// A record store file assembled by hand: signature, count, then each record framed.
struct RawRecord {
    int32_t tag;
    QByteArray data;
};
QByteArray RawInt(int32_t value);
QByteArray RawStore(const QByteArray& signature, int32_t count,
                    const std::vector<RawRecord>& records);
// The header records of a language file of the given revision (14 for revision 4).
std::vector<RawRecord> RawHeader(int revision, uint16_t languageId, int charset,
                                 const QByteArray& title = "Title",
                                 const QByteArray& detail = "Detail");

// Small sound packs of every revision, named like pack files: the fuzzer's seeds.
std::vector<std::pair<QString, QByteArray>> SeedPacks();
// The component tree the seed packs translate: an application with one window.
std::unique_ptr<TestNode> SeedComponents();
