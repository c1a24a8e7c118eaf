#pragma once

// Removable drives read from the system's block devices and mounts (sysfs, /proc).

#include "platform/RemovableDrives.h"

#include <QByteArray>
#include <QString>

#include <vector>

// What the Linux drive provider reads, as plain functions over text.

// A mounted file system from /proc/self/mountinfo: its source device and mount point.
struct MountEntry {
    QString source;
    QString mountPoint;
    QString deviceNumber; // "major:minor", for sources such as /dev/root that have no node
};
// Entries that mount a whole file system (root "/"), with the octal escapes of blanks and
// other characters undone.
std::vector<MountEntry> ParseMountInfo(const QByteArray& text);
// Entries, whole or not (a btrfs subvolume), that mount the system: "/", "/boot", "/efi" or
// "/boot/efi". The disks under them are never offered as removable drives.
std::vector<MountEntry> SystemMounts(const QByteArray& text);
// Undoes the "\ooo" octal escapes of mountinfo fields.
QString UnescapeMountField(const QByteArray& field);
// Undoes the "\xhh" escapes of the names in /dev/disk/by-label.
QString UnescapeLabel(const QString& name);

// The provider over a file-system root (empty: the real one), so that tests can build a
// small tree with proc/self/mountinfo, sys/class/block and dev/disk/by-label. A mounted
// block device counts as removable when its disk has the sysfs removable flag or sits on
// a USB bus, unless that disk also holds a system mount (directly, or under a device-mapper,
// RAID or LVM volume).
std::unique_ptr<IRemovableDrives> createLinuxRemovableDrives(const QString& root);
