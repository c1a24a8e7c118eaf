#include "FileChooser.h"

#include <QFileDialog>

namespace {

class QtFileChooser final : public IFileChooser {
public:
    std::optional<FileChooserAnswer> chooseFile(const FileChooserRequest& request) override {
        QFileDialog dialog(request.owner, request.title, request.initialDir);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        dialog.setNameFilters(request.nameFilters);
        if (request.filterIndex >= 0 && request.filterIndex < request.nameFilters.size())
            dialog.selectNameFilter(request.nameFilters.at(request.filterIndex));
        if (!request.defaultSuffix.isEmpty())
            dialog.setDefaultSuffix(request.defaultSuffix);
        if (!request.fileName.isEmpty())
            dialog.selectFile(request.fileName);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        FileChooserAnswer answer;
        answer.path = dialog.selectedFiles().constFirst();
        answer.filterIndex =
            std::max<qsizetype>(0, request.nameFilters.indexOf(dialog.selectedNameFilter()));
        return answer;
    }
};

} // namespace

std::unique_ptr<IFileChooser> createQtFileChooser() {
    return std::make_unique<QtFileChooser>();
}
