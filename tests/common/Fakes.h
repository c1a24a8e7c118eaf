#pragma once

// Stand-ins for the operating-system services, recording what the program asks of them.
#include "platform/Platform.h"

#include <QDir>
#include <QStringList>
#include <QTemporaryDir>

#include <deque>
#include <functional>
#include <ostream>
#include <vector>

class RecordingPresenter final : public IMessagePresenter {
public:
    int present(const MessageRequest& request) override {
        requests.push_back(request);
        if (request.checked)
            *request.checked = check;
        if (!answers.empty()) {
            const int answer = answers.front();
            answers.pop_front();
            return answer;
        }
        return MsgOk;
    }
    QStringList texts() const {
        QStringList result;
        for (const auto& r : requests)
            result << r.text;
        return result;
    }
    std::vector<MessageRequest> requests;
    std::deque<int> answers;
    bool check = false; // the state a check box is left in
};

class RecordingShell final : public IShell {
public:
    bool openLocalPath(const QString& path) override {
        opened << path;
        return succeed;
    }
    bool openAddress(const QString& url) override {
        opened << url;
        return succeed;
    }
    QStringList opened;
    bool succeed = true;
};

class FakeSystemFacts final : public ISystemFacts {
public:
    QString osDescription() override { return description; }
    bool isWow64() override { return wow64; }
    bool isAdministrator() override { return admin; }
    QString description = QStringLiteral("Linux 6.1.0 (Debian GNU/Linux 12 (bookworm))");
    bool wow64 = false;
    bool admin = false;
};

class FakeUserFolders final : public IUserFolders {
public:
    QString appDataFolder() override { return appData; }
    QString desktopFolder() override { return desktop; }
    QString appData;
    QString desktop;
};

class FakeDrives final : public IRemovableDrives {
public:
    std::vector<RemovableDrive> list() override { return drives; }
    std::vector<RemovableDrive> drives;
};

class ScriptedFileChooser final : public IFileChooser {
public:
    std::optional<FileChooserAnswer> chooseFile(const FileChooserRequest& request) override {
        requests.push_back(request);
        if (answers.empty())
            return std::nullopt;
        const std::optional<FileChooserAnswer> answer = answers.front();
        answers.pop_front();
        if (!answer)
            return std::nullopt;
        return *answer;
    }
    std::vector<FileChooserRequest> requests;
    std::deque<std::optional<FileChooserAnswer>> answers;
};

// A printer system with any list, default, metrics and dialog answer, recording each page.
class SimulatedPrinters final : public IPrinterSystem {
public:
    struct Printer {
        QString name;
        PrinterMetrics metrics;
    };
    QStringList printerNames() override {
        QStringList names;
        for (const auto& p : printers)
            names << p.name;
        return names;
    }
    int defaultPrinterIndex() override { return defaultIndex; }
    int selectedIndex() override { return selected < 0 ? defaultIndex : selected; }
    QString selectedName() override {
        const int i = selectedIndex();
        return i >= 0 && i < int(printers.size()) ? printers[size_t(i)].name : QString();
    }
    PrinterMetrics selectedMetrics() override {
        const int i = selectedIndex();
        if (i < 0 || i >= int(printers.size()) || failMetrics)
            throw PrinterError(QStringLiteral("The printer is not available."));
        return printers[size_t(i)].metrics;
    }
    bool showPrintDialog(QWidget*) override {
        ++dialogs;
        if (dialogChoice >= 0)
            selected = dialogChoice;
        return dialogConfirms;
    }
    void printOnePage(const QString& documentName,
                      const std::function<void(IPageCanvas&)>& draw) override;

    std::vector<Printer> printers;
    int defaultIndex = 0;
    int selected = -1;
    bool failMetrics = false;
    bool failPrint = false;
    bool dialogConfirms = true;
    int dialogChoice = -1;
    int dialogs = 0;
    std::vector<QImage> pages; // one image of the printable area per printed page
    QStringList documentNames; // the job name of each printed page
    // Runs first in every print job, on the job's thread: a test may hold the job there.
    std::function<void()> whilePrinting;
};

inline PrinterMetrics A4At600() {
    return PrinterMetrics{600, 600, 4760, 6779, 100, 100};
}

// The fake platform's printer, its axes unlike each other as on most real printers: A4 at
// 600 x 300 dpi with margins of 100 and 55 pixels. 35 x 45 mm cells are 826 x 531 pixels,
// 5 columns with gaps of 107 and 6 rows with gaps of 18: 30 photos.
inline PrinterMetrics OfficeLaser() {
    return PrinterMetrics{600, 300, 4760, 3390, 100, 55};
}

// A complete set of fake services over a temporary folder.
struct FakePlatform {
    FakePlatform();
    QTemporaryDir root;
    std::unique_ptr<ISettingsStore> settings;
    RecordingShell shell;
    RecordingPresenter messages;
    FakeSystemFacts system;
    FakeUserFolders folders;
    FakeDrives drives;
    SimulatedPrinters printers;
    ScriptedFileChooser files;
    PlatformServices services;
    QString settingsFile() const { return root.filePath(QStringLiteral("config/registry.ini")); }
};

// Readable QString values in test failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
