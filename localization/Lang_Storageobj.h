#pragma once

// The record store that language files are made of.

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

// A flat file of tagged, length-framed records that can be walked both ways and appended to:
// [signature][count][lead n+8 | tag | n bytes | trail n+12]...
//
// Files come from anywhere, so every length read from one is checked against the file before
// it is used: a record whose lengths do not fit counts as the end of the file, a step back
// over a trail that does not match its lead fails, and no read goes past the end or asks for
// more memory than the file holds.
class TStorefile {
public:
    TStorefile() = default;
    ~TStorefile();
    TStorefile(const TStorefile&) = delete;
    TStorefile& operator=(const TStorefile&) = delete;

    QByteArray Signature;
    QString Filename;
    // Reads back true also after a forced read-only open.
    bool ReadOnly() const { return m_readOnly || m_forcedReadOnly; }
    void SetReadOnly(bool value) { m_readOnly = value; }

    // Opens or creates the file; stays closed, without an error, when it cannot.
    void Open();
    // Writes the record count, flushes to the disk and closes. Raises AppError when the
    // system reports a failure on the way.
    void Close();
    // Deletes the file; an open store is opened again on a new empty file.
    void Clear();
    bool Active() const { return m_fd >= 0; }

    bool Eof() const { return !Active() || m_position >= m_end; }
    int RecordCount() const { return Active() ? m_count : 0; }
    int RecordIndex() const { return m_index; }
    bool First();
    bool Last();
    bool Next();
    bool Prior();
    void MoveTo(int index);
    int DataSize() const;
    // True when a whole record, as its lengths say, lies at the current position.
    bool AtRecord() const {
        Record record;
        return currentRecord(record);
    }

    // Reads at most `size` data bytes (all of them when size is negative or too large) and
    // sets size to what was read; returns the tag. At the end: size 0, tag 0.
    int ReadData(QByteArray& data, int& size, bool advance);
    int ReadString(QByteArray& text, bool advance);
    int ReadInteger(int32_t& value, bool advance);

    // Appends a record and returns the new count; 0 when closed or not at the end. Raises
    // AppError in read-only mode and when the system refuses the write.
    int WriteData(int tag, const QByteArray& data);
    int WriteString(int tag, const QByteArray& text) { return WriteData(tag, text); }
    int WriteInteger(int tag, int32_t value);

private:
    struct Record {
        int64_t length = 0; // n
        int32_t tag = 0;
    };
    bool readAt(int64_t offset, void* buffer, int64_t size) const;
    bool readInt(int64_t offset, int32_t& value) const;
    // The record at the current position, when its lengths fit inside the file.
    bool currentRecord(Record& record) const;
    void writeAll(int64_t offset, const char* data, int64_t size);
    void reset();

    bool m_readOnly = false;
    bool m_forcedReadOnly = false;
    int m_fd = -1;
    int m_count = 0;
    int m_index = 0;
    int64_t m_position = 0;
    int64_t m_end = 0;
    int64_t m_headerLength = 0;
    QString m_openPath;
};

inline const QByteArray kLanguageSignature = QByteArrayLiteral("QTL LANGUAGE FILE");
inline const QString kReadOnlyMessage =
    QStringLiteral("Attempt to write a data while in ReadOnly mode");

// One record as the store frames it: lead, tag, data, trail.
QByteArray StoreRecordBytes(int tag, const QByteArray& data);
// A whole store file in memory, byte for byte what writing the records in order through an
// open TStorefile gives, so that it can be written in one complete-or-nothing step.
QByteArray StoreFileBytes(const QByteArray& signature,
                          const std::vector<std::pair<int, QByteArray>>& records);

// a.b.c.d packed as 8.8.6.10 bits.
uint32_t PackVersion(const QString& text);
QString VersionText(uint32_t packed);

struct TCharSet {
    int number;
    const char* description;
    bool rightToLeft;
};
extern const std::array<TCharSet, 19> CharSetTable;
