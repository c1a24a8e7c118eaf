#pragma once

// Opening a document with the desktop's own program.

#include <QString>

#include <memory>

// Opens documents, folders and links with the desktop's default handler. Failures are
// reported through the result only; callers ignore it where the shell may fail silently.
class IShell {
public:
    virtual ~IShell() = default;
    virtual bool openLocalPath(const QString& path) = 0;
    virtual bool openAddress(const QString& url) = 0;
};

std::unique_ptr<IShell> createDesktopShell();
