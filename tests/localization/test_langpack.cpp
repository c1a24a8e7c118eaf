// The translation engine over plain components: listing, selection, switching, applying and
// the base file.
#include "platform/AppError.h"
#include "localization/C_LangPack.h"
#include "tests/common/FileBytes.h"
#include "tests/common/LangTestComponents.h"
#include "localization/Lang_Storageobj.h"
#include "platform/SettingsStore.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

QString packName(uint32_t code) {
    return QStringLiteral("QKS_%1.SPK").arg(code, 8, 16, QLatin1Char('0')).toUpper();
}

class LangPackTest : public ::testing::Test {
protected:
    LangPackTest() {
        settings = createIniSettingsStore(dir.filePath(QStringLiteral("registry.ini")));
        main = &app.Add(QStringLiteral("MainDlg"), true);
        main->texts[QStringLiteral("caption")] = QStringLiteral("Quillmark");
        main->font = LangFont{QStringLiteral("MS Sans Serif"), 8, 1};
        print = &main->Add(QStringLiteral("print_btn"));
        print->texts = {{QStringLiteral("caption"), QStringLiteral("Print Now")},
                        {QStringLiteral("hint"), QStringLiteral("Print the sheet")}};
        print->ordinals = {{QStringLiteral("showhint"), 0},
                           {QStringLiteral("alignment"), 0},
                           {QStringLiteral("layout"), 0}};
        print->font = LangFont{QStringLiteral("MS Sans Serif"), 8, 1};
        combo = &main->Add(QStringLiteral("format_cmb"));
        combo->lists[QStringLiteral("items")] = {QStringLiteral("A"), QStringLiteral("B"),
                                                 QStringLiteral("C")};
        combo->ordinals[QStringLiteral("itemindex")] = 1;
        combo->font = LangFont{QStringLiteral("Arial"), 10, 0};
        memo = &main->Add(QStringLiteral("memo"));
        memo->lists[QStringLiteral("lines")] = {QStringLiteral("one"), QStringLiteral("two")};
        label = &main->Add(QStringLiteral("dynnum_lbl"));
        label->texts[QStringLiteral("caption")] = QStringLiteral("Copies");
        edit = &main->Add(QStringLiteral("name_edt"));
        edit->texts[QStringLiteral("text")] = QStringLiteral("Name");
        hidden = &main->Add(QStringLiteral("hidden_btn"));
        hidden->texts[QStringLiteral("caption")] = QStringLiteral("Secret");
        main->Add(QStringLiteral("panel")); // nothing to translate
        auto& settingsDlg = app.Add(QStringLiteral("SettingsDlg"), true);
        settingsDlg.texts[QStringLiteral("caption")] = QStringLiteral("Settings");

        langue.setObjectName(QStringLiteral("langue"));
        langue.setFilePrefix(QStringLiteral("QKS_"));
        langue.setRegKey(QStringLiteral("Software\\Brindlewood\\Quillmark"));
        langue.setExcludedComps({QStringLiteral("HIDDEN_BTN")});
        langue.SetRoot(ViewOf(app));
        QObject::connect(&langue, &TLangList::languageSwitched, [this] { ++afterSwitches; });
        LangPlatform platform;
        platform.programFolder = dir.path() + QLatin1Char('/');
        platform.settings = settings.get();
        platform.beep = [this] { ++beeps; };
        platform.userLanguage = [this] { return userLanguage; };
        platform.programVersion = [] { return QStringLiteral("(1.0.0.1)"); };
        platform.mainWindowFont = [this](LangFont& font) {
            font = *main->font;
            return true;
        };
        platform.setScreenCharset = [this](int charset) { screenCharset = charset; };
        platform.showError = [this](const QString& text) { errors << text; };
        platform.log = [this](const QString& text) { logged << text; };
        langue.SetPlatform(platform);
    }

    // A revision-4 (or 3) pack laid out by hand: header, then the entries given.
    void writePack(uint32_t code, const std::vector<RawRecord>& entries, int revision = 4,
                   const QByteArray& languageName = "") {
        std::vector<RawRecord> records = RawHeader(revision, uint16_t(code & 0xffff), 238);
        if (!languageName.isEmpty())
            records[2].data = languageName;
        records.insert(records.end(), entries.begin(), entries.end());
        WriteBytes(dir.filePath(packName(code)),
                   RawStore(kLanguageSignature, int(records.size()), records));
    }
    QString stored() {
        QString value;
        settings->readString(QStringLiteral("Software\\Brindlewood\\Quillmark"),
                             QStringLiteral("langue"), value);
        return value;
    }

