// The record store, the language file format and its character sets, against bytes laid out
// by hand.
#include "localization/Lang_Charset.h"
#include "localization/Lang_File.h"
#include "localization/Lang_Languages.h"
#include "localization/Lang_Storageobj.h"
#include "platform/AppError.h"
#include "tests/common/FileBytes.h"
#include "tests/common/FullDisk.h"
#include "tests/common/LangTestComponents.h"
#include "tests/common/ShortReads.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <iconv.h>
#include <optional>
#include <sys/stat.h>

namespace {

class LangFileTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

// Three records of 0, 1 and 5 bytes, with tags that differ from their positions.
const std::vector<RawRecord> kThree = {{70, ""}, {-3, "x"}, {9, "abcde"}};

TEST_F(LangFileTest, StoreWritesFramedRecordsAndCountOnClose) {
    TStorefile store;
    store.Signature = "SIG";
    store.Filename = path(QStringLiteral("a/b/store.dat")); // folders made on the way
    store.Open();
    ASSERT_TRUE(store.Active());
    EXPECT_EQ(ReadBytes(store.Filename), RawStore("SIG", 0, {}));
    for (size_t i = 0; i < kThree.size(); ++i)
        EXPECT_EQ(store.WriteData(kThree[i].tag, kThree[i].data), int(i + 1));
    store.Close();
    EXPECT_EQ(ReadBytes(store.Filename), RawStore("SIG", 3, kThree));

    TStorefile bare; // no signature: the count opens the file
    bare.Filename = path(QStringLiteral("bare.dat"));
    bare.Open();
    bare.WriteInteger(5, 0x01020304);
    bare.Close();
    EXPECT_EQ(ReadBytes(bare.Filename), RawStore("", 1, {{5, RawInt(0x01020304)}}));
}

TEST_F(LangFileTest, StoreWalksBothWays) {
    const QString file = path(QStringLiteral("walk.dat"));
    WriteBytes(file, RawStore("SIG", 3, kThree));
    TStorefile store;
    store.Signature = "SIG";
    store.Filename = file;
    store.Open();
    ASSERT_EQ(store.RecordCount(), 3);
    EXPECT_TRUE(store.Last());
    EXPECT_EQ(store.RecordIndex(), 2);
    EXPECT_EQ(store.DataSize(), 5);
    EXPECT_TRUE(store.Prior());
    EXPECT_TRUE(store.Prior());
    EXPECT_FALSE(store.Prior()); // at record 0
    EXPECT_EQ(store.DataSize(), 0);

    store.MoveTo(1);
    QByteArray text;
    EXPECT_EQ(store.ReadString(text, true), -3);
    EXPECT_EQ(text, "x");
    EXPECT_EQ(store.RecordIndex(), 2);
    EXPECT_TRUE(store.Prior());
    EXPECT_EQ(store.RecordIndex(), 1);

    store.MoveTo(2);
    for (int requested : {-1, 99, 2}) {
        QByteArray data;
        int size = requested;
        EXPECT_EQ(store.ReadData(data, size, false), 9);
        EXPECT_EQ(data, QByteArray("abcde").left(requested == 2 ? 2 : 5)) << requested;
        EXPECT_EQ(size, int(data.size()));
    }
    // Writing anywhere but at the end writes nothing.
    store.First();
    EXPECT_EQ(store.WriteData(1, "late"), 0);
    EXPECT_TRUE(store.Next() && store.Next() && store.Next());
    EXPECT_TRUE(store.Eof());
    QByteArray none = "keep";
    int size = 4;
    EXPECT_EQ(store.ReadData(none, size, true), 0);
    EXPECT_EQ(size, 0);
    store.Close();
    EXPECT_EQ(ReadBytes(file), RawStore("SIG", 3, kThree));
}

TEST_F(LangFileTest, StoreRefusesWrongSignatureAndReadOnlyWrites) {
    const QString file = path(QStringLiteral("other.dat"));
    const QByteArray bytes = RawStore("SIX", 3, kThree);
    WriteBytes(file, bytes);
    TStorefile store;
    store.Signature = "SIG";
    store.Filename = file;
    store.Open();
    EXPECT_FALSE(store.Active());
    EXPECT_EQ(store.RecordCount(), 0);
    EXPECT_EQ(ReadBytes(file), bytes);

    TStorefile reader;
    reader.Signature = "SIX";
    reader.Filename = file;
    reader.SetReadOnly(true);
    reader.Open();
    ASSERT_TRUE(reader.Active());
    reader.Last();
    reader.Next();
    try {
        reader.WriteData(1, "x");
        FAIL() << "write accepted";
    } catch (const AppError& error) {
        EXPECT_EQ(error.message(),
                  QStringLiteral("Attempt to write a data while in ReadOnly mode"));
    }
    EXPECT_THROW(reader.Clear(), AppError);
    reader.Close();
    EXPECT_EQ(ReadBytes(file), bytes);
}

TEST(PackVersion, PacksAndPrints) {
    const std::pair<const char*, uint32_t> cases[] = {
        {"1.2.3.4", 0x01020C04},   {"1,2", 0x01020000},          {"12", 0x0C000000},
        {"(1.2.3.4)", 0x01020C04}, {"2.1.0.15", 0x0201000F},     {"", 0},
        {"1.2.3.4.5", 0x01020C04}, {"300.1.64.1024", 0x2C010000}};
    for (const auto& [text, packed] : cases)
        EXPECT_EQ(PackVersion(QString::fromLatin1(text)), packed) << text;
    EXPECT_EQ(VersionText(0x0201000F), QStringLiteral("2.1.0.15"));
    EXPECT_EQ(CharSetTable.size(), 19u);
    EXPECT_EQ(CharSetTable[12].number, 177);
    EXPECT_TRUE(CharSetTable[12].rightToLeft);
}

TEST_F(LangFileTest, FrenchPackStartsWithTheRevisionRecord) {
    LangPack pack;
    pack.header.languageId = 0x040C;
    pack.header.listTitle = QStringLiteral("Français");
    const QString file = path(QStringLiteral("QKS_0000040C.SPK"));
    WriteLanguageFile(file, pack);
    const QByteArray bytes = ReadBytes(file);
    EXPECT_EQ(bytes.left(17), "QTL LANGUAGE FILE");
    EXPECT_EQ(bytes.mid(17, 4), RawInt(14));
    EXPECT_EQ(bytes.mid(21, 16), QByteArray::fromHex("0C000000000000000C04040010000000"));
    EXPECT_EQ(bytes.mid(37 + 8, 8), QByteArray::fromHex("4672616ee7616973")); // code page 1252
}

// Revision-specific header layouts and entries, laid out by hand.
TEST_F(LangFileTest, ReadsEveryRevision) {
    struct Case {
        int revision;
        uint8_t auxFlag;
        int minFontSize;
        QString imeName;
    };
    const Case cases[] = {
        {0, 0, 9, ""}, {1, 0, 9, "IME"}, {2, 7, 9, "IME"}, {3, 7, 9, "IME"}, {4, 7, 11, "IME"}};
    for (const Case& c : cases) {
        std::vector<RawRecord> records = RawHeader(c.revision, 0x0419, 204);
        if (c.revision == 0) {
            records.push_back({11, "Dlg.box"});
            records.push_back({0, "Caption"});
            records.push_back({0, ""});
            records.push_back({0, "a\rb\nc"});
            records.push_back({99, "Dlg.odd"}); // unknown kind: the key alone
            records.push_back({12, "Dlg.ts"});
            records.push_back({0, "x\r\n"});
        } else {
            records.push_back({531, "Dlg.box"});
            if (c.revision >= 3)
                records.push_back({768, RawInt(2)});
            records.push_back({0x21, "Caption"});
            records.push_back({0x32, "Hint"});
            records.push_back({0x23, "a\rb\nc"});
        }
        const QString file = path(QStringLiteral("rev%1.SPK").arg(c.revision));
        WriteBytes(file, RawStore(kLanguageSignature, int(records.size()), records));
        const auto pack = ReadLanguageFile(file);
        ASSERT_TRUE(pack) << c.revision;
        const LangHeader& h = pack->header;
        EXPECT_EQ(h.revision, c.revision);
        EXPECT_EQ(h.languageId, 0x0419);
        EXPECT_EQ(h.auxFlag, c.auxFlag);
        EXPECT_EQ(h.minFontSize, c.minFontSize);
        EXPECT_EQ(h.imeName, c.imeName);
        EXPECT_EQ(h.charset, c.revision == 0 ? 1 : 204);
        EXPECT_EQ(h.notes, QStringList({"Note one", "Note two"}));
        EXPECT_EQ(h.programVersion, c.revision == 0 ? 0u : 0x0201000Fu);
        ASSERT_EQ(pack->entries.size(), c.revision == 0 ? 3u : 1u);
        const LangEntry& e = pack->entries[0];
        EXPECT_EQ(e.key, QStringLiteral("Dlg.box"));
        EXPECT_EQ(e.caption, QStringLiteral("Caption"));
        EXPECT_EQ(e.lines, QStringList({"a", "b", "c"}));
        EXPECT_EQ(e.alignment, c.revision >= 3 ? 2 : 0);
        if (c.revision == 0) {
            EXPECT_EQ(pack->entries[2].lines, QStringList({"x"}));
        }
    }
}

TEST_F(LangFileTest, RoundTripKeepsEveryField) {
    LangPack pack;
    LangHeader& h = pack.header;
    h.languageId = 0x0C0A;
    h.listTitle = QStringLiteral("Español");
    h.languageName = QStringLiteral("Spanish");
    h.listDetail = QStringLiteral("España");
    h.notes = {QStringLiteral("¡Hola!"), QString(), QStringLiteral("ñ")};
    h.picture = QImage(7, 3, QImage::Format_RGB32);
    h.picture.fill(qRgb(200, 10, 30));
    h.programVersion = 0x01000001;
    h.auxFlag = 3;
    h.auxText1 = QStringLiteral("one");
    h.auxText2 = QStringLiteral("two");
    h.imeName = QStringLiteral("ime");
    h.fontName = QStringLiteral("Arial");
    h.charset = 0;
    h.minFontSize = 10;
    pack.entries = {
        {QStringLiteral("MainDlg.print_btn"),
         0,
         1,
         0x21,
         QStringLiteral("Imprimir ahora"),
         0x32,
         QStringLiteral("Imprime"),
         0,
         {}},
        {QStringLiteral("MainDlg.main_ts"),
         0,
         0,
         0,
         {},
         0,
         {},
         0x23,
         {QStringLiteral("Francia"), QStringLiteral("€")}},
        {QStringLiteral("MainDlg.empty"), 0, 0, 0, {}, 0, {}, 0, {}}, // nothing: not written
    };
    const QString file = path(QStringLiteral("round.SPK"));
    WriteLanguageFile(file, pack);
    const auto back = ReadLanguageFile(file);
    ASSERT_TRUE(back);
    const LangHeader& b = back->header;
    EXPECT_EQ(b.revision, 4);
    EXPECT_EQ(b.listTitle, h.listTitle);
    EXPECT_EQ(b.listDetail, h.listDetail);
    EXPECT_EQ(b.notes, h.notes);
    EXPECT_EQ(b.picture.size(), QSize(7, 3));
    EXPECT_EQ(b.picture.pixel(6, 2), qRgb(200, 10, 30));
    EXPECT_EQ(b.auxText2, h.auxText2);
    EXPECT_EQ(b.fontName, h.fontName);
    EXPECT_EQ(b.minFontSize, 10);
    ASSERT_EQ(back->entries.size(), 2u);
    EXPECT_EQ(back->entries[0].keyTag, 528 + 2);
    EXPECT_EQ(back->entries[0].hintTag, 0x32);
    EXPECT_EQ(back->entries[0].hint, QStringLiteral("Imprime"));
    EXPECT_EQ(back->entries[0].listTag, 0);
    EXPECT_EQ(back->entries[1].lines, pack.entries[1].lines);
    // Read in pieces, a little apart, it is the same pack: written again, the same bytes.
    std::optional<LangPack> pieced;
    const int before = ShortReads::Pieces();
    for (const unsigned seed : {1u, 2u}) {
        ShortReads pieces(seed);
        pieced = ReadLanguageFile(file);
    }
    EXPECT_GT(ShortReads::Pieces() - before, 40);
    ASSERT_TRUE(pieced);
    WriteLanguageFile(path("whole.SPK"), *back);
    WriteLanguageFile(path("pieces.SPK"), *pieced);
    EXPECT_EQ(ReadBytes(path("pieces.SPK")), ReadBytes(path("whole.SPK")));
}

// The system converter's own bytes for a text, the oracle for the character-set table.
QByteArray iconvBytes(const QString& text, const char* codePage) {
    const iconv_t cd = iconv_open(codePage, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return {};
    QByteArray in = text.toUtf8();
    QByteArray out(in.size() * 4 + 16, '\0');
    char* from = in.data();
    char* to = out.data();
    size_t fromLeft = size_t(in.size()), toLeft = size_t(out.size());
    const bool ok = iconv(cd, &from, &fromLeft, &to, &toLeft) != size_t(-1) &&
                    iconv(cd, nullptr, nullptr, &to, &toLeft) != size_t(-1);
    iconv_close(cd);
    return ok ? out.left(out.size() - qsizetype(toLeft)) : QByteArray();
}

// Every character set a pack may name, with letters that only its code page holds as these
// bytes: a row pointing at a neighbour's code page either cannot encode them or gives others.
TEST(CharacterSets, EveryRowRoundTripsThroughItsCodePage) {
    struct Row {
        int charset;
        const char* codePage;
        const char* text;
    };
    const Row rows[] = {
        {0, "CP1252", "Ça coûte 5 € – naïve"},
        {1, "CP1252", "Œuvre „€“ ÿ"},
        {2, "CP1252", "ƒ ‰ † ™ š"},
        {77, "MACINTOSH", "Café ∂ ƒ ≠ fi"},
        {128, "CP932", "日本語のかな"},
        {129, "CP949", "한국어 글자"},
        {130, "JOHAB", "한국어 글자"},
        {134, "CP936", "简体中文"},
        {136, "CP950", "繁體中文"},
        {161, "CP1253", "Ελληνικά ΆΈ"},
        {162, "CP1254", "Türkçe İş ğ"},
        {163, "CP1258", "đư ơ ₫"},
        {177, "CP1255", "עברית ₪"},
        {178, "CP1256", "عربي پ"},
        {186, "CP1257", "ąčęėįšųūž"},
        {204, "CP1251", "Кириллица ђ"},
        {222, "CP874", "ภาษาไทย"},
        {238, "CP1250", "Łódź Őű ť"},
        {255, "CP1252", "Ærø – ß"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.charset);
        const QString text = QString::fromUtf8(r.text);
        const QByteArray bytes = iconvBytes(text, r.codePage);
        ASSERT_FALSE(bytes.isEmpty());
        EXPECT_STREQ(CodePageName(r.charset), r.codePage);
        EXPECT_EQ(EncodeText(text, r.charset), bytes);
        EXPECT_EQ(DecodeText(bytes, r.charset), text);
        // Only the low byte of the stored number counts.
        EXPECT_EQ(DecodeText(bytes, r.charset | 0x7f00), text);
    }
}

// The "default" and "system" character sets (and every revision-0 pack) mean the code page of
// the pack's language, read and written; 1255 and 1258 keep a text's last letter.
TEST_F(LangFileTest, PackTextsAreInTheirCodePageToTheLastLetter) {
    const struct {
        int revision, charset;
        uint16_t language;
        const char* codePage;
        const char16_t* text;
    } cases[] = {
        {4, 177, 0x0409, "CP1255", u"אב"},       {4, 163, 0x0409, "CP1258", u"Xin chào"},
        {4, 1, 0x0419, "CP1251", u"Финляндия"},  {4, 255, 0x0408, "CP1253", u"Ελλάδα"},
        {4, 1, 0x040D, "CP1255", u"עברית"},      {3, 1, 0x042A, "CP1258", u"Tiếng Việt"},
        {4, 1, 0x041F, "CP1254", u"Türkiye"},    {4, 255, 0x0401, "CP1256", u"مصر"},
        {4, 1, 0x0426, "CP1257", u"Latvija"},    {4, 1, 0x0415, "CP1250", u"Polska ł"},
        {4, 1, 0x041E, "CP874", u"ไทย"},         {4, 1, 0x0411, "CP932", u"日本"},
        {4, 1, 0x0804, "CP936", u"中国"},        {4, 255, 0x0412, "CP949", u"한국"},
        {4, 1, 0x0C04, "CP950", u"香港"},        {4, 1, 0x0C1A, "CP1251", u"Србија"},
        {4, 1, 0x041A, "CP1250", u"Hrvatska č"}, {4, 1, 0x040C, "CP1252", u"Français"},
        {0, 1, 0x0408, "CP1253", u"Ελληνικά"},   {0, 1, 0x0419, "CP1251", u"Россия"},
    };
    for (const auto& c : cases) {
        const QString text = QString::fromUtf16(c.text);
        const QByteArray bytes = iconvBytes(text, c.codePage);
        SCOPED_TRACE(c.codePage + std::string(" ") + text.toStdString());
        const QString file = path(QStringLiteral("pack.SPK"));
        auto records = RawHeader(c.revision, c.language, c.charset, bytes, bytes);
        if (c.revision > 0)
            records.insert(records.end(),
                           {{529, "Dlg.ok"}, {768, RawInt(0)}, {0x21, bytes}, {}, {}});
        WriteBytes(file, RawStore(kLanguageSignature, int(records.size()), records));
        auto pack = ReadLanguageFile(file);
        ASSERT_TRUE(pack);
        EXPECT_EQ(pack->header.listTitle, text);
        if (c.revision > 0) {
            EXPECT_EQ(pack->entries.at(0).caption, text);
        }
        pack->header.charset = uint8_t(c.charset);
        pack->header.listDetail = text + QStringLiteral("!");
        WriteLanguageFile(file, *pack);
        EXPECT_TRUE(ReadBytes(file).contains(bytes + "!"));
    }
    // A byte the code page has no letter for is marked, and the letter before it kept.
    EXPECT_EQ(DecodeText("\xe0\xe1\xff", 177), QStringLiteral("אב\uFFFD"));
}

TEST_F(LangFileTest, WriterRefusesAndLeavesTheTargetAsItWas) {
    const QString file = path(QStringLiteral("QKS_ORIGINAL.SPK"));
    const QString blocked = file + QStringLiteral("/sub/QKS_ORIGINAL.SPK"); // under a file
    const auto native = &QDir::toNativeSeparators;
    WriteBytes(file, "old");
    LangPack cyrillic, longNotes; // code page 1252 holds no Cyrillic
    cyrillic.entries = {{QStringLiteral("Dlg.x"), 0, 0, 1, QStringLiteral("Привет"), 0, {}, 0, {}}};
    longNotes.header.notes = QStringList(200, QStringLiteral("A line of notes"));
    const struct {
        const char* name;
        QString target;
        const LangPack pack;
        mode_t mode;
        long room; // the bytes a file may grow to, as on a disk filling up half-way; 0: no end
        QStringList said; // the error names these
    } rows[] = {
        {"no_such_letter", file, cyrillic, 0644, 0, {"Привет", "Dlg.x"}},
        {"read_only", file, {}, 0444, 0, {}},
        {"no_folder", blocked, {}, 0444, 0, {native(blocked), "Not a directory"}},
        {"disk_full", file, longNotes, 0644, 1000, {native(file), "File too large"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ::chmod(QFile::encodeName(file).constData(), row.mode);
        std::optional<FileSizeLimit> limit;
        if (row.room)
            limit.emplace(row.room);
        try {
            WriteLanguageFile(row.target, row.pack);
            ADD_FAILURE() << "written";
        } catch (const AppError& error) {
            for (const QString& part : row.said)
                EXPECT_TRUE(error.message().contains(part)) << error.message().toStdString();
        }
        limit.reset();
        EXPECT_EQ(ReadBytes(file), "old");
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1); // no temporary file left
}

// Packs from strangers: every way of lying about lengths ends the walk inside the file.
TEST_F(LangFileTest, HostilePacksReadOnlyWhatIsThere) {
    std::vector<RawRecord> records = RawHeader(4, 0x040C, 0);
    const int entryStart = int(RawStore(kLanguageSignature, 0, records).size());
    for (const char* key : {"Dlg.a", "Dlg.b"}) {
        records.push_back({529, key});
        records.push_back({768, RawInt(0)});
        records.push_back({0x21, "Text"});
        records.push_back({0, ""});
        records.push_back({0, ""});
    }
    const QByteArray good = RawStore(kLanguageSignature, int(records.size()), records);
    const int entrySize = (int(good.size()) - entryStart) / 2;
    const QString file = path(QStringLiteral("bad.SPK"));
    const auto entriesOf = [&](const QByteArray& bytes) -> int {
        WriteBytes(file, bytes);
        const auto pack = ReadLanguageFile(file);
        return pack ? int(pack->entries.size()) : -1;
    };
    const auto withInt = [&](int at, int32_t value) {
        QByteArray bytes = good;
        bytes.replace(at, 4, RawInt(value));
        return bytes;
    };
    struct Case {
        const char* what;
        QByteArray bytes;
        int entries;
    };
    const Case cases[] = {
        {"intact", good, 2},
        {"negative lead", withInt(entryStart, -5), 0},
        {"zero lead", withInt(entryStart, 0), 0},
        {"2 GB lead", withInt(entryStart, 0x7fffffff), 0},
        {"lead past the end", withInt(entryStart, int32_t(good.size())), 0},
        {"second entry's lead too long", withInt(entryStart + entrySize, entrySize * 4), 1},
        {"count far too high", withInt(17, 0x7fffffff), 2},
        {"count negative", withInt(17, -1), -1},
        {"count below 6", withInt(17, 5), -1},
        {"count of 6, the least", withInt(17, 6), 2},
        {"cut between entries", good.left(entryStart + entrySize), 1},
        {"cut inside an entry", good.left(entryStart + entrySize + 30), 2},
        {"cut inside the header", good.left(60), 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(entriesOf(c.bytes), c.entries) << c.what;
    for (int cut = 0; cut <= good.size(); ++cut)
        EXPECT_LE(entriesOf(good.left(cut)), 2) << cut;

    // A cut entry reads its missing records as empty, with tag 0.
    WriteBytes(file, good.left(entryStart + entrySize + 30));
    const LangEntry last = ReadLanguageFile(file)->entries.back();
    EXPECT_EQ(last.key, QStringLiteral("Dlg.b"));
    EXPECT_EQ(last.captionTag, 0);

    // Pictures and revisions that stop the load with an error.
    QByteArray lyingBmp = QByteArray("BM") + RawInt(70) + RawInt(0) + RawInt(54) + RawInt(40) +
                          RawInt(30000) + RawInt(30000) + QByteArray::fromHex("01001800") +
                          RawInt(0) + QByteArray(24, '\0');
    const std::pair<QByteArray, QString> errors[] = {
        {"GIF89a", QStringLiteral("Bitmap image is not valid")},
        {lyingBmp, QStringLiteral("Bitmap image is not valid")},
    };
    for (const auto& [picture, message] : errors) {
        std::vector<RawRecord> bad = records;
        bad[5].data = picture;
        WriteBytes(file, RawStore(kLanguageSignature, int(bad.size()), bad));
        try {
            ReadLanguageFile(file);
            ADD_FAILURE() << "read";
        } catch (const AppError& error) {
            EXPECT_EQ(error.message(), message);
        }
    }
    std::vector<RawRecord> future = records;
    future[0].data = RawInt(5 << 16 | 0x040C);
    WriteBytes(file, RawStore(kLanguageSignature, int(future.size()), future));
    try {
        ReadLanguageFile(file);
        ADD_FAILURE() << "read";
    } catch (const AppError& error) {
        EXPECT_EQ(error.message(), QStringLiteral("Format not supported in this revision"));
    }

    // Walking back over a trail that does not match its lead fails instead of jumping.
    QByteArray badTrail = RawStore("S", 3, kThree);
    badTrail.replace(badTrail.size() - 4, 4, RawInt(1000));
    WriteBytes(file, badTrail);
    TStorefile store;
    store.Signature = "S";
    store.Filename = file;
    store.Open();
    EXPECT_FALSE(store.Last());
    store.MoveTo(2);
    EXPECT_EQ(store.RecordIndex(), 2);
    EXPECT_FALSE(store.Prior() && store.RecordIndex() != 1);
}

// The published language table, row by row, with the locale a user of each language has.
TEST(Languages, EveryRowAndItsLocale) {
    const std::vector<QStringList> rows = DataTable(QStringLiteral("languages.md"));
    ASSERT_EQ(rows.size(), 146u);
    ASSERT_EQ(LanguageTable().size(), rows.size());
    ASSERT_EQ(ListedLanguages().data(), LanguageTable().data() + 1);
    ASSERT_EQ(ListedLanguages().size(), 145u);
    for (size_t i = 0; i < rows.size(); ++i) {
        const QStringList& row = rows[i];
        SCOPED_TRACE(row.join(u' ').toStdString());
        bool ok = false;
        const uint16_t id = uint16_t(row[0].toUInt(&ok, 16));
        ASSERT_TRUE(ok);
        EXPECT_EQ(LanguageTable()[i].id, id);
        EXPECT_EQ(QString::fromUtf8(LanguageTable()[i].name), row[1]);
        const QString locale = row[2] == u"-" ? QString() : row[2];
        EXPECT_EQ(LocaleForLangId(id), locale);
        if (locale.isEmpty())
            continue;
        EXPECT_EQ(LangIdForLocale(locale), id);
        // The codeset is dropped wherever it stands; case does not count.
        const QString withCodeset = locale.contains(u'@')
                                        ? QString(locale).replace(u'@', QStringLiteral(".UTF-8@"))
                                        : locale + QStringLiteral(".UTF-8");
        EXPECT_EQ(LangIdForLocale(withCodeset), id) << withCodeset.toStdString();
        EXPECT_EQ(LangIdForLocale(locale.toUpper()), id);
    }
}

// Each step of the locale rule answers one row that the steps after it would answer
// otherwise (or not at all).
TEST(Languages, LocaleStepsInOrder) {
    const std::pair<const char*, uint16_t> cases[] = {
        {"sr_RS@latin", 0x081A},   // the full name with its modifier (sr_RS alone is Cyrillic)
        {"de_DE@euro", 0x0407},    // an unknown modifier: language and territory
        {"fr-ca", 0x0C0C},         // language and territory, any separator and case
        {" pt_BR.UTF-8 ", 0x0416}, // blanks and codeset
        {"es_CU", 0x0C0A},         // the language's common form (the first es_ row is Mexican)
        {"no_NO", 0x0414},         // an older code with no row of its own
        {"iw_IL", 0x040D},         // another older code
        {"in", 0x0421},            // and another
        {"fr", 0x040C},            // the language alone: its first row
        {"de_BE", 0x0407},         // a territory without a row: the language's first row
        {"ar", 0x0401},            // the first of many territories
        {"C", 0x0409},             // no language at all
        {"POSIX", 0x0409},         // likewise
        {"C.UTF-8", 0x0409},       // with a codeset
        {"", 0x0409},              // nothing set
        {"xx_YY", 0x0409},         // a language without a row
    };
    for (const auto& [locale, id] : cases)
        EXPECT_EQ(LangIdForLocale(QString::fromLatin1(locale)), id) << locale;
}

// LC_ALL, then LC_MESSAGES, then LANG: the first one set decides, an empty one is not set.
TEST(Languages, UserLanguageFromTheFirstVariableSet) {
    struct Case {
        const char *all, *messages, *lang;
        uint16_t id;
    };
    const Case cases[] = {
        {"pt_BR", "de_AT.UTF-8", "fr_FR.UTF-8", 0x0416},
        {"", "de_AT.UTF-8", "fr_FR.UTF-8", 0x0C07},
        {nullptr, nullptr, "fr_CA.UTF-8", 0x0C0C},
        {"", "", "", 0x0409},
        {nullptr, nullptr, nullptr, 0x0409},
    };
    const char* names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    const QByteArray saved[] = {qgetenv(names[0]), qgetenv(names[1]), qgetenv(names[2])};
    for (const Case& c : cases) {
        const char* values[] = {c.all, c.messages, c.lang};
        for (int i = 0; i < 3; ++i)
            values[i] ? qputenv(names[i], values[i]) : qunsetenv(names[i]);
        EXPECT_EQ(UserLanguageFromEnvironment(), c.id) << &c - cases;
    }
    for (int i = 0; i < 3; ++i)
        saved[i].isNull() ? qunsetenv(names[i]) : qputenv(names[i], saved[i]);
}

} // namespace
