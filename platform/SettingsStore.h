#pragma once

// The per-user settings store: key paths and named values.

#include <QString>

#include <memory>

// Per-user settings laid out like a registry hive: a backslash-separated key path
// ("SOFTWARE\Brindlewood\Quillmark") holding named string values. Key paths and value
// names compare without regard to case, as registry names do.
class ISettingsStore {
public:
    virtual ~ISettingsStore() = default;
    // Opens the key, creating it when missing. False when the store cannot be opened.
    virtual bool openKey(const QString& keyPath) = 0;
    // False when the value is absent or the store cannot be read.
    virtual bool readString(const QString& keyPath, const QString& name, QString& value) = 0;
    // False when the store refuses the write; never throws.
    virtual bool writeString(const QString& keyPath, const QString& name, const QString& value) = 0;
};

// The real store: on Linux an INI file (by default under the XDG config folder), on
// Windows the current user's registry hive itself.
std::unique_ptr<ISettingsStore> createIniSettingsStore(const QString& iniFile);
std::unique_ptr<ISettingsStore> createUserSettingsStore();
QString defaultSettingsFile();
