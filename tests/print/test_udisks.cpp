// Sticks from the desktop's disk service: a stand-in service on a private bus, used by the
// preview as a user would use it.
#include "localization/C_TextStorage.h"
#include "platform/UDisksDrives.h"
#include "print/U_PreviewDlg.h"
#include "support/U_QMKSUtils.h"
#include "tests/common/Fakes.h"
#include "tests/common/PrintTestUtil.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <utility>

namespace {

// Drives and their one file system each, as the service lays them out; Mount, Unmount and
// PowerOff behave as the stick's options say and are recorded.
const char kMock[] = R"(import dbus
from dbusmock import mockobject
BUS_NAME, MAIN_OBJ, MAIN_IFACE = 'org.freedesktop.UDisks2', '/org/freedesktop/UDisks2', 'org.freedesktop.UDisks2.Manager'
SYSTEM_BUS = IS_OBJECT_MANAGER = True
U = 'org.freedesktop.UDisks2.'
def load(mock, parameters): pass
def points(at): return dbus.Array([dbus.ByteArray(at.encode() + b'\0')] if at else [], signature='ay')
def fail(error):
    if error: raise dbus.exceptions.DBusException(error, name=U + 'Error.' + error)
@dbus.service.method('org.quillmark.Disks', in_signature='sa{sv}')
def Plug(self, name, o):
    drive, block, at = MAIN_OBJ + '/drives/' + name, MAIN_OBJ + '/block_devices/' + name + '1', o.get('At', '')
    self.AddObject(drive, U + 'Drive', {'Removable': dbus.Boolean(o.get('Removable', True)), 'MediaRemovable': dbus.Boolean(o.get('Media', False)),
        'ConnectionBus': dbus.String(o.get('Bus', 'usb')), 'CanPowerOff': dbus.Boolean(o.get('CanPowerOff', True))}, [('PowerOff', 'a{sv}', '', '')])
    dev = dbus.ByteArray(('/dev/' + name + '1').encode() + b'\0')
    self.AddObject(block, U + 'Block', {'Drive': dbus.ObjectPath(drive), 'Device': dev, 'PreferredDevice': dev, 'IdLabel': dbus.String(o.get('Label', '')),
        'HintIgnore': dbus.Boolean(False), 'HintSystem': dbus.Boolean(o.get('HintSystem', False))}, [])
    fs = mockobject.objects[block]
    fs.AddProperties(U + 'Filesystem', {'MountPoints': points(at if o.get('Mounted', False) else '')})
    def mount(obj, options):
        fail(o.get('MountError', ''))
        obj.UpdateProperties(U + 'Filesystem', {'MountPoints': points(at)})
        return at
    def unmount(obj, options):
        fail(o.get('UnmountError', ''))
        obj.UpdateProperties(U + 'Filesystem', {'MountPoints': points('')})
    fs.AddMethods(U + 'Filesystem', [('Mount', 'a{sv}', 's', mount), ('Unmount', 'a{sv}', '', unmount)])
    for path in (drive, block): fs.object_manager_emit_added(path)
@dbus.service.method('org.quillmark.Disks', in_signature='s')
def Pull(self, name):
    for path in (MAIN_OBJ + '/block_devices/' + name + '1', MAIN_OBJ + '/drives/' + name):
        self.object_manager_emit_removed(path)
        self.RemoveObject(path)
)";

const QString kService = QStringLiteral("org.freedesktop.UDisks2");
const QString kRoot = QStringLiteral("/org/freedesktop/UDisks2");

