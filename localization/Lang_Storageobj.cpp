#include "localization/Lang_Storageobj.h"

#include "platform/AppError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError(int code) {
    if (code == 0)
        return QStringLiteral("the system wrote nothing");
    return QString::fromLocal8Bit(std::strerror(code));
}

// A name without a folder lives in the current folder.
QString resolvedPath(const QString& name) {
    if (name.contains(QLatin1Char('/')))
        return name;
    return QDir::currentPath() + QLatin1Char('/') + name;
}

int openFile(const QString& path, int flags, mode_t mode = 0) {
    const QByteArray native = QFile::encodeName(path);
    int fd;
    do
        fd = ::open(native.constData(), flags | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

} // namespace

TStorefile::~TStorefile() {
    try {
        Close();
    } catch (const AppError&) {
        // A destructor cannot report; writers call Close themselves and see the error.
    }
}

void TStorefile::reset() {
    m_fd = -1;
    m_count = 0;
    m_index = 0;
    m_position = 0;
    m_end = 0;
    m_headerLength = 0;
    m_openPath.clear();
}

void TStorefile::Open() {
    if (Active() || Filename.isEmpty())
        return;
    const QString path = resolvedPath(Filename);
    const QByteArray native = QFile::encodeName(path);
    struct stat info {};
    if (::stat(native.constData(), &info) == 0) {
        int fd;
        if (m_readOnly) {
            fd = openFile(path, O_RDONLY);
            m_forcedReadOnly = true;
        } else {
            fd = openFile(path, O_RDWR);
            if (fd < 0) {
                m_forcedReadOnly = true;
                fd = openFile(path, O_RDONLY);
            }
        }
        if (fd < 0)
            return;
        // Anything but a plain file (a folder, a pipe) could block or never end.
        struct stat opened {};
        if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
            ::close(fd);
            return;
        }
        m_fd = fd;
        m_end = opened.st_size;
        const int64_t signatureLength = Signature.size();
        QByteArray head(signatureLength, '\0');
        int32_t count = 0;
        if (!readAt(0, head.data(), signatureLength) || head != Signature ||
            !readInt(signatureLength, count)) {
            ::close(fd);
            reset();
            return;
        }
        m_count = count < 0 ? 0 : count;
        m_headerLength = signatureLength + 4;
        m_position = m_headerLength;
        m_index = 0;
        m_openPath = path;
        return;
    }
    m_forcedReadOnly = false;
    QDir().mkpath(QFileInfo(path).absolutePath());
    const int fd = openFile(path, O_RDWR | O_CREAT | O_TRUNC, 0666);
    if (fd < 0)
        return;
    m_fd = fd;
    m_openPath = path;
    try {
        QByteArray head = Signature;
        head.append(4, '\0');
        writeAll(0, head.constData(), head.size());
    } catch (const AppError&) {
        ::close(fd);
        reset();
        return;
    }
    m_headerLength = m_position = m_end = Signature.size() + 4;
    m_index = 0;
    m_count = 0;
}

void TStorefile::Close() {
    if (!Active())
        return;
    QString failure;
    if (!ReadOnly()) {
        int32_t count = qToLittleEndian(m_count);
        try {
            writeAll(m_headerLength - 4, reinterpret_cast<const char*>(&count), 4);
        } catch (const AppError& error) {
            failure = error.message();
        }
        // Written data reaches the disk before anyone relies on the file.
        if (::fsync(m_fd) != 0 && failure.isEmpty())
            failure = QStringLiteral("Cannot write to the file %1: %2")
                          .arg(QDir::toNativeSeparators(m_openPath), systemError(errno));
        if (::close(m_fd) != 0 && failure.isEmpty())
            failure = QStringLiteral("Cannot close the file %1: %2")
                          .arg(QDir::toNativeSeparators(m_openPath), systemError(errno));
    } else {
        ::close(m_fd);
    }
    reset();
    m_forcedReadOnly = false;
    if (!failure.isEmpty())
        throw AppError(failure);
}

void TStorefile::Clear() {
    if (ReadOnly())
        throw AppError(kReadOnlyMessage);
    const bool wasOpen = Active();
    Close();
    QFile::remove(resolvedPath(Filename));
    if (wasOpen)
        Open();
}

