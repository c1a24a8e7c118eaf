// Which mounted volumes "USB Key" may use, and in what order, over small fake trees of
// /proc/self/mountinfo, /sys and /dev.
#include "platform/DriveScan.h"
#include "platform/UDisksDrives.h"
#include "print/U_PreviewDlg.h"

#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

namespace {

struct Disk {
    const char* name;
    bool usb;
    std::vector<int> partitions; // sdb + 2 = sdb2
};
struct Mapper {
    const char* name; // a device-mapper or RAID volume built from partitions
    std::vector<const char*> slaves;
};
struct Mount {
    const char* source;
    const char* point;
    const char* fsRoot = "/";
    const char* number = nullptr; // device number for a source without a /dev node
};
struct DriveCase {
    const char* what;
    std::vector<Disk> disks;
    std::vector<Mapper> mappers;
    std::vector<Mount> mounts;
    std::vector<const char*> offered; // in the order the preview ranks them
};

class FakeTree {
public:
    explicit FakeTree(const DriveCase& c) {
        for (const char* d : {"/proc/self", "/sys/class/block", "/sys/dev/block", "/dev"})
            QDir().mkpath(r + d);
        int major = 8;
        for (const Disk& disk : c.disks) {
            const QString node = QStringLiteral("/sys/devices/pci0/") +
                                 (disk.usb ? "usb1/1-1/host6" : "ata1/host0") + "/block/" +
                                 disk.name;
            addNode(node, disk.name, QStringLiteral("%1:0").arg(major));
            write(node + "/removable", "0\n");
            for (int p : disk.partitions) {
                const QString name = disk.name + QString::number(p);
                addNode(node + "/" + name, name, QStringLiteral("%1:%2").arg(major).arg(p));
                write(node + "/" + name + "/partition", QByteArray::number(p));
            }
            ++major;
        }
        for (const Mapper& m : c.mappers) {
            const QString node = QStringLiteral("/sys/devices/virtual/block/") + m.name;
            addNode(node, m.name, QStringLiteral("%1:0").arg(major++));
            QDir().mkpath(r + node + "/slaves");
            for (const char* slave : m.slaves)
                QFile::link(QFileInfo(r + "/sys/class/block/" + slave).canonicalFilePath(),
                            r + node + "/slaves/" + slave);
        }
        QByteArray table;
        int id = 20;
        for (const Mount& m : c.mounts) {
            const QString name = QFileInfo(QString::fromUtf8(m.source)).fileName();
            QDir().mkpath(r + m.point);
            table += QStringLiteral("%1 1 %2 %3 %4 rw - ext4 %5 rw\n")
                         .arg(id++)
                         .arg(m.number ? QString::fromUtf8(m.number) : numbers[name])
                         .arg(QString::fromUtf8(m.fsRoot), QString::fromUtf8(m.point),
                              QString::fromUtf8(m.source))
                         .toUtf8();
        }
        write("/proc/self/mountinfo", table);
    }

    QString root() const { return r; }

private:
    void addNode(const QString& node, const QString& name, const QString& number) {
        QDir().mkpath(r + node);
        QFile::link(r + node, r + "/sys/class/block/" + name);
        QFile::link(r + node, r + "/sys/dev/block/" + number);
        write("/dev/" + name, "");
        numbers[name] = number;
    }
    void write(const QString& path, const QByteArray& text) {
        QFile f(r + path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
        f.write(text);
    }

    QTemporaryDir dir;
    QString r = dir.path();
    std::map<QString, QString> numbers;
};

const Disk kInternal{"sda", false, {1}};

const DriveCase kCases[] = {
    {"partitions count as numbers",
     {kInternal, {"sdb", true, {10, 2, 1}}},
     {},
     {{"/dev/sda1", "/"},
      {"/dev/sdb10", "/media/ten"},
      {"/dev/sdb2", "/media/two"},
      {"/dev/sdb1", "/media/one"}},
     {"sdb1", "sdb2", "sdb10"}},
    {"disks count as numbers too",
     {kInternal, {"sdb", true, {1}}, {"sdaa", true, {1}}},
     {},
     {{"/dev/sda1", "/"}, {"/dev/sdaa1", "/media/aa"}, {"/dev/sdb1", "/media/b"}},
     {"sdaa1", "sdb1"}},
    {"started from a USB disk: that disk is the system",
     {{"sdb", true, {1, 2}}, {"sdc", true, {1}}},
     {},
     {{"/dev/sdb1", "/"}, {"/dev/sdb2", "/media/data"}, {"/dev/sdc1", "/media/stick"}},
     {"sdc1"}},
    {"boot and EFI partitions on a USB disk",
     {kInternal, {"sdb", true, {1, 2}}, {"sdc", true, {1, 2}}, {"sdd", true, {1}}},
     {},
     {{"/dev/sda1", "/"},
      {"/dev/sdb1", "/boot"},
      {"/dev/sdc1", "/boot/efi"},
      {"/dev/sdb2", "/media/b"},
      {"/dev/sdc2", "/media/c"},
      {"/dev/sdd1", "/media/d"}},
     {"sdd1"}},
    {"system on a mapped volume over a USB disk",
     {kInternal, {"sdb", true, {1, 3}}, {"sdc", true, {1}}},
     {{"dm-0", {"sdb3"}}},
     {{"/dev/dm-0", "/"}, {"/dev/sdb1", "/media/b"}, {"/dev/sdc1", "/media/c"}},
     {"sdc1"}},
    {"system in a subvolume, named /dev/root",
     {{"sdb", true, {1, 2}}, {"sdc", true, {1}}},
     {},
     {{"/dev/root", "/", "/@", "8:2"}, {"/dev/sdb1", "/media/b"}, {"/dev/sdc1", "/media/c"}},
     {"sdc1"}},
};

class Drives : public ::testing::TestWithParam<DriveCase> {};

TEST_P(Drives, OfferedInCountingOrderWithoutTheSystemDisk) {
    const DriveCase& c = GetParam();
    FakeTree tree(c);
    const auto source = createRemovableDrives(QDBusConnection(QString()), tree.root()); // no bus
    EXPECT_EQ(source->sourceName(), QStringLiteral("mount table"));
    const auto drives = source->list();
    std::vector<std::string> names;
    for (const RemovableDrive& d : drives)
        names.push_back(d.shortName.toStdString());
    EXPECT_EQ(names, std::vector<std::string>(c.offered.begin(), c.offered.end())) << c.what;
    // The preview uses the last in that order, whatever order it is given them in.
    std::vector<RemovableDrive> reversed(drives.rbegin(), drives.rend());
    const auto picked = PickDrive(reversed);
    ASSERT_TRUE(picked) << c.what;
    EXPECT_EQ(picked->shortName.toStdString(), c.offered.back()) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Cases, Drives, ::testing::ValuesIn(kCases));

} // namespace
