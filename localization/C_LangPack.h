#pragma once

// The language component: finds the packs, keeps the choice, switches every window.

#include "localization/C_LangRecord.h"

#include <QImage>
#include <QObject>
#include <QSet>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class ISettingsStore;

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
    bool BuildLanguageList();
    int LanguageCount() const { return int(m_languages.size()); }
    QStringList LanguageItems() const;
    uint32_t LanguageCodeAt(int index) const;
    bool LoadLanguagePicture(uint32_t code, QImage& bitmap) const;
    QString CurrentLanguageName() const;
    QString LanguageFolder() const;
    // The pack's file in the language folder: prefix, eight hexadecimal digits and ".spk",
    // found without regard to case; the upper-case name when there is none.
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

signals:
    // A pack was applied. Receivers are told in the order they connected: the window that
    // owns the list first, then a chooser that shows it.
    void languageSwitched();

protected:
    virtual bool BeforeSwitch(uint32_t oldCode, uint32_t newCode);
    virtual void AfterSwitch();

private:
    bool selectWhere(const std::function<bool(uint32_t)>& match);
    void report(const QString& message) const;
    // The folder's file names by their upper-case form; of names that differ only in case,
    // the first in code-point order is kept and the others are noted in aside.
    QHash<QString, QString> packFiles(const QString& folder, QStringList* aside = nullptr) const;

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
    QSet<QString> m_toldAside;
};

// "-co" or "/co" in any case: the command-line switch that writes the base language file. A
// "/co..." that names an existing file is a path, not the switch.
bool IsBaseFileSwitch(const QString& argument);
