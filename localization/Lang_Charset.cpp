#include "localization/Lang_Charset.h"

#include "platform/AppError.h"

#include <cerrno>
#include <iconv.h>

// QString's UTF-16 is handed to iconv as UTF-16LE.
static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN);

namespace {

// One iconv descriptor for the length of one conversion.
class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter() {
        if (valid())
            iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
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
        result.append(QChar::ReplacementCharacter);
        ++in;
        --inLeft;
        iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    }
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
