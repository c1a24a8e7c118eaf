#include "platform/AppError.h"
#include "localization/C_TextStorage.h"
#include "app/U_Formats.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace {

struct CatalogueRow {
    int index;
    const char* label;
    int widthMM;
    int heightMM;
    int displayHeight;
    bool mask;
};

// The published catalogue, as a person would read it off the format list.
const CatalogueRow kRows[] = {
    {0, "40 x 50 mm (Albania)", 40, 50, 189, false},
    {1, "1,5 x 1,5 in (Argentina)", 38, 38, 151, false},
    {2, "35 x 45 mm (Australia)", 35, 45, 194, true},
    {3, "35 x 45 mm (Austria)", 35, 45, 194, true},
    {4, "2 x 2 in (Bahamas)", 50, 50, 151, false},
    {5, "40 x 50 mm (Belarus)", 40, 50, 189, false},
    {6, "35 x 45 mm (Belgium)", 35, 45, 194, true},
    {7, "2 x 2 in (Belize)", 50, 50, 151, false},
    {8, "2 x 2 in (Bolivia)", 50, 50, 151, false},
    {9, "30 x 40 mm (Brazil - ID)", 30, 40, 201, false},
    {10, "50 x 70 mm (Brazil - Passport)", 50, 70, 211, false},
    {11, "35 x 45 mm (Bulgaria)", 35, 45, 194, true},
    {12, "50 x 70 mm (Canada)", 50, 70, 211, false},
    {13, "33 x 48 mm (China)", 33, 48, 220, false},
    {14, "1,5 x 2,5 in (Colombia)", 38, 63, 252, false},
    {15, "35 x 45 mm (Croatia)", 35, 45, 194, true},
    {16, "35 x 45 mm (Czech Republic)", 35, 45, 194, true},
    {17, "35 x 45 mm (Denmark)", 35, 45, 194, true},
    {18, "40 x 50 mm (Estonia)", 40, 50, 189, false},
    {19, "35 x 45 mm (Finland)", 35, 45, 194, true},
    {20, "35 x 45 mm (France)", 35, 45, 194, true},
    {21, "35 x 45 mm (Germany)", 35, 45, 194, true},
    {22, "40 x 60 mm (Greece)", 40, 60, 226, false},
    {23, "40 x 50 mm (Hong Kong)", 40, 50, 189, false},
    {24, "35 x 45 mm (Hungary)", 35, 45, 194, true},
    {25, "40 x 40 mm (Hungary - Traffic board)", 40, 40, 151, false},
    {26, "2 x 2 in (India)", 50, 50, 151, false},
    {27, "2 x 2 in (Indonesia)", 50, 50, 151, false},
    {28, "35 x 45 mm (Ireland)", 35, 45, 194, true},
    {29, "35 x 45 mm (Israel)", 35, 45, 194, true},
    {30, "35 x 45 mm (Italy)", 35, 45, 194, true},
    {31, "40 x 40 mm (Italy - Passport)", 40, 40, 151, false},
    {32, "33 x 40 mm (Italy - Driving Licence)", 33, 40, 183, false},
    {33, "2 x 2 in (Jamaica)", 50, 50, 151, false},
    {34, "35 x 45 mm (Japan)", 35, 45, 194, true},
    {35, "35 x 45 mm (Kenya)", 35, 45, 194, true},
    {36, "2 x 2 in (Lebanon)", 50, 50, 151, false},
    {37, "2 x 2 in (Malaysia)", 50, 50, 151, false},
    {38, "25 x 30 mm (Mexico)", 25, 30, 181, false},
    {39, "35 x 45 mm (Morocco)", 35, 45, 194, true},
    {40, "35 x 45 mm (Netherlands)", 35, 45, 194, true},
    {41, "35 x 45 mm (New Zealand)", 35, 45, 194, true},
    {42, "35 x 45 mm (Nigeria)", 35, 45, 194, true},
    {43, "35 x 45 mm (Norway)", 35, 45, 194, true},
    {44, "2 x 2 in (Pakistan)", 50, 50, 151, false},
    {45, "35 x 45 mm (Panama)", 35, 45, 194, true},
    {46, "2 x 2 in (Peru)", 50, 50, 151, false},
    {47, "35 x 45 mm (Philippines)", 35, 45, 194, true},
    {48, "35 x 45 mm (Poland)", 35, 45, 194, true},
    {49, "35 x 45 mm (Portugal)", 35, 45, 194, true},
    {50, "35 x 45 mm (Romania)", 35, 45, 194, true},
    {51, "35 x 45 mm (Russia)", 35, 45, 194, true},
    {52, "35 x 45 mm (Singapore)", 35, 45, 194, true},
    {53, "35 x 45 mm (South Africa)", 35, 45, 194, true},
    {54, "30 x 40 mm (Spain)", 30, 40, 201, false},
    {55, "35 x 45 mm (Sweden)", 35, 45, 194, true},
    {56, "35 x 45 mm (Switzerland)", 35, 45, 194, true},
    {57, "50 x 50 mm (Taiwan)", 50, 50, 151, false},
    {58, "35 x 45 mm (Tanzania)", 35, 45, 194, true},
    {59, "2 x 2 in (Thailand)", 50, 50, 151, false},
    {60, "43 x 53 mm (Trinidad and Tobago)", 43, 53, 186, false},
    {61, "35 x 45 mm (Turkey)", 35, 45, 194, true},
    {62, "35 x 45 mm (United Kingdom)", 35, 45, 194, true},
    {63, "2 x 2 in (United States)", 50, 50, 151, false},
    {64, "2 x 2 in (Venezuela)", 50, 50, 151, false},
    {65, "35 x 45 mm (Zimbabwe)", 35, 45, 194, true},
};

