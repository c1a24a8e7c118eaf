#include "platform/Shell.h"

#include <QDesktopServices>
#include <QUrl>

namespace {

class DesktopShell final : public IShell {
public:
    bool openLocalPath(const QString& path) override {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    }
    bool openAddress(const QString& url) override { return QDesktopServices::openUrl(QUrl(url)); }
};

} // namespace

std::unique_ptr<IShell> createDesktopShell() {
    return std::make_unique<DesktopShell>();
}
