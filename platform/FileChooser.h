#pragma once

#include <QString>
#include <QStringList>

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
};

struct FileChooserAnswer {
    QString path;
    int filterIndex = 0;
};

// A modal file chooser; tests replace it with one that answers by itself.
class IFileChooser {
public:
    virtual ~IFileChooser() = default;
    virtual std::optional<FileChooserAnswer> chooseFile(const FileChooserRequest& request) = 0;
};

std::unique_ptr<IFileChooser> createQtFileChooser();