class CatalogueTest : public ::testing::TestWithParam<CatalogueRow> {};

} // namespace

TEST_P(CatalogueTest, LabelGivesSizeDisplayHeightAndMask) {
    const CatalogueRow& row = GetParam();
    const FormatEntry& entry = FormatCatalogue().at(size_t(row.index));
    const QString label = QString::fromUtf8(entry.prefix) + QString::fromUtf8(entry.country) + u')';
    EXPECT_EQ(label, QString::fromUtf8(row.label));
    PhotoFormat format;
    ASSERT_TRUE(ParseFormatLabel(label, format));
    EXPECT_EQ(EngineMillimetres(format.LabelWidth, format.IsMillimetres), row.widthMM);
    EXPECT_EQ(EngineMillimetres(format.LabelHeight, format.IsMillimetres), row.heightMM);
    EXPECT_EQ(DisplayHeight(format), row.displayHeight);
    EXPECT_EQ(MaskAvailable(format), row.mask);
}

INSTANTIATE_TEST_SUITE_P(AllEntries, CatalogueTest, ::testing::ValuesIn(kRows),
                         [](const auto& info) {
                             return "Entry" + std::to_string(info.param.index);
                         });

TEST(FormatLabels, CountryTextsAreAmongTheMainTexts) {
    ASSERT_EQ(MainTexts().size(), 70);
    EXPECT_EQ(MainTexts().at(15), QStringLiteral("unused"));
    int missing = 0;
    for (const FormatEntry& e : FormatCatalogue())
        if (!MainTexts().contains(QString::fromUtf8(e.country)))
            ++missing;
    EXPECT_EQ(missing, 1) << "only the driving licence label stays English";
}

TEST(FormatLabels, TranslatedCountryKeepsTheSize) {
    TTextStorage texts(QStringLiteral("main_ts"), MainTexts());
    QStringList items = MainTexts();
    items[1] = QStringLiteral("Frankreich (Paris)");
    texts.setItems(items);
    PhotoFormat format;
    ASSERT_TRUE(ParseFormatLabel(
        QStringLiteral("35 x 45 mm (") + texts.Translate(QStringLiteral("France")) + u')', format));
    EXPECT_EQ(format.LabelWidth, 35.0f);
    EXPECT_EQ(format.LabelHeight, 45.0f);
}

TEST(FormatLabels, CommaDecimalDoesNotDependOnTheLocale) {
    const QLocale saved;
    for (const char* name : {"C", "de_DE", "fr_FR", "en_US"}) {
        QLocale::setDefault(QLocale(QLatin1String(name)));
        PhotoFormat format;
        ASSERT_TRUE(ParseFormatLabel(QStringLiteral("1,5 x 1,5 in (Argentina)"), format)) << name;
        EXPECT_EQ(EngineMillimetres(format.LabelWidth, false), 38) << name;
    }
    QLocale::setDefault(saved);
}

