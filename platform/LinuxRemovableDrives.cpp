#include "DriveScan.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <set>

QString UnescapeMountField(const QByteArray& field) {
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                out.append(char(code));
                i += 3;
                continue;
            }
        }
        out.append(field[i]);
    }
    return QString::fromUtf8(out);
}

QString UnescapeLabel(const QString& name) {
    QByteArray out;
    const QByteArray in = name.toUtf8();
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in[i] == '\\' && i + 3 < in.size() && in[i + 1] == 'x') {
            bool ok = false;
            const int code = in.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                out.append(char(code));
                i += 3;
                continue;
            }
        }
        out.append(in[i]);
    }
    return QString::fromUtf8(out);
}

std::vector<MountEntry> ParseMountInfo(const QByteArray& text) {
    std::vector<MountEntry> entries;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        // id parent major:minor root mount-point options [optional...] - type source super
        const qsizetype dash = fields.indexOf("-");
        if (fields.size() < 6 || dash < 6 || dash + 2 >= fields.size())
            continue;
        if (fields[3] != "/")
            continue; // a bind mount of a sub-folder
        entries.push_back({UnescapeMountField(fields[dash + 2]), UnescapeMountField(fields[4])});
    }
    return entries;
}

namespace {

QByteArray readSmall(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(64).trimmed() : QByteArray();
}

class LinuxRemovableDrives final : public IRemovableDrives {
public:
    explicit LinuxRemovableDrives(const QString& root) : m_root(root) {}

    std::vector<RemovableDrive> list() override {
        QFile mountInfo(m_root + QStringLiteral("/proc/self/mountinfo"));
        if (!mountInfo.open(QIODevice::ReadOnly))
            return {};
        std::vector<RemovableDrive> drives;
        std::set<QString> seen;
        for (const MountEntry& e : ParseMountInfo(mountInfo.readAll())) {
            if (!e.source.startsWith(QLatin1String("/dev/")))
                continue;
            const QString device = deviceName(e.source);
            if (device.isEmpty() || seen.count(device) || !isRemovable(device))
                continue;
            seen.insert(device);
            RemovableDrive d;
            d.rootPath = e.mountPoint.endsWith(QLatin1Char('/')) ? e.mountPoint
                                                                 : e.mountPoint + QLatin1Char('/');
            d.shortName = device;
            d.label = labelOf(device);
            const QFileInfo folder(m_root + e.mountPoint);
            d.readable = folder.isDir() && folder.isReadable();
            drives.push_back(d);
        }
        return drives;
    }

private:
    // The kernel's name of the block device ("sdb1"), following /dev symlinks.
    QString deviceName(const QString& source) const {
        const QFileInfo info(m_root + source);
        const QString real = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
        const QString name = QFileInfo(real).fileName();
        return QFileInfo::exists(m_root + QStringLiteral("/sys/class/block/") + name) ? name
                                                                                      : QString();
    }

    bool isRemovable(const QString& device) const {
        const QString node =
            QFileInfo(m_root + QStringLiteral("/sys/class/block/") + device).canonicalFilePath();
        if (node.isEmpty())
            return false;
        // A partition's flags are those of its disk, the folder above.
        const QString disk = QFileInfo::exists(node + QStringLiteral("/partition"))
                                 ? QFileInfo(node).absolutePath()
                                 : node;
        return readSmall(disk + QStringLiteral("/removable")) == "1" ||
               disk.contains(QLatin1String("/usb"));
    }

    QString labelOf(const QString& device) const {
        const QDir labels(m_root + QStringLiteral("/dev/disk/by-label"));
        for (const QFileInfo& link :
             labels.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
            if (QFileInfo(link.canonicalFilePath()).fileName() == device)
                return UnescapeLabel(link.fileName());
        }
        return {};
    }

    QString m_root;
};

} // namespace

std::unique_ptr<IRemovableDrives> createLinuxRemovableDrives(const QString& root) {
    return std::make_unique<LinuxRemovableDrives>(root);
}

std::unique_ptr<IRemovableDrives> createHostRemovableDrives() {
    return createLinuxRemovableDrives(QString());
}
