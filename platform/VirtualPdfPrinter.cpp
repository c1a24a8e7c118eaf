#include "platform/VirtualPdfPrinter.h"

#include "platform/U_SafeWrite.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <vector>

#include <zlib.h>

namespace {

constexpr int kDpi = 600;
constexpr int kMarginSide = 100;
constexpr int kMarginTop = 100;
constexpr int kMarginBottom = 136;

struct PaperEntry {
    Paper paper;
    const char* key;
    int width; // tenths of a millimetre, portrait
    int height;
};

// Letter and 4 × 6 in are whole inches: 215.9 × 279.4 and 101.6 × 152.4 mm.
constexpr PaperEntry kPapers[] = {
    {Paper::A4, "A4", 2100, 2970},          {Paper::Letter, "Letter", 2159, 2794},
    {Paper::A5, "A5", 1480, 2100},          {Paper::Photo10x15, "10x15cm", 1000, 1500},
    {Paper::Photo4x6, "4x6in", 1016, 1524}, {Paper::Photo13x18, "13x18cm", 1300, 1800},
};

const PaperEntry& entryOf(Paper paper) {
    for (const PaperEntry& e : kPapers)
        if (e.paper == paper)
            return e;
    return kPapers[0];
}

QSize orientedTenths(const PrintOptions& options) {
    const QSize portrait = PaperTenthsMM(options.paper);
    return options.landscape ? portrait.transposed() : portrait;
}

} // namespace

QSize PaperTenthsMM(Paper paper) {
    const PaperEntry& e = entryOf(paper);
    return {e.width, e.height};
}

Paper DefaultPaperFor(QLocale::Territory territory) {
    return territory == QLocale::UnitedStates || territory == QLocale::Canada ? Paper::Letter
                                                                              : Paper::A4;
}

QString PaperKey(Paper paper) {
    return QString::fromLatin1(entryOf(paper).key);
}

Paper PaperFromKey(const QString& key) {
    for (const PaperEntry& e : kPapers)
        if (key == QLatin1String(e.key))
            return e.paper;
    return Paper::A4;
}

PrinterMetrics VirtualPrinterMetrics(const PrintOptions& options) {
    const QSize tenths = orientedTenths(options);
    // Tenths of a millimetre to device pixels, truncating, exact in integers.
    const int sheetWidth = int(qint64(tenths.width()) * kDpi / 254);
    const int sheetHeight = int(qint64(tenths.height()) * kDpi / 254);
    return PrinterMetrics{kDpi,
                          kDpi,
                          sheetWidth - 2 * kMarginSide,
                          sheetHeight - kMarginTop - kMarginBottom,
                          kMarginSide,
                          kMarginTop};
}

QSizeF VirtualPrinterPaperPoints(const PrintOptions& options) {
    const QSize tenths = orientedTenths(options);
    return QSizeF(tenths.width() / 254.0 * 72.0, tenths.height() / 254.0 * 72.0);
}

QString NextPdfPageName(const QString& folder) {
    const QDir dir(folder);
    for (int n = 1;; ++n) {
        const QString name = dir.filePath(QStringLiteral("Quillmark page %1.pdf").arg(n));
        if (!QFileInfo::exists(name))
            return name;
    }
}

