#pragma once

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

std::unique_ptr<IFileChooser> createQtFileChooser();