    QTemporaryDir dir;
    std::unique_ptr<ISettingsStore> settings;
    TestNode app;
    TestNode *main, *print, *combo, *memo, *label, *edit, *hidden;
    TLangList langue;
    int afterSwitches = 0;
    int beeps = 0;
    int screenCharset = -1;
    uint16_t userLanguage = 0x0409;
    QStringList errors;
    QStringList logged;
};

// An entry of 5 records (4 before revision 3).
std::vector<RawRecord> entry(const char* key, int alignment, RawRecord caption, RawRecord hint,
                             RawRecord list, int revision = 4) {
    std::vector<RawRecord> e = {{531, key}};
    if (revision >= 3)
        e.push_back({768, RawInt(alignment)});
    e.push_back(caption);
    e.push_back(hint);
    e.push_back(list);
    return e;
}

std::vector<RawRecord> join(std::initializer_list<std::vector<RawRecord>> parts) {
    std::vector<RawRecord> all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

TEST_F(LangPackTest, ListsPacksInTableOrderWithVariantsWithoutGaps) {
    writePack(0x00000407, {});
    WriteBytes(dir.filePath(packName(0x00010407)), "not a language file");
    writePack(0x00020407, {});
    writePack(0x0001040C, {});
    writePack(0x0000040C, {});
    writePack(0x0003040C, {}); // variant 2 is missing
    writePack(0x00000000, {}); // not a listed language
    const std::vector<RawRecord> old = RawHeader(0, 0x0419, 0, "Russe", "ancien");
    WriteBytes(dir.filePath(packName(0x0419)), RawStore(kLanguageSignature, 6, old));

    EXPECT_TRUE(langue.BuildLanguageList());
    std::vector<uint32_t> codes;
    for (int i = 0; i < langue.LanguageCount(); ++i)
        codes.push_back(langue.LanguageCodeAt(i));
    EXPECT_EQ(codes, (std::vector<uint32_t>{0x040C, 0x1040C, 0x0407, 0x20407, 0x0419}));
    EXPECT_EQ(langue.LanguageItems().first(), QStringLiteral("Title [2.1.0.15] - Detail"));
    EXPECT_EQ(langue.LanguageItems().last(), QStringLiteral("Russe - ancien"));
    EXPECT_EQ(langue.LanguageCodeAt(5), 0u);
}

// Packs copied from other systems carry their names in any case; each pack's title is its
// file's name here.
TEST_F(LangPackTest, PackNamesMatchInAnyCase) {
    for (const char* name :
         {"qks_0000040c.spk", "QKS_00000407.spk", "Qks_00010407.SpK", "qKs_00000419.Spk",
          "QKS_00000419.SPK", "QKS_0000041.SPK", "QKS_00000413.SPK.bak"}) {
        const auto records = RawHeader(4, 0x0409, 0, name, "x");
        WriteBytes(dir.filePath(name), RawStore(kLanguageSignature, int(records.size()), records));
    }
    EXPECT_TRUE(langue.BuildLanguageList());
    EXPECT_EQ(langue.LanguageItems().join(',').remove(" [2.1.0.15] - x"),
              "qks_0000040c.spk,QKS_00000407.spk,Qks_00010407.SpK,QKS_00000419.SPK");
    EXPECT_EQ(langue.LanguageFileName(0x040C), dir.filePath("qks_0000040c.spk"));
    EXPECT_EQ(logged,
              QStringList{QString("Language file %1/QKS_00000419.SPK used, %1/qKs_00000419.Spk "
                                  "(the same name in another case) left aside")
                              .arg(dir.path())});
}

TEST_F(LangPackTest, SelectsByStoredCodeThenByUserLanguage) {
    struct Case {
        std::vector<uint32_t> files;
        const char* stored; // null: no stored choice
        uint16_t user;
        uint32_t selected; // 0: none
    };
    // Each row is answered by one pass alone: skipping that pass, swapping it with the next or
    // walking the list from the end selects another entry or none. The list is in table order
    // (040C before 080C before 0C0C; variant 0 before variant 1).
    const Case cases[] = {
        {{0x0000040C, 0x0001040C}, "66572", 0x0407, 0x0001040C},  // stored code itself
        {{0x0000040C, 0x00000C0C}, "68620", 0x0407, 0x00000C0C},  // same language (0x10C0C)
        {{0x0000040C, 0x0001040C}, "132108", 0x0407, 0x0000040C}, // ... its first variant
        {{0x00000C0C}, "66572", 0x0407, 0x00000C0C},              // primary language
        {{0x0000080C, 0x00000C0C}, "4108", 0x0407, 0x0000080C},   // ... the first of two
        {{0x0000040C}, "1031", 0x040C, 0},                        // no fall-back to the user
        {{0x0000040C, 0x00000C0C}, nullptr, 0x0C0C, 0x00000C0C},  // user's language
        {{0x00000407, 0x00010407}, nullptr, 0x0407, 0x00000407},  // ... its first variant
        {{0x00000407}, nullptr, 0x0807, 0x00000407},              // user's primary language
        {{0x00000407, 0x00000807}, nullptr, 0x0C07, 0x00000407},  // ... the first of two
        {{0x00000C0A}, nullptr, 0x0419, 0},
    };
    for (const Case& c : cases) {
        TLangList list;
        list.setObjectName(QStringLiteral("langue"));
        list.setFilePrefix(QStringLiteral("QKS_"));
        const QString key = QStringLiteral("Key%1").arg(&c - cases);
        list.setRegKey(key);
        QTemporaryDir folder;
        for (uint32_t code : c.files) {
            std::vector<RawRecord> records = RawHeader(4, uint16_t(code), 0);
            records[2].data = QByteArray::number(code, 16);
            WriteBytes(folder.filePath(packName(code)),
                       RawStore(kLanguageSignature, int(records.size()), records));
        }
        if (c.stored)
            settings->writeString(key, QStringLiteral("langue"), QString::fromLatin1(c.stored));
        LangPlatform platform;
        platform.programFolder = folder.path() + QLatin1Char('/');
        platform.settings = settings.get();
        platform.userLanguage = [&c] { return c.user; };
        list.SetPlatform(platform);
        list.FirstActivation();
        EXPECT_EQ(list.CurrentLanguageName(),
                  c.selected ? QString::number(c.selected, 16) : QString())
            << &c - cases;
    }
}

TEST_F(LangPackTest, AppliesTextsListsAlignmentAndFontsByRevision) {
    for (int revision : {3, 4}) {
        afterSwitches = 0;
        main->font = LangFont{QStringLiteral("MS Sans Serif"), 8, 1};
        print->font = LangFont{QStringLiteral("MS Sans Serif"), 8, 1};
        combo->font = LangFont{QStringLiteral("Arial"), 10, 0};
        combo->lists[QStringLiteral("items")] = {QStringLiteral("A"), QStringLiteral("B"),
                                                 QStringLiteral("C")};
        combo->ordinals[QStringLiteral("itemindex")] = 1;
        const uint32_t code = revision == 4 ? 0x040C : 0x0407;
        writePack(
            code,
            join({entry("mainDLG.PRINT_BTN", 1, {0x21, "Imprimer"}, {0x32, "Imprime"}, {0, ""},
                        revision),
                  entry("MainDlg.format_cmb", 0, {0, ""}, {0, ""}, {0x23, "X\r\nY\r\n"}, revision),
                  entry("MainDlg.memo", 0, {0, ""}, {0, ""}, {0x23, "1\n2\n3\n4"}, revision),
                  entry("MainDlg.dynnum_lbl", 0, {1, "Untranslated"}, {0, ""}, {0, ""}, revision),
                  entry("MainDlg.name_edt", 2, {0x21, "Nom"}, {0, ""}, {0, ""}, revision),
                  entry("MainDlg.hidden_btn", 0, {0x21, "Visible"}, {0, ""}, {0, ""}, revision),
                  entry("MainDlg.gone", 0, {0x21, "?"}, {0x22, "?"}, {0x23, "?"}, revision)}),
            revision);
        langue.BuildLanguageList();
        langue.SetLanguageIndex(0);
        ASSERT_EQ(afterSwitches, 1) << revision;
        EXPECT_EQ(print->texts[QStringLiteral("caption")], QStringLiteral("Imprimer"));
        EXPECT_EQ(print->texts[QStringLiteral("hint")], QStringLiteral("Imprime"));
        EXPECT_EQ(print->ordinals[QStringLiteral("showhint")], 1);
        EXPECT_EQ(print->ordinals[QStringLiteral("alignment")], 1);
        EXPECT_EQ(print->ordinals[QStringLiteral("layout")], 0);
        EXPECT_EQ(combo->lists[QStringLiteral("items")],
                  QStringList({QStringLiteral("X"), QStringLiteral("Y"), QStringLiteral("C")}));
        EXPECT_EQ(combo->ordinals[QStringLiteral("itemindex")], 1);
        EXPECT_EQ(memo->lists[QStringLiteral("lines")],
                  QStringList({QStringLiteral("1"), QStringLiteral("2")}));
        EXPECT_EQ(label->texts[QStringLiteral("caption")], QStringLiteral("Copies"));
        EXPECT_EQ(edit->texts[QStringLiteral("text")], QStringLiteral("Nom"));
        EXPECT_EQ(edit->texts.count(QStringLiteral("caption")), 0u);
        EXPECT_EQ(hidden->texts[QStringLiteral("caption")], QStringLiteral("Secret"));
        // Fonts: the main window's face is replaced, another face only gets the character set;
        // revision 4 raises sizes to its minimum (11 in these packs).
        EXPECT_EQ(print->font->face, QStringLiteral("Tahoma"));
        EXPECT_EQ(print->font->pointSize, revision == 4 ? 11 : 8);
        EXPECT_EQ(combo->font->face, QStringLiteral("Arial"));
        EXPECT_EQ(combo->font->pointSize, revision == 4 ? 11 : 10);
        EXPECT_EQ(combo->font->charset, 238);
        EXPECT_EQ(screenCharset, 238);
        EXPECT_EQ(langue.CurrentLanguageName(), QStringLiteral("Name"));
        EXPECT_EQ(stored(), QString::number(code));
    }
}

TEST_F(LangPackTest, SwitchStepsAndFailures) {
    writePack(0x040C, {}, 4, "French");
    writePack(0x0407, {}, 4, "German");
    WriteBytes(dir.filePath(packName(0x0410)),
               RawStore(kLanguageSignature, 5, RawHeader(0, 0x0410, 0))); // too few records
    langue.BuildLanguageList();
    ASSERT_EQ(langue.LanguageCount(), 3);

    std::vector<std::pair<uint32_t, uint32_t>> asked;
    bool allow = false;
    langue.BeforeLanguageSwitch = [&](TLangList* sender, uint32_t from, uint32_t to, bool& can) {
        EXPECT_EQ(sender, &langue);
        asked.emplace_back(from, to);
        can = allow;
    };
    langue.SetLanguageIndex(1);
    EXPECT_EQ(langue.LanguageIndex(), 0);
    EXPECT_EQ(stored(), QString());
    allow = true;
    langue.SetLanguageIndex(1);
    langue.SetLanguageIndex(1); // the same language again: applied again
    langue.SetLanguageIndex(7); // outside the list: nothing
    EXPECT_EQ(afterSwitches, 2);
    EXPECT_EQ(langue.CurrentLanguageName(), QStringLiteral("German"));
    EXPECT_EQ(asked, (std::vector<std::pair<uint32_t, uint32_t>>{
                         {0x040C, 0x0407}, {0x040C, 0x0407}, {0x0407, 0x0407}}));

    langue.SetLanguageIndex(2); // the pack does not apply: index and choice change anyway
    EXPECT_EQ(langue.LanguageIndex(), 2);
    EXPECT_EQ(stored(), QString::number(0x0410));
    EXPECT_EQ(langue.CurrentLanguageName(), QString());
    EXPECT_EQ(afterSwitches, 2);

    langue.setRegKey(QString());
    EXPECT_FALSE(langue.SaveLanguage());
    langue.SetLanguageIndex(0);
    EXPECT_EQ(langue.CurrentLanguageName(), QStringLiteral("French"));
    EXPECT_EQ(stored(), QString::number(0x0410));
}

TEST_F(LangPackTest, StartShowsAPackErrorOnceAndGoesOnInEnglish) {
    std::vector<RawRecord> records = RawHeader(4, 0x040C, 0);
    records[0].data = RawInt(5 << 16 | 0x040C);
    records.push_back({529, "MainDlg.print_btn"});
    WriteBytes(dir.filePath(packName(0x040C)),
               RawStore(kLanguageSignature, int(records.size()), records));
    userLanguage = 0x040C;
    langue.FirstActivation();
    langue.FirstActivation();
    EXPECT_TRUE(langue.Started());
    EXPECT_EQ(errors, QStringList{QStringLiteral("Format not supported in this revision")});
    EXPECT_EQ(print->texts[QStringLiteral("caption")], QStringLiteral("Print Now"));
    EXPECT_EQ(afterSwitches, 0);
}

TEST_F(LangPackTest, BaseFileHoldsEveryTextUntranslated) {
    struct Case {
        QStringList arguments;
        bool written;
    };
    const Case cases[] = {{{QStringLiteral("-c")}, false},
                          {{QStringLiteral("co")}, false},
                          {{QStringLiteral("/CO")}, true},
                          {{QStringLiteral("-Co")}, true},
                          {{QStringLiteral("photo.jpg"), QStringLiteral("-costly")}, true}};
    const QString base = dir.filePath(QStringLiteral("QKS_ORIGINAL.SPK"));
    for (const Case& c : cases) {
        TLangList list;
        list.setFilePrefix(QStringLiteral("QKS_"));
        list.setExcludedComps({QStringLiteral("MainDlg.hidden_btn")});
        list.SetRoot(ViewOf(app));
        LangPlatform platform = langue.Platform();
        platform.arguments = c.arguments;
        list.SetPlatform(platform);
        QFile::remove(base);
        beeps = 0;
        list.FirstActivation();
        EXPECT_EQ(QFile::exists(base), c.written) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(beeps, c.written ? 1 : 0);
    }
    const auto pack = ReadLanguageFile(base);
    ASSERT_TRUE(pack);
    EXPECT_EQ(pack->header.programVersion, 0x01000001u);
    EXPECT_EQ(pack->header.fontName, QStringLiteral("MS Sans Serif"));
    EXPECT_EQ(pack->header.languageId, 0);
    QStringList keys;
    for (const LangEntry& e : pack->entries) {
        keys << e.key;
        EXPECT_FALSE(IsTranslated(e.captionTag) || IsTranslated(e.hintTag) ||
                     IsTranslated(e.listTag));
    }
    EXPECT_EQ(keys,
              QStringList({"MainDlg", "MainDlg.print_btn", "MainDlg.format_cmb", "MainDlg.memo",
                           "MainDlg.dynnum_lbl", "MainDlg.name_edt", "SettingsDlg"}));
    const LangEntry& p = pack->entries[1];
    EXPECT_EQ(p.keyTag, 530);
    EXPECT_EQ(p.caption, QStringLiteral("Print Now"));
    EXPECT_EQ(p.hintTag, 2);
    EXPECT_EQ(pack->entries[2].lines, QStringList({"A", "B", "C"}));
    EXPECT_EQ(pack->entries[5].caption, QStringLiteral("Name"));

    // A write-protected base file: the read-only error, once, and the start goes on.
    ::chmod(QFile::encodeName(base).constData(), 0444);
    TLangList list;
    LangPlatform platform = langue.Platform();
    platform.arguments = {QStringLiteral("-co")};
    list.SetPlatform(platform);
    list.setFilePrefix(QStringLiteral("QKS_"));
    list.FirstActivation();
    EXPECT_EQ(errors.size(), 1);
    EXPECT_EQ(errors.value(0), QStringLiteral("Attempt to write a data while in ReadOnly mode"));
    EXPECT_TRUE(list.Started());

    // A language folder where nothing can be created: the per-user folder, and a notice.
    QTemporaryDir data;
    QStringList notices;
    platform.programFolder = QStringLiteral("/proc/");
    platform.dataFolder = [&data] { return data.path(); };
    platform.showMessage = [&notices](const QString& text) { notices << text; };
    list.SetPlatform(platform);
    EXPECT_EQ(list.CreateBaseFile(), data.filePath(QStringLiteral("QKS_ORIGINAL.SPK")));
    EXPECT_TRUE(QFile::exists(data.filePath(QStringLiteral("QKS_ORIGINAL.SPK"))));
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices[0].contains(data.path())) << notices[0].toStdString();
}

