#include "platform/SystemFacts.h"

#include <QFile>
#include <QTextStream>

#include <grp.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <vector>

namespace {

QString distributionName() {
    for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
        QFile file(QString::fromLatin1(path));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            continue;
        QTextStream in(&file);
        while (!in.atEnd()) {
            const QString line = in.readLine();
            if (line.startsWith(QLatin1String("PRETTY_NAME="))) {
                QString value = line.mid(12).trimmed();
                if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\''))
                    value = value.mid(1, value.size() - 2);
                return value;
            }
        }
    }
    return {};
}

class HostSystemFacts final : public ISystemFacts {
public:
    QString osDescription() override {
        struct utsname names {};
        if (uname(&names) != 0)
            return QStringLiteral("Unknown");
        QString text = QString::fromLocal8Bit(names.sysname) + QLatin1Char(' ') +
                       QString::fromLocal8Bit(names.release);
        const QString distro = distributionName();
        if (!distro.isEmpty())
            text += QStringLiteral(" (") + distro + QLatin1Char(')');
        return text;
    }

    bool isWow64() override {
        if (sizeof(void*) != 4)
            return false;
        struct utsname names {};
        if (uname(&names) != 0)
            return false;
        const QString machine = QString::fromLatin1(names.machine);
        return machine.contains(QLatin1String("64"));
    }

    bool isAdministrator() override {
        if (geteuid() == 0)
            return true;
        const int count = getgroups(0, nullptr);
        if (count <= 0)
            return false;
        std::vector<gid_t> groups(static_cast<size_t>(count));
        if (getgroups(count, groups.data()) < 0)
            return false;
        for (const char* name : {"sudo", "wheel", "admin"}) {
            const struct group* entry = getgrnam(name);
            if (!entry)
                continue;
            for (gid_t gid : groups)
                if (gid == entry->gr_gid)
                    return true;
        }
        return false;
    }
};

} // namespace

std::unique_ptr<ISystemFacts> createHostSystemFacts() {
    return std::make_unique<HostSystemFacts>();
}
