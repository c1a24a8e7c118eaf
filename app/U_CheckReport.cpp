#include "app/U_CheckReport.h"

#include "app/U_CheckList.h"
#include "localization/Lang_Reading.h"
#include "picture/U_JpegEncode.h"

#include <QBuffer>

namespace {

// The photo is embedded at a size a screen shows whole, as a good-quality JPEG.
constexpr int kPhotoHeight = 600;
constexpr int kPhotoQuality = 90;

QString escaped(const QString& text) {
    return text.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>"));
}

QString number(double value) {
    // As few decimals as the limit has, with the separator of the language shown.
    const QString plain = QString::number(value);
    const qsizetype point = plain.indexOf(QLatin1Char('.'));
    return LocalNumber(value, point < 0 ? 0 : int(plain.size() - point - 1));
}

} // namespace

QByteArray CheckReportHtml(const CheckReport& report, const TCheckList& list) {
    const auto t = [&list](const char* english) { return escaped(list.Text(english)); };
    QByteArray jpeg;
    if (!report.Photo.isNull()) {
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        const QImage shown =
            report.Photo.height() > kPhotoHeight
                ? report.Photo.scaledToHeight(kPhotoHeight, Qt::SmoothTransformation)
                : report.Photo;
        EncodeJpeg(shown.convertToFormat(QImage::Format_RGB32), buffer, kPhotoQuality);
    }
    QString html =
        QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>%1</title>\n"
                       "<style>body{font-family:sans-serif;margin:2em}"
                       "table{border-collapse:collapse}td,th{border:1px solid #999;padding:4px 8px;"
                       "text-align:left;vertical-align:top}.fails{color:#c62828}"
                       ".look{color:#b86e00}.passes{color:#1a8a3a}</style></head><body>\n"
                       "<h1>%1</h1>\n")
            .arg(t("Photo check"));
    if (!jpeg.isEmpty())
        html += QStringLiteral("<p><img alt=\"\" src=\"data:image/jpeg;base64,%1\"></p>\n")
                    .arg(QString::fromLatin1(jpeg.toBase64()));
    html +=
        QStringLiteral("<p><b>%1</b>: %2<br><b>%3</b>: %4<br><b>%5</b>: %6<br><b>%7</b>: %8</p>\n")
            .arg(t("Format"), escaped(report.Format), t("Norm"), escaped(report.NormSource),
                 t("Date"), escaped(report.Made.toString(QStringLiteral("yyyy-MM-dd HH:mm"))),
                 t("Head"), escaped(report.Verdict));
    html += QStringLiteral("<table><tr><th>%1</th><th>%2</th><th>%3</th><th>%4</th></tr>\n")
                .arg(t("Check"), t("Measured"), t("Threshold"), t("Result"));
    for (const CheckResult& r : report.Results) {
        const CheckLimit& limit = *r.Limit;
        const char* bounds = limit.Kind == LimitKind::Min ? "look at it below %1, fails below %2"
                                                          : "look at it beyond %1, fails beyond %2";
        const char* css = r.Mark == CheckMark::Passes     ? "passes"
                          : r.Mark == CheckMark::LookAtIt ? "look"
                                                          : "fails";
        QString result = escaped(list.MarkText(r.Mark));
        if (r.Mark != CheckMark::Passes)
            result += QStringLiteral(": ") + escaped(list.Problem(r)) + QStringLiteral(". ") +
                      escaped(list.Advice(r)) + QLatin1Char('.');
        html +=
            QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td class=\"%4\">%5</td></tr>\n")
                .arg(escaped(list.Name(r)), escaped(list.Measured(r)),
                     escaped((list.Text(bounds).arg(number(limit.Look), number(limit.Fail)) +
                              QLatin1Char(' ') + list.Unit(limit))
                                 .trimmed()),
                     QLatin1String(css), result);
    }
    html += QStringLiteral("</table>\n<p>%1</p>\n</body></html>\n").arg(t("Made with Quillmark"));
    return html.toUtf8();
}