TEST_F(LangPackTest, RevisionZeroAppliesNonEmptyTextsOfWindowsAndTheirControls) {
    auto& nested = print->Add(QStringLiteral("inner"));
    nested.texts[QStringLiteral("caption")] = QStringLiteral("Inner");
    auto& ts = main->Add(QStringLiteral("main_ts"));
    ts.lists[QStringLiteral("items")] = {QStringLiteral("France"), QStringLiteral("Canada")};
    std::vector<RawRecord> records = RawHeader(0, 0x040C, 0);
    const std::vector<RawRecord> entries = {
        {6, "MainDlg.print_btn"},
        {0, "Imprimer"},
        {0, ""},
        {12, "MainDlg.main_ts"},
        {0, "Fr\r\nCa\r\nUs"},
        {9, "MainDlg.print_btn.inner"},
        {0, "Dedans"},
        {0, ""},
        {13, "MainDlg.dynnum_lbl"},
        {0, ""},
        {0, "Astuce"},
    };
    records.insert(records.end(), entries.begin(), entries.end());
    WriteBytes(dir.filePath(packName(0x040C)),
               RawStore(kLanguageSignature, int(records.size()), records));
    langue.BuildLanguageList();
    langue.SetLanguageIndex(0);
    EXPECT_EQ(print->texts[QStringLiteral("caption")], QStringLiteral("Imprimer"));
    EXPECT_EQ(print->texts[QStringLiteral("hint")], QStringLiteral("Print the sheet"));
    EXPECT_EQ(ts.lists[QStringLiteral("items")], QStringList({"Fr", "Ca"}));
    EXPECT_EQ(nested.texts[QStringLiteral("caption")], QStringLiteral("Inner"));
    EXPECT_EQ(label->texts[QStringLiteral("caption")], QStringLiteral("Copies"));
    EXPECT_EQ(label->texts.count(QStringLiteral("hint")), 0u); // no "Hint" property
    EXPECT_EQ(combo->font->charset, 1);
    EXPECT_EQ(main->font->face, QStringLiteral("MS Sans Serif"));
}

