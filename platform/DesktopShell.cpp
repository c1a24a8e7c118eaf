#include "platform/Shell.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace {

// The opener is waited for this long (it may try a dozen browsers on a busy machine); one
// still running then has started a program.
constexpr int kOpenerMillis = 10000;

// The desktop's opener reports through its exit status whether a program took the document;
// merely starting it (all the toolkit checks) says nothing when no program is installed.
bool openWithDesktop(const QUrl& url) {
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty())
        return QDesktopServices::openUrl(url);
    // On the heap: an opener still running when the wait ends is left to run (a process
    // object destroyed would kill it) and deletes itself once it ends.
    auto* process = new QProcess;
    process->setProgram(opener);
    process->setArguments({url.toString(QUrl::FullyEncoded)});
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start();
    if (!process->waitForStarted()) {
        delete process;
        return false;
    }
    if (!process->waitForFinished(kOpenerMillis)) {
        QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
        return true;
    }
    const bool opened = process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
    delete process;
    return opened;
}

class DesktopShell final : public IShell {
public:
    bool openLocalPath(const QString& path) override {
        return openWithDesktop(QUrl::fromLocalFile(path));
    }
    bool openAddress(const QString& url) override { return openWithDesktop(QUrl(url)); }
};

} // namespace

std::unique_ptr<IShell> createDesktopShell() {
    return std::make_unique<DesktopShell>();
}
