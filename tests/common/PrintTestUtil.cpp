#include "tests/common/PrintTestUtil.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>

QByteArray RunTool(const QString& program, const QStringList& arguments, bool* ok) {
    QProcess process;
    process.start(program, arguments);
    const bool finished = process.waitForFinished(120000);
    const bool good =
        finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (ok)
        *ok = good;
    return good ? process.readAllStandardOutput() : QByteArray();
}

QString CupsTestDir() {
    const QString dir = qEnvironmentVariable("QM_CUPS_TEST_DIR");
    return !dir.isEmpty() && QFileInfo::exists(dir + QStringLiteral("/cups.sock")) ? dir
                                                                                   : QString();
}

bool AddDiscardingQueue(const QString& queue) {
    bool ok = false;
    RunTool(QStringLiteral("lpadmin"),
            {QStringLiteral("-p"), queue, QStringLiteral("-E"), QStringLiteral("-v"),
             QStringLiteral("file:///dev/null"), QStringLiteral("-P"),
             CupsTestDir() + QStringLiteral("/ppd/qm-a4-600.ppd")},
            &ok);
    return ok;
}

std::vector<PdfImageInfo> ListPdfImages(const QString& pdf) {
    std::vector<PdfImageInfo> images;
    const QList<QByteArray> lines =
        RunTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}).split('\n');
    // page num type width height color comp bpc enc interp object ID x-ppi y-ppi size ratio
    for (qsizetype i = 2; i < lines.size(); ++i) {
        const QList<QByteArray> f = lines[i].simplified().split(' ');
        if (f.size() < 14)
            continue;
        images.push_back(
            {f[3].toInt(), f[4].toInt(), f[12].toInt(), f[13].toInt(), QString::fromLatin1(f[8])});
    }
    return images;
}

int PdfPageCount(const QString& pdf) {
    for (const QByteArray& line : RunTool(QStringLiteral("pdfinfo"), {pdf}).split('\n'))
        if (line.startsWith("Pages:"))
            return line.mid(6).trimmed().toInt();
    return -1;
}

QImage RenderPdf(const QString& pdf, int dpi) {
    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("page.png"));
    bool ok = false;
    RunTool(QStringLiteral("gs"),
            {QStringLiteral("-q"), QStringLiteral("-dNOPAUSE"), QStringLiteral("-dBATCH"),
             QStringLiteral("-dSAFER"), QStringLiteral("-sDEVICE=png16m"),
             QStringLiteral("-dInterpolateControl=0"), QStringLiteral("-r%1").arg(dpi),
             QStringLiteral("-dFirstPage=1"), QStringLiteral("-dLastPage=1"),
             QStringLiteral("-sOutputFile=") + png, pdf},
            &ok);
    QImageReader::setAllocationLimit(2048);
    return ok ? QImage(png).convertToFormat(QImage::Format_RGB32) : QImage();
}

QImage QuadrantPicture(int width, int height) {
    QImage picture(width, height, QImage::Format_RGB32);
    QPainter p(&picture);
    const int hw = width / 2, hh = height / 2;
    p.fillRect(0, 0, hw, hh, QColor(200, 30, 30));
    p.fillRect(hw, 0, width - hw, hh, QColor(30, 160, 40));
    p.fillRect(0, hh, hw, height - hh, QColor(20, 40, 190));
    p.fillRect(hw, hh, width - hw, height - hh, QColor(230, 200, 20));
    p.setPen(Qt::black);
    p.drawRect(0, 0, width - 1, height - 1);
    return picture;
}

QImage BlockPage(int width, int height) {
    QImage page(width, height, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter p(&page);
    p.fillRect(0, 0, 80, 80, QColor(255, 0, 0));
    p.fillRect(400, 32, 80, 80, QColor(0, 0, 255));
    p.fillRect(128, 608, 80, 80, QColor(0, 255, 0));
    return page;
}

bool HasBlocks(const QImage& decoded, QString* why) {
    const struct {
        QPoint at;
        QRgb colour;
    } expected[] = {{{40, 40}, qRgb(255, 0, 0)},      {{440, 72}, qRgb(0, 0, 255)},
                    {{168, 648}, qRgb(0, 255, 0)},    {{300, 300}, qRgb(255, 255, 255)},
                    {{72, 440}, qRgb(255, 255, 255)}, {{520, 200}, qRgb(255, 255, 255)},
                    {{40, 120}, qRgb(255, 255, 255)}};
    for (const auto& e : expected) {
        const QRgb got = decoded.valid(e.at) ? decoded.pixel(e.at) : 0;
        const int worst = std::max({std::abs(qRed(got) - qRed(e.colour)),
                                    std::abs(qGreen(got) - qGreen(e.colour)),
                                    std::abs(qBlue(got) - qBlue(e.colour))});
        if (!decoded.valid(e.at) || worst > 8) {
            *why = QStringLiteral("at %1,%2: %3 instead of %4")
                       .arg(e.at.x())
                       .arg(e.at.y())
                       .arg(got, 8, 16, QLatin1Char('0'))
                       .arg(e.colour, 8, 16, QLatin1Char('0'));
            return false;
        }
    }
    return true;
}
