#include "platform/DriveScan.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
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

namespace {

// Every mount of the table; wholeOnly keeps those of a whole file system (root "/").
std::vector<MountEntry> parseMounts(const QByteArray& text, bool wholeOnly) {
    std::vector<MountEntry> entries;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        // id parent major:minor root mount-point options [optional...] - type source super
        const qsizetype dash = fields.indexOf("-");
        if (fields.size() < 6 || dash < 6 || dash + 2 >= fields.size())
            continue;
        if (wholeOnly && fields[3] != "/")
            continue; // a bind mount of a sub-folder
        entries.push_back({UnescapeMountField(fields[dash + 2]), UnescapeMountField(fields[4]),
                           QString::fromLatin1(fields[2])});
    }
    return entries;
}

// Compares two runs of digits as numbers of any length.
int compareNumbers(QStringView a, QStringView b) {
    while (a.size() > 1 && a.front() == QLatin1Char('0'))
        a = a.mid(1);
    while (b.size() > 1 && b.front() == QLatin1Char('0'))
        b = b.mid(1);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

qsizetype digitsFrom(const QString& text, qsizetype at) {
    qsizetype end = at;
    while (end < text.size() && text.at(end).isDigit())
        ++end;
    return end;
}

} // namespace

std::vector<MountEntry> ParseMountInfo(const QByteArray& text) {
    return parseMounts(text, true);
}

std::vector<MountEntry> SystemMounts(const QByteArray& text) {
    static const QStringList systemPoints = {QStringLiteral("/"), QStringLiteral("/boot"),
                                             QStringLiteral("/efi"), QStringLiteral("/boot/efi")};
    std::vector<MountEntry> system;
    for (MountEntry& e : parseMounts(text, false))
        if (systemPoints.contains(e.mountPoint))
            system.push_back(std::move(e));
    return system;
}

bool DriveNameLess(const QString& a, const QString& b) {
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a.at(i).isDigit() && b.at(j).isDigit()) {
            const qsizetype endA = digitsFrom(a, i), endB = digitsFrom(b, j);
            const int order =
                compareNumbers(QStringView(a).mid(i, endA - i), QStringView(b).mid(j, endB - j));
            if (order != 0)
                return order < 0;
            i = endA;
            j = endB;
            continue;
        }
        if (a.at(i) != b.at(j))
            return a.at(i) < b.at(j);
        ++i;
        ++j;
    }
    if ((a.size() - i) != (b.size() - j))
        return (a.size() - i) < (b.size() - j);
    return a < b; // "sdb01" and "sdb1": still a strict order
}

namespace {

QByteArray readSmall(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(64).trimmed() : QByteArray();
}

class LinuxRemovableDrives final : public IRemovableDrives {
public:
    explicit LinuxRemovableDrives(const QString& root) : m_root(root) {}

    QString sourceName() const override { return QStringLiteral("mount table"); }

    std::vector<RemovableDrive> list() override {
        QFile mountInfo(m_root + QStringLiteral("/proc/self/mountinfo"));
        if (!mountInfo.open(QIODevice::ReadOnly))
            return {};
        const QByteArray table = mountInfo.readAll();
        std::set<QString> systemDisks;
        for (const MountEntry& e : SystemMounts(table))
            addDisks(blockNode(deviceName(e)), systemDisks, 0);
        std::vector<RemovableDrive> drives;
        std::set<QString> seen;
        for (const MountEntry& e : ParseMountInfo(table)) {
            if (!e.source.startsWith(QLatin1String("/dev/")))
                continue;
            const QString device = deviceName(e);
            if (device.isEmpty() || seen.count(device) || !isRemovable(device) ||
                systemDisks.count(diskOf(blockNode(device))))
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
        std::sort(drives.begin(), drives.end(), [](const auto& a, const auto& b) {
            return DriveNameLess(a.shortName, b.shortName);
        });
        return drives;
    }

private:
    // The kernel's name of the block device ("sdb1"), following /dev symlinks; for a source
    // without a node (/dev/root) the name comes from the device number.
    QString deviceName(const MountEntry& e) const {
        const QFileInfo info(m_root + e.source);
        const QString real = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
        const QString name = QFileInfo(real).fileName();
        if (e.source.startsWith(QLatin1String("/dev/")) &&
            QFileInfo::exists(m_root + QStringLiteral("/sys/class/block/") + name))
            return name;
        const QString byNumber =
            QFileInfo(m_root + QStringLiteral("/sys/dev/block/") + e.deviceNumber)
                .canonicalFilePath();
        return byNumber.isEmpty() || e.deviceNumber.isEmpty() ? QString()
                                                              : QFileInfo(byNumber).fileName();
    }

    // The device's folder in sysfs; empty when it has none.
    QString blockNode(const QString& device) const {
        if (device.isEmpty())
            return {};
        return QFileInfo(m_root + QStringLiteral("/sys/class/block/") + device).canonicalFilePath();
    }

    // A partition's disk is the folder above it.
    static QString diskOf(const QString& node) {
        if (node.isEmpty())
            return {};
        return QFileInfo::exists(node + QStringLiteral("/partition"))
                   ? QFileInfo(node).absolutePath()
                   : node;
    }

    // The disks under a device: its own, and those under the devices it is built from
    // (device-mapper, RAID, LVM list them in "slaves").
    static void addDisks(const QString& node, std::set<QString>& disks, int depth) {
        if (node.isEmpty() || depth > 8)
            return;
        disks.insert(diskOf(node));
        const QDir slaves(node + QStringLiteral("/slaves"));
        for (const QFileInfo& slave :
             slaves.entryInfoList(QDir::Dirs | QDir::System | QDir::NoDotAndDotDot))
            addDisks(slave.canonicalFilePath(), disks, depth + 1);
    }

    bool isRemovable(const QString& device) const {
        // A partition's flags are those of its disk.
        const QString disk = diskOf(blockNode(device));
        if (disk.isEmpty())
            return false;
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
