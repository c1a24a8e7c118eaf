#pragma once

// The four-part version embedded in the program file.

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

// The program file's four-part version, kept in an ELF note section written at link time
// so that it can be read back from any copy of the file.
using FileVersion = std::array<uint16_t, 4>;

// The version carried by the file, or nothing when the file has none or cannot be read.
std::optional<FileVersion> readFileVersion(const QString& path);
