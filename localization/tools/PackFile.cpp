#include "PackFile.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <iconv.h>
#include <memory>

namespace {

const QByteArray kSignature = QByteArrayLiteral("QTL LANGUAGE FILE");
constexpr int kRevision = 4;
constexpr quint32 kTranslatedBit = 0x20;
constexpr quint32 kShowHintBit = 0x10;

// Windows code page of a character set number.
const char* codePage(int charset) {
    switch (charset) {
    case 77:
        return "MACINTOSH";
    case 128:
        return "CP932";
    case 129:
        return "CP949";
    case 130:
        return "JOHAB";
    case 134:
        return "CP936";
    case 136:
        return "CP950";
    case 161:
        return "CP1253";
    case 162:
        return "CP1254";
    case 163:
        return "CP1258";
    case 177:
        return "CP1255";
    case 178:
        return "CP1256";
    case 186:
        return "CP1257";
    case 204:
        return "CP1251";
    case 222:
        return "CP874";
    case 238:
        return "CP1250";
    default:
        return "CP1252";
    }
}

struct IconvCloser {
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};

bool convert(const char* to, const char* from, const QByteArray& in, QByteArray& out) {
    iconv_t raw = iconv_open(to, from);
    if (raw == reinterpret_cast<iconv_t>(-1))
        return false;
    std::unique_ptr<void, IconvCloser> cd(raw);
    out = QByteArray(in.size() * 4 + 4, Qt::Uninitialized);
    char* src = const_cast<char*>(in.constData());
    size_t srcLeft = static_cast<size_t>(in.size());
    char* dst = out.data();
    size_t dstLeft = static_cast<size_t>(out.size());
    if (iconv(raw, &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1))
        return false;
    out.truncate(out.size() - static_cast<qsizetype>(dstLeft));
    return true;
}

class PackWriter {
public:
    explicit PackWriter(int charset) : m_codePage(codePage(charset)) {
        m_bytes = kSignature;
        appendInt(m_bytes, 0);
    }

