#include "SettingsStore.h"

#include "AppError.h"
#include "U_SafeWrite.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {

// A registry key path "A\B\C" becomes the QSettings group "A/B/C".
QString toGroup(const QString& keyPath) {
    QString group = keyPath;
    group.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (group.endsWith(QLatin1Char('/')))
        group.chop(1);
    return group;
}

class SettingsFileStore final : public ISettingsStore {
public:
    SettingsFileStore(const QString& file, QSettings::Format format)
        : m_file(file), m_format(format) {}

    bool openKey(const QString& keyPath) override {
        auto settings = open();
        if (!settings)
            return false;
        const QString group = existingGroup(*settings, toGroup(keyPath));
        // QSettings has no empty keys; a marker-free key exists once a value lives in it.
        Q_UNUSED(group);
        return settings->isWritable();
    }

    bool readString(const QString& keyPath, const QString& name, QString& value) override {
        auto settings = open();
        if (!settings)
            return false;
        const QString key = existingKey(*settings, toGroup(keyPath) + QLatin1Char('/') + name);
        if (key.isEmpty())
            return false;
        const QVariant data = settings->value(key);
        if (!data.canConvert<QString>())
            return false;
        value = data.toString();
        return true;
    }

    bool writeString(const QString& keyPath, const QString& name, const QString& value) override {
        auto settings = open();
        if (!settings || !settings->isWritable())
            return false;
        QString key = existingKey(*settings, toGroup(keyPath) + QLatin1Char('/') + name);
        if (key.isEmpty())
            key = existingGroup(*settings, toGroup(keyPath)) + QLatin1Char('/') + name;
        if (m_format != QSettings::IniFormat) {
            settings->setValue(key, value);
            settings->sync();
            return settings->status() == QSettings::NoError;
        }
        return writeIniFile(*settings, key, value);
    }

private:
    // QSettings does not report a write that fails inside its final flush (a full disk can
    // leave the file truncated and the call "successful"). So it writes the new content into
    // a scratch file, which is read back and compared with what it must hold, and the
    // complete-or-nothing writer then puts those bytes in place of the real file.
    bool writeIniFile(QSettings& current, const QString& key, const QString& value) {
        QMap<QString, QVariant> wanted;
        const QStringList keys = current.allKeys();
        for (const QString& k : keys)
            wanted.insert(k, current.value(k));
        wanted.insert(key, value);

        const QFileInfo info(m_file);
        QTemporaryFile scratch(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                               QStringLiteral(".XXXXXX"));
        if (!scratch.open())
            return false;
        scratch.close();
        {
            QSettings out(scratch.fileName(), QSettings::IniFormat);
            for (auto it = wanted.cbegin(); it != wanted.cend(); ++it)
                out.setValue(it.key(), it.value());
            out.sync();
            if (out.status() != QSettings::NoError)
                return false;
        }
        // The toolkit keeps what it wrote in a cache and would compare with that instead of
        // the disk; a different modification time makes it read the file again.
        QFile touched(scratch.fileName());
        if (!touched.open(QIODevice::ReadWrite) ||
            !touched.setFileTime(QDateTime::fromSecsSinceEpoch(0),
                                 QFileDevice::FileModificationTime))
            return false;
        touched.close();
        {
            QSettings back(scratch.fileName(), QSettings::IniFormat);
            const QStringList written = back.allKeys();
            if (back.status() != QSettings::NoError || written.size() != wanted.size())
                return false;
            for (auto it = wanted.cbegin(); it != wanted.cend(); ++it)
                if (back.value(it.key()) != it.value())
                    return false;
        }
        QFile bytes(scratch.fileName());
        if (!bytes.open(QIODevice::ReadOnly))
            return false;
        const QByteArray content = bytes.readAll();
        if (bytes.error() != QFileDevice::NoError)
            return false;
        try {
            WriteFileSafely(m_file, content);
        } catch (const AppError&) {
            return false;
        }
        return true;
    }

    std::unique_ptr<QSettings> open() {
        if (m_format == QSettings::IniFormat) {
            QFileInfo info(m_file);
            if (!MakeFolderPath(info.absolutePath()) && !info.exists())
                return nullptr;
        }
        auto settings = std::make_unique<QSettings>(m_file, m_format);
        if (settings->status() == QSettings::FormatError) {
            // Keep the damaged file aside rather than overwrite it, then start afresh.
            const QString aside = m_file + QStringLiteral(".damaged");
            settings.reset();
            QFile::remove(aside);
            if (!QFile::rename(m_file, aside))
                return nullptr;
            settings = std::make_unique<QSettings>(m_file, m_format);
        }
        if (settings->status() != QSettings::NoError)
            return nullptr;
        return settings;
    }

    // The stored spelling of a key, compared without regard to case; empty when absent.
    static QString existingKey(QSettings& settings, const QString& wanted) {
        const QStringList keys = settings.allKeys();
        for (const QString& key : keys)
            if (key.compare(wanted, Qt::CaseInsensitive) == 0)
                return key;
        return {};
    }

    // The stored spelling of a group path, segment by segment; the wanted spelling for
    // segments that do not exist yet.
    static QString existingGroup(QSettings& settings, const QString& wanted) {
        const QStringList parts = wanted.split(QLatin1Char('/'), Qt::SkipEmptyParts);
        QString result;
        for (const QString& part : parts) {
            settings.beginGroup(result);
            const QStringList groups = settings.childGroups();
            settings.endGroup();
            QString segment = part;
            for (const QString& g : groups)
                if (g.compare(part, Qt::CaseInsensitive) == 0) {
                    segment = g;
                    break;
                }
            result = result.isEmpty() ? segment : result + QLatin1Char('/') + segment;
        }
        return result;
    }

    QString m_file;
    QSettings::Format m_format;
};

} // namespace

QString defaultSettingsFile() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/Brindlewood/registry.ini");
}

std::unique_ptr<ISettingsStore> createIniSettingsStore(const QString& iniFile) {
    return std::make_unique<SettingsFileStore>(iniFile, QSettings::IniFormat);
}

std::unique_ptr<ISettingsStore> createUserSettingsStore() {
#ifdef Q_OS_WIN
    return std::make_unique<SettingsFileStore>(QStringLiteral("HKEY_CURRENT_USER"),
                                               QSettings::NativeFormat);
#else
    return createIniSettingsStore(defaultSettingsFile());
#endif
}
