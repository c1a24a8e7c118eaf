#include "localization/Lang_Charset.h"

#include "platform/AppError.h"

#include <cerrno>
#include <iconv.h>
#include <map>
#include <string>

// QString's UTF-16 is handed to iconv as UTF-16LE.
static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN);

namespace {

// Opening an iconv descriptor is costly (a multi-byte code page loads its tables, and a pack
// holds hundreds of texts), so each thread keeps one per direction and code page, put back
// in its initial state before every use.
class ConverterCache {
public:
    ConverterCache() = default;
    ConverterCache(const ConverterCache&) = delete;
    ConverterCache& operator=(const ConverterCache&) = delete;
    ~ConverterCache() {
        for (const auto& entry : m_open)
            iconv_close(entry.second);
    }
    iconv_t get(const char* to, const char* from) {
        const std::string key = std::string(to) + '|' + from;
        auto it = m_open.find(key);
        if (it == m_open.end()) {
            const iconv_t cd = iconv_open(to, from);
            if (cd == reinterpret_cast<iconv_t>(-1))
                return cd;
            it = m_open.emplace(key, cd).first;
        }
        iconv(it->second, nullptr, nullptr, nullptr, nullptr);
        return it->second;
    }

private:
    std::map<std::string, iconv_t> m_open;
};

// One iconv descriptor for the length of one conversion, taken from the thread's cache.
class Converter {
public:
    Converter(const char* to, const char* from) {
        thread_local ConverterCache cache;
        m_cd = cache.get(to, from);
    }
    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return m_cd; }

private:
    iconv_t m_cd;
};

} // namespace

const char* CodePageName(int charset) {
    switch (charset & 0xff) {
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

int TextCharset(int charset, uint16_t languageId) {
    charset &= 0xff;
    if (charset != 1 && charset != 255)
        return charset;
    constexpr int kAnsi = 0, kCentralEurope = 238, kCyrillic = 204, kTurkish = 162;
    const uint16_t sub = languageId >> 10;
    switch (languageId & 0x3ff) {
    case 0x02:
    case 0x19:
    case 0x22:
    case 0x23:
    case 0x28:
    case 0x2f:
    case 0x3f:
    case 0x40:
    case 0x44:
    case 0x50:
    case 0x6d:
    case 0x85:
        return kCyrillic;
    case 0x1a: // Croatian, Bosnian and Serbian share it; the Cyrillic sub-languages differ
        return sub == 3 || sub == 7 || sub == 8 || sub == 10 || sub == 12 ? kCyrillic
                                                                          : kCentralEurope;
    case 0x2c: // Azeri
    case 0x43: // Uzbek
        return sub == 2 ? kCyrillic : kTurkish;
    case 0x05:
    case 0x0e:
    case 0x15:
    case 0x18:
    case 0x1b:
    case 0x1c:
    case 0x24:
    case 0x42:
        return kCentralEurope;
    case 0x08:
        return 161; // Greek
    case 0x1f:
        return kTurkish;
    case 0x0d:
    case 0x3d:
        return 177; // Hebrew, Yiddish
    case 0x01:
    case 0x20:
    case 0x29:
    case 0x8c:
        return 178; // Arabic script
    case 0x25:
    case 0x26:
    case 0x27:
        return 186; // Baltic
    case 0x2a:
        return 163; // Vietnamese
    case 0x1e:
        return 222; // Thai
    case 0x11:
        return 128; // Japanese
    case 0x12:
        return 129; // Korean
    case 0x04:      // Chinese: Taiwan, Hong Kong, Macao and the neutral traditional form
        return sub == 1 || sub == 3 || sub == 5 || sub == 0x1f ? 136 : 134;
    default:
        return kAnsi;
    }
}

QString DecodeText(const QByteArray& bytes, int charset) {
    if (bytes.isEmpty())
        return QString();
    Converter cd("UTF-16LE", CodePageName(charset));
    if (!cd.valid())
        return QString::fromLatin1(bytes);
    QString result;
    result.reserve(bytes.size());
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = size_t(bytes.size());
    char16_t buffer[512];
    // Code pages 1255 and 1258 hold a letter back in case a combining accent follows; it
    // comes out only when the converter is flushed.
    const auto flush = [&] {
        char* out = reinterpret_cast<char*>(buffer);
        size_t outLeft = sizeof buffer;
        iconv(cd.get(), nullptr, nullptr, &out, &outLeft);
        result.append(QStringView(buffer, (sizeof buffer - outLeft) / sizeof(char16_t)));
    };
    while (inLeft > 0) {
        char* out = reinterpret_cast<char*>(buffer);
        size_t outLeft = sizeof buffer;
        const size_t done = iconv(cd.get(), &in, &inLeft, &out, &outLeft);
        const int error = errno;
        result.append(QStringView(buffer, (sizeof buffer - outLeft) / sizeof(char16_t)));
        if (done != size_t(-1))
            break;
        if (error == E2BIG)
            continue;
        // An unmapped byte or a cut multi-byte sequence: mark it and go on after it.
        flush();
        result.append(QChar::ReplacementCharacter);
        ++in;
        --inLeft;
    }
    flush();
    return result;
}

QByteArray EncodeText(const QString& text, int charset) {
    if (text.isEmpty())
        return QByteArray();
    Converter cd(CodePageName(charset), "UTF-16LE");
    if (!cd.valid())
        throw AppError(QStringLiteral("The system has no converter for the character set %1 (%2).")
                           .arg(charset)
                           .arg(QLatin1String(CodePageName(charset))));
    QByteArray result;
    char* in = reinterpret_cast<char*>(const_cast<QChar*>(text.constData()));
    size_t inLeft = size_t(text.size()) * 2;
    char buffer[1024];
    while (true) {
        char* out = buffer;
        size_t outLeft = sizeof buffer;
        size_t done = iconv(cd.get(), &in, &inLeft, &out, &outLeft);
        const int error = errno;
        if (done != size_t(-1)) {
            // Flush any shift state the code page keeps.
            done = iconv(cd.get(), nullptr, nullptr, &out, &outLeft);
        }
        result.append(buffer, qsizetype(sizeof buffer - outLeft));
        if (done != size_t(-1))
            return result;
        if (error == E2BIG)
            continue;
        const qsizetype at = text.size() - qsizetype(inLeft / 2);
        const uint code = at < text.size() && text.at(at).isHighSurrogate() && at + 1 < text.size()
                              ? QChar::surrogateToUcs4(text.at(at), text.at(at + 1))
                              : text.at(qMin(at, text.size() - 1)).unicode();
        throw AppError(
            QStringLiteral("The text \"%1\" holds the character U+%2, which the character set %3 "
                           "(%4) cannot hold.")
                .arg(text)
                .arg(QString::number(code, 16).toUpper().rightJustified(4, QLatin1Char('0')))
                .arg(charset)
                .arg(QLatin1String(CodePageName(charset))));
    }
}
