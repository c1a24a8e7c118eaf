// Builds the language packs from gettext catalogues:
//   spktool compile LANG.po OUT.SPK          a revision-4 pack from a translation
//   spktool pot QKS_ORIGINAL.SPK OUT.pot     the template from the base file ("-co")
//   spktool check LANG.po TEMPLATE.pot       unknown keys, lists of the wrong length
#include "platform/AppError.h"
#include "localization/Lang_File.h"
#include "localization/Lang_Storageobj.h"
#include "localization/tools/PoFile.h"
#include "localization/tools/SpkCompile.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextStream>

#include <cstdio>

namespace {

int fail(const QString& message) {
    std::fprintf(stderr, "spktool: %s\n", qPrintable(message));
    return 1;
}

int report(const QString& fileName, const QStringList& problems) {
    for (const QString& problem : problems)
        std::fprintf(stderr, "%s:%s\n", qPrintable(fileName),
                     qPrintable(problem.startsWith(QLatin1String("line "))
                                    ? problem.mid(5)
                                    : QLatin1Char(' ') + problem));
    return problems.isEmpty() ? 0 : 1;
}

bool readCatalogue(const QString& fileName, PoCatalogue& catalogue, QString& error) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1: %2").arg(fileName, file.errorString());
        return false;
    }
    if (!ParsePo(file.readAll(), catalogue, error)) {
        error = fileName + QLatin1Char(':') + error.mid(5);
        return false;
    }
    return true;
}

int compile(const QString& poName, const QString& spkName) {
    PoCatalogue po;
    QString error;
    if (!readCatalogue(poName, po, error))
        return fail(error);
    LangPack pack;
    const QStringList problems =
        PackFromPo(po, PackVersion(QStringLiteral(QM_PROGRAM_VERSION)), pack);
    if (!problems.isEmpty())
        return report(poName, problems);
    // The program lists a pack by the code in its file name, so the two must agree.
    static const QRegularExpression code(QStringLiteral("_[0-9A-Fa-f]{4}([0-9A-Fa-f]{4})\\.SPK$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch named = code.match(spkName);
    if (named.hasMatch() && named.captured(1).toUInt(nullptr, 16) != pack.header.languageId)
        return fail(QStringLiteral("%1 holds language %2 but %3 names language %4")
                        .arg(poName)
                        .arg(pack.header.languageId, 4, 16, QLatin1Char('0'))
                        .arg(spkName, named.captured(1)));
    try {
        WriteLanguageFile(spkName, pack);
    } catch (const AppError& e) {
        return fail(poName + QStringLiteral(": ") + e.message());
    }
    return 0;
}

int pot(const QString& spkName, const QString& potName) {
    std::optional<LangPack> base;
    try {
        base = ReadLanguageFile(spkName);
    } catch (const AppError& e) {
        return fail(spkName + QStringLiteral(": ") + e.message());
    }
    if (!base)
        return fail(QStringLiteral("%1 is not a language file").arg(spkName));
    if (base->header.revision < 1)
        return fail(
            QStringLiteral("%1 is a revision-0 file; a base file is revision 4").arg(spkName));
    QSaveFile file(potName);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(WritePo(TemplateFromPack(*base, QStringLiteral(QM_PROGRAM_VERSION)))) < 0 ||
        !file.commit())
        return fail(QStringLiteral("cannot write %1: %2").arg(potName, file.errorString()));
    return 0;
}

int check(const QString& poName, const QString& potName) {
    PoCatalogue po;
    PoCatalogue pot;
    QString error;
    if (!readCatalogue(poName, po, error) || !readCatalogue(potName, pot, error))
        return fail(error);
    return report(poName, CheckPo(po, pot));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args.at(1) == QLatin1String("compile"))
        return compile(args.at(2), args.at(3));
    if (args.size() == 4 && args.at(1) == QLatin1String("pot"))
        return pot(args.at(2), args.at(3));
    if (args.size() == 4 && args.at(1) == QLatin1String("check"))
        return check(args.at(2), args.at(3));
    std::fprintf(stderr, "usage: spktool compile LANG.po OUT.SPK\n"
                         "       spktool pot QKS_ORIGINAL.SPK OUT.pot\n"
                         "       spktool check LANG.po TEMPLATE.pot\n");
    return 2;
}