class DiskService : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        daemon = new QProcess;
        daemon->start(QStringLiteral("dbus-daemon"), {"--session", "--print-address", "--nofork"});
        if (!daemon->waitForReadyRead(10000))
            return;
        address = QString::fromUtf8(daemon->readLine().trimmed());
        // No disk service on the bus yet: the mount table stands in.
        withoutService = createRemovableDrives(bus(), QString())->sourceName();
        QFile script(folder->filePath("udisks.py"));
        if (script.open(QIODevice::WriteOnly))
            script.write(kMock);
        script.close();
        mock = new QProcess;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), address);
        mock->setProcessEnvironment(env);
        mock->start(QStringLiteral("/usr/bin/python3"),
                    {"-m", "dbusmock", "--template", script.fileName()});
        (void)QTest::qWaitFor([] { return bus().interface()->isServiceRegistered(kService); },
                              15000);
    }
    static void TearDownTestSuite() {
        QDBusConnection::disconnectFromBus("disks");
        for (QProcess** p : {&mock, &daemon})
            if (*p) {
                (*p)->kill();
                (*p)->waitForFinished();
                delete std::exchange(*p, nullptr);
            }
        address.clear();
    }
    void SetUp() override {
        if (address.isEmpty() || !bus().interface()->isServiceRegistered(kService))
            GTEST_SKIP() << "needs dbus-daemon and python3-dbusmock";
        call(kRoot, "org.freedesktop.DBus.Mock", "Reset", {});
        drives = createUDisksDrives(bus());
        ASSERT_TRUE(drives);
        platform.services.drives = drives.get();
    }
    static QDBusConnection bus() { return QDBusConnection::connectToBus(address, "disks"); }
    static QDBusMessage call(const QString& path, const char* interface, const char* method,
                             const QVariantList& args) {
        auto m = QDBusMessage::createMethodCall(kService, path, interface, method);
        m.setArguments(args);
        const QDBusMessage reply = bus().call(m);
        EXPECT_NE(reply.type(), QDBusMessage::ErrorMessage) << reply.errorMessage().toStdString();
        return reply;
    }
    static void plug(const char* name, const QVariantMap& options) {
        call(kRoot, "org.quillmark.Disks", "Plug", {name, options});
    }
    static int calls(const QString& path, const char* method) {
        const auto list = call(path, "org.freedesktop.DBus.Mock", "GetMethodCalls", {method})
                              .arguments()
                              .value(0)
                              .value<QDBusArgument>();
        int n = 0;
        list.beginArray();
        for (; !list.atEnd(); ++n)
            list.asVariant();
        list.endArray();
        return n;
    }

    static inline QProcess* daemon = nullptr;
    static inline QProcess* mock = nullptr;
    static inline QString address;
    static inline QString withoutService;
    static inline QTemporaryDir* folder = new QTemporaryDir;
    std::unique_ptr<IRemovableDrives> drives;
    FakePlatform platform;
};

TEST_F(DiskService, OffersRemovableFileSystemsInDeviceOrder) {
    EXPECT_EQ(withoutService, QStringLiteral("mount table"));
    EXPECT_EQ(drives->sourceName(), QStringLiteral("UDisks2"));
    plug("sdf", {{"Label", "STICK"}, {"Mounted", true}, {"At", "/media/u/STICK"}});
    plug("sda", {{"Removable", false},
                 {"Bus", "ata"},
                 {"Label", "HOME"},
                 {"Mounted", true},
                 {"At", "/home"}});
    plug("sdb", {{"Label", " PHOTOS "}, {"Mounted", true}, {"At", "/media/u/PHOTOS"}});
    plug("sdc", {});
    plug("mmcblk", {{"Removable", false}, {"Media", true}, {"Bus", ""}, {"Label", "CARD"}});
    plug("sdd", {{"HintSystem", true}, {"Label", "RECOVERY"}});
    plug("sde", {{"Mounted", true}, {"At", "/boot"}}); // started from this USB disk
    QStringList seen;
    for (const RemovableDrive& d : drives->list())
        seen << d.shortName + "|" + d.label + "|" + d.rootPath;
    seen.sort();
    EXPECT_EQ(seen.join(" / "), "mmcblk1|CARD| / sdb1| PHOTOS |/media/u/PHOTOS/ / sdc1|| / "
                                "sdf1|STICK|/media/u/STICK/");
    EXPECT_EQ(PickDrive(drives->list())->shortName, QStringLiteral("sdf1"));
}

struct EjectCase {
    const char* what;
    QVariantMap stick;
    int answer; // to the eject question
    bool keep;  // "do not ask again": a second copy asks nothing
    std::vector<const char*> messages;
    bool written, mountedAfter, poweredOff, folderShown;
};

const char* kAsk = "Eject the stick now?";
const char* kGone = "You can remove the stick.";

class Eject : public DiskService, public ::testing::WithParamInterface<EjectCase> {};