TEST(FormatLabels, UnreadableLabelsKeepTheStartValues) {
    struct Case {
        const char* label;
        float width;
        float height;
    } cases[] = {
        {"", 35, 45},                    // empty list: nothing selected
        {"35 x 45 mm France", 35, 45},   // no bracket
        {"35 x 45 cm (France)", 35, 45}, // unknown unit
        {"35 X 45 mm (France)", 35, 45}, // upper-case X is not the separator
        {"0 x 45 mm (Nowhere)", 0, 45},  // zero size
    };
    for (const Case& c : cases) {
        PhotoFormat format;
        EXPECT_FALSE(ParseFormatLabel(QString::fromUtf8(c.label), format)) << c.label;
        EXPECT_EQ(format.LabelWidth, c.width) << c.label;
        EXPECT_EQ(format.LabelHeight, c.height) << c.label;
    }
    PhotoFormat format;
    EXPECT_FALSE(ParseFormatLabel(QStringLiteral("35 x 45 mm France"), format));
    EXPECT_TRUE(MaskAvailable(format)) << "the start values allow the mask";
}

// Numbers no photo can have are refused before anything turns them into integers.
TEST(FormatLabels, SizesNoPhotoCanHaveAreRefused) {
    const char* refused[] = {
        "99999999999999999999 x 1 in (",
        "1 x 99999999999999999999999999999999999999999999999999 mm (",
        "-35 x 45 mm (Negative)",
        "35 x -45 mm (Negative)",
        "0,4 x 45 mm (Below a millimetre)",
        "1001 x 45 mm (Over a metre)",
        "40 x 1 in (Over a metre)",
        "0,03 x 2 in (Below a millimetre)",
    };
    for (const char* label : refused) {
        PhotoFormat format;
        EXPECT_FALSE(ParseFormatLabel(QString::fromUtf8(label), format)) << label;
    }
    const char* accepted[] = {"1 x 1000 mm (Edges)", "0,04 x 39 in (Edges)"};
    for (const char* label : accepted) {
        PhotoFormat format;
        EXPECT_TRUE(ParseFormatLabel(QString::fromUtf8(label), format)) << label;
    }
}

TEST(FormatLabels, ANumberThatIsNotDecimalRaisesAnError) {
    PhotoFormat format;
    EXPECT_THROW(ParseFormatLabel(QStringLiteral("1.5 x 2 in (Dot)"), format), AppError);
    EXPECT_THROW(ParseFormatLabel(QStringLiteral("a x 2 mm (Letters)"), format), AppError);
    EXPECT_THROW(ParseFormatLabel(QStringLiteral(" x 2 mm (Empty)"), format), AppError);
}

TEST(FormatLabels, DisplayHeightRoundsHalvesToEven) {
    PhotoFormat format;
    format.LabelWidth = 40;
    format.LabelHeight = 60; // 226.5
    EXPECT_EQ(DisplayHeight(format), 226);
    format.LabelWidth = 2;
    format.LabelHeight = 3; // 226.5 as well
    EXPECT_EQ(DisplayHeight(format), 226);
    format.LabelHeight = 1; // 75.5
    EXPECT_EQ(DisplayHeight(format), 76);
    format.LabelWidth = 909; // 0.17: still one row, never a display with no height
    EXPECT_EQ(DisplayHeight(format), 1);
}

// ---- text storage ---------------------------------------------------------------------

TEST(TextStorage, LooksUpTranslationsByDesignTimeWording) {
    TTextStorage ts(QStringLiteral("ts"), {QStringLiteral("France"), QStringLiteral("Canada"),
                                           QStringLiteral("France"), QStringLiteral("Spain")});
    EXPECT_EQ(ts.Translate(QStringLiteral("france")), QStringLiteral("France"))
        << "before any language";
    ts.setItems({QStringLiteral("La France"), QStringLiteral("Le Canada"), QStringLiteral("Autre"),
                 QStringLiteral("unused")});
    EXPECT_EQ(ts.Translate(QStringLiteral("FRANCE")), QStringLiteral("La France"))
        << "first equal line wins";
    EXPECT_EQ(ts.Translate(QStringLiteral("Canada")), QStringLiteral("Le Canada"));
    EXPECT_EQ(ts.Translate(QStringLiteral("Spain")), QStringLiteral("Spain"))
        << "\"unused\" means untranslated";
    EXPECT_EQ(ts.Translate(QStringLiteral("Peru")), QStringLiteral("Peru"))
        << "unknown text comes back";
    EXPECT_EQ(ts.DesignTimeItems().first(), QStringLiteral("France"));
}
