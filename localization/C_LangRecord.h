#pragma once

// One language pack in memory and what it needs: the system services handed to the engine,
// the live components by key, and the record that applies a pack or writes one.

#include "localization/LangComponent.h"
#include "localization/Lang_File.h"

#include <QHash>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class ISettingsStore;

// What the translation engine needs of the system, handed in so that tests can replace it.
// Every member may be left empty: the engine then does without.
struct LangPlatform {
    std::function<void()> beep;
    std::function<uint16_t()> userLanguage;  // Windows identifier; the locale when empty
    std::function<QString()> programVersion; // the program file's version text
    std::function<QString()> imeName;
    // The main window's font, the reference face of a switch; the root's font when empty.
    std::function<bool(LangFont&)> mainWindowFont;
    // The hint, icon and menu fonts' character set.
    std::function<void(int)> setScreenCharset;
    // The per-user data folder (ends in "/"), where the base file goes when the language
    // folder is write-protected.
    std::function<QString()> dataFolder;
    // The application's error display, and a plain notice.
    std::function<void(const QString&)> showError;
    std::function<void(const QString&)> showMessage;
    // A line for the program's log.
    std::function<void(const QString&)> log;
    ISettingsStore* settings = nullptr;
    QString programFolder; // ends in "/"
    QStringList arguments; // command-line arguments after the program name
};

// Components by key ("MainDlg.print_btn"), in collection order; keys compare without regard
// to case and the first equal key wins. Holds the component views it was given.
class TCollectedComponents {
public:
    void Add(const QString& key, ILangComponent* component);
    void Keep(std::unique_ptr<ILangComponent> view) { m_views.push_back(std::move(view)); }
    ILangComponent* Find(const QString& key) const { return m_byKey.value(key.toLower()); }
    const std::vector<std::pair<QString, ILangComponent*>>& Items() const { return m_items; }

private:
    std::vector<std::pair<QString, ILangComponent*>> m_items;
    QHash<QString, ILangComponent*> m_byKey;
    std::vector<std::unique_ptr<ILangComponent>> m_views;
};

// One language pack in memory: its header fields, and the operations that apply it to the
// live components or write the components' texts as a pack.
class TLanguageRecord {
public:
    TLanguageRecord(const QStringList& excluded, const LangPlatform& platform)
        : m_excluded(excluded), m_platform(platform) {}

    ILangComponent* Root = nullptr;
    LangHeader Header;

    int Revision() const { return Header.revision; }

    // Reads the file and applies it. False when it is missing, does not open or has fewer
    // than 6 records; raises AppError for a revision above 4 or a bad picture, before any
    // component has changed.
    bool ApplyFile(const QString& fileName);
    // Writes the base file from the header fields and the live components. Raises AppError
    // when the file cannot be written; an error on one component is reported and skipped.
    bool SaveToFile(const QString& fileName);
    void CollectComponents(const QString& prefix, TCollectedComponents& result,
                           ILangComponent& component) const;

    // The entries the writer makes of the live components (also for tests and tools).
    std::vector<LangEntry> ComponentEntries();

private:
    bool excluded(const QString& name) const;
    void applyRevisions1To4(const LangPack& pack);
    void applyRevision0(const LangPack& pack);

    const QStringList& m_excluded;
    const LangPlatform& m_platform;
};
