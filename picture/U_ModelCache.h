#pragma once

// A compact copy of the landmark model in the user's cache folder. The model file stores
// every number as a variable-length integer pair, which takes far longer to parse than the
// same numbers take to copy; the cache holds them as plain 32-bit values, read with one
// mapping. The model file stays the source of truth: the cache names its size, modification
// time and path, and carries a checksum, so that a stale, cut or damaged cache is refused
// (and rebuilt), never trusted. The face detector, which the face library unpacks slowly from
// a compressed form built into it, is kept beside it in the library's own serial form.

#include "picture/U_ModelFile.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstdint>

// What ties a cache to the model file it was made from.
struct ModelStamp {
    QByteArray path; // the model file's path, as given
    std::int64_t size = -1;
    std::int64_t mtimeNs = 0; // modification time, nanoseconds since the epoch
    bool operator==(const ModelStamp&) const = default;
};

// The stamp of file as it is now; size -1 when it cannot be examined.
ModelStamp StampOf(const QString& file);

// The folder the program keeps caches in: $XDG_CACHE_HOME/quillmark (~/.cache/quillmark).
QString DefaultCacheFolder();
// The cache for the model file source in folder: one file per model path.
QString ModelCachePath(const QString& folder, const QString& source);

// The cache's bytes for model read from the file stamped so, and the detector's bytes.
QByteArray EncodeModelCache(const ModelStamp& stamp, const LandmarkView& model,
                            const QByteArray& detector);
// The model back from a cache's bytes (8-byte aligned), viewed where it lies: the views point
// into data, which must outlive them. False when the bytes are not a whole, sound cache of a
// file stamped exactly so (wrong magic or version, other stamp, cut short, extra bytes, a
// checksum that differs, counts that do not add up, indices out of range).
bool DecodeModelCache(const char* data, std::size_t size, const ModelStamp& stamp,
                      LandmarkView& model, QByteArray& detector);

// Reads the cache at path (never through a symbolic link, only a plain file of this user)
// into a private read-only mapping that model keeps; false when there is none or it does
// not hold the model stamped so.
bool ReadModelCache(const QString& path, const ModelStamp& stamp, LandmarkView& model,
                    QByteArray& detector);
// Writes the cache at path with the safe writer: a link there is replaced, never followed,
// and the file appears whole or not at all. False when it cannot (or when cancel is set
// before the file is put in place); the program then simply runs without a cache.
bool WriteModelCache(const QString& path, const ModelStamp& stamp, const LandmarkView& model,
                     const QByteArray& detector, const std::atomic<bool>* cancel = nullptr);
