#pragma once

// Reading the command line.

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// What the command line asks for. "-co" (the base language file) is the language
// component's own and is left to it.
struct CommandLine {
    bool help = false;    // --help, -h: print UsageText and end
    bool version = false; // --version: print VersionText and end
    QString picture;      // the picture to load, as given; empty for none
    QStringList pictures; // every picture named, for --check
    // --check PICTURE [--format INDEX]: measure the head without a window.
    bool check = false;
    int checkFormat = -1; // -1: the saved format (for --frame as well)
    // --frame PICTURE --format INDEX [--background KEY] OUTPUT: write the framed picture.
    bool frame = false;
    QString output;
    QString background; // a BackdropKey; empty: the remembered choice
    QString error;        // what was wrong with the arguments; empty when they read well
    QString unknown;      // the first option that is neither ours nor the toolkit's
};

// What the program does before its window: print the usage or the version and end (0),
// refuse arguments of --check that do not read well (kCheckUsage), or refuse an unknown
// option with the usage on standard error (2). Empty: go on.
struct EarlyAnswer {
    int status = 0;
    QString out;
    QString err;
};
std::optional<EarlyAnswer> AnswerEarly(const CommandLine& line, const QString& version);

// arguments: everything after the program name.
CommandLine ParseCommandLine(const QStringList& arguments);

// IsBaseFileSwitch, except that a path that merely begins with "/co" (such as
// /code/me.jpg) is a switch only when no such file exists.
bool IsLanguageSwitch(const QString& argument);

QString UsageText();

// Exit statuses of --check.
enum CheckStatus {
    kCheckWithin = 0,
    kCheckOutside = 1,
    kCheckNoFace = 2,
    kCheckUnreadable = 3,
    kCheckUsage = 4
};

class QTextStream;
// Finds the face in each picture and measures the head as it prints stretched to the format
// (catalogue index), with the predictor read once from predictorFile; writes one block of
// "key: value" lines per picture to out, a blank line between blocks, and returns the worst
// (highest) exit status.
int RunCheck(const QStringList& pictures, int formatIndex, const QString& predictorFile,
             QTextStream& out);
QString VersionText(const QString& version);

// The counter's checks of the face in frame (picture pixels) printed as photoMm: one
// "key: value" a line and "checks_failed:"; false when one failed. pixelScale: full-size
// pixels per pixel of a reduced picture.
bool WriteChecks(QTextStream& out, const QImage& picture, const std::array<QPointF, 68>& landmarks,
                 const QRectF& frame, const QSizeF& photoMm, const QPointF& crown,
                 double pixelScale = 1);
