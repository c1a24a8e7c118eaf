#pragma once

// Language pack files: reading every revision, writing the current one.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

// A language pack as plain data: the header records and the component entries, read from a
// file of revision 0 to 4 or written as revision 4. The translation engine applies it to live
// components; the build tool makes packs from .po files and templates from a base file.

constexpr int kSaveRevision = 4;
constexpr int kTranslatedBit = 0x20;
constexpr int kShowHintBit = 0x10;
constexpr int kCaptionTag = 1;
constexpr int kHintTag = 2;
constexpr int kListTag = 3;
constexpr int kNoShowHintTag = 18; // a hint of a component without "ShowHint"
constexpr int kKeyTag = 528;       // + the number of texts present
constexpr int kAlignmentTag = 768;

struct LangHeader {
    int revision = kSaveRevision; // as read; the writer always writes 4
    uint16_t languageId = 0;
    QString listTitle;
    QString languageName;
    QString listDetail;
    QStringList notes;
    QImage picture;
    uint32_t programVersion = 0;
    uint8_t auxFlag = 0;
    QString auxText1;
    QString auxText2;
    QString imeName;
    QString fontName;
    uint8_t charset = 1;
    int minFontSize = 8;
};

// One component entry. Tags are as in the file: a text is applied when its tag is above 0
// and has kTranslatedBit. In revision 0, keyTag is the entry's kind (6 to 13) and a
// non-empty text is applied.
struct LangEntry {
    QString key;
    int keyTag = 0;
    int alignment = 0;
    int captionTag = 0;
    QString caption;
    int hintTag = 0;
    QString hint;
    int listTag = 0;
    QStringList lines;
};

struct LangPack {
    LangHeader header;
    std::vector<LangEntry> entries;
};

inline bool IsTranslated(int tag) {
    return tag > 0 && (tag & kTranslatedBit) != 0;
}

// Reads a pack. Empty when the file is missing, does not open as a language file or has fewer
// than 6 records. Raises AppError for a revision above 4 ("Format not supported in this
// revision") and for a picture record that is not a sound BMP. A file cut short yields the
// entries before the cut; missing records of the last entry read as empty with tag 0.
std::optional<LangPack> ReadLanguageFile(const QString& path);

// Writes a revision-4 pack: the whole file goes to a temporary file beside the target and
// replaces the target only when complete. The key tag of each entry is computed from the
// texts it carries; texts are encoded in the header's character set. Raises AppError with a
// message naming the file (or the text that the character set cannot hold) on any failure,
// and the read-only message when the target is write-protected; the target is then unchanged.
void WriteLanguageFile(const QString& path, const LangPack& pack);

// Text list encoding: each line followed by CR LF; reading splits at CR LF, CR or LF.
QByteArray JoinLines(const QStringList& lines, int charset);
QStringList SplitLines(const QString& text);

// Picture record: BMP bytes; an empty record is an empty picture. Raises AppError
// ("Bitmap image is not valid") for data that is not a BMP or whose header does not fit.
QImage PictureFromBmp(const QByteArray& bytes);
QByteArray PictureToBmp(const QImage& picture);