    void integer(quint32 tag, quint32 value) {
        QByteArray data;
        appendInt(data, value);
        record(tag, data);
    }
    bool text(quint32 tag, const QString& text) {
        QByteArray data;
        if (!text.isEmpty() && !convert(m_codePage, "UTF-8", text.toUtf8(), data)) {
            m_error = QStringLiteral("\"%1\" cannot be written in code page %2")
                          .arg(text, QLatin1String(m_codePage));
            return false;
        }
        record(tag, data);
        return true;
    }
    bool lines(quint32 tag, const QStringList& lines) {
        QString joined;
        for (const QString& line : lines)
            joined += line + QStringLiteral("\r\n");
        return text(tag, joined);
    }
    void record(quint32 tag, const QByteArray& data) {
        appendInt(m_bytes, static_cast<quint32>(data.size() + 8));
        appendInt(m_bytes, tag);
        m_bytes.append(data);
        appendInt(m_bytes, static_cast<quint32>(data.size() + 12));
        ++m_count;
    }
    QByteArray finish() {
        QByteArray count;
        appendInt(count, m_count);
        m_bytes.replace(kSignature.size(), 4, count);
        return m_bytes;
    }
    const QString& error() const { return m_error; }

private:
    static void appendInt(QByteArray& to, quint32 value) {
        for (int i = 0; i < 4; ++i)
            to.append(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
    const char* m_codePage;
    QByteArray m_bytes;
    quint32 m_count = 0;
    QString m_error;
};

// Walks the records of a file in memory; every length is checked against what is left.
class PackReader {
public:
    explicit PackReader(const QByteArray& bytes) : m_bytes(bytes) {}

    bool open() {
        if (!m_bytes.startsWith(kSignature) || m_bytes.size() < kSignature.size() + 4)
            return false;
        m_pos = kSignature.size() + 4;
        return true;
    }
    bool atEnd() const { return m_pos >= m_bytes.size(); }
    bool next(quint32& tag, QByteArray& data) {
        if (m_bytes.size() - m_pos < 12)
            return false;
        const qint64 lead = readInt(m_pos);
        if (lead < 8 || lead - 8 > m_bytes.size() - m_pos - 12)
            return false;
        tag = readInt(m_pos + 4);
        data = m_bytes.mid(m_pos + 8, lead - 8);
        m_pos += lead + 4;
        return true;
    }

private:
    quint32 readInt(qsizetype at) const {
        quint32 value = 0;
        for (int i = 3; i >= 0; --i)
            value = (value << 8) | static_cast<quint8>(m_bytes.at(at + i));
        return value;
    }
    const QByteArray& m_bytes;
    qsizetype m_pos = 0;
};

quint32 toInt(const QByteArray& data) {
    quint32 value = 0;
    for (qsizetype i = std::min<qsizetype>(4, data.size()) - 1; i >= 0; --i)
        value = (value << 8) | static_cast<quint8>(data.at(i));
    return value;
}

} // namespace

bool SavePack(const PackDraft& draft, const QString& fileName, QString& error) {
    PackWriter w(draft.charset);
    bool ok = true;
    w.integer(0, (kRevision << 16) | draft.languageId);
    ok = ok && w.text(1, draft.listTitle) && w.text(2, draft.languageName) &&
         w.text(3, draft.listDetail) && w.lines(4, draft.notes);
    w.record(5, draft.pictureBmp);
    w.integer(512, draft.programVersion);
    w.integer(516, 0);
    ok = ok && w.text(517, QString()) && w.text(518, QString()) && w.text(513, QString()) &&
         w.text(514, draft.fontName);
    w.integer(515, static_cast<quint32>(draft.charset & 0xFF));
    w.integer(516, static_cast<quint32>(draft.minFontSize));
    for (const PackDraft::Entry& e : draft.entries) {
        if (!ok)
            break;
        const quint32 c =
            (e.caption.isEmpty() ? 0 : 1) + (e.hint.isEmpty() ? 0 : 1) + (e.list.isEmpty() ? 0 : 1);
        ok = w.text(528 + c, e.key);
        w.integer(768, 0);
        const quint32 captionTag =
            e.caption.isEmpty() ? 0 : 1 | (e.captionTranslated ? kTranslatedBit : 0);
        const quint32 hintTag = e.hint.isEmpty() ? 0
                                                 : 2 | (e.showHint ? kShowHintBit : 0) |
                                                       (e.hintTranslated ? kTranslatedBit : 0);
        const quint32 listTag = e.list.isEmpty() ? 0 : 3 | (e.listTranslated ? kTranslatedBit : 0);
        ok = ok && w.text(captionTag, e.caption) && w.text(hintTag, e.hint) &&
             w.lines(listTag, e.list);
        if (!ok)
            error = QStringLiteral("%1: %2").arg(e.key, w.error());
    }
    if (!ok) {
        if (error.isEmpty())
            error = w.error();
        return false;
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(w.finish()) < 0 || !file.commit()) {
        error = QStringLiteral("cannot write %1: %2").arg(fileName, file.errorString());
        return false;
    }
    return true;
}

bool LoadPack(const QString& fileName, PackDraft& draft, QString& error) {
    draft = PackDraft{};
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1: %2").arg(fileName, file.errorString());
        return false;
    }
    const QByteArray bytes = file.readAll();
    PackReader r(bytes);
    if (!r.open()) {
        error = QStringLiteral("%1 is not a language file").arg(fileName);
        return false;
    }
    QList<std::pair<quint32, QByteArray>> header;
    quint32 tag = 0;
    QByteArray data;
    while (header.size() < 14 && r.next(tag, data))
        header.append({tag, data});
    if (header.size() < 14 || (toInt(header.at(0).second) >> 16) != kRevision) {
        error = QStringLiteral("%1 is not a revision-4 language file").arg(fileName);
        return false;
    }
    draft.charset = static_cast<int>(toInt(header.at(12).second) & 0xFF);
    const char* page = codePage(draft.charset);
    bool decoded = true;
    auto text = [&](const QByteArray& raw) {
        QByteArray utf8;
        decoded = decoded && convert("UTF-8", page, raw, utf8);
        return QString::fromUtf8(utf8);
    };
    auto lines = [&](const QByteArray& raw) {
        QString all = text(raw);
        all.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
            .replace(QLatin1Char('\r'), QLatin1Char('\n'));
        if (all.endsWith(QLatin1Char('\n')))
            all.chop(1);
        return all.isEmpty() ? QStringList() : all.split(QLatin1Char('\n'));
    };
    draft.languageId = static_cast<quint16>(toInt(header.at(0).second) & 0xFFFF);
    draft.listTitle = text(header.at(1).second);
    draft.languageName = text(header.at(2).second);
    draft.listDetail = text(header.at(3).second);
    draft.notes = lines(header.at(4).second);
    draft.pictureBmp = header.at(5).second;
    draft.programVersion = toInt(header.at(6).second);
    draft.fontName = text(header.at(11).second);
    draft.minFontSize = static_cast<int>(toInt(header.at(13).second));
    while (!r.atEnd()) {
        quint32 tags[5] = {};
        QByteArray records[5];
        for (int i = 0; i < 5; ++i)
            if (!r.next(tags[i], records[i])) {
                error = QStringLiteral("%1 ends in the middle of an entry").arg(fileName);
                return false;
            }
        PackDraft::Entry e;
        e.key = text(records[0]);
        e.caption = text(records[2]);
        e.captionTranslated = tags[2] & kTranslatedBit;
        e.hint = text(records[3]);
        e.hintTranslated = tags[3] & kTranslatedBit;
        e.showHint = tags[3] & kShowHintBit;
        e.list = lines(records[4]);
        e.listTranslated = tags[4] & kTranslatedBit;
        draft.entries.append(e);
    }
    if (!decoded) {
        error = QStringLiteral("%1 holds texts that are not valid in code page %2")
                    .arg(fileName, QLatin1String(page));
        return false;
    }
    return true;
}
