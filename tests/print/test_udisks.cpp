// Sticks from the desktop's disk service: a stand-in service on a private bus, used by the
// preview as a user would use it.
#include "platform/UDisksDrives.h"
#include "print/U_PreviewDlg.h"
#include "tests/common/Fakes.h"
#include "tests/common/FileBytes.h"
#include "tests/common/PrintTestUtil.h"

#include <QDBusConnectionInterface>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Drives with one file system each, as the service lays them out; a stick is "Key=value;Flag"
// (see Plug), "-" pulls it out. A drive switched off leaves the bus, as a real one does.
const char kMock[] = R"(import dbus
from dbusmock import mockobject
BUS_NAME, MAIN_OBJ, MAIN_IFACE = 'org.freedesktop.UDisks2', '/org/freedesktop/UDisks2', 'org.freedesktop.UDisks2.Manager'
SYSTEM_BUS = IS_OBJECT_MANAGER = True
U, T = 'org.freedesktop.UDisks2.', 'org.quillmark.Disks'
def load(mock, parameters): pass
def points(at): return dbus.Array([dbus.ByteArray(at.encode() + b'\0')] if at else [], signature='ay')
def paths(name): return MAIN_OBJ + '/drives/' + name, MAIN_OBJ + '/block_devices/' + name + '1'
@dbus.service.method(T, in_signature='ss')
def Plug(self, name, props):
    if props == '-': return pull(self, name)
    o = dict((w + '=1').split('=')[:2] for w in props.split(';') if w)
    (drive, block), at, b = paths(name), o.get('At', ''), lambda key: dbus.Boolean(key in o)
    self.AddObject(drive, U + 'Drive', {'Removable': dbus.Boolean('Fixed' not in o), 'MediaRemovable': b('Media'),
        'ConnectionBus': o.get('Bus', 'usb'), 'CanPowerOff': dbus.Boolean('NoPowerOff' not in o)}, [('PowerOff', 'a{sv}', '', lambda obj, _: pull(obj, name))])
    self.AddObject(block, U + 'Block', {'Drive': dbus.ObjectPath(drive), 'Device': dbus.ByteArray(b'/dev/%s1\0' % name.encode()),
        'IdLabel': o.get('Label', ''), 'HintIgnore': b('HintIgnore'), 'HintSystem': b('HintSystem')}, [])
    (fs := mockobject.objects[block]).AddProperties(U + 'Filesystem', {'MountPoints': points(at if 'Mounted' in o else '')})
    fs.AddMethods(U + 'Filesystem', [('Mount', 'a{sv}', 's', lambda obj, _: act(obj, o, 'MountError', at)),
        ('Unmount', 'a{sv}', '', lambda obj, _: act(obj, o, 'UnmountError', ''))])
    for path in (drive, block): fs.object_manager_emit_added(path)
def act(obj, o, error, at):
    if error in o: raise dbus.exceptions.DBusException(o[error], name=U + 'Error.' + o[error])
    obj.UpdateProperties(U + 'Filesystem', {'MountPoints': points(at)})
    return at or None
def pull(obj, name):
    for path in reversed(paths(name)): obj.object_manager_emit_removed(path); obj.RemoveObject(path)
)";

const QString kService = QStringLiteral("org.freedesktop.UDisks2");

class DiskService : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        (daemon = new QProcess)->start("dbus-daemon", {"--session", "--print-address", "--nofork"});
        if (!daemon->waitForReadyRead(10000))
            return;
        address = QString::fromUtf8(daemon->readLine().trimmed());
        // No disk service on the bus yet: the mount table stands in.
        withoutService = createRemovableDrives(bus(), QString())->sourceName();
        WriteBytes(folder.filePath("udisks.py"), kMock);
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", address.toUtf8());
        (mock = new QProcess)->start("/usr/bin/python3", {"-m", "dbusmock", "--template",
                                                          folder.filePath("udisks.py")});
        (void)QTest::qWaitFor([] { return bus().interface()->isServiceRegistered(kService); },
                              15000);
    }
    static void TearDownTestSuite() {
        QDBusConnection::disconnectFromBus("disks");
        for (QProcess** p : {&mock, &daemon})
            if (*p)
                (*p)->kill(), (*p)->waitForFinished(), delete std::exchange(*p, nullptr);
    }
    void SetUp() override {
        if (!bus().isConnected() || !bus().interface()->isServiceRegistered(kService))
            GTEST_SKIP() << "needs dbus-daemon and python3-dbusmock";
        call("Reset", {}, "org.freedesktop.DBus.Mock");
        ASSERT_TRUE(drives = createUDisksDrives(bus()));
        platform.services.drives = drives.get();
    }
    static QDBusConnection bus() { return QDBusConnection::connectToBus(address, "disks"); }
    // Plug(name, props) plugs a stick in or pulls it out.
    static void call(const char* method, const QVariantList& args,
                     const char* interface = "org.quillmark.Disks") {
        auto m =
            QDBusMessage::createMethodCall(kService, "/org/freedesktop/UDisks2", interface, method);
        m.setArguments(args);
        EXPECT_NE(bus().call(m).type(), QDBusMessage::ErrorMessage);
    }

    static inline QProcess *daemon = nullptr, *mock = nullptr;
    static inline QString address, withoutService;
    static inline QTemporaryDir folder;
    std::unique_ptr<IRemovableDrives> drives;
    FakePlatform platform;
};

