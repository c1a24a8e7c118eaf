#pragma once

// USB drives a sheet can be written to.

#include <QString>

#include <memory>
#include <vector>

struct RemovableDrive {
    QString rootPath;     // mount point, ending in a path separator
    QString shortName;    // letter-like short name, such as "sdb1"
    QString label;        // volume label, possibly empty or padded with blanks
    bool readable = true; // false for a slot without a medium
};

class IRemovableDrives {
public:
    virtual ~IRemovableDrives() = default;
    // Removable volumes, in any order; callers sort by short name.
    virtual std::vector<RemovableDrive> list() = 0;
};

std::unique_ptr<IRemovableDrives> createHostRemovableDrives();

// Short names in the order people count: runs of digits compare as numbers, so "sdb2"
// comes before "sdb10" and "sdb10" before "sdc1".
bool DriveNameLess(const QString& a, const QString& b);
