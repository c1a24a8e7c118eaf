// The Qt side of translation: property access on the program's widget kinds, the windows
// as the engine's tree, the settings window, and Qt's own texts.
#include "C_TextStorage.h"
#include "Lang_QtComponent.h"
#include "Lang_QtTranslations.h"
#include "Lang_langChoice.h"
#include "U_SettingsDlg.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

#include <gtest/gtest.h>

#include <functional>

namespace {

struct Widgets {
    QDialog window;
    QPushButton* button = new QPushButton(QStringLiteral("Print"), &window);
    QLabel* label = new QLabel(QStringLiteral("Number :"), &window);
    QGroupBox* group = new QGroupBox(QStringLiteral("Photo"), &window);
    QCheckBox* check = new QCheckBox(QStringLiteral("Mask"), &window);
    QComboBox* combo = new QComboBox(&window);
    QListWidget* list = new QListWidget(&window);
    QMenuBar* bar = new QMenuBar(&window);
    QMenu* menu = bar->addMenu(QStringLiteral("Transform"));
    QAction* action = menu->addAction(QStringLiteral("Sepia"));
    TTextStorage* storage = new TTextStorage(
        QStringLiteral("ts"), {QStringLiteral("France"), QStringLiteral("Canada")}, &window);

    Widgets() {
        combo->addItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
        combo->setCurrentIndex(2);
        list->addItems({QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("z")});
    }
};

struct Case {
    const char* what;
    std::function<QObject*(Widgets&)> object;
    const char* property; // deliberately not in the engine's spelling
    QVariant value;       // a text goes through SetText, a number through SetOrdinal
    std::function<QVariant(Widgets&)> seenByQt;
    QVariant expected;
};

const Case kCases[] = {
    {"window caption", [](Widgets& w) { return &w.window; }, "caption", QStringLiteral("Réglages"),
     [](Widgets& w) { return QVariant(w.window.windowTitle()); }, QStringLiteral("Réglages")},
    {"button caption", [](Widgets& w) { return w.button; }, "CAPTION", QStringLiteral("Imprimer"),
     [](Widgets& w) { return QVariant(w.button->text()); }, QStringLiteral("Imprimer")},
    {"label caption", [](Widgets& w) { return w.label; }, "Caption", QStringLiteral("Nombre :"),
     [](Widgets& w) { return QVariant(w.label->text()); }, QStringLiteral("Nombre :")},
    {"group caption", [](Widgets& w) { return w.group; }, "caption", QStringLiteral("Фото"),
     [](Widgets& w) { return QVariant(w.group->title()); }, QStringLiteral("Фото")},
    {"check box caption", [](Widgets& w) { return w.check; }, "caption", QStringLiteral("Masque"),
     [](Widgets& w) { return QVariant(w.check->text()); }, QStringLiteral("Masque")},
    {"submenu caption", [](Widgets& w) { return w.menu; }, "Caption", QStringLiteral("Transformer"),
     [](Widgets& w) { return QVariant(w.menu->title()); }, QStringLiteral("Transformer")},
    {"menu item caption", [](Widgets& w) { return w.action; }, "caption", QStringLiteral("Sépia"),
     [](Widgets& w) { return QVariant(w.action->text()); }, QStringLiteral("Sépia")},
    {"combo box text", [](Widgets& w) { return w.combo; }, "text", QStringLiteral("b"),
     [](Widgets& w) { return QVariant(w.combo->currentIndex()); }, 1},
    {"button hint is its tool tip", [](Widgets& w) { return w.button; }, "hint",
     QStringLiteral("Drucken"), [](Widgets& w) { return QVariant(w.button->toolTip()); },
     QStringLiteral("Drucken")},
    {"menu item hint is its status tip", [](Widgets& w) { return w.action; }, "HINT",
     QStringLiteral("Sepiaton"), [](Widgets& w) { return QVariant(w.action->statusTip()); },
     QStringLiteral("Sepiaton")},
    {"hidden hint leaves no tool tip", [](Widgets& w) { return w.label; }, "showhint", 0,
     [](Widgets& w) { return QVariant(w.label->toolTip()); }, QString()},
    {"list item index", [](Widgets& w) { return w.list; }, "itemindex", 2,
     [](Widgets& w) { return QVariant(w.list->currentRow()); }, 2},
    {"combo item index", [](Widgets& w) { return w.combo; }, "ItemIndex", 0,
     [](Widgets& w) { return QVariant(w.combo->currentIndex()); }, 0},
    {"label right-justified", [](Widgets& w) { return w.label; }, "Alignment", 1,
     [](Widgets& w) { return QVariant(int(w.label->alignment() & Qt::AlignHorizontal_Mask)); },
     int(Qt::AlignRight)},
    {"label centred", [](Widgets& w) { return w.label; }, "ALIGNMENT", 2,
     [](Widgets& w) { return QVariant(int(w.label->alignment() & Qt::AlignHorizontal_Mask)); },
     int(Qt::AlignHCenter)},
    {"label at the bottom", [](Widgets& w) { return w.label; }, "layout", 2,
     [](Widgets& w) { return QVariant(int(w.label->alignment() & Qt::AlignVertical_Mask)); },
     int(Qt::AlignBottom)},
    {"check box caption on the left", [](Widgets& w) { return w.check; }, "alignment", 0,
     [](Widgets& w) { return QVariant(int(w.check->layoutDirection())); }, int(Qt::RightToLeft)},
    {"button glyph on the right", [](Widgets& w) { return w.button; }, "LAYOUT", 1,
     [](Widgets& w) { return QVariant(int(w.button->layoutDirection())); }, int(Qt::RightToLeft)},
};

class AdapterProperty : public ::testing::TestWithParam<Case> {};

TEST_P(AdapterProperty, WritesWhatQtShowsAndReadsItBack) {
    const Case& c = GetParam();
    Widgets w;
    w.label->setToolTip(QStringLiteral("kept"));
    std::unique_ptr<ILangComponent> component = MakeLangComponent(c.object(w));
    const QString name = QLatin1String(c.property);
    ASSERT_TRUE(component->HasProperty(name)) << c.what;
    if (c.value.typeId() == QMetaType::QString) {
        component->SetText(name, c.value.toString());
        if (name.compare(QLatin1String("text"), Qt::CaseInsensitive) != 0)
            EXPECT_EQ(component->GetText(name), c.value.toString()) << c.what;
    } else {
        component->SetOrdinal(name, c.value.toInt());
        EXPECT_EQ(component->GetOrdinal(name), c.value.toInt()) << c.what;
    }
    EXPECT_EQ(c.seenByQt(w), c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Kinds, AdapterProperty, ::testing::ValuesIn(kCases));

TEST(Adapter, PublishesOnlyWhatEachKindHas) {
    Widgets w;
    struct Absent {
        QObject* object;
        const char* property;
    } absent[] = {{w.action, "Font"},   {w.action, "ShowHint"}, {w.storage, "Caption"},
                  {w.combo, "Caption"}, {w.label, "Items"},     {w.button, "alignment"},
                  {w.group, "Items"},   {w.bar, "Hint"},        {w.list, "Text"},
                  {w.button, "Colour"}};
    for (const Absent& a : absent) {
        std::unique_ptr<ILangComponent> component = MakeLangComponent(a.object);
        EXPECT_FALSE(component->HasProperty(QLatin1String(a.property)))
            << a.object->metaObject()->className() << " " << a.property;
        EXPECT_EQ(component->Strings(QLatin1String(a.property)), nullptr);
    }
}

TEST(Adapter, ListLinesAreReplacedInPlace) {
    Widgets w;
    auto combo = MakeLangComponent(w.combo);
    ILangStrings* items = combo->Strings(QStringLiteral("items"));
    ASSERT_NE(items, nullptr);
    ASSERT_EQ(items->Count(), 3);
    items->SetLine(1, QStringLiteral("B"));
    items->SetLine(3, QStringLiteral("beyond"));
    EXPECT_EQ(w.combo->count(), 3);
    EXPECT_EQ(w.combo->itemText(1), QStringLiteral("B"));
    EXPECT_EQ(w.combo->currentIndex(), 2);

    auto storage = MakeLangComponent(w.storage);
    storage->Strings(QStringLiteral("ITEMS"))->SetLine(1, QStringLiteral("Kanada"));
    EXPECT_EQ(w.storage->Translate(QStringLiteral("canada")), QStringLiteral("Kanada"));
    EXPECT_EQ(w.storage->Translate(QStringLiteral("France")), QStringLiteral("France"));
}

TEST(Adapter, FontKeepsItsCharacterSetAndStyle) {
    Widgets w;
    QFont bold(QStringLiteral("DejaVu Sans"), 8);
    bold.setBold(true);
    w.button->setFont(bold);
    auto button = MakeLangComponent(w.button);
    LangFont font;
    ASSERT_TRUE(button->GetFont(font));
    EXPECT_EQ(font.charset, 1);
    button->SetFont({QStringLiteral("DejaVu Serif"), 11, 204});
    EXPECT_EQ(w.button->font().family(), QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(w.button->font().pointSize(), 11);
    EXPECT_TRUE(w.button->font().bold());
    ASSERT_TRUE(MakeLangComponent(w.button)->GetFont(font));
    EXPECT_EQ(font.charset, 204);
    EXPECT_FALSE(MakeLangComponent(w.menu)->GetFont(font));
}

TEST(Adapter, ApplicationOwnsTheWindowsInCreationOrder) {
    QDialog main;
    main.setObjectName(QStringLiteral("MainDlg"));
    TSettingsDlg settings(&main);
    QDialog about(&main);
    about.setObjectName(QStringLiteral("AboutDlg"));
    TApplicationComponent root({&main, &settings, &about});
    QStringList names;
    for (const auto& window : root.Owned()) {
        EXPECT_TRUE(window->IsWindow());
        names << window->Name();
    }
    EXPECT_EQ(names, (QStringList{QStringLiteral("MainDlg"), QStringLiteral("SettingsDlg"),
                                  QStringLiteral("AboutDlg")}));
    const auto owned = MakeLangComponent(&settings)->Owned();
    ASSERT_EQ(owned.size(), 1u);
    EXPECT_EQ(owned[0]->Name(), QStringLiteral("LanguageChoice1"));
    EXPECT_FALSE(owned[0]->IsWindow());
}

TEST(SettingsWindow, ChooserGeometry) {
    TSettingsDlg settings;
    EXPECT_EQ(settings.size(), QSize(418, 363));
    EXPECT_EQ(settings.windowTitle(), QStringLiteral("Settings"));
    TLanguageChoice* chooser = settings.Chooser();
    EXPECT_EQ(chooser->geometry(), QRect(8, 8, 401, 345));
    EXPECT_EQ(chooser->focusPolicy(), Qt::NoFocus);
    settings.show();
    const QRect header = chooser->Header()->geometry();
    const QRect list = chooser->List()->geometry();
    EXPECT_EQ(header.height(), 16);
    EXPECT_EQ(list.top() - header.bottom() - 1, 2);
    EXPECT_EQ(list.bottom(), chooser->contentsRect().bottom());
    EXPECT_TRUE(chooser->List()->focusPolicy() & Qt::TabFocus);
}

TEST(QtTexts, FollowThePackLanguage) {
    struct {
        int id;
        QStringList files;
    } const cases[] = {
        {0x040C, {QStringLiteral("qtbase_fr_FR.qm"), QStringLiteral("qtbase_fr.qm")}},
        {0x0416, {QStringLiteral("qtbase_pt_BR.qm"), QStringLiteral("qtbase_pt.qm")}},
        {0x0409, {}},
        {0x0809, {}},
        {0x0000, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QtTranslationFiles(c.id), c.files) << std::hex << c.id;

    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto cancel = [] { return QCoreApplication::translate("QPlatformTheme", "Cancel"); };
    TQtTranslations translations(folder);
    EXPECT_TRUE(translations.Apply(0x040C).endsWith(QStringLiteral("qtbase_fr.qm")));
    EXPECT_EQ(cancel(), QStringLiteral("Annuler"));
    translations.Apply(0x0407);
    EXPECT_EQ(cancel(), QStringLiteral("Abbrechen"));
    EXPECT_TRUE(translations.Apply(0x0409).isEmpty());
    EXPECT_EQ(cancel(), QStringLiteral("Cancel"));
}

} // namespace
