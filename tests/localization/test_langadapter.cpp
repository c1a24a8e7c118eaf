// The Qt side of translation: property access on the program's widget kinds, the settings
// window, and Qt's own texts.
#include "localization/C_TextStorage.h"
#include "localization/Lang_QtComponent.h"
#include "localization/Lang_QtTranslations.h"
#include "localization/Lang_langChoice.h"
#include "localization/U_MessageTexts.h"
#include "localization/U_SettingsDlg.h"
#include "picture/U_FaceFinder.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QMenuBar>
#include <QPushButton>

#include <gtest/gtest.h>

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
        label->setToolTip(QStringLiteral("kept"));
        const std::pair<QObject*, const char*> names[] = {
            {button, "button"}, {label, "label"}, {group, "group"}, {check, "check"},
            {combo, "combo"},   {list, "list"},   {menu, "menu"},   {action, "action"}};
        for (const auto& [object, name] : names)
            object->setObjectName(QLatin1String(name));
    }
};

// Objects by name; Qt's own property for what the engine's property should change.
struct Case {
    const char* object;
    const char* property; // deliberately not in the engine's spelling
    QVariant value;       // a text goes through SetText, a number through SetOrdinal
    const char* qtProperty;
    QVariant expected = {}; // what Qt shows; the value itself when left empty
};

const Case kCases[] = {
    {"window", "caption", QStringLiteral("Réglages"), "windowTitle"},
    {"button", "CAPTION", QStringLiteral("Imprimer"), "text"},
    {"label", "Caption", QStringLiteral("Nombre :"), "text"},
    {"group", "caption", QStringLiteral("Фото"), "title"},
    {"menu", "Caption", QStringLiteral("Transformer"), "title"},
    {"action", "caption", QStringLiteral("Sépia"), "text"},
    {"combo", "text", QStringLiteral("b"), "currentIndex", 1},
    {"button", "hint", QStringLiteral("Drucken"), "toolTip"},
    {"action", "HINT", QStringLiteral("Sepiaton"), "statusTip"},
    {"label", "showhint", 0, "toolTip", QString()},
    {"list", "itemindex", 2, "currentRow"},
    {"combo", "ItemIndex", 0, "currentIndex"},
    {"label", "Alignment", 1, "alignment", int(Qt::AlignRight | Qt::AlignVCenter)},
    {"label", "ALIGNMENT", 2, "alignment", int(Qt::AlignHCenter | Qt::AlignVCenter)},
    {"label", "layout", 2, "alignment", int(Qt::AlignLeft | Qt::AlignBottom)},
    {"check", "alignment", 0, "layoutDirection", int(Qt::RightToLeft)},
    {"button", "LAYOUT", 1, "layoutDirection", int(Qt::RightToLeft)},
};

class AdapterProperty : public ::testing::TestWithParam<Case> {};

TEST_P(AdapterProperty, WritesWhatQtShowsAndReadsItBack) {
    const Case& c = GetParam();
    Widgets w;
    QObject* object = QLatin1String(c.object) == QLatin1String("window")
                          ? &w.window
                          : w.window.findChild<QObject*>(QLatin1String(c.object));
    ASSERT_NE(object, nullptr);
    std::unique_ptr<ILangComponent> component = MakeLangComponent(object);
    const QString name = QLatin1String(c.property);
    ASSERT_TRUE(component->HasProperty(name)) << c.property;
    if (c.value.typeId() == QMetaType::QString) {
        component->SetText(name, c.value.toString());
        EXPECT_EQ(component->GetText(name), c.value.toString());
    } else {
        component->SetOrdinal(name, c.value.toInt());
        EXPECT_EQ(component->GetOrdinal(name), c.value.toInt());
    }
    const QVariant expected = c.expected.isValid() ? c.expected : c.value;
    const QVariant seen = object->property(c.qtProperty);
    if (expected.typeId() == QMetaType::Int)
        EXPECT_EQ(seen.toInt(), expected.toInt()) << c.qtProperty;
    else
        EXPECT_EQ(seen.toString(), expected.toString()) << c.qtProperty;
}

INSTANTIATE_TEST_SUITE_P(Kinds, AdapterProperty, ::testing::ValuesIn(kCases));

TEST(Adapter, ListLinesAreReplacedInPlace) {
    Widgets w;
    const auto combo = MakeLangComponent(w.combo);
    ILangStrings* items = combo->Strings(QStringLiteral("items"));
    ASSERT_EQ(items->Count(), 3);
    items->SetLine(1, QStringLiteral("B"));
    items->SetLine(3, QStringLiteral("beyond"));
    EXPECT_EQ(w.combo->count(), 3);
    EXPECT_EQ(w.combo->itemText(1), QStringLiteral("B"));
    EXPECT_EQ(w.combo->currentIndex(), 2);
    const auto storage = MakeLangComponent(w.storage);
    storage->Strings(QStringLiteral("ITEMS"))->SetLine(1, QStringLiteral("Kanada"));
    EXPECT_EQ(w.storage->Translate(QStringLiteral("canada")), QStringLiteral("Kanada"));
}