namespace {

// Keeps what is drawn (shallow image copies) so that the page can be built row by row.
class RecordingCanvas final : public IPageCanvas {
public:
    struct Draw {
        QPoint at;
        QImage image;
    };
    void drawImage(int x, int y, const QImage& image) override {
        draws.push_back({QPoint(x, y), image.format() == QImage::Format_RGB32 ||
                                               image.format() == QImage::Format_ARGB32
                                           ? image
                                           : image.convertToFormat(QImage::Format_RGB32)});
    }
    std::vector<Draw> draws;
};

class PdfOut {
public:
    explicit PdfOut(TSafeFile& file) : m_file(file) {}
    qint64 offset() const { return m_offset; }
    void write(const QByteArray& bytes) { write(bytes.constData(), bytes.size()); }
    void write(const char* data, qint64 size) {
        if (m_file.write(data, size) != size)
            throw PrinterError(m_file.errorString());
        m_offset += size;
    }

private:
    TSafeFile& m_file;
    qint64 m_offset = 0;
};

QByteArray number(double value) {
    return QByteArray::number(value, 'f', 4);
}

// Compresses the page's rows into out as one zlib stream; returns the compressed size.
qint64 writeImageRows(PdfOut& out, const PrinterMetrics& m, const RecordingCanvas& canvas) {
    const int width = m.pageWidth;
    std::vector<unsigned char> row(size_t(width) * 3);
    std::vector<unsigned char> packed(64 * 1024);
    z_stream z{};
    if (deflateInit(&z, Z_BEST_SPEED) != Z_OK)
        throw PrinterError(QStringLiteral("Could not compress the page."));
    qint64 total = 0;
    auto pump = [&](int flush) {
        do {
            z.next_out = packed.data();
            z.avail_out = uInt(packed.size());
            deflate(&z, flush);
            const qint64 produced = qint64(packed.size() - z.avail_out);
            out.write(reinterpret_cast<const char*>(packed.data()), produced);
            total += produced;
        } while (z.avail_out == 0);
    };
    try {
        for (int y = 0; y < m.pageHeight; ++y) {
            std::fill(row.begin(), row.end(), 0xff);
            for (const auto& d : canvas.draws) {
                const int sy = y - d.at.y();
                if (sy < 0 || sy >= d.image.height())
                    continue;
                const int from = std::max(0, d.at.x());
                const int to = std::min(width, d.at.x() + d.image.width());
                const auto* line = reinterpret_cast<const QRgb*>(d.image.constScanLine(sy));
                for (int x = from; x < to; ++x) {
                    const QRgb p = line[x - d.at.x()];
                    row[size_t(x) * 3] = uchar(qRed(p));
                    row[size_t(x) * 3 + 1] = uchar(qGreen(p));
                    row[size_t(x) * 3 + 2] = uchar(qBlue(p));
                }
            }
            z.next_in = row.data();
            z.avail_in = uInt(row.size());
            pump(Z_NO_FLUSH);
        }
        pump(Z_FINISH);
    } catch (...) {
        deflateEnd(&z);
        throw;
    }
    deflateEnd(&z);
    return total;
}

} // namespace

void WritePdfPage(const QString& path, const PrinterMetrics& m, const QSizeF& paper,
                  const std::function<void(IPageCanvas&)>& draw) {
    RecordingCanvas canvas;
    draw(canvas);

    // A link planted at the name is replaced, never written through.
    TSafeFile file(path, TSafeFile::Sync::ToDisk, TSafeFile::Links::Replace);
    if (!file.open(QIODevice::WriteOnly))
        throw PrinterError(file.errorString());
    PdfOut out(file);
    std::vector<qint64> offsets;
    auto object = [&](const QByteArray& body) {
        offsets.push_back(out.offset());
        out.write(QByteArray::number(qlonglong(offsets.size())) + " 0 obj\n" + body + "\nendobj\n");
    };

    // The image covers the printable area: device pixels at the printer's resolution.
    const double w = m.pageWidth * 72.0 / m.dpiX;
    const double h = m.pageHeight * 72.0 / m.dpiY;
    const double left = m.offsetX * 72.0 / m.dpiX;
    const double bottom = paper.height() - m.offsetY * 72.0 / m.dpiY - h;
    const QByteArray content = "q " + number(w) + " 0 0 " + number(h) + " " + number(left) + " " +
                               number(bottom) + " cm /Im0 Do Q\n";

    out.write(QByteArray("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n"));
    object("<< /Type /Catalog /Pages 2 0 R >>");
    object("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + number(paper.width()) + " " +
           number(paper.height()) +
           "] /Resources << /XObject << /Im0 5 0 R >> >> /Contents 4 0 R >>");
    object("<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content +
           "endstream");
    offsets.push_back(out.offset());
    out.write("5 0 obj\n<< /Type /XObject /Subtype /Image /Width " +
              QByteArray::number(m.pageWidth) + " /Height " + QByteArray::number(m.pageHeight) +
              " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /FlateDecode /Length 6 0 R "
              ">>\nstream\n");
    const qint64 length = writeImageRows(out, m, canvas);
    out.write(QByteArray("\nendstream\nendobj\n"));
    object(QByteArray::number(length));

    const qint64 xref = out.offset();
    QByteArray table =
        "xref\n0 " + QByteArray::number(qlonglong(offsets.size() + 1)) + "\n0000000000 65535 f \n";
    for (const qint64 o : offsets)
        table += QByteArray::number(o).rightJustified(10, '0') + " 00000 n \n";
    table += "trailer\n<< /Size " + QByteArray::number(qlonglong(offsets.size() + 1)) +
             " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    out.write(table);
    if (!file.Commit())
        throw PrinterError(file.errorString());
}
