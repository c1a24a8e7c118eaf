#pragma once

// Qt's own translations (dialog buttons) in the chosen language.

#include <QStringList>

#include <memory>

class QTranslator;

// The names of Qt's translation files for a Windows language identifier, best first
// ("qtbase_fr_FR.qm", "qtbase_fr.qm"); none for English and for unknown identifiers.
QStringList QtTranslationFiles(int languageId);

// Qt's own texts (standard buttons, file and print dialogs) in the applied pack's language,
// from the translations Qt ships.
class TQtTranslations {
public:
    explicit TQtTranslations(QString folder);
    ~TQtTranslations();

    // Takes out the previous translation and puts in the one for this language, when Qt
    // ships it. Returns the file loaded, or an empty text.
    QString Apply(int languageId);

private:
    QString m_folder;
    std::unique_ptr<QTranslator> m_translator;
};
