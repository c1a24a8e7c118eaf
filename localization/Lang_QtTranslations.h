#pragma once

#include <QString>

#include <memory>

class QTranslator;

// Qt's locale name ("fr", "pt_BR", "zh_TW") for a Windows language identifier; empty for
// English and for identifiers it does not know.
QString QtLocaleName(int languageId);

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