TEST_P(Eject, CopiesThenEjectsAsAsked) {
    const EjectCase& c = GetParam();
    const QString stick = platform.root.filePath("stick");
    QDir().mkpath(stick);
    QVariantMap options = c.stick;
    options["At"] = stick;
    plug("sdb", options);
    TTextStorage texts(QStringLiteral("main_ts"), {QStringLiteral("Done !")});
    Tpreviewdlg dialog(platform.services);
    dialog.Bind(&texts);
    for (int run = 0; run < (c.keep ? 2 : 1); ++run) {
        platform.messages.requests.clear();
        platform.messages.answers = {MsgOk, c.answer};
        platform.messages.checks = {c.keep};
        dialog.PageImage() = BlockPage(60, 80);
        QTimer::singleShot(0, &dialog, [&] {
            dialog.findChild<QPushButton*>("usb_btn")->click();
            if (dialog.isVisible())
                dialog.reject();
        });
        dialog.Execute();
        QStringList expected;
        for (const char* m : c.messages)
            if (run == 0 || m != kAsk)
                expected << m;
        EXPECT_EQ(platform.messages.texts().join(" / "), expected.join(" / ")) << c.what;
    }
    EXPECT_EQ(QImage(stick + "/Quillmark.jpg").size(), c.written ? QSize(60, 80) : QSize(0, 0))
        << c.what;
    EXPECT_EQ(!drives->list().at(0).rootPath.isEmpty(), c.mountedAfter) << c.what;
    EXPECT_EQ(calls(kRoot + "/drives/sdb", "PowerOff") > 0, c.poweredOff) << c.what;
    EXPECT_EQ(!platform.shell.opened.isEmpty(), c.folderShown) << c.what;
}

const EjectCase kEjects[] = {
    {"mounted, ejected and powered off",
     {{"Mounted", true}},
     MsgYes,
     false,
     {"Done !", kAsk, kGone},
     true,
     false,
     true,
     false},
    {"mounted on demand; the drive cannot power off; asked once",
     {{"CanPowerOff", false}},
     MsgYes,
     true,
     {"Done !", kAsk, kGone},
     true,
     false,
     false,
     false},
    {"busy: stays mounted",
     {{"Mounted", true}, {"UnmountError", "DeviceBusy"}},
     MsgYes,
     false,
     {"Done !", kAsk,
      "Another program is still using the stick, so it was not ejected. Close that program, then "
      "eject the stick from the desktop."},
     true,
     true,
     false,
     false},
    {"mount refused",
     {{"MountError", "NotAuthorizedCanObtain"}},
     MsgYes,
     false,
     {"The system did not allow the stick to be opened."},
     false,
     false,
     false,
     false},
    {"not now: the folder is shown",
     {{"Mounted", true}},
     MsgNo,
     false,
     {"Done !", kAsk},
     true,
     true,
     false,
     true},
};

INSTANTIATE_TEST_SUITE_P(Cases, Eject, ::testing::ValuesIn(kEjects));

TEST_F(DiskService, AStickPluggedInWhileThePreviewIsOpenIsOfferedAtOnce) {
    Tpreviewdlg dialog(platform.services);
    dialog.PageImage() = BlockPage(60, 80);
    auto* usb = dialog.findChild<QPushButton*>("usb_btn");
    QStringList seen;
    QTimer::singleShot(0, &dialog, [&] {
        seen << usb->text() + (usb->isEnabled() ? "+" : "-");
        plug("sdb", {{"Label", "PHOTOS"}, {"Mounted", true}, {"At", "/media/u/PHOTOS"}});
        (void)QTest::qWaitFor([&] { return usb->isEnabled(); }, 5000);
        seen << usb->text() + (usb->isEnabled() ? "+" : "-");
        call(kRoot, "org.quillmark.Disks", "Pull", {"sdb"});
        (void)QTest::qWaitFor([&] { return !usb->isEnabled(); }, 5000);
        seen << usb->text() + (usb->isEnabled() ? "+" : "-");
        dialog.reject();
    });
    dialog.Execute();
    EXPECT_EQ(seen.join(" / "), "USB Key- / USB\n\r(PHOTOS [sdb1])+ / USB\n\r(PHOTOS [sdb1])-");
}

} // namespace
