#pragma once

// Everything the program needs of the operating system, handed to the windows as one bundle.

#include "platform/FileChooser.h"
#include "platform/MessagePresenter.h"
#include "platform/Printers.h"
#include "platform/RemovableDrives.h"
#include "platform/SettingsStore.h"
#include "platform/Shell.h"
#include "platform/SystemFacts.h"
#include "platform/UserFolders.h"

#include <QString>
#include <QStringList>

// The operating-system services the program uses, handed to the windows that need them.
// Tests fill it with fakes.
struct PlatformServices {
    ISettingsStore* settings = nullptr;
    IShell* shell = nullptr;
    IMessagePresenter* messages = nullptr;
    ISystemFacts* system = nullptr;
    IUserFolders* folders = nullptr;
    IRemovableDrives* drives = nullptr;
    IPrinterSystem* printers = nullptr;
    IFileChooser* files = nullptr;
    QString programFile;   // full path of the running program
    QStringList arguments; // command-line arguments after the program name
};

// Owns the real implementations behind a PlatformServices.
class HostPlatform {
public:
    HostPlatform(const QString& programFile, const QStringList& arguments);
    ~HostPlatform();
    PlatformServices& services() { return m_services; }

private:
    std::unique_ptr<ISettingsStore> m_settings;
    std::unique_ptr<IShell> m_shell;
    std::unique_ptr<IMessagePresenter> m_messages;
    std::unique_ptr<ISystemFacts> m_system;
    std::unique_ptr<IUserFolders> m_folders;
    std::unique_ptr<IRemovableDrives> m_drives;
    std::unique_ptr<IFileChooser> m_files; // before the printers, which ask through it
    std::unique_ptr<IPrinterSystem> m_printers;
    PlatformServices m_services;
};