// The last qualifying volume by device name; each stick pulled out leaves the next in line.
TEST_F(DiskService, OffersRemovableFileSystemsInDeviceOrderAndFollowsThem) {
    EXPECT_EQ(withoutService, QStringLiteral("mount table"));
    EXPECT_EQ(drives->sourceName(), QStringLiteral("UDisks2"));
    call("Plug", {"sdf", "Label=STICK;Mounted;At=/media/u/STICK"});
    call("Plug", {"sda", "Fixed;Bus=ata;Label=HOME;Mounted;At=/home"});
    call("Plug", {"sdb", "Label= PHOTOS ;Mounted;At=/media/u/PHOTOS"});
    call("Plug", {"sdc", ""});
    call("Plug", {"mmcblk", "Fixed;Media;Bus=;Label=CARD"});
    call("Plug", {"sdd", "HintSystem;Label=RECOVERY"});
    call("Plug", {"sdg", "HintIgnore"});
    call("Plug", {"sde", "Mounted;At=/boot"}); // started from this USB disk
    Tpreviewdlg dialog(platform.services);
    auto* usb = dialog.findChild<QPushButton*>("usb_btn");
    const auto state = [usb] { return usb->text() + (usb->isEnabled() ? "" : " (off)"); };
    QStringList captions;
    QTimer::singleShot(0, &dialog, [&] {
        captions << state();
        for (const char* name : {"sdf", "sdc", "sdb", "mmcblk"}) {
            call("Plug", {name, "-"});
            (void)QTest::qWaitFor([&] { return state() != captions.last(); }, 3000);
            captions << state();
        }
        dialog.reject();
    });
    dialog.Execute();
    EXPECT_EQ(captions.join(" / ").replace("\n\r", " "),
              "USB (STICK [sdf1]) / USB (sdc1) / USB (PHOTOS [sdb1]) / USB (CARD [mmcblk1]) / "
              "USB (CARD [mmcblk1]) (off)");
}

const char* kAsk = "Eject the stick now?";
const char* kGone = "You can remove the stick.";
const char* kRefused = "The system did not allow the stick to be opened.";
const char* kBusy = "Another program is still using the stick, so it was not ejected. Close "
                    "that program, then eject the stick from the desktop.";

struct EjectCase {
    const char* stick;
    const char* answer; // to the eject question: "yes", "no", "yes, do not ask again"
    std::vector<const char*> messages;
    const char* after; // the file written; the stick mounted, unmounted or off; folder shown
};

class Eject : public DiskService, public ::testing::WithParamInterface<EjectCase> {};

TEST_P(Eject, CopiesThenEjectsAsAsked) {
    const EjectCase& c = GetParam();
    const QString stick = platform.root.path();
    Tpreviewdlg dialog(platform.services);
    const bool keep = QByteArray(c.answer).contains("again");
    // Asked to keep the answer: the next copy asks nothing.
    for (int run = 0; run < (keep ? 2 : 1); ++run) {
        platform.messages.requests.clear();
        platform.messages.answers = {MsgOk, c.answer[0] == 'y' ? MsgYes : MsgNo};
        platform.messages.check = keep;
        dialog.PageImage() = BlockPage(60, 80);
        QTimer::singleShot(0, &dialog, [&] {
            // Plugged in while the preview is open.
            auto* usb = dialog.findChild<QPushButton*>("usb_btn");
            if (run == 0)
                call("Plug", {"sdb", c.stick + QStringLiteral(";At=") + stick});
            (void)QTest::qWaitFor([&] { return usb->isEnabled(); }, 3000);
            usb->click();
            if (dialog.isVisible())
                dialog.reject();
        });
        dialog.Execute();
        QStringList expected(c.messages.begin(), c.messages.end());
        expected.removeAll(run ? kAsk : "");
        EXPECT_STREQ(qPrintable(platform.messages.texts().join('|')), qPrintable(expected.join('|')));
    }
    const auto left = drives->list();
    QString after = QImage(stick + "/Quillmark.jpg").size() == QSize(60, 80) ? "written" : "-";
    after += left.empty() ? " off" : left[0].rootPath.isEmpty() ? " unmounted" : " mounted";
    after += platform.shell.opened.isEmpty() ? " -" : " folder";
    EXPECT_STREQ(qPrintable(after), c.after);
}

const EjectCase kEjects[] = {
    {"Mounted", "yes", {"Done !", kAsk, kGone}, "written off -"},
    {"NoPowerOff", "yes, do not ask again", {"Done !", kAsk, kGone}, "written unmounted -"},
    {"Mounted;UnmountError=DeviceBusy", "yes", {"Done !", kAsk, kBusy}, "written mounted -"},
    {"MountError=NotAuthorizedCanObtain", "", {kRefused}, "- unmounted -"},
    {"Mounted", "no", {"Done !", kAsk}, "written mounted folder"},
};

INSTANTIATE_TEST_SUITE_P(Cases, Eject, ::testing::ValuesIn(kEjects));

} // namespace
