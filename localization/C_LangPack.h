#pragma once

#include "localization/LangComponent.h"
#include "localization/Lang_File.h"

#include <QHash>
#include <QImage>
#include <QObject>
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

// The main window's language component `langue`: finds the packs beside the program, keeps
// the language list and the user's choice, and switches every window to a language.
class TLangList : public QObject {
    Q_OBJECT
    Q_PROPERTY(int LanguageIndex READ LanguageIndex WRITE SetLanguageIndex)
    Q_PROPERTY(QString FilePrefix READ FilePrefix WRITE setFilePrefix)
    Q_PROPERTY(QString SubDir READ SubDir WRITE setSubDir)
    Q_PROPERTY(QString RegKey READ RegKey WRITE setRegKey)
    Q_PROPERTY(bool Autoload READ Autoload WRITE setAutoload)
    Q_PROPERTY(bool CplCompatibility READ CplCompatibility WRITE setCplCompatibility)
    Q_PROPERTY(QStringList ExcludedComps READ ExcludedComps WRITE setExcludedComps)

public:
    struct Language {
        QString text;
        uint32_t code;
    };

    explicit TLangList(QObject* parent = nullptr);
    ~TLangList() override;

    // The platform seams, and the root of the component tree (the application's windows, or
    // with CplCompatibility the owner window; the caller decides which it hands in).
    void SetPlatform(LangPlatform platform) { m_platform = std::move(platform); }
    const LangPlatform& Platform() const { return m_platform; }
    void SetRoot(std::unique_ptr<ILangComponent> root);
    ILangComponent* Root() const { return m_root.get(); }

    int LanguageIndex() const { return m_languageIndex; }
    // Switches to the language at that index; raises AppError when its pack is unreadable
    // (revision above 4, bad picture).
    void SetLanguageIndex(int index);
    const QString& FilePrefix() const { return m_filePrefix; }
    void setFilePrefix(const QString& prefix) { m_filePrefix = prefix; }
    const QString& SubDir() const { return m_subDir; }
    void setSubDir(const QString& subDir) { m_subDir = subDir; }
    const QString& RegKey() const { return m_regKey; }
    void setRegKey(const QString& key) { m_regKey = key; }
    bool Autoload() const { return m_autoload; }
    void setAutoload(bool value) { m_autoload = value; }
    bool CplCompatibility() const { return m_cplCompatibility; }
    void setCplCompatibility(bool value) { m_cplCompatibility = value; }
    // Kept sorted without regard to case, duplicates dropped.
    const QStringList& ExcludedComps() const { return m_excluded; }
    void setExcludedComps(const QStringList& names);
    bool Started() const { return m_started; }

    // Asked before a switch: (sender, old code, new code, can change).
    std::function<void(TLangList*, uint32_t, uint32_t, bool&)> BeforeLanguageSwitch;
    // Told after a pack was applied.
    std::function<void()> AfterLanguageSwitch;

    bool BuildLanguageList();
    int LanguageCount() const { return int(m_languages.size()); }
    QStringList LanguageItems() const;
    uint32_t LanguageCodeAt(int index) const;
    bool LoadLanguagePicture(uint32_t code, QImage& bitmap) const;
    QString CurrentLanguageName() const;
    QString LanguageFolder() const;
    QString LanguageFileName(uint32_t code) const;
    bool RestoreLanguage();
    bool SaveLanguage();
    bool SelectByCode(uint32_t code);
    bool SelectByUserLanguage();
    // Writes the base file; returns its path. Raises AppError when it cannot be written.
    QString CreateBaseFile();

    // Runs once, on the application's first activation, before the main window's own
    // start-up sequence. An error here is shown once and the start goes on in English.
    void FirstActivation();

    TLanguageRecord& BaseRecord() { return *m_base; }
    TLanguageRecord& CurrentRecord() { return *m_current; }

protected:
    virtual bool BeforeSwitch(uint32_t oldCode, uint32_t newCode);
    virtual void AfterSwitch();

private:
    bool selectWhere(const std::function<bool(uint32_t)>& match);
    void report(const QString& message) const;

    LangPlatform m_platform;
    QStringList m_excluded;
    std::unique_ptr<ILangComponent> m_root;
    std::unique_ptr<TLanguageRecord> m_base;
    std::unique_ptr<TLanguageRecord> m_current;
    std::vector<Language> m_languages;
    int m_languageIndex = 0;
    QString m_filePrefix;
    QString m_subDir;
    QString m_regKey = QStringLiteral("Software\\QTL\\Localization");
    bool m_autoload = true;
    bool m_cplCompatibility = false;
    bool m_loaded = false;
    bool m_started = false;
};

// "-co" or "/co" in any case: the command-line switch that writes the base language file. A
// "/co..." that names an existing file is a path, not the switch.
bool IsBaseFileSwitch(const QString& argument);
