#pragma once

// Reading the command line.

#include <QString>
#include <QStringList>

// What the command line asks for. "-co" (the base language file) is the language
// component's own and is left to it.
struct CommandLine {
    bool help = false;    // --help, -h: print UsageText and end
    bool version = false; // --version: print VersionText and end
    QString picture;      // the picture to load, as given; empty for none
};

// arguments: everything after the program name.
CommandLine ParseCommandLine(const QStringList& arguments);

// IsBaseFileSwitch, except that a path that merely begins with "/co" (such as
// /code/me.jpg) is a switch only when no such file exists.
bool IsLanguageSwitch(const QString& argument);

QString UsageText();
QString VersionText(const QString& version);
