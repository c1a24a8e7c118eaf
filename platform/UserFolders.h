#pragma once

// The user's standard folders: data, pictures, documents, desktop.

#include <QString>

#include <memory>

class IUserFolders {
public:
    virtual ~IUserFolders() = default;
    // The per-user application data folder (without the maker's sub-folder); empty when
    // the desktop has none.
    virtual QString appDataFolder() = 0;
    virtual QString desktopFolder() = 0;
};

std::unique_ptr<IUserFolders> createStandardUserFolders();
