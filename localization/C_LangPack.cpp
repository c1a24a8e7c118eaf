#include "localization/C_LangPack.h"

#include "platform/AppError.h"
#include "localization/Lang_Charset.h"
#include "localization/Lang_Languages.h"
#include "localization/Lang_Reading.h"
#include "localization/Lang_Storageobj.h"
#include "platform/SettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {

constexpr uint32_t kMaxVariant = 0xffff;

QString hex8(uint32_t code) {
    return QStringLiteral("%1").arg(code, 8, 16, QLatin1Char('0')).toUpper();
}

QString withDelimiter(const QString& folder) {
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

bool isFolder(QString path) {
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return QFileInfo(path).isDir();
}

// Whether a new file can be made in the folder (permission bits alone say nothing to root).
bool canCreateIn(const QString& folder) {
    if (!isFolder(folder))
        return QDir().mkpath(folder);
    QTemporaryFile probe(withDelimiter(folder) + QStringLiteral("probe-XXXXXX"));
    return probe.open();
}

// A title or detail in a right-to-left script as one unit: beside the version's digits it
// would otherwise pull them into its own order ("[1.0.0.1] עברית") in a left-to-right list.
QString listed(const QString& text) {
    for (const QChar c : text)
        if (c.direction() == QChar::DirR || c.direction() == QChar::DirAL)
            return Isolated(text);
    return text;
}

// The display text of one listed pack, read from its header records.
QString listingText(TStorefile& store) {
    int32_t first = 0;
    store.First();
    store.ReadInteger(first, true);
    QByteArray title, name, detail;
    store.ReadString(title, true);
    store.ReadString(name, true);
    store.ReadString(detail, true);
    const auto languageId = uint16_t(first & 0xffff);
    if (first < 65536) {
        const int charset = TextCharset(1, languageId);
        return listed(DecodeText(title, charset)) + QStringLiteral(" - ") +
               listed(DecodeText(detail, charset));
    }
    store.Next();
    store.Next();
    int32_t version = 0;
    store.ReadInteger(version, false);
    // The texts are in the pack's own character set, which sits further on in the header.
    int32_t charset = 1;
    store.MoveTo((first >> 16) >= 2 ? 12 : 9);
    store.ReadInteger(charset, false);
    charset = TextCharset(charset, languageId);
    return listed(DecodeText(title, charset)) + QStringLiteral(" [") +
           VersionText(uint32_t(version)) + QStringLiteral("] - ") +
           listed(DecodeText(detail, charset));
}

} // namespace

bool IsBaseFileSwitch(const QString& argument) {
    if (argument.startsWith(QLatin1String("-co"), Qt::CaseInsensitive))
        return true;
    // On Linux "/co..." is also an absolute path: a file that exists (a picture opened with
    // the program) is never taken for the switch.
    return argument.startsWith(QLatin1String("/co"), Qt::CaseInsensitive) &&
           !QFileInfo::exists(argument);
}

TLangList::TLangList(QObject* parent)
    : QObject(parent), m_base(std::make_unique<TLanguageRecord>(m_excluded, m_platform)),
      m_current(std::make_unique<TLanguageRecord>(m_excluded, m_platform)) {}

TLangList::~TLangList() = default;

void TLangList::SetRoot(std::unique_ptr<ILangComponent> root) {
    m_root = std::move(root);
    m_base->Root = m_root.get();
    m_current->Root = m_root.get();
}

void TLangList::setExcludedComps(const QStringList& names) {
    QStringList sorted;
    for (const QString& name : names)
        if (!sorted.contains(name, Qt::CaseInsensitive))
            sorted << name;
    std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    m_excluded = sorted;
}

void TLangList::report(const QString& message) const {
    if (m_platform.showError)
        m_platform.showError(message);
}

