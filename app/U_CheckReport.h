#pragma once

// The check report: a page the user keeps or sends, with the framed photo, the framing's
// verdict and each check's value, limits and mark, in the language of the shown texts.

#include "picture/U_Checks.h"

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QString>

class TCheckList;

struct CheckReport {
    QImage Photo;       // the framed photo as shown
    QString Format;     // the format's label
    QString Verdict;    // the framing window's verdict, as it showed it
    QString NormSource; // where the norm's numbers come from
    QDateTime Made;
    std::vector<CheckResult> Results;
};

// A self-contained HTML page (the photo embedded), UTF-8; texts translated through list.
QByteArray CheckReportHtml(const CheckReport& report, const TCheckList& list);
