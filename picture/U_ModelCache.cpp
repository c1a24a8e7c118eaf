#include "picture/U_ModelCache.h"

#include "platform/U_SafeWrite.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <cstring>
#include <span>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The first bytes of a cache, and its layout's version: a cache of another version is
// simply rebuilt.
constexpr char kMagic[8] = {'Q', 'M', 'L', 'M', 'C', 'A', 'C', 'H'};
constexpr std::uint32_t kVersion = 1;
// magic, version, path length, size, time, payload length, checksum; then the path, padded
// to eight bytes so that every number of the payload is aligned in a mapping.
constexpr std::size_t kHeaderBytes = 8 + 4 + 4 + 8 + 8 + 8 + 8;
std::size_t Padded(std::size_t n) {
    return (n + 7) / 8 * 8;
}
constexpr std::uint32_t kMaxPathBytes = 4096;
// Trees per stage and splits per tree: the shipped model has 500 and 15.
constexpr std::uint32_t kMaxCount = 1 << 20;

// A checksum of four interleaved 64-bit lanes: it runs at memory speed, and any changed,
// moved or cut byte changes it (it guards against damage, not against a forger, who could as
// well write the user's model file).
std::uint64_t Checksum(const char* data, std::size_t size) {
    constexpr std::uint64_t kPrime = 0x9E3779B97F4A7C15ULL;
    std::uint64_t lane[4] = {1, 2, 3, 4};
    std::size_t i = 0;
    for (; i + 32 <= size; i += 32)
        for (int l = 0; l < 4; ++l) {
            std::uint64_t word;
            std::memcpy(&word, data + i + 8 * l, 8);
            lane[l] = (lane[l] ^ word) * kPrime;
            lane[l] ^= lane[l] >> 31;
        }
    std::uint64_t h = size;
    for (; i < size; ++i)
        h = (h ^ static_cast<unsigned char>(data[i])) * kPrime;
    for (std::uint64_t l : lane)
        h = ((h ^ l) * kPrime) ^ (h >> 29);
    return h;
}

class Writer {
public:
    explicit Writer(QByteArray& out) : m_out(out) {}
    template <typename T> void value(T v) {
        m_out.append(reinterpret_cast<const char*>(&v), sizeof v);
    }
    template <typename T> void values(std::span<const T> v) {
        m_out.append(reinterpret_cast<const char*>(v.data()), qsizetype(v.size_bytes()));
    }

private:
    QByteArray& m_out;
};

class Cursor {
public:
    Cursor(const char* data, std::size_t size) : m_at(data), m_end(data + size) {}
    template <typename T> bool value(T& v) {
        if (left() < sizeof v)
            return false;
        std::memcpy(&v, m_at, sizeof v);
        m_at += sizeof v;
        return true;
    }
    // count items viewed where they lie, bounded by the bytes left; the layout keeps them
    // aligned (see Padded) as long as the data itself is.
    template <typename T> bool values(std::span<const T>& v, std::uint64_t count) {
        if (count > left() / sizeof(T) || reinterpret_cast<std::uintptr_t>(m_at) % alignof(T))
            return false;
        v = std::span<const T>(reinterpret_cast<const T*>(m_at), std::size_t(count));
        m_at += count * sizeof(T);
        return true;
    }
    std::size_t left() const { return std::size_t(m_end - m_at); }

private:
    const char* m_at;
    const char* m_end;
};

void EncodePayload(const LandmarkView& model, const QByteArray& detector, QByteArray& out) {
    Writer w(out);
    w.value(std::uint64_t(detector.size()));
    out.append(detector);
    out.append(QByteArray(qsizetype(Padded(std::size_t(detector.size())) - detector.size()), 0));
    w.value(std::uint32_t(model.points));
    w.value(std::uint32_t(model.stages.size()));
    w.values(model.meanShape);
    for (const LandmarkView::Stage& s : model.stages) {
        w.value(std::uint32_t(s.trees));
        w.value(std::uint32_t(s.splits));
        w.value(std::uint32_t(s.anchors.size()));
        w.values(s.anchors);
        w.values(s.deltas);
        w.values(s.pixels);
        w.values(s.thresholds);
        w.values(s.leaves);
    }
}

// The same limits the model file's reader keeps: whole trees, indices in range.
bool DecodePayload(Cursor& c, LandmarkView& model, QByteArray& detector) {
    std::uint64_t detectorBytes = 0;
    std::span<const char> blob;
    if (!c.value(detectorBytes) || detectorBytes > c.left() ||
        !c.values(blob, Padded(std::size_t(detectorBytes))))
        return false;
    detector = QByteArray(blob.data(), qsizetype(detectorBytes));
    std::uint32_t points = 0, stages = 0;
    if (!c.value(points) || !c.value(stages) || points == 0 || points > 100000 ||
        stages > c.left() / 12 || !c.values(model.meanShape, 2 * std::uint64_t(points)))
        return false;
    model.points = int(points);
    model.stages.resize(stages);
    const std::uint64_t width = 2 * std::uint64_t(points);
    for (LandmarkView::Stage& s : model.stages) {
        std::uint32_t trees = 0, splits = 0, anchors = 0;
        // Counts kept small enough that the products below cannot overflow.
        if (!c.value(trees) || !c.value(splits) || !c.value(anchors) || trees > kMaxCount ||
            splits > kMaxCount || !c.values(s.anchors, anchors) ||
            !c.values(s.deltas, 2 * std::uint64_t(anchors)) ||
            !c.values(s.pixels, 2 * std::uint64_t(trees) * splits) ||
            !c.values(s.thresholds, std::uint64_t(trees) * splits) ||
            !c.values(s.leaves, std::uint64_t(trees) * (splits + 1ULL) * width))
            return false;
        s.trees = int(trees);
        s.splits = int(splits);
        for (std::uint32_t a : s.anchors)
            if (a >= points)
                return false;
        for (std::uint32_t p : s.pixels)
            if (p >= anchors)
                return false;
    }
    return c.left() == 0;
}

} // namespace