QString TLangList::LanguageFolder() const {
    const QString program = withDelimiter(m_platform.programFolder);
    if (isFolder(program + m_subDir))
        return withDelimiter(program + m_subDir);
    if (isFolder(program + QStringLiteral("system/") + m_subDir))
        return withDelimiter(program + QStringLiteral("system/") + m_subDir);
    return withDelimiter(QDir::currentPath() + QLatin1Char('/') + m_subDir);
}

QHash<QString, QString> TLangList::packFiles(const QString& folder, QStringList* aside) const {
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    std::sort(names.begin(), names.end());
    QHash<QString, QString> files;
    for (const QString& name : names) {
        const QString key = name.toUpper();
        const auto kept = files.constFind(key);
        if (kept == files.cend())
            files.insert(key, name);
        else if (aside)
            *aside << QStringLiteral("Language file %1 used, %2 (the same name in another "
                                     "case) left aside")
                          .arg(folder + *kept, folder + name);
    }
    return files;
}

QString TLangList::LanguageFileName(uint32_t code) const {
    const QString folder = LanguageFolder();
    const QString upper = (m_filePrefix + hex8(code) + QStringLiteral(".SPK")).toUpper();
    return folder + packFiles(folder).value(upper, upper);
}

bool TLangList::BuildLanguageList() {
    m_languages.clear();
    const QString folder = LanguageFolder();
    QStringList aside;
    const QHash<QString, QString> files = packFiles(folder, &aside);
    // The list is built more than once at start; each pair is told once a run.
    for (const QString& notice : std::as_const(aside))
        if (!m_toldAside.contains(notice) && m_platform.log) {
            m_toldAside.insert(notice);
            m_platform.log(notice);
        }
    bool opened = false;
    for (const LanguageName& language : ListedLanguages()) {
        for (uint32_t variant = 0; variant <= kMaxVariant; ++variant) {
            const uint32_t code = variant << 16 | language.id;
            const QString file =
                files.value((m_filePrefix + hex8(code) + QStringLiteral(".SPK")).toUpper());
            if (file.isEmpty())
                break;
            const QString name = folder + file;
            TStorefile store;
            store.Signature = kLanguageSignature;
            store.SetReadOnly(true);
            store.Filename = name;
            store.Open();
            if (!store.Active())
                continue;
            opened = true;
            m_languages.push_back({listingText(store), code});
        }
    }
    return opened;
}

QStringList TLangList::LanguageItems() const {
    QStringList items;
    for (const Language& l : m_languages)
        items << l.text;
    return items;
}

uint32_t TLangList::LanguageCodeAt(int index) const {
    if (index < 0 || index >= LanguageCount())
        return 0;
    return m_languages[size_t(index)].code;
}

bool TLangList::LoadLanguagePicture(uint32_t code, QImage& bitmap) const {
    const QString name = LanguageFileName(code & 0xffff);
    TStorefile store;
    store.Signature = kLanguageSignature;
    store.SetReadOnly(true);
    store.Filename = name;
    if (QFileInfo::exists(name))
        store.Open();
    if (store.RecordCount() >= 6) {
        store.MoveTo(5);
        QByteArray data;
        int size = -1;
        store.ReadData(data, size, false);
        try {
            bitmap = PictureFromBmp(data);
            return true;
        } catch (const AppError&) {
            // A broken picture is drawn as none rather than stopping the list's painting.
        }
    }
    bitmap = QImage();
    return false;
}

QString TLangList::CurrentLanguageName() const {
    return m_loaded ? m_current->Header.languageName : QString();
}

bool TLangList::BeforeSwitch(uint32_t oldCode, uint32_t newCode) {
    bool canChange = true;
    if (BeforeLanguageSwitch)
        BeforeLanguageSwitch(this, oldCode, newCode, canChange);
    return canChange;
}

void TLangList::AfterSwitch() {
    emit languageSwitched();
}

void TLangList::SetLanguageIndex(int index) {
    if (index < 0 || index >= LanguageCount())
        return;
    if (!BeforeSwitch(LanguageCodeAt(m_languageIndex), LanguageCodeAt(index)))
        return;
    m_languageIndex = index;
    if (m_autoload)
        SaveLanguage();
    m_loaded = false;
    m_loaded = m_current->ApplyFile(LanguageFileName(LanguageCodeAt(index)));
    if (m_loaded)
        AfterSwitch();
}

