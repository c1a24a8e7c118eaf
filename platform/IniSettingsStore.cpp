#include "platform/SettingsStore.h"

#include "platform/AppError.h"
#include "platform/U_LocalFiles.h"
#include "platform/U_SafeWrite.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

// A registry key path "A\B\C" becomes the QSettings group "A/B/C".
QString toGroup(const QString& keyPath) {
    QString group = keyPath;
    group.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (group.endsWith(QLatin1Char('/')))
        group.chop(1);
    return group;
}

// QSettings keeps every file it has parsed, keyed by path, and trusts that copy while the
// file's size and modification time look unchanged. Both can stay equal across a rewrite (a
// value of the same length, within the clock's granularity), and a read would then return
// the old value. So QSettings only ever sees copies under fresh random names, created anew
// (never through a link or over a name that exists). They lie beside the settings (or,
// where that folder is read-only, in the user's private runtime folder) under the safe
// writer's temporary names, so a start removes those a kill left.
QString copyFolder(const QString& nearFile) {
    const QString folder = QFileInfo(nearFile).absolutePath();
    if (QFileInfo(folder).isWritable())
        return folder;
    const QString own = PrivateRuntimeFolder();
    return own.isEmpty() ? folder : own;
}

// QSettings on a once-used copy; the copy goes with it.
class Parsed {
public:
    Parsed(const QString& folder, const QByteArray& content)
        : m_path(WriteTemporaryCopy(folder, content)) {
        if (!m_path.isEmpty())
            m_settings = std::make_unique<QSettings>(m_path, QSettings::IniFormat);
    }
    // The native store has no file of its own to copy.
    explicit Parsed(std::unique_ptr<QSettings> settings) : m_settings(std::move(settings)) {}
    ~Parsed() {
        m_settings.reset();
        if (!m_path.isEmpty())
            QFile::remove(m_path);
    }
    Parsed(const Parsed&) = delete;
    Parsed& operator=(const Parsed&) = delete;

    QSettings* settings() const { return m_settings.get(); }
    const QString& path() const { return m_path; }

private:
    QString m_path;
    std::unique_ptr<QSettings> m_settings;
};

class SettingsFileStore final : public ISettingsStore {
public:
    SettingsFileStore(const QString& file, QSettings::Format format)
        : m_file(file), m_format(format) {}

    bool openKey(const QString& keyPath) override {
        auto parsed = open();
        if (!parsed)
            return false;
        // QSettings has no empty keys; a marker-free key exists once a value lives in it.
        Q_UNUSED(keyPath);
        if (m_format != QSettings::IniFormat)
            return parsed->settings()->isWritable();
        const QFileInfo info(m_file);
        return info.exists() ? info.isWritable() : QFileInfo(info.absolutePath()).isWritable();
    }

    bool readString(const QString& keyPath, const QString& name, QString& value) override {
        auto parsed = open();
        if (!parsed)
            return false;
        QSettings& settings = *parsed->settings();
        const QString key = existingKey(settings, toGroup(keyPath) + QLatin1Char('/') + name);
        if (key.isEmpty())
            return false;
        const QVariant data = settings.value(key);
        if (!data.canConvert<QString>())
            return false;
        value = data.toString();
        return true;
    }

    bool writeString(const QString& keyPath, const QString& name, const QString& value) override {
        auto parsed = open();
        if (!parsed)
            return false;
        QSettings& settings = *parsed->settings();
        QString key = existingKey(settings, toGroup(keyPath) + QLatin1Char('/') + name);
        if (key.isEmpty())
            key = existingGroup(settings, toGroup(keyPath)) + QLatin1Char('/') + name;
        if (m_format != QSettings::IniFormat) {
            if (!settings.isWritable())
                return false;
            settings.setValue(key, value);
            settings.sync();
            return settings.status() == QSettings::NoError;
        }
        return writeIniFile(std::move(parsed), key, value);
    }

private:
    // QSettings does not report a write that fails inside its final flush (a full disk can
    // leave the file truncated and the call "successful"). So it writes the new content into
    // a scratch file, whose bytes are parsed again and compared with what they must hold; the
    // complete-or-nothing writer then puts those bytes in place of the real file.
    // No copy is left when the real file is written, so that a kill then leaves nothing.
    bool writeIniFile(std::unique_ptr<Parsed> current, const QString& key, const QString& value) {
        QMap<QString, QVariant> wanted;
        const QStringList keys = current->settings()->allKeys();
        for (const QString& k : keys)
            wanted.insert(k, current->settings()->value(k));
        wanted.insert(key, value);
        current.reset();

        QByteArray content;
        {
            Parsed out(copyFolder(m_file), QByteArray());
            if (!out.settings())
                return false;
            for (auto it = wanted.cbegin(); it != wanted.cend(); ++it)
                out.settings()->setValue(it.key(), it.value());
            out.settings()->sync();
            if (out.settings()->status() != QSettings::NoError || !readAll(out.path(), content))
                return false;
        }
        {
            Parsed back(copyFolder(m_file), content);
            if (!back.settings() || back.settings()->status() != QSettings::NoError ||
                back.settings()->allKeys().size() != wanted.size())
                return false;
            for (auto it = wanted.cbegin(); it != wanted.cend(); ++it)
                if (back.settings()->value(it.key()) != it.value())
                    return false;
        }
        try {
            WriteFileSafely(m_file, content, TSafeFile::Sync::ToDisk, TSafeFile::Links::Replace);
        } catch (const AppError&) {
            return false;
        }
        return true;
    }

    // An absent file reads as empty.
    static bool readAll(const QString& path, QByteArray& content) {
        QFile file(path);
        if (!file.exists()) {
            content.clear();
            return true;
        }
        if (!file.open(QIODevice::ReadOnly))
            return false;
        content = file.readAll();
        return file.error() == QFileDevice::NoError;
    }

    std::unique_ptr<Parsed> open() {
        if (m_format != QSettings::IniFormat) {
            auto native = std::make_unique<Parsed>(std::make_unique<QSettings>(m_file, m_format));
            return native->settings()->status() == QSettings::NoError ? std::move(native) : nullptr;
        }
        const QFileInfo info(m_file);
        if (!MakeFolderPath(info.absolutePath()) && !info.exists())
            return nullptr;
        QByteArray content;
        if (!readAll(m_file, content))
            return nullptr;
        auto parsed = std::make_unique<Parsed>(copyFolder(m_file), content);
        if (!parsed->settings())
            return nullptr;
        if (parsed->settings()->status() == QSettings::FormatError) {
            // Keep the damaged file aside rather than overwrite it, then start afresh.
            const QString aside = m_file + QStringLiteral(".damaged");
            QFile::remove(aside);
            if (!QFile::rename(m_file, aside))
                return nullptr;
            parsed = std::make_unique<Parsed>(copyFolder(m_file), QByteArray());
            if (!parsed->settings())
                return nullptr;
        }
        if (parsed->settings()->status() != QSettings::NoError)
            return nullptr;
        return parsed;
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
    const QString wanted = base + QStringLiteral("/Brindlewood");
    const QString own = OwnFolder(wanted, QStringLiteral("settings"));
    return (own.isEmpty() ? wanted : own) + QStringLiteral("/registry.ini");
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
