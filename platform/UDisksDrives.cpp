#include "platform/UDisksDrives.h"

#include "platform/DriveScan.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QObject>
#include <QTimer>
#include <QSet>
#include <QVariantMap>

#include <fcntl.h>
#include <unistd.h>

#include <optional>
#include <utility>

using Interfaces = QMap<QString, QVariantMap>;
using ManagedObjects = QMap<QDBusObjectPath, Interfaces>;
Q_DECLARE_METATYPE(Interfaces)
Q_DECLARE_METATYPE(ManagedObjects)

namespace {

const QString kService = QStringLiteral("org.freedesktop.UDisks2");
const QString kRoot = QStringLiteral("/org/freedesktop/UDisks2");
const QString kBlock = QStringLiteral("org.freedesktop.UDisks2.Block");
const QString kFilesystem = QStringLiteral("org.freedesktop.UDisks2.Filesystem");
const QString kDrive = QStringLiteral("org.freedesktop.UDisks2.Drive");
const QString kManager = QStringLiteral("org.freedesktop.DBus.ObjectManager");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kErrors = QStringLiteral("org.freedesktop.UDisks2.Error.");
// Mounting may wait for the user to answer the system's password question.
constexpr int kMountTimeoutMs = 120000;
constexpr int kCallTimeoutMs = 10000;

// The service's byte strings end in a NUL.
QString byteString(const QVariant& value) {
    QByteArray bytes = value.toByteArray();
    while (bytes.endsWith('\0'))
        bytes.chop(1);
    return QString::fromLocal8Bit(bytes);
}

// "aay", which arrives still marshalled inside the variant.
QStringList byteStrings(const QVariant& value) {
    QStringList strings;
    if (!value.canConvert<QDBusArgument>())
        return strings;
    const auto arg = value.value<QDBusArgument>();
    arg.beginArray();
    while (!arg.atEnd()) {
        QByteArray bytes;
        arg >> bytes;
        strings << byteString(bytes);
    }
    arg.endArray();
    return strings;
}

QVariant unwrap(const QVariant& value) {
    return value.canConvert<QDBusVariant>() ? value.value<QDBusVariant>().variant() : value;
}

QString withSeparator(const QString& path) {
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

bool isSystemMount(const QString& point) {
    return point == QLatin1String("/") || point == QLatin1String("/boot") ||
           point == QLatin1String("/efi") || point == QLatin1String("/boot/efi");
}

// The qualifying volumes among the service's objects; paths gets each one's object path.
std::vector<RemovableDrive> qualifyingVolumes(const ManagedObjects& objects,
                                              QHash<QString, QString>& paths) {
    // A drive that holds the running system is never offered, even one on USB.
    QSet<QString> systemDrives;
    for (const Interfaces& object : objects) {
        for (const QString& point : byteStrings(object.value(kFilesystem).value(
                 QStringLiteral("MountPoints"))))
            if (isSystemMount(point))
                systemDrives << object.value(kBlock)
                                    .value(QStringLiteral("Drive"))
                                    .value<QDBusObjectPath>()
                                    .path();
    }
    std::vector<RemovableDrive> volumes;
    for (auto it = objects.cbegin(); it != objects.cend(); ++it) {
        if (!it->contains(kFilesystem) || !it->contains(kBlock))
            continue;
        const QVariantMap block = it->value(kBlock);
        if (block.value(QStringLiteral("HintIgnore")).toBool() ||
            block.value(QStringLiteral("HintSystem")).toBool())
            continue;
        const QString drivePath = block.value(QStringLiteral("Drive")).value<QDBusObjectPath>().path();
        const QVariantMap drive = objects.value(QDBusObjectPath(drivePath)).value(kDrive);
        if (drive.isEmpty() || systemDrives.contains(drivePath))
            continue;
        if (!drive.value(QStringLiteral("Removable")).toBool() &&
            !drive.value(QStringLiteral("MediaRemovable")).toBool() &&
            drive.value(QStringLiteral("ConnectionBus")).toString() != QLatin1String("usb"))
            continue;
        QString device = byteString(block.value(QStringLiteral("PreferredDevice")));
        if (device.isEmpty())
            device = byteString(block.value(QStringLiteral("Device")));
        const QStringList points =
            byteStrings(it->value(kFilesystem).value(QStringLiteral("MountPoints")));
        RemovableDrive volume;
        volume.rootPath = points.isEmpty() ? QString() : withSeparator(points.constFirst());
        volume.shortName = QFileInfo(device).fileName();
        volume.label = block.value(QStringLiteral("IdLabel")).toString();
        paths.insert(volume.shortName, it.key().path());
        volumes.push_back(volume);
    }
    return volumes;
}

DriveOutcome::Kind kindOf(const QDBusMessage& error) {
    const QString name = error.errorName();
    if (name.startsWith(kErrors + QStringLiteral("NotAuthorized")))
        return DriveOutcome::Refused;
    if (name == kErrors + QStringLiteral("DeviceBusy"))
        return DriveOutcome::Busy;
    return DriveOutcome::Failed;
}

// Writes out what the system still caches for the file system under path.
void syncFileSystem(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::syncfs(fd);
    ::close(fd);
}

class UDisksDrives final : public IRemovableDrives {
public:
    explicit UDisksDrives(const QDBusConnection& bus) : m_bus(bus) {
        qDBusRegisterMetaType<Interfaces>();
        qDBusRegisterMetaType<ManagedObjects>();
        // A stick comes as a drive and a volume, each with its own signal: one look at both.
        m_soon.setSingleShot(true);
        m_soon.setInterval(0);
        QObject::connect(&m_soon, &QTimer::timeout, [this] {
            if (m_changed)
                m_changed();
        });
    }

    // The service answers: then it also tells of drives that come and go.
    bool start() {
        if (!managedObjects())
            return false;
        for (const char* signal : {"InterfacesAdded", "InterfacesRemoved"})
            m_bus.connect(kService, kRoot, kManager, QLatin1String(signal), &m_soon, SLOT(start()));
        return true;
    }

    std::vector<RemovableDrive> list() override {
        const auto objects = managedObjects();
        m_paths.clear();
        return objects ? qualifyingVolumes(*objects, m_paths) : std::vector<RemovableDrive>{};
    }

    QString sourceName() const override { return QStringLiteral("UDisks2"); }

    DriveOutcome mount(const RemovableDrive& drive) override {
        const QString path = m_paths.value(drive.shortName);
        // The desktop may have mounted it since the list was made.
        if (const QString point = mountPoint(path); !point.isEmpty())
            return {DriveOutcome::Done, point, false, {}};
        const QDBusMessage reply =
            call(path, kFilesystem, QStringLiteral("Mount"), {QVariantMap()}, kMountTimeoutMs);
        if (reply.type() == QDBusMessage::ErrorMessage) {
            if (reply.errorName() == kErrors + QStringLiteral("AlreadyMounted"))
                return {DriveOutcome::Done, mountPoint(path), false, {}};
            return {kindOf(reply), {}, false, reply.errorMessage()};
        }
        return {
            DriveOutcome::Done, withSeparator(reply.arguments().value(0).toString()), false, {}};
    }

    bool canEject(const RemovableDrive& drive) const override {
        return m_paths.contains(drive.shortName);
    }

    DriveOutcome eject(const RemovableDrive& drive) override {
        const QString path = m_paths.value(drive.shortName);
        if (const QString point = mountPoint(path); !point.isEmpty()) {
            syncFileSystem(point);
            const QDBusMessage reply = call(path, kFilesystem, QStringLiteral("Unmount"),
                                            {QVariantMap()}, kMountTimeoutMs);
            if (reply.type() == QDBusMessage::ErrorMessage &&
                reply.errorName() != kErrors + QStringLiteral("NotMounted"))
                return {kindOf(reply), point, false, reply.errorMessage()};
        }
        // The volume is safe now; switching the drive off also tells the user by its light.
        const QString drivePath =
            property(path, kBlock, QStringLiteral("Drive")).value<QDBusObjectPath>().path();
        DriveOutcome outcome;
        if (!drivePath.isEmpty() && drivePath != QLatin1String("/") &&
            property(drivePath, kDrive, QStringLiteral("CanPowerOff")).toBool()) {
            const QDBusMessage reply = call(drivePath, kDrive, QStringLiteral("PowerOff"),
                                            {QVariantMap()}, kCallTimeoutMs);
            outcome.poweredOff = reply.type() != QDBusMessage::ErrorMessage;
            outcome.detail = reply.errorMessage();
        }
        return outcome;
    }

    void onChanged(std::function<void()> changed) override { m_changed = std::move(changed); }

private:
    QDBusMessage call(const QString& path, const QString& interface, const QString& method,
                      const QVariantList& arguments, int timeout) const {
        QDBusMessage message = QDBusMessage::createMethodCall(kService, path, interface, method);
        message.setArguments(arguments);
        message.setInteractiveAuthorizationAllowed(true);
        return m_bus.call(message, QDBus::Block, timeout);
    }

    QVariant property(const QString& path, const QString& interface, const QString& name) const {
        const QDBusMessage reply =
            call(path, kProperties, QStringLiteral("Get"), {interface, name}, kCallTimeoutMs);
        return reply.type() == QDBusMessage::ReplyMessage ? unwrap(reply.arguments().value(0))
                                                          : QVariant();
    }

    QString mountPoint(const QString& path) const {
        const QStringList points =
            byteStrings(property(path, kFilesystem, QStringLiteral("MountPoints")));
        return points.isEmpty() ? QString() : withSeparator(points.constFirst());
    }

    std::optional<ManagedObjects> managedObjects() const {
        const QDBusMessage reply =
            call(kRoot, kManager, QStringLiteral("GetManagedObjects"), {}, kCallTimeoutMs);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return std::nullopt;
        return qdbus_cast<ManagedObjects>(reply.arguments().constFirst());
    }

    QDBusConnection m_bus;
    std::function<void()> m_changed;
    QTimer m_soon;
    QHash<QString, QString> m_paths; // device name to object path, from the last list
};

} // namespace

std::unique_ptr<IRemovableDrives> createUDisksDrives(const QDBusConnection& bus) {
    if (!bus.isConnected())
        return nullptr;
    auto drives = std::make_unique<UDisksDrives>(bus);
    if (!drives->start())
        return nullptr;
    return drives;
}

std::unique_ptr<IRemovableDrives> createRemovableDrives(const QDBusConnection& bus,
                                                        const QString& root) {
    if (auto drives = createUDisksDrives(bus))
        return drives;
    return createLinuxRemovableDrives(root);
}

std::unique_ptr<IRemovableDrives> createHostRemovableDrives() {
    return createRemovableDrives(QDBusConnection::systemBus(), QString());
}