bool TLangList::SaveLanguage() {
    if (m_regKey.isEmpty())
        return false;
    ISettingsStore* settings = m_platform.settings;
    if (settings && settings->openKey(m_regKey) && m_languageIndex >= 0)
        settings->writeString(m_regKey, objectName(),
                              QString::number(int32_t(LanguageCodeAt(m_languageIndex))));
    return true;
}

bool TLangList::RestoreLanguage() {
    if (m_regKey.isEmpty())
        return false;
    QString stored;
    if (m_platform.settings && m_platform.settings->readString(m_regKey, objectName(), stored)) {
        bool ok = false;
        const qlonglong code = stored.trimmed().toLongLong(&ok);
        if (ok)
            return SelectByCode(uint32_t(code));
    }
    return SelectByUserLanguage();
}

bool TLangList::selectWhere(const std::function<bool(uint32_t)>& match) {
    for (int i = 0; i < LanguageCount(); ++i) {
        if (match(LanguageCodeAt(i))) {
            SetLanguageIndex(i);
            return true;
        }
    }
    return false;
}

bool TLangList::SelectByCode(uint32_t code) {
    return selectWhere([code](uint32_t c) { return c == code; }) ||
           selectWhere([code](uint32_t c) { return (c & 0xffff) == (code & 0xffff); }) ||
           selectWhere([code](uint32_t c) { return (c & 0x3ff) == (code & 0x3ff); });
}

bool TLangList::SelectByUserLanguage() {
    const uint16_t id =
        m_platform.userLanguage ? m_platform.userLanguage() : UserLanguageFromEnvironment();
    return selectWhere([id](uint32_t c) { return (c & 0xffff) == id; }) ||
           selectWhere([id](uint32_t c) { return (c & 0x3ff) == (id & 0x3ffu); });
}

QString TLangList::CreateBaseFile() {
    if (m_platform.beep)
        m_platform.beep();
    BuildLanguageList();
    LangHeader header;
    QString version = m_platform.programVersion ? m_platform.programVersion() : QString();
    version.remove(QLatin1Char('(')).remove(QLatin1Char(')'));
    header.programVersion = PackVersion(version);
    header.imeName = m_platform.imeName ? m_platform.imeName() : QString();
    LangFont font;
    if ((m_platform.mainWindowFont && m_platform.mainWindowFont(font)) ||
        (m_root && m_root->GetFont(font))) {
        header.fontName = font.face;
        header.charset = uint8_t(font.charset);
    }
    m_base->Header = header;

    QString folder = LanguageFolder();
    if (!canCreateIn(folder) && m_platform.dataFolder) {
        const QString fallback = withDelimiter(m_platform.dataFolder());
        if (m_platform.showMessage)
            m_platform.showMessage(QStringLiteral("The language folder %1 cannot be written to; "
                                                  "the base language file goes to %2 instead.")
                                       .arg(Isolated(QDir::toNativeSeparators(folder)),
                                            Isolated(QDir::toNativeSeparators(fallback))));
        folder = fallback;
    }
    const QString file = folder + m_filePrefix + QStringLiteral("ORIGINAL.SPK");
    m_base->SaveToFile(file);
    return file;
}

void TLangList::FirstActivation() {
    if (m_started)
        return;
    // Whatever fails here is shown once; the start goes on, in the built-in English if need be.
    m_started = true;
    for (const QString& argument : m_platform.arguments) {
        if (IsBaseFileSwitch(argument)) {
            try {
                CreateBaseFile();
            } catch (const AppError& error) {
                report(error.message());
            }
            break;
        }
    }
    BuildLanguageList();
    if (m_autoload) {
        try {
            RestoreLanguage();
        } catch (const AppError& error) {
            report(error.message());
        }
    }
}