TEST(Adapter, FontKeepsItsCharacterSetAndStyle) {
    Widgets w;
    QFont bold(QStringLiteral("DejaVu Sans"), 8);
    bold.setBold(true);
    w.button->setFont(bold);
    MakeLangComponent(w.button)->SetFont({QStringLiteral("DejaVu Serif"), 11, 204});
    EXPECT_EQ(w.button->font().family(), QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(w.button->font().pointSize(), 11);
    EXPECT_TRUE(w.button->font().bold());
    LangFont font;
    ASSERT_TRUE(MakeLangComponent(w.button)->GetFont(font));
    EXPECT_EQ(font.charset, 204);
    EXPECT_FALSE(MakeLangComponent(w.menu)->GetFont(font));
}

TEST(SettingsWindow, ChooserGeometry) {
    TSettingsDlg settings;
    EXPECT_EQ(settings.size(), QSize(418, 363));
    TLanguageChoice* chooser = settings.Chooser();
    EXPECT_EQ(chooser->geometry(), QRect(8, 8, 401, 345));
    EXPECT_EQ(chooser->focusPolicy(), Qt::NoFocus);
    settings.show();
    const QRect header = chooser->Header()->geometry();
    const QRect list = chooser->List()->geometry();
    EXPECT_EQ(header.height(), 16);
    EXPECT_EQ(list.top() - header.bottom() - 1, 2);
    EXPECT_EQ(list.bottom(), chooser->contentsRect().bottom());
}

TEST(QtTexts, FollowThePackLanguage) {
    EXPECT_EQ(QtTranslationFiles(0x0416),
              (QStringList{QStringLiteral("qtbase_pt_BR.qm"), QStringLiteral("qtbase_pt.qm")}));
    EXPECT_TRUE(QtTranslationFiles(0x0809).isEmpty());
    EXPECT_TRUE(QtTranslationFiles(0x0000).isEmpty());

    TQtTranslations translations(QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    auto cancel = [] { return QCoreApplication::translate("QPlatformTheme", "Cancel"); };
    const std::pair<int, const char*> switches[] = {
        {0x040C, "Annuler"}, {0x0407, "Abbrechen"}, {0x0409, "Cancel"}, {0x0C0A, "Cancelar"}};
    for (const auto& [id, text] : switches) {
        translations.Apply(id);
        EXPECT_EQ(cancel(), QLatin1String(text)) << std::hex << id;
    }
}

} // namespace

// The program's words in a raised message follow the language; file names (isolated, whole in
// either direction) and the system's reason are kept, a detail meant for the log is left out,
// other messages stay as they are.
TEST(RaisedMessages, WordsTranslatedPartsKept) {
    QStringList items = MessageTexts();
    for (const auto& [english, french] :
         {std::pair("Cannot open \"%1\": %2", "Impossible d'ouvrir « %1 » : %2"),
          {"\"%1\" is not a JPEG picture that can be read.", "« %1 » n'est pas une image JPEG."},
          {"\"%1\" is a %2 picture; Quillmark reads JPEG pictures.", "« %1 » : image %2."},
          {"Warning", "Avertissement"}})
        items[MessageTexts().indexOf(QString::fromUtf8(english))] = QString::fromUtf8(french);
    TTextStorage texts(QStringLiteral("messages_ts"), MessageTexts());
    texts.setItems(items);
    for (const auto& [raised, shown] :
         {std::pair("Cannot open \"/a b.jpg\": Aucun fichier",
                    "Impossible d'ouvrir « \u2068/a b.jpg\u2069 » : Aucun fichier"),
          {"\"x.jpg\" is not a JPEG picture that can be read (Not a JPEG file: 0x68).",
           "« \u2068x.jpg\u2069 » n'est pas une image JPEG."},
          {"\"p.png\" is a PNG picture; Quillmark reads JPEG pictures.",
           "« \u2068p.png\u2069 » : image PNG."},
          {"\"e.jpg\" is empty.", "\"\u2068e.jpg\u2069\" is empty."},
          {"Cannot close the file /q.spk: Disk full",
           "Cannot close the file \u2068/q.spk\u2069: Disk full"},
          {"Something else (42).", "Something else (42)."}})
        EXPECT_EQ(TranslateMessage(QString::fromUtf8(raised), &texts).toStdString(), shown);
    EXPECT_EQ(TranslateCaption(QStringLiteral("Warning"), &texts), QStringLiteral("Avertissement"));
    FaceModel model(QStringLiteral("/no/such/model.dat"));
    model.startLoading();
    EXPECT_FALSE(model.waitUntilLoaded());
    EXPECT_EQ(TranslateMessage(model.status(), &texts),
              QStringLiteral("The face landmark model \u2068/no/such/model.dat\u2069 is missing: "
                             "install the Debian package libdlib-data."));
}
