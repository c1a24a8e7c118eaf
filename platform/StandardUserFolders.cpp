#include "platform/UserFolders.h"

#include <QStandardPaths>

namespace {

class StandardUserFolders final : public IUserFolders {
public:
    QString appDataFolder() override {
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    }
    QString desktopFolder() override {
        return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    }
};

} // namespace

std::unique_ptr<IUserFolders> createStandardUserFolders() {
    return std::make_unique<StandardUserFolders>();
}