bool TStorefile::readAt(int64_t offset, void* buffer, int64_t size) const {
    if (m_fd < 0 || offset < 0 || size < 0 || offset > m_end - size)
        return false;
    auto* out = static_cast<char*>(buffer);
    while (size > 0) {
        const ssize_t got = ::pread(m_fd, out, size_t(size), off_t(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        out += got;
        offset += got;
        size -= got;
    }
    return true;
}

bool TStorefile::readInt(int64_t offset, int32_t& value) const {
    uchar bytes[4];
    if (!readAt(offset, bytes, 4))
        return false;
    value = qFromLittleEndian<int32_t>(bytes);
    return true;
}

bool TStorefile::currentRecord(Record& record) const {
    if (Eof())
        return false;
    int32_t lead = 0;
    if (!readInt(m_position, lead) || lead < 8)
        return false;
    const int64_t n = int64_t(lead) - 8;
    if (n > m_end - m_position - 12 || !readInt(m_position + 4, record.tag))
        return false;
    record.length = n;
    return true;
}

bool TStorefile::First() {
    if (!Active())
        return false;
    m_index = 0;
    m_position = m_headerLength;
    return true;
}

bool TStorefile::Last() {
    if (!Active())
        return false;
    if (m_count == 0) {
        m_index = 0;
        m_position = m_headerLength;
        return true;
    }
    int32_t trail = 0;
    int32_t lead = 0;
    if (!readInt(m_end - 4, trail) || trail < 12 || m_end - trail < m_headerLength ||
        !readInt(m_end - trail, lead) || int64_t(lead) != int64_t(trail) - 4)
        return false;
    m_position = m_end - trail;
    m_index = m_count - 1;
    return true;
}

bool TStorefile::Next() {
    Record record;
    if (!currentRecord(record)) {
        // Lengths that do not fit end the walk here, so no loop over a broken file runs on.
        m_end = std::min(m_end, m_position);
        return false;
    }
    m_position += record.length + 12;
    ++m_index;
    return true;
}

bool TStorefile::Prior() {
    if (!Active() || m_index <= 0 || m_position <= m_headerLength)
        return false;
    int32_t trail = 0;
    int32_t lead = 0;
    if (!readInt(m_position - 4, trail) || trail < 12 || m_position - trail < m_headerLength ||
        !readInt(m_position - trail, lead) || int64_t(lead) != int64_t(trail) - 4)
        return false;
    m_position -= trail;
    --m_index;
    return true;
}

void TStorefile::MoveTo(int index) {
    if (!Active() || index < 0 || index >= m_count || index == m_index)
        return;
    const int64_t fromCurrent =
        index > m_index ? int64_t(index) - m_index : int64_t(m_index) - index;
    const int64_t fromLast = int64_t(m_count) - 1 - index;
    if (index < fromCurrent && index <= fromLast)
        First();
    else if (fromLast < fromCurrent && fromLast < index && !Last())
        First();
    // Every successful step moves at least one record's framing, so this ends.
    while (m_index < index && Next()) {
    }
    while (m_index > index && Prior()) {
    }
}

int TStorefile::DataSize() const {
    Record record;
    return currentRecord(record) ? int(record.length) : 0;
}

int TStorefile::ReadData(QByteArray& data, int& size, bool advance) {
    Record record;
    if (!currentRecord(record)) {
        if (Active())
            m_end = std::min(m_end, m_position);
        data.clear();
        size = 0;
        return 0;
    }
    if (size < 0 || size > record.length)
        size = int(record.length);
    data.resize(size);
    if (!readAt(m_position + 8, data.data(), size)) {
        data.clear();
        size = 0;
    }
    if (advance) {
        m_position += record.length + 12;
        ++m_index;
    }
    return record.tag;
}

int TStorefile::ReadString(QByteArray& text, bool advance) {
    int size = -1;
    return ReadData(text, size, advance);
}

int TStorefile::ReadInteger(int32_t& value, bool advance) {
    QByteArray bytes;
    int size = 4;
    const int tag = ReadData(bytes, size, advance);
    uchar padded[4] = {0, 0, 0, 0};
    std::memcpy(padded, bytes.constData(), size_t(size));
    value = qFromLittleEndian<int32_t>(padded);
    return tag;
}

void TStorefile::writeAll(int64_t offset, const char* data, int64_t size) {
    while (size > 0) {
        errno = 0;
        const ssize_t put = ::pwrite(m_fd, data, size_t(size), off_t(offset));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            throw AppError(QStringLiteral("Cannot write to the file %1: %2")
                               .arg(QDir::toNativeSeparators(m_openPath), systemError(errno)));
        data += put;
        offset += put;
        size -= put;
    }
}

int TStorefile::WriteData(int tag, const QByteArray& data) {
    if (ReadOnly())
        throw AppError(kReadOnlyMessage);
    if (!Active() || m_position != m_end)
        return 0;
    const int64_t n = data.size();
    const QByteArray record = StoreRecordBytes(tag, data);
    writeAll(m_end, record.constData(), record.size());
    ++m_count;
    ++m_index;
    m_end += n + 12;
    m_position = m_end;
    return m_count;
}

int TStorefile::WriteInteger(int tag, int32_t value) {
    QByteArray bytes(4, '\0');
    qToLittleEndian<int32_t>(value, bytes.data());
    return WriteData(tag, bytes);
}

QByteArray StoreRecordBytes(int tag, const QByteArray& data) {
    const int64_t n = data.size();
    QByteArray record(int(n + 12), '\0');
    qToLittleEndian<int32_t>(int32_t(n + 8), record.data());
    qToLittleEndian<int32_t>(tag, record.data() + 4);
    std::memcpy(record.data() + 8, data.constData(), size_t(n));
    qToLittleEndian<int32_t>(int32_t(n + 12), record.data() + 8 + n);
    return record;
}

QByteArray StoreFileBytes(const QByteArray& signature,
                          const std::vector<std::pair<int, QByteArray>>& records) {
    QByteArray bytes = signature;
    bytes.append(4, '\0');
    qToLittleEndian<int32_t>(int32_t(records.size()), bytes.data() + signature.size());
    for (const auto& [tag, data] : records)
        bytes += StoreRecordBytes(tag, data);
    return bytes;
}

uint32_t PackVersion(const QString& text) {
    uint64_t numbers[5] = {0, 0, 0, 0, 0};
    int finished = 0;
    int digits = 0;
    uint64_t current = 0;
    for (qsizetype i = 0; i < text.size() && finished < 5; ++i) {
        const QChar c = text.at(i);
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9') && digits < 24) {
            current = current * 10 + uint64_t(c.unicode() - '0');
            ++digits;
        }
        if (c == QLatin1Char('.') || c == QLatin1Char(',') || i == text.size() - 1) {
            numbers[finished++] = current;
            current = 0;
            digits = 0;
        }
    }
    return uint32_t((numbers[0] & 0xff) << 24 | (numbers[1] & 0xff) << 16 |
                    (numbers[2] & 0x3f) << 10 | (numbers[3] & 0x3ff));
}

QString VersionText(uint32_t packed) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(packed >> 24)
        .arg((packed >> 16) & 0xff)
        .arg((packed >> 10) & 0x3f)
        .arg(packed & 0x3ff);
}

const std::array<TCharSet, 19> CharSetTable = {{
    {0, "ANSI characters", false},
    {1, "Default characters", false},
    {2, "Symbolic characters", false},
    {77, "Macintosh characters", false},
    {128, "Japanese shift-jis characters", false},
    {129, "Korean characters (Wansung)", false},
    {130, "Korean characters (Johab)", false},
    {134, "Simplified Chinese characters (mainland china)", false},
    {136, "Traditional Chinese characters (taiwanese)", false},
    {161, "Greek characters", false},
    {162, "Turkish characters", false},
    {163, "Vietnamese characters", false},
    {177, "Hebrew characters", true},
    {178, "Arabic characters", true},
    {186, "Baltic characters", false},
    {204, "Cyrillic characters", false},
    {222, "Thai characters", false},
    {238, "Diacritical characters (Eastern Europe)", false},
    {255, "Depends on OS codepage", false},
}};
