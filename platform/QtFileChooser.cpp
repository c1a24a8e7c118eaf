#include "FileChooser.h"

#include <QEvent>
#include <QFileDialog>

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

class QtFileChooser final : public IFileChooser {
public:
    std::optional<FileChooserAnswer> chooseFile(const FileChooserRequest& request) override {
        QFileDialog dialog(request.owner, request.title, request.initialDir);
        // The toolkit's own dialog, so that it can be placed and looks the same everywhere.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        if (request.save) {
            dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Save"));
            dialog.setOption(QFileDialog::DontConfirmOverwrite);
        }
        dialog.setFileMode(request.multiple    ? QFileDialog::ExistingFiles
                           : request.mustExist ? QFileDialog::ExistingFile
                                               : QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontResolveSymlinks, !request.resolveSymlinks);
        if (request.showHidden)
            dialog.setFilter(dialog.filter() | QDir::Hidden);
        if (!request.placesBar)
            dialog.setSidebarUrls({});
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
        answer.filterIndex =
            std::max<qsizetype>(0, request.nameFilters.indexOf(dialog.selectedNameFilter()));
        return answer;
    }
};

} // namespace

std::unique_ptr<IFileChooser> createQtFileChooser() {
    return std::make_unique<QtFileChooser>();
}
