#include "app/U_CommandLine.h"

#include "localization/C_LangPack.h"

#include <QFileInfo>

CommandLine ParseCommandLine(const QStringList& arguments) {
    CommandLine line;
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h"))
            line.help = true;
        else if (argument == QLatin1String("--version"))
            line.version = true;
        else if (line.picture.isEmpty() && !argument.isEmpty() &&
                 !argument.startsWith(QLatin1Char('-')) && !IsLanguageSwitch(argument))
            line.picture = argument;
    }
    return line;
}

bool IsLanguageSwitch(const QString& argument) {
    return IsBaseFileSwitch(argument);
}

QString UsageText() {
    return QStringLiteral(
        "Usage: quillmark [PICTURE]\n"
        "       quillmark -co\n"
        "\n"
        "Prints identity photos in the official format of a country.\n"
        "\n"
        "  PICTURE     a JPEG picture to load once the window is up; when Quillmark is\n"
        "              already running, it loads the picture and raises its window\n"
        "  -co         write the base language file QKS_ORIGINAL.SPK for translators\n"
        "  -h, --help  print this text and exit\n"
        "  --version   print the version and exit\n");
}

QString VersionText(const QString& version) {
    return QStringLiteral("Quillmark %1\n").arg(version);
}
