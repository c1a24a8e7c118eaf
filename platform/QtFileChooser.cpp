#include "platform/FileChooser.h"

#include "platform/RemovableDrives.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHash>
#include <QStandardPaths>
#include <QUrl>

namespace {

// Moves the dialog where the request wants it as it is shown, when its size is known.
class Placer final : public QObject {
public:
    Placer(QWidget* dialog, std::function<QPoint(const QSize&)> placement)
        : QObject(dialog), m_dialog(dialog), m_placement(std::move(placement)) {
        dialog->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_dialog && event->type() == QEvent::Show)
            m_dialog->move(m_placement(m_dialog->frameGeometry().size()));
        return false;
    }

private:
    QWidget* m_dialog;
    std::function<QPoint(const QSize&)> m_placement;
};

QString location(QStandardPaths::StandardLocation which) {
    return QStandardPaths::writableLocation(which);
}

class QtFileChooser final : public IFileChooser {
public:
    explicit QtFileChooser(IRemovableDrives& drives) : m_drives(drives) {}

    std::optional<FileChooserAnswer> chooseFile(const FileChooserRequest& request) override {
        QFileDialog dialog(request.owner, request.title, startFolder(request));
        // The toolkit's own dialog, so that it can be placed and looks the same everywhere.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        if (request.save) {
            // The accept button keeps the toolkit's own label, which follows the language.
            dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
        }
        dialog.setFileMode(request.multiple    ? QFileDialog::ExistingFiles
                           : request.mustExist ? QFileDialog::ExistingFile
                                               : QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontResolveSymlinks, !request.resolveSymlinks);
        if (request.showHidden)
            dialog.setFilter(dialog.filter() | QDir::Hidden);
        dialog.setSidebarUrls(request.placesBar ? places() : QList<QUrl>());
        dialog.setNameFilters(request.nameFilters);
        if (request.filterIndex >= 0 && request.filterIndex < request.nameFilters.size())
            dialog.selectNameFilter(request.nameFilters.at(request.filterIndex));
        if (!request.defaultSuffix.isEmpty())
            dialog.setDefaultSuffix(request.defaultSuffix);
        if (!request.fileName.isEmpty())
            dialog.selectFile(request.fileName);
        if (request.placement)
            new Placer(&dialog, request.placement); // a child of the dialog
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        FileChooserAnswer answer;
        answer.paths = dialog.selectedFiles();
        answer.path = answer.paths.constFirst();
        if (request.initialDir.isEmpty())
            m_lastFolder[request.save] = QFileInfo(answer.path).absolutePath();
        answer.filterIndex =
            std::max<qsizetype>(0, request.nameFilters.indexOf(dialog.selectedNameFilter()));
        return answer;
    }

private:
    // Not the working folder: the request's, else the last one used by an open (or save)
    // dialog that had none, else Pictures.
    QString startFolder(const FileChooserRequest& request) const {
        if (!request.initialDir.isEmpty())
            return request.initialDir;
        if (QFileInfo(request.fileName).isAbsolute())
            return QString();
        if (const QString last = m_lastFolder.value(request.save); !last.isEmpty())
            return last;
        const QString pictures = location(QStandardPaths::PicturesLocation);
        return QFileInfo(pictures).isDir() ? pictures : QDir::homePath();
    }

    QList<QUrl> places() const {
        QStringList roots;
        for (const RemovableDrive& drive : m_drives.list()) {
            if (drive.readable && !drive.rootPath.isEmpty())
                roots << drive.rootPath;
        }
        QList<QUrl> urls;
        const QStringList folders = SideBarPlaces(QDir::homePath(),
                                                  {location(QStandardPaths::PicturesLocation),
                                                   location(QStandardPaths::DesktopLocation),
                                                   location(QStandardPaths::DocumentsLocation)},
                                                  roots);
        for (const QString& folder : folders)
            urls << QUrl::fromLocalFile(folder);
        return urls;
    }

    IRemovableDrives& m_drives;
    QHash<bool, QString> m_lastFolder;
};

} // namespace

QStringList SideBarPlaces(const QString& home, const QStringList& userFolders,
                          const QStringList& driveRoots) {
    QStringList places;
    auto add = [&places](const QString& folder) {
        const QString clean = QDir::cleanPath(folder);
        if (!folder.isEmpty() && QFileInfo(clean).isDir() && !places.contains(clean))
            places << clean;
    };
    add(home);
    for (const QString& folder : userFolders)
        add(folder);
    for (const QString& root : driveRoots)
        add(root);
    return places;
}

QString AskPdfFileName(IFileChooser& chooser, QWidget* owner, const QString& documents,
                       const QString& home) {
    FileChooserRequest request;
    request.owner = owner;
    // The toolkit's own wording, so that its translations name the dialog in the chosen language.
    request.title = QCoreApplication::translate("QPrintDialog", "Print to File (PDF)");
    request.initialDir = QFileInfo(documents).isDir() ? documents : home;
    request.fileName = QStringLiteral("Quillmark.pdf");
    request.nameFilters = {QStringLiteral("PDF (*.pdf)")};
    request.defaultSuffix = QStringLiteral("pdf");
    request.save = true;
    request.confirmOverwrite = true;
    const auto answer = chooser.chooseFile(request);
    if (!answer || answer->path.isEmpty())
        return QString();
    if (QFileInfo(answer->path).suffix().isEmpty())
        return answer->path + QStringLiteral(".pdf");
    return answer->path;
}

std::unique_ptr<IFileChooser> createQtFileChooser(IRemovableDrives& drives) {
    return std::make_unique<QtFileChooser>(drives);
}
