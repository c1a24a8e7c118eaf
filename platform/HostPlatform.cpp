#include "platform/Platform.h"

HostPlatform::HostPlatform(const QString& programFile, const QStringList& arguments)
    : m_settings(createUserSettingsStore()), m_shell(createDesktopShell()),
      m_messages(createQtMessagePresenter()), m_system(createHostSystemFacts()),
      m_folders(createStandardUserFolders()), m_drives(createHostRemovableDrives()),
      m_files(createQtFileChooser(*m_drives)), m_printers(createHostPrinterSystem(*m_files)) {
    m_services.settings = m_settings.get();
    m_services.shell = m_shell.get();
    m_services.messages = m_messages.get();
    m_services.system = m_system.get();
    m_services.folders = m_folders.get();
    m_services.drives = m_drives.get();
    m_services.printers = m_printers.get();
    m_services.files = m_files.get();
    m_services.programFile = programFile;
    m_services.arguments = arguments;
}

HostPlatform::~HostPlatform() = default;
