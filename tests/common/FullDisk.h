#pragma once

// A folder on a disk that can be made full: a tmpfs of its own when the tests run as root,
// else an ordinary folder where, while full, no file of this process can grow (a file-size
// limit, which the writers meet as EFBIG instead of ENOSPC).
#include <QString>
#include <QTemporaryDir>

#include <optional>

// Makes the disk look full to this process: files cannot grow past bytes while it lives.
class FileSizeLimit {
public:
    explicit FileSizeLimit(long bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    unsigned long m_previous;
};

class FullDisk {
public:
    FullDisk();
    ~FullDisk();
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    QString path(const QString& name = QString()) const;
    // From now on until Free() at most room more bytes can be written there (whole pages
    // on tmpfs; per file under the size limit).
    void Fill(long room = 0);
    void Free();
    // The errno a write meets while full.
    int Error() const;

private:
    QTemporaryDir m_dir;
    QString m_mount;
    bool m_tmpfs = false;
    bool m_full = false;
    std::optional<FileSizeLimit> m_limit;
};