TEST_F(LangPackTest, PictureComesFromTheVariantZeroFile) {
    LangPack pack;
    pack.header.languageId = 0x040C;
    pack.header.picture = QImage(4, 2, QImage::Format_RGB32);
    pack.header.picture.fill(qRgb(0, 85, 164));
    WriteLanguageFile(dir.filePath(packName(0x040C)), pack);
    QImage picture(1, 1, QImage::Format_RGB32);
    EXPECT_TRUE(langue.LoadLanguagePicture(0x0001040C, picture));
    EXPECT_EQ(picture.size(), QSize(4, 2));
    EXPECT_FALSE(langue.LoadLanguagePicture(0x0407, picture));
    EXPECT_TRUE(picture.isNull());
}

} // namespace

namespace {

// The fuzzer's seed packs, every revision, applied to their components.
TEST(LangSeeds, EveryRevisionApplies) {
    for (const auto& [name, bytes] : SeedPacks()) {
        QTemporaryDir dir;
        WriteBytes(dir.filePath(name), bytes);
        const std::unique_ptr<TestNode> app = SeedComponents();
        QStringList excluded;
        LangPlatform platform;
        TLanguageRecord record(excluded, platform);
        const std::unique_ptr<ILangComponent> root = ViewOf(*app);
        record.Root = root.get();
        ASSERT_TRUE(record.ApplyFile(dir.filePath(name))) << name.toStdString();
        TestNode& main = *app->owned[0];
        if (record.Revision() == 0) {
            EXPECT_EQ(main.owned[0]->texts[QStringLiteral("caption")], QStringLiteral("Imprimer"));
            EXPECT_EQ(main.owned[2]->lists[QStringLiteral("items")],
                      QStringList({"France", "Canada"}));
            continue;
        }
        TestNode& combo = *main.owned[1];
        EXPECT_EQ(combo.lists[QStringLiteral("items")], QStringList({"A", "B"}));
        EXPECT_EQ(combo.ordinals[QStringLiteral("itemindex")], 0);
        EXPECT_EQ(combo.font->charset, 204);
        EXPECT_EQ(combo.font->pointSize, record.Revision() == 4 ? 11 : 7);
    }
}

} // namespace
