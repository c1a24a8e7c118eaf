// The pack tool: .po -> .SPK -> read back, the template from a base file, the checks, and
// the shipped packs.
#include "tests/common/Fakes.h"
#include "localization/tools/FlagPicture.h"
#include "localization/Lang_File.h"
#include "localization/Lang_Storageobj.h"
#include "localization/tools/PoFile.h"
#include "localization/tools/SpkCompile.h"
#include "app/U_MainDlg.h"
#include "print/U_PreviewDlg.h"
#include "localization/U_SettingsDlg.h"
#include "about/U_about.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QByteArray kHeader = "msgid \"\"\n"
                           "msgstr \"\"\n"
                           "\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
                           "\"X-Language-Id: 040C\\n\"\n"
                           "\"X-List-Title: Fran\xC3\xA7"
                           "ais\\n\"\n"
                           "\"X-Language-Name: Fran\xC3\xA7"
                           "ais\\n\"\n"
                           "\"X-List-Detail: French\\n\"\n"
                           "\"X-Notes: one|two\\n\"\n"
                           "\"X-Font-Name: Arial\\n\"\n"
                           "\"X-Charset: 0\\n\"\n"
                           "\"X-Min-Font-Size: 9\\n\"\n"
                           "\"X-Flag: v 0000FF FFFFFF FF0000\\n\"\n\n";

QByteArray message(const char* context, const char* id, const char* str, const char* comment = "") {
    return QByteArray(comment) + "msgctxt \"" + context + "\"\nmsgid \"" + id + "\"\nmsgstr \"" +
           str + "\"\n\n";
}

struct ToolRun {
    int exitCode = -1;
    QString errors;
};

ToolRun spktool(const QStringList& args) {
    QProcess process;
    process.start(QStringLiteral(QM_SPKTOOL), args);
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardError())};
}

class SpkTool : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    QByteArray read(const QString& path) {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }
    QTemporaryDir dir;
};

TEST_F(SpkTool, CompiledPackReadsBackWithTranslatedBits) {
    const QString po = write(
        "fr.po", kHeader + message("previewdlg|Caption", "Preview", "Aper\xC3\xA7u") +
                     message("previewdlg.usb_btn|Caption", "USB Key", "") +
                     message("previewdlg.usb_btn|Hint", "Write to the drive",
                             "\xC3\x89"
                             "crire",
                             "#, fuzzy\n") +
                     message("MainDlg.print_btn|Hint", "Print", "Imprimer", "#. hint hidden\n") +
                     message("MainDlg.main_ts|Items|1", "Canada", "") +
                     message("MainDlg.main_ts|Items|0", "France", "La France"));
    const QString spk = dir.filePath("QKS_0000040C.SPK");
    ASSERT_EQ(spktool({"compile", po, spk}).exitCode, 0);

    const std::optional<LangPack> pack = ReadLanguageFile(spk);
    ASSERT_TRUE(pack);
    EXPECT_EQ(pack->header.revision, 4);
    EXPECT_EQ(pack->header.languageId, 0x040C);
    EXPECT_EQ(pack->header.listTitle, QString::fromUtf8("Fran\xC3\xA7"
                                                        "ais"));
    EXPECT_EQ(pack->header.notes, QStringList({"one", "two"}));
    EXPECT_EQ(pack->header.fontName, "Arial");
    EXPECT_EQ(pack->header.charset, 0);
    EXPECT_EQ(pack->header.minFontSize, 9);
    EXPECT_EQ(VersionText(pack->header.programVersion), QStringLiteral(QM_TEST_VERSION));
    EXPECT_EQ(pack->header.picture.size(), QSize(42, 28));

    struct Expected {
        const char* key;
        int captionTag;
        QString caption;
        int hintTag;
        QString hint;
        int listTag;
        QStringList lines;
    };
    const Expected expected[] = {
        {"previewdlg", 0x21, QString::fromUtf8("Aper\xC3\xA7u"), 0, "", 0, {}},
        // Untranslated and fuzzy messages keep the English text without the translated bit.
        {"previewdlg.usb_btn", 0x01, "USB Key", 0x12, "Write to the drive", 0, {}},
        {"MainDlg.print_btn", 0, "", 0x22, "Imprimer", 0, {}},
        {"MainDlg.main_ts", 0, "", 0, "", 0x23, {"La France", "Canada"}},
    };
    ASSERT_EQ(pack->entries.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        const LangEntry& e = pack->entries[i];
        SCOPED_TRACE(expected[i].key);
        EXPECT_EQ(e.key, expected[i].key);
        EXPECT_EQ(e.captionTag, expected[i].captionTag);
        EXPECT_EQ(e.caption, expected[i].caption);
        EXPECT_EQ(e.hintTag, expected[i].hintTag);
        EXPECT_EQ(e.hint, expected[i].hint);
        EXPECT_EQ(e.listTag, expected[i].listTag);
        EXPECT_EQ(e.lines, expected[i].lines);
    }
    // The texts are code page 1252 bytes in the file: c-cedilla is the single byte E7.
    const QByteArray bytes = read(spk);
    EXPECT_TRUE(bytes.contains("Aper\xE7u"));
    EXPECT_TRUE(bytes.contains("La France\r\nCanada\r\n"));
}

