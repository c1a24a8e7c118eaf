#pragma once

// Removable drives from the desktop's disk service (UDisks2) on D-Bus: labels, mount on
// demand, safe eject and word of sticks plugged in or pulled out.

#include "platform/RemovableDrives.h"

#include <QString>

#include <memory>

class QDBusConnection;

// The disk service's removable volumes on that bus; null when the bus is not connected or
// the service does not answer there. A volume qualifies when it holds a file system on a
// drive that is removable, has removable media or sits on USB, and the service does not
// mark it as one to ignore or as part of the system.
std::unique_ptr<IRemovableDrives> createUDisksDrives(const QDBusConnection& bus);

// The disk service's drives when the bus has it, else the mount table under root (empty:
// the real one).
std::unique_ptr<IRemovableDrives> createRemovableDrives(const QDBusConnection& bus,
                                                        const QString& root);
