#pragma once

// USB drives a sheet can be written to.

#include <QString>

#include <functional>
#include <memory>
#include <vector>

struct RemovableDrive {
    QString rootPath;     // mount point, ending in a path separator; empty while not mounted
    QString shortName;    // letter-like short name, such as "sdb1"
    QString label;        // volume label, possibly empty or padded with blanks
    bool readable = true; // false for a slot without a medium
};

// How a mount or an eject went. Messages for the user are made by the caller from the
// outcome; detail is the system's own text, for the log and unforeseen failures.
struct DriveOutcome {
    enum Kind { Done, Refused, Busy, Failed } kind = Done;
    QString rootPath;        // after a mount: where the volume is now
    bool poweredOff = false; // after an eject: the drive was switched off as well
    QString detail;
};

class IRemovableDrives {
public:
    virtual ~IRemovableDrives() = default;
    // Removable volumes, in any order; callers sort by short name.
    virtual std::vector<RemovableDrive> list() = 0;
    // Where the drives come from, for the log ("UDisks2", "mount table"); empty for none.
    virtual QString sourceName() const { return {}; }
    // Mounts a volume listed without a root path; a mounted one just gives its root.
    virtual DriveOutcome mount(const RemovableDrive& drive) {
        return {drive.rootPath.isEmpty() ? DriveOutcome::Failed : DriveOutcome::Done,
                drive.rootPath,
                false,
                {}};
    }
    // Whether eject can take the volume off safely.
    virtual bool canEject(const RemovableDrive&) const { return false; }
    // Writes out what is cached, unmounts the volume and switches its drive off where it can.
    virtual DriveOutcome eject(const RemovableDrive&) {
        return {DriveOutcome::Failed, {}, false, {}};
    }
    // Called when drives come or go; sources that cannot tell never call it. An empty
    // function stops the calls.
    virtual void onChanged(std::function<void()> changed) { (void)changed; }
};

// The desktop's disk service when the system has one, else the mount table.
std::unique_ptr<IRemovableDrives> createHostRemovableDrives();

// Short names in the order people count: runs of digits compare as numbers, so "sdb2"
// comes before "sdb10" and "sdb10" before "sdc1".
bool DriveNameLess(const QString& a, const QString& b);