TEST_F(SpkTool, ProblemsStopTheToolWithAMessage) {
    const QString pot =
        write("t.pot", kHeader + message("MainDlg.print_btn|Caption", "Print Now", "") +
                           message("MainDlg.main_ts|Items|0", "France", "") +
                           message("MainDlg.main_ts|Items|1", "Canada", ""));
    const QByteArray good = message("MainDlg.print_btn|Caption", "Print Now", "Imprimer") +
                            message("MainDlg.main_ts|Items|0", "France", "France") +
                            message("MainDlg.main_ts|Items|1", "Canada", "");
    struct Case {
        const char* name;
        const char* command;
        QByteArray po;
        int exitCode;
        const char* says;
    };
    const Case cases[] = {
        {"fits", "check", kHeader + good, 0, ""},
        {"unknown key", "check",
         kHeader + good + message("MainDlg.prnt_btn|Caption", "Print Now", "Imprimer"), 1,
         "unknown key \"MainDlg.prnt_btn|Caption\""},
        {"list too long", "check",
         kHeader + good + message("MainDlg.main_ts|Items|2", "Spain", "Espagne"), 1,
         "list MainDlg.main_ts has 3 lines, the template has 2"},
        {"list too short", "check",
         kHeader + message("MainDlg.main_ts|Items|0", "France", "France"), 1,
         "list MainDlg.main_ts has 1 lines, the template has 2"},
        {"English changed", "check",
         kHeader + message("MainDlg.print_btn|Caption", "Print", "Imprimer"), 1, "is now"},
        {"not in code page 1252", "compile",
         kHeader + message("MainDlg.print_btn|Caption", "Print Now",
                           "\xD0\x9F\xD0\xB5\xD1\x87\xD0\xB0\xD1\x82\xD1\x8C"),
         1, "cannot hold"},
        {"list with a gap", "compile",
         kHeader + message("MainDlg.main_ts|Items|0", "France", "") +
             message("MainDlg.main_ts|Items|2", "Spain", ""),
         1, "MainDlg.main_ts: list line 1 is missing"},
        {"bad context", "compile", kHeader + message("MainDlg.x|Colour", "Red", "Rouge"), 1,
         "bad message context"},
        {"no language", "compile", message("MainDlg.x|Caption", "Red", "Rouge"), 1,
         "X-Language-Id is missing"},
        {"syntax", "compile", kHeader + "msgctxt \"MainDlg.x|Caption\"\nmsgid \"Red\"\n", 1,
         "message without msgstr"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString po = write("case.po", c.po);
        const QString out = dir.filePath("out.SPK");
        QFile::remove(out);
        const ToolRun run =
            spktool({c.command, po, QLatin1String(c.command) == "check" ? pot : out});
        EXPECT_EQ(run.exitCode, c.exitCode) << run.errors.toStdString();
        EXPECT_TRUE(run.errors.contains(QLatin1String(c.says))) << run.errors.toStdString();
        if (c.exitCode != 0) {
            EXPECT_FALSE(QFile::exists(out));
        }
    }
}

TEST_F(SpkTool, PackNamedForAnotherLanguageIsRefused) {
    const QString po =
        write("fr.po", kHeader + message("previewdlg|Caption", "Preview", "Aper\xC3\xA7u"));
    const ToolRun run = spktool({"compile", po, dir.filePath("QKS_00010407.SPK")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.errors.contains("holds language 040c")) << run.errors.toStdString();
    EXPECT_EQ(spktool({"compile", po, dir.filePath("QKS_0001040C.SPK")}).exitCode, 0);
}

TEST_F(SpkTool, TemplateHoldsEveryTextOfTheBaseFile) {
    LangPack base;
    base.header.fontName = "MS Sans Serif";
    base.header.charset = 1;
    base.entries = {
        {"MainDlg", 0, 0, 1, "Quillmark", 0, "", 0, {}},
        {"MainDlg.print_btn", 0, 0, 1, "Print Now", 18, "Print the sheet", 0, {}},
        {"MainDlg.rot_btn", 0, 0, 0, "", 2, "Rotate", 0, {}},
        {"MainDlg.main_ts", 0, 0, 0, "", 0, "", 3, {"France", "Caf\u00e9"}},
    };
    const QString spk = dir.filePath("QKS_ORIGINAL.SPK");
    WriteLanguageFile(spk, base);
    const QString potPath = dir.filePath("out.pot");
    ASSERT_EQ(spktool({"pot", spk, potPath}).exitCode, 0);

    PoCatalogue pot;
    QString error;
    ASSERT_TRUE(ParsePo(read(potPath), pot, error)) << error.toStdString();
    EXPECT_EQ(pot.headerField("X-Font-Name"), "MS Sans Serif");
    const std::tuple<const char*, QString, QStringList> expected[] = {
        {"MainDlg|Caption", "Quillmark", {}},
        {"MainDlg.print_btn|Caption", "Print Now", {}},
        {"MainDlg.print_btn|Hint", "Print the sheet", {}},
        {"MainDlg.rot_btn|Hint", "Rotate", {"hint hidden"}},
        {"MainDlg.main_ts|Items|0", "France", {}},
        {"MainDlg.main_ts|Items|1", QString::fromUtf8("Caf\xC3\xA9"), {}},
    };
    ASSERT_EQ(pot.messages.size(), qsizetype(std::size(expected)));
    for (qsizetype i = 0; i < pot.messages.size(); ++i) {
        const auto& [context, id, extracted] = expected[i];
        EXPECT_EQ(pot.messages[i].context, context);
        EXPECT_EQ(pot.messages[i].id, id);
        EXPECT_EQ(pot.messages[i].extracted, extracted);
        EXPECT_TRUE(pot.messages[i].str.isEmpty());
    }
}

TEST(PoFile, ReadsEscapesContinuationsAndReportsTheLine) {
    PoCatalogue po;
    QString error;
    ASSERT_TRUE(ParsePo("\xEF\xBB\xBF# comment\r\nmsgctxt \"k|Caption\"\nmsgid \"a\\\"b\\\\c\"\n"
                        "msgstr \"\"\n\"x\\n\"\n\"y\\tz\"\n\n#~ msgid \"old\"\n#~ msgstr \"v\"\n",
                        po, error));
    ASSERT_EQ(po.messages.size(), 1);
    EXPECT_EQ(po.messages[0].id, "a\"b\\c");
    EXPECT_EQ(po.messages[0].str, "x\ny\tz");
    EXPECT_EQ(po.messages[0].line, 2);

    const std::pair<QByteArray, const char*> broken[] = {
        {"msgid \"a\"\nmsgstr \"b\"\n\nmsgid \"c\n", "line 4"},
        {"msgid \"a\"\nmsgid_plural \"as\"\n", "line 2: plural"},
        {"msgid \"a\"\nmsgstr \"\\q\"\n", "line 2: unknown escape"},
        {"\"stray\"\n", "line 1: string outside"},
    };
    for (const auto& [text, says] : broken) {
        EXPECT_FALSE(ParsePo(text, po, error));
        EXPECT_TRUE(error.startsWith(QLatin1String(says))) << error.toStdString();
    }
}

TEST(FlagPicture, BandsTileThePicture) {
    QImage flag;
    QString error;
    ASSERT_TRUE(FlagPicture("h AA151B F1BF00 F1BF00 AA151B", flag, error));
    const QRgb red = qRgb(0xAA, 0x15, 0x1B), yellow = qRgb(0xF1, 0xBF, 0x00);
    EXPECT_EQ(flag.pixel(41, 0), red);
    EXPECT_EQ(flag.pixel(3, 6), red);
    EXPECT_EQ(flag.pixel(7, 7), yellow);
    EXPECT_EQ(flag.pixel(40, 20), yellow);
    EXPECT_EQ(flag.pixel(0, 21), red);
    ASSERT_TRUE(FlagPicture("v 000000 FFFFFF", flag, error));
    EXPECT_EQ(flag.pixel(20, 27), qRgb(0, 0, 0));
    EXPECT_EQ(flag.pixel(21, 1), qRgb(255, 255, 255));
    EXPECT_FALSE(FlagPicture("d 000000", flag, error));
    EXPECT_FALSE(FlagPicture("h 00000G", flag, error));
}

TEST(ShippedPacks, EveryPackTranslatesTheMainTexts) {
    const std::tuple<const char*, int, const char*, const char*> packs[] = {
        {"QKS_0000040C.SPK", 0x040C, "Imprimer", "France"},
        {"QKS_00000407.SPK", 0x0407, "Jetzt drucken", "Frankreich"},
        {"QKS_00000C0A.SPK", 0x0C0A, "Imprimir ahora", "Francia"},
        // The way back: without it a user who chose another language keeps it for good.
        {"QKS_00000409.SPK", 0x0409, "Print Now", "France"},
    };
    for (const auto& [name, id, printNow, france] : packs) {
        SCOPED_TRACE(name);
        const std::optional<LangPack> pack =
            ReadLanguageFile(QStringLiteral(QM_BIN_DIR "/") + QLatin1String(name));
        ASSERT_TRUE(pack);
        EXPECT_EQ(pack->header.languageId, id);
        EXPECT_FALSE(pack->header.picture.isNull());
        int found = 0;
        for (const LangEntry& e : pack->entries) {
            if (e.key == "MainDlg.print_btn") {
                EXPECT_TRUE(IsTranslated(e.captionTag));
                EXPECT_EQ(e.caption, printNow);
                ++found;
            } else if (e.key == "MainDlg.main_ts") {
                EXPECT_TRUE(IsTranslated(e.listTag));
                ASSERT_EQ(e.lines.size(), 71);
                EXPECT_EQ(e.lines[1], france);
                EXPECT_EQ(e.lines[15], "unused");
                ++found;
            }
        }
        EXPECT_EQ(found, 2);
    }
}

// The committed template must hold exactly the texts of the program's base file ("-co"),
// or translations of new texts are silently missing from the packs.
TEST(ShippedTemplate, MatchesTheProgramsBaseFile) {
    FakePlatform fake;
    TMainDlg main(fake.services);
    auto* settings = new TSettingsDlg(&main, main.Languages());
    auto* preview = new Tpreviewdlg(fake.services, &main);
    auto* about = new TAboutDlg(fake.shell, fake.services.programFile, &main);
    preview->Bind(main.MainTexts());
    main.SetWindows(settings, preview, about);
    const std::optional<LangPack> base = ReadLanguageFile(main.Languages()->CreateBaseFile());
    ASSERT_TRUE(base);

    QFile file(QStringLiteral(QM_SOURCE_DIR "/localization/po/quillmark.pot"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    PoCatalogue committed;
    QString error;
    ASSERT_TRUE(ParsePo(file.readAll(), committed, error)) << error.toStdString();
    auto texts = [](const PoCatalogue& catalogue) {
        QStringList lines;
        for (const PoMessage& m : catalogue.messages)
            lines << m.context + QStringLiteral(" = ") + m.id;
        return lines;
    };
    EXPECT_EQ(texts(committed), texts(TemplateFromPack(*base, QString())))
        << "regenerate localization/po/quillmark.pot with spktool pot and merge the .po files";
}

} // namespace
