#include "platform/VersionResource.h"

#include <QFile>

#include <cstring>
#include <elf.h>

namespace {

constexpr char kSectionName[] = ".note.quillmark.version";
constexpr char kNoteOwner[] = "Quillmark";

template <typename T> bool readAt(QFile& file, qint64 offset, T& out) {
    return file.seek(offset) && file.read(reinterpret_cast<char*>(&out), sizeof out) == sizeof out;
}

// Finds the named section; Ehdr/Shdr are the 32- or 64-bit ELF layouts.
template <typename Ehdr, typename Shdr> std::optional<FileVersion> readFromSections(QFile& file) {
    Ehdr header{};
    if (!readAt(file, 0, header) || header.e_shentsize != sizeof(Shdr) || header.e_shnum == 0 ||
        header.e_shstrndx >= header.e_shnum || header.e_shnum > 4096)
        return std::nullopt;
    Shdr names{};
    if (!readAt(file, header.e_shoff + qint64(header.e_shstrndx) * sizeof(Shdr), names))
        return std::nullopt;
    for (int i = 0; i < header.e_shnum; ++i) {
        Shdr section{};
        if (!readAt(file, header.e_shoff + qint64(i) * sizeof(Shdr), section))
            return std::nullopt;
        char name[sizeof kSectionName] = {};
        if (!file.seek(names.sh_offset + section.sh_name) ||
            file.read(name, sizeof name) != sizeof name ||
            std::memcmp(name, kSectionName, sizeof name) != 0)
            continue;
        // A note: namesz, descsz, type, owner name padded to 4, then eight bytes of version.
        struct {
            uint32_t namesz, descsz, type;
            char owner[12];
            uint16_t parts[4];
        } note{};
        if (section.sh_size < sizeof note || !readAt(file, section.sh_offset, note) ||
            note.namesz != sizeof kNoteOwner || note.descsz != sizeof note.parts ||
            std::memcmp(note.owner, kNoteOwner, sizeof kNoteOwner) != 0)
            return std::nullopt;
        return FileVersion{note.parts[0], note.parts[1], note.parts[2], note.parts[3]};
    }
    return std::nullopt;
}

} // namespace

std::optional<FileVersion> readFileVersion(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    unsigned char ident[EI_NIDENT] = {};
    if (file.read(reinterpret_cast<char*>(ident), EI_NIDENT) != EI_NIDENT ||
        std::memcmp(ident, ELFMAG, SELFMAG) != 0 || ident[EI_DATA] != ELFDATA2LSB)
        return std::nullopt;
    if (ident[EI_CLASS] == ELFCLASS64)
        return readFromSections<Elf64_Ehdr, Elf64_Shdr>(file);
    if (ident[EI_CLASS] == ELFCLASS32)
        return readFromSections<Elf32_Ehdr, Elf32_Shdr>(file);
    return std::nullopt;
}