ModelStamp StampOf(const QString& file) {
    ModelStamp stamp;
    stamp.path = QFile::encodeName(file);
    struct stat st {};
    if (::stat(stamp.path.constData(), &st) == 0 && S_ISREG(st.st_mode)) {
        stamp.size = st.st_size;
        stamp.mtimeNs = std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    }
    return stamp;
}

QString DefaultCacheFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/quillmark");
}

QString ModelCachePath(const QString& folder, const QString& source) {
    const QByteArray key =
        QCryptographicHash::hash(QFile::encodeName(source), QCryptographicHash::Sha256)
            .toHex()
            .left(16);
    return QDir(folder).filePath(QStringLiteral("landmarks-%1.cache").arg(QLatin1String(key)));
}

QByteArray EncodeModelCache(const ModelStamp& stamp, const LandmarkView& model,
                            const QByteArray& detector) {
    QByteArray out;
    out.append(kMagic, sizeof kMagic);
    Writer w(out);
    w.value(kVersion);
    w.value(std::uint32_t(stamp.path.size()));
    w.value(std::int64_t(stamp.size));
    w.value(std::int64_t(stamp.mtimeNs));
    w.value(std::uint64_t(0)); // the payload's length and checksum, once it is written
    w.value(std::uint64_t(0));
    out.append(stamp.path);
    out.append(
        QByteArray(qsizetype(Padded(std::size_t(stamp.path.size())) - stamp.path.size()), 0));
    const qsizetype start = out.size();
    EncodePayload(model, detector, out);
    const std::uint64_t length = std::uint64_t(out.size() - start);
    const std::uint64_t sum = Checksum(out.constData() + start, std::size_t(length));
    std::memcpy(out.data() + kHeaderBytes - 16, &length, 8);
    std::memcpy(out.data() + kHeaderBytes - 8, &sum, 8);
    return out;
}

bool DecodeModelCache(const char* data, std::size_t size, const ModelStamp& stamp,
                      LandmarkView& model, QByteArray& detector) {
    model = LandmarkView();
    if (size < kHeaderBytes || std::memcmp(data, kMagic, sizeof kMagic) != 0)
        return false;
    Cursor c(data + sizeof kMagic, size - sizeof kMagic);
    std::uint32_t version = 0, pathBytes = 0;
    std::int64_t fileSize = 0, mtime = 0;
    std::uint64_t payloadBytes = 0, checksum = 0;
    c.value(version);
    c.value(pathBytes);
    c.value(fileSize);
    c.value(mtime);
    c.value(payloadBytes);
    c.value(checksum);
    const std::size_t padded = Padded(pathBytes);
    if (version != kVersion || pathBytes > kMaxPathBytes || padded > c.left() ||
        payloadBytes != c.left() - padded || fileSize != stamp.size || mtime != stamp.mtimeNs ||
        QByteArray::fromRawData(data + kHeaderBytes, pathBytes) != stamp.path)
        return false;
    const char* payload = data + kHeaderBytes + padded;
    if (Checksum(payload, std::size_t(payloadBytes)) != checksum)
        return false;
    Cursor body(payload, std::size_t(payloadBytes));
    if (!DecodePayload(body, model, detector)) {
        model = LandmarkView();
        return false;
    }
    return true;
}

bool ReadModelCache(const QString& path, const ModelStamp& stamp, LandmarkView& model,
                    QByteArray& detector) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
              st.st_size > std::int64_t(kHeaderBytes) && st.st_size <= 2 * kMaxModelBytes;
    if (ok) {
        // Populated at once: the checksum reads every page anyway, and one call maps them
        // far faster than a fault per page.
        const std::size_t size = std::size_t(st.st_size);
        void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        ok = map != MAP_FAILED;
        if (ok) {
            ok = DecodeModelCache(static_cast<const char*>(map), size, stamp, model, detector);
            if (ok)
                model.keep = std::shared_ptr<const void>(
                    map, [size](const void* at) { ::munmap(const_cast<void*>(at), size); });
            else
                ::munmap(map, size);
        }
    }
    ::close(fd);
    return ok;
}

bool WriteModelCache(const QString& path, const ModelStamp& stamp, const LandmarkView& model,
                     const QByteArray& detector, const std::atomic<bool>* cancel) {
    const auto cancelled = [cancel] { return cancel && cancel->load(); };
    if (cancelled() || !MakeFolderPath(QFileInfo(path).absolutePath()))
        return false;
    QByteArray bytes;
    try {
        bytes = EncodeModelCache(stamp, model, detector);
    } catch (...) {
        return false;
    }
    // A cache lost in a crash is only rebuilt: no sync to disk. Written in pieces, so that a
    // program ending meanwhile waits for one piece at most; uncommitted, nothing is left.
    TSafeFile file(path, TSafeFile::Sync::NoSync, TSafeFile::Links::Replace);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    constexpr qsizetype kPiece = qsizetype(4) << 20;
    for (qsizetype at = 0; at < bytes.size(); at += kPiece)
        if (cancelled() ||
            file.write(bytes.constData() + at, std::min(kPiece, bytes.size() - at)) < 0)
            return false;
    return !cancelled() && file.Commit();
}
