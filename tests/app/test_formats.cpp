#include "app/U_FormatListView.h"
#include "app/U_Formats.h"
#include "localization/C_TextStorage.h"
#include "platform/AppError.h"
#include "tests/common/FileBytes.h"

#include <QComboBox>
#include <QTest>

#include <QLocale>

#include <gtest/gtest.h>

namespace {

// A catalogue number as a person reads it: a comma before the decimals.
float labelNumber(const QString& text) {
    bool ok = false;
    const float value = QString(text).replace(u',', u'.').toFloat(&ok);
    EXPECT_TRUE(ok) << text.toStdString();
    return value;
}

// The catalogue's labels as published.
QStringList publishedLabels() {
    QStringList labels;
    for (const QStringList& row : DataTable(QStringLiteral("formats.md")))
        labels << row[1].mid(1, row[1].size() - 2) + row[2].mid(1, row[2].size() - 2) + u')';
    return labels;
}

} // namespace

// The published catalogue, every entry: its label, the numbers in it, the sizes the engine
// gets, the display height and the mask.
TEST(FormatLabels, EveryCatalogueEntry) {
    const std::vector<QStringList> rows = DataTable(QStringLiteral("formats.md"));
    ASSERT_EQ(rows.size(), size_t(kFormatCount));
    for (const QStringList& row : rows) {
        SCOPED_TRACE(row.join(u'|').toStdString());
        ASSERT_EQ(row.size(), 7);
        const size_t index = row[0].toUInt();
        EXPECT_EQ(index, size_t(&row - rows.data()));
        const QString prefix = row[1].mid(1, row[1].size() - 2);
        const QString country = row[2].mid(1, row[2].size() - 2);
        const FormatEntry& entry = FormatCatalogue().at(index);
        EXPECT_EQ(QString::fromUtf8(entry.prefix), prefix);
        EXPECT_EQ(QString::fromUtf8(entry.country), country);
        PhotoFormat format;
        ASSERT_TRUE(ParseFormatLabel(prefix + country + u')', format));
        const QStringList numbers = prefix.section(u' ', 0, 2).split(QStringLiteral(" x "));
        EXPECT_EQ(format.LabelWidth, labelNumber(numbers[0]));
        EXPECT_EQ(format.LabelHeight, labelNumber(numbers[1]));
        EXPECT_EQ(format.IsMillimetres, row[3] == u"mm");
        const QStringList engine = row[4].split(QStringLiteral(" × "));
        EXPECT_EQ(EngineMillimetres(format.LabelWidth, format.IsMillimetres), engine[0].toInt());
        EXPECT_EQ(EngineMillimetres(format.LabelHeight, format.IsMillimetres), engine[1].toInt());
        EXPECT_EQ(DisplayHeight(format), row[5].toInt());
        EXPECT_EQ(MaskAvailable(format), row[6] == u"yes");
    }
}

TEST(FormatLabels, CountryTextsAreAmongTheMainTexts) {
    ASSERT_EQ(MainTexts().size(), 71);
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

// Letters typed on the closed list select the first country they begin; the same letter
// again steps to the next.
TEST(FormatList, TypingFindsACountry) {
    for (const auto& [typed, expected] : {std::pair("tri", "43 x 53 mm (Trinidad and Tobago)"),
                                          {"GER", "35 x 45 mm (Germany)"},
                                          {"gg", "40 x 60 mm (Greece)"},
                                          {"united", "35 x 45 mm (United Kingdom)"},
                                          {"es", "40 x 50 mm (Estonia)"},
                                          {"xyz", "40 x 50 mm (Albania)"}}) {
        QComboBox list;
        list.setView(new TFormatListView(&list));
        list.addItems(publishedLabels());
        QTest::keyClicks(&list, QString::fromUtf8(typed));
        EXPECT_EQ(list.currentText().toStdString(), expected) << typed;
    }
}

TEST(FormatList, FirstStartTakesTheUsersCountry) {
    for (const auto& [territory, expected] :
         {std::pair(QLocale::France, "35 x 45 mm (France)"),
          {QLocale::UnitedStates, "2 x 2 in (United States)"},
          {QLocale::Brazil, "30 x 40 mm (Brazil - ID)"},
          {QLocale::CzechRepublic, "35 x 45 mm (Czech Republic)"},
          {QLocale::Antarctica, "35 x 45 mm (Finland)"}})
        EXPECT_EQ(publishedLabels().value(DefaultFormatFor(territory)).toStdString(), expected);
}
