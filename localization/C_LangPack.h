#pragma once

#include <QImage>
#include <QObject>
#include <QStringList>

#include <functional>

// The main window's language component. Language packs are not read yet: the first
// activation only marks the component started, and no language is applied, so every
// window keeps its built-in English texts.
class TLangList : public QObject {
    Q_OBJECT
    Q_PROPERTY(int LanguageIndex READ LanguageIndex)
    Q_PROPERTY(QString FilePrefix READ FilePrefix WRITE setFilePrefix)
    Q_PROPERTY(QString RegKey READ RegKey WRITE setRegKey)

public:
    explicit TLangList(QObject* parent = nullptr);

    int LanguageIndex() const { return m_languageIndex; }
    const QString& FilePrefix() const { return m_filePrefix; }
    void setFilePrefix(const QString& prefix) { m_filePrefix = prefix; }
    const QString& RegKey() const { return m_regKey; }
    void setRegKey(const QString& key) { m_regKey = key; }
    bool Started() const { return m_started; }
    void setLanguageIndex(int) {}
    bool BuildLanguageList() { return false; }
    QStringList LanguageItems() const { return {}; }
    int LanguageCodeAt(int) const { return 0; }
    bool LoadLanguagePicture(int, QImage& picture) {
        picture = QImage();
        return false;
    }
    QString CurrentLanguageName() const { return {}; }

    std::function<void()> AfterLanguageSwitch;

    // Runs once, on the application's first activation, before the main window's own
    // start-up sequence.
    void FirstActivation();

private:
    int m_languageIndex = 0;
    QString m_filePrefix;
    QString m_regKey = QStringLiteral("Software\\QTL\\Localization");
    bool m_started = false;
};
