#include "localization/Lang_File.h"

#include "picture/U_BmpHeader.h"
#include "platform/AppError.h"
#include "platform/U_SafeWrite.h"
#include "localization/Lang_Charset.h"
#include "localization/Lang_Storageobj.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtEndian>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kBadBitmap = QStringLiteral("Bitmap image is not valid");
// A flag is a small picture: anything larger in a pack is taken for damage.
constexpr qint64 kMaxFlagPixels = 4096 * 4096;

struct RawHeader {
    QByteArray listTitle, languageName, listDetail, notes, auxText1, auxText2, imeName, fontName;
};

QByteArray readText(TStorefile& store, int* tag = nullptr) {
    QByteArray bytes;
    const int t = store.ReadString(bytes, true);
    if (tag)
        *tag = t;
    return bytes;
}

int32_t readInt(TStorefile& store) {
    int32_t value = 0;
    store.ReadInteger(value, true);
    return value;
}

// Records 0 to 13 (fewer before revision 4); header texts are decoded once the character
// set is known.
LangHeader readHeader(TStorefile& store) {
    LangHeader h;
    RawHeader raw;
    store.First();
    QByteArray first;
    int size = 4;
    store.ReadData(first, size, true);
    uchar padded[4] = {0, 0, 0, 0};
    std::memcpy(padded, first.constData(), size_t(size));
    const uint32_t value = qFromLittleEndian<uint32_t>(padded);
    h.languageId = uint16_t(value & 0xffff);
    h.revision = size == 4 ? int(value >> 16) : 0;
    raw.listTitle = readText(store);
    raw.languageName = readText(store);
    raw.listDetail = readText(store);
    raw.notes = readText(store);
    QByteArray picture;
    int pictureSize = store.DataSize();
    store.ReadData(picture, pictureSize, true);
    h.picture = PictureFromBmp(picture);
    h.minFontSize = 9;
    if (h.revision == 0) {
        h.charset = 1;
    } else if (h.revision > kSaveRevision) {
        throw AppError(QStringLiteral("Format not supported in this revision"));
    } else {
        h.programVersion = uint32_t(readInt(store));
        if (h.revision >= 2) {
            h.auxFlag = uint8_t(readInt(store) & 0xff);
            raw.auxText1 = readText(store);
            raw.auxText2 = readText(store);
        }
        raw.imeName = readText(store);
        raw.fontName = readText(store);
        h.charset = uint8_t(readInt(store) & 0xff);
        if (h.revision == 4)
            h.minFontSize = readInt(store);
    }
    const int cs = TextCharset(h.charset, h.languageId);
    h.listTitle = DecodeText(raw.listTitle, cs);
    h.languageName = DecodeText(raw.languageName, cs);
    h.listDetail = DecodeText(raw.listDetail, cs);
    h.notes = SplitLines(DecodeText(raw.notes, cs));
    h.auxText1 = DecodeText(raw.auxText1, cs);
    h.auxText2 = DecodeText(raw.auxText2, cs);
    h.imeName = DecodeText(raw.imeName, cs);
    h.fontName = DecodeText(raw.fontName, cs);
    return h;
}

QString readDecoded(TStorefile& store, int charset, int* tag) {
    return DecodeText(readText(store, tag), charset);
}

void readEntries(TStorefile& store, LangPack& pack) {
    const int revision = pack.header.revision;
    const int cs = TextCharset(pack.header.charset, pack.header.languageId);
    // Every read advances by a whole record, so this loop ends.
    while (store.AtRecord()) {
        LangEntry e;
        e.key = readDecoded(store, cs, &e.keyTag);
        if (revision == 0) {
            const bool control = (e.keyTag >= 6 && e.keyTag <= 11) || e.keyTag == 13;
            if (control) {
                e.caption = readDecoded(store, cs, &e.captionTag);
                e.hint = readDecoded(store, cs, &e.hintTag);
            }
            if (e.keyTag == 11 || e.keyTag == 12)
                e.lines = SplitLines(readDecoded(store, cs, &e.listTag));
        } else {
            if (revision >= 3)
                e.alignment = readInt(store);
            e.caption = readDecoded(store, cs, &e.captionTag);
            e.hint = readDecoded(store, cs, &e.hintTag);
            e.lines = SplitLines(readDecoded(store, cs, &e.listTag));
        }
        pack.entries.push_back(std::move(e));
    }
}

bool openForReading(TStorefile& store, const QString& path) {
    if (!QFileInfo(path).isFile())
        return false;
    store.Signature = kLanguageSignature;
    store.SetReadOnly(true);
    store.Filename = path;
    store.Open();
    return store.RecordCount() >= 6;
}

