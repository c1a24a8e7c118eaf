#pragma once

// The system's version described as the log writes it.

#include <QString>

// The version record of a Windows system, as far as the description needs it.
struct WindowsVersionRecord {
    bool queried = false; // the version query succeeded
    int platformId = 0;   // 1: the 95 family, 2: the NT family
    int major = 0;
    int minor = 0;
    QString servicePack;             // service-pack text of the record
    bool workstationQueried = false; // NT: the workstation query succeeded
    int workstationMajor = 0;
    int workstationMinor = 0;
};

// The NT-family part of the description, from the workstation figures.
QString NtVersionString(const WindowsVersionRecord& record);
// "major.minor" plus a name in parentheses where one is known, or "Unknown".
QString WindowsVersionString(const WindowsVersionRecord& record);
