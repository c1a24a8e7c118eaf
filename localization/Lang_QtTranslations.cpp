#include "localization/Lang_QtTranslations.h"

#include "localization/Lang_Languages.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTranslator>

QStringList QtTranslationFiles(int languageId) {
    QString locale = LocaleForLangId(uint16_t(languageId));
    locale = locale.left(locale.indexOf(QLatin1Char('@')));
    const QString language = locale.left(locale.indexOf(QLatin1Char('_')));
    // Qt's texts are English already.
    if (language.isEmpty() || language == QLatin1String("en"))
        return {};
    QStringList files{QStringLiteral("qtbase_") + locale + QStringLiteral(".qm")};
    if (language != locale)
        files << QStringLiteral("qtbase_") + language + QStringLiteral(".qm");
    return files;
}

TQtTranslations::TQtTranslations(QString folder) : m_folder(std::move(folder)) {}

TQtTranslations::~TQtTranslations() {
    if (m_translator)
        QCoreApplication::removeTranslator(m_translator.get());
}

QString TQtTranslations::Apply(int languageId) {
    if (m_translator) {
        QCoreApplication::removeTranslator(m_translator.get());
        m_translator.reset();
    }
    for (const QString& name : QtTranslationFiles(languageId)) {
        const QString file = m_folder + QLatin1Char('/') + name;
        auto translator = std::make_unique<QTranslator>();
        if (!QFileInfo::exists(file) || !translator->load(file))
            continue;
        QCoreApplication::installTranslator(translator.get());
        m_translator = std::move(translator);
        return file;
    }
    return {};
}