bool writeProtected(const QString& path) {
    struct stat info {};
    const QByteArray native = QFile::encodeName(path);
    if (::stat(native.constData(), &info) != 0)
        return false;
    return (info.st_mode & S_IWUSR) == 0 || ::access(native.constData(), W_OK) != 0;
}

struct PendingRecord {
    int tag;
    QByteArray data;
};

QByteArray intBytes(int32_t value) {
    QByteArray bytes(4, '\0');
    qToLittleEndian<int32_t>(value, bytes.data());
    return bytes;
}

// Every record of the file, encoded before anything touches the disk.
std::vector<PendingRecord> encodePack(const LangPack& pack) {
    const LangHeader& h = pack.header;
    const int cs = TextCharset(h.charset, h.languageId);
    std::vector<PendingRecord> out;
    out.push_back({0, intBytes(int32_t(uint32_t(kSaveRevision) << 16 | h.languageId))});
    out.push_back({1, EncodeText(h.listTitle, cs)});
    out.push_back({2, EncodeText(h.languageName, cs)});
    out.push_back({3, EncodeText(h.listDetail, cs)});
    out.push_back({4, JoinLines(h.notes, cs)});
    out.push_back({5, PictureToBmp(h.picture)});
    out.push_back({512, intBytes(int32_t(h.programVersion))});
    out.push_back({516, intBytes(h.auxFlag)});
    out.push_back({517, EncodeText(h.auxText1, cs)});
    out.push_back({518, EncodeText(h.auxText2, cs)});
    out.push_back({513, EncodeText(h.imeName, cs)});
    out.push_back({514, EncodeText(h.fontName, cs)});
    out.push_back({515, intBytes(h.charset)});
    out.push_back({516, intBytes(h.minFontSize)});
    for (const LangEntry& e : pack.entries) {
        const int c = int(e.captionTag > 0) + int(e.hintTag > 0) + int(e.listTag > 0);
        if (c == 0)
            continue;
        try {
            out.push_back({kKeyTag + c, EncodeText(e.key, cs)});
            out.push_back({kAlignmentTag, intBytes(e.alignment)});
            out.push_back(e.captionTag > 0 ? PendingRecord{e.captionTag, EncodeText(e.caption, cs)}
                                           : PendingRecord{0, {}});
            out.push_back(e.hintTag > 0 ? PendingRecord{e.hintTag, EncodeText(e.hint, cs)}
                                        : PendingRecord{0, {}});
            out.push_back(e.listTag > 0 ? PendingRecord{e.listTag, JoinLines(e.lines, cs)}
                                        : PendingRecord{0, {}});
        } catch (const AppError& error) {
            throw AppError(error.message() + QStringLiteral(" (component %1)").arg(e.key));
        }
    }
    return out;
}

} // namespace

QByteArray JoinLines(const QStringList& lines, int charset) {
    QByteArray result;
    for (const QString& line : lines) {
        result += EncodeText(line, charset);
        result += "\r\n";
    }
    return result;
}

QStringList SplitLines(const QString& text) {
    if (text.isEmpty())
        return {};
    static const QRegularExpression breaks(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = text.split(breaks);
    // The break after the last line ends it; it does not start another.
    if (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
        lines.removeLast();
    return lines;
}

QImage PictureFromBmp(const QByteArray& bytes) {
    if (bytes.isEmpty())
        return QImage();
    if (!BmpHeaderProblem(bytes, kMaxFlagPixels).isEmpty())
        throw AppError(kBadBitmap);
    QImage image;
    if (!image.loadFromData(bytes, "BMP") || image.isNull())
        throw AppError(kBadBitmap);
    return image;
}

QByteArray PictureToBmp(const QImage& picture) {
    if (picture.isNull())
        return QByteArray();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "BMP");
    return bytes;
}

std::optional<LangPack> ReadLanguageFile(const QString& path) {
    TStorefile store;
    if (!openForReading(store, path))
        return std::nullopt;
    LangPack pack;
    pack.header = readHeader(store);
    readEntries(store, pack);
    return pack;
}

void WriteLanguageFile(const QString& path, const LangPack& pack) {
    const QString target = QFileInfo(path).absoluteFilePath();
    const QString shown = QDir::toNativeSeparators(target);
    if (writeProtected(target))
        throw AppError(kReadOnlyMessage);
    const std::vector<PendingRecord> records = encodePack(pack);

    std::vector<std::pair<int, QByteArray>> framed;
    framed.reserve(records.size());
    for (const PendingRecord& r : records)
        framed.emplace_back(r.tag, r.data);
    QDir().mkpath(QFileInfo(target).absolutePath());
    // Built whole in memory, then written complete-or-nothing: the old file stays until the
    // new one is on the disk.
    WriteFileSafely(target, StoreFileBytes(kLanguageSignature, framed));
}
