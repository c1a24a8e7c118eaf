#pragma once

// The open and save dialogs, as the rest of the program asks for them.

#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QWidget;

struct FileChooserRequest {
    QWidget* owner = nullptr;
    QString title;           // empty: the toolkit's own caption
    QString initialDir;      // empty: the toolkit's choice
    QString fileName;        // pre-filled name
    QStringList nameFilters; // Qt form, e.g. "JPEG (*.jpg *.jpeg)"
    int filterIndex = 0;     // 0-based
    QString defaultSuffix;   // without the dot
    bool mustExist = false;
    // A save dialog: its Save button accepts a name that need not exist; the caller asks
    // before replacing a file.
    bool save = false;
    // With save: the dialog itself asks before replacing an existing file.
    bool confirmOverwrite = false;
    bool multiple = false;       // several existing files may be chosen
    bool showHidden = false;     // list hidden files too
    bool resolveSymlinks = true; // a chosen link gives its target
    bool placesBar = true;       // the side bar of common places
    // Where to put the dialog, given its size; empty: the toolkit's choice.
    std::function<QPoint(const QSize&)> placement;
};

struct FileChooserAnswer {
    QString path;      // the first chosen file
    QStringList paths; // all of them (one unless several were allowed)
    int filterIndex = 0;
};

// A modal file chooser; tests replace it with one that answers by itself.
class IFileChooser {
public:
    virtual ~IFileChooser() = default;
    virtual std::optional<FileChooserAnswer> chooseFile(const FileChooserRequest& request) = 0;
};

class IRemovableDrives;

// Qt's own dialog. Without an initial folder it opens in the user's Pictures folder the
// first time and in the last folder used afterwards; its side bar lists the user's places
// and the mounted removable drives.
std::unique_ptr<IFileChooser> createQtFileChooser(IRemovableDrives& drives);

// The side bar: home, Pictures, Desktop, Documents (those that exist, each once), then the
// drives' mount points.
QStringList SideBarPlaces(const QString& home, const QStringList& userFolders,
                          const QStringList& driveRoots);

// Where a print to the virtual printer goes: asks with a save dialog that starts in
// documents (home when it does not exist) on "Quillmark.pdf"; adds ".pdf" to a name without
// an extension. Empty when the user cancels.
QString AskPdfFileName(IFileChooser& chooser, QWidget* owner, const QString& documents,
                       const QString& home);
