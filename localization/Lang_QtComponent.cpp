#include "localization/Lang_QtComponent.h"

#include "localization/C_TextStorage.h"
#include "localization/ComponentList.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QWidget>

#include <array>

namespace {

enum Prop : unsigned {
    NoProp = 0,
    Caption = 1u << 0,
    Text = 1u << 1,
    Hint = 1u << 2,
    ShowHint = 1u << 3,
    Items = 1u << 4,
    Lines = 1u << 5,
    ItemIndex = 1u << 6,
    Alignment = 1u << 7,
    Layout = 1u << 8,
    Font = 1u << 9,
};

Prop PropOf(const QString& name) {
    static const struct {
        const char* name;
        Prop prop;
    } kNames[] = {
        {"Caption", Caption}, {"Text", Text},   {"Hint", Hint},           {"ShowHint", ShowHint},
        {"Items", Items},     {"Lines", Lines}, {"ItemIndex", ItemIndex}, {"alignment", Alignment},
        {"Layout", Layout},   {"Font", Font}};
    for (const auto& entry : kNames)
        if (name.compare(QLatin1String(entry.name), Qt::CaseInsensitive) == 0)
            return entry.prop;
    return NoProp;
}

constexpr unsigned kControl = Hint | ShowHint | Font;

// What each widget kind publishes; the first kind an object belongs to decides.
unsigned PropsOf(QObject* object) {
    if (qobject_cast<TTextStorage*>(object))
        return Items;
    if (qobject_cast<QMenu*>(object) || qobject_cast<QAction*>(object))
        return Caption | Hint;
    if (qobject_cast<QMenuBar*>(object))
        return NoProp;
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget)
        return NoProp;
    if (widget->isWindow())
        return Caption | kControl;
    if (qobject_cast<QCheckBox*>(object) || qobject_cast<QRadioButton*>(object))
        return Caption | Alignment | kControl;
    if (qobject_cast<QAbstractButton*>(object))
        return Caption | Layout | kControl;
    if (qobject_cast<QLabel*>(object))
        return Caption | Alignment | Layout | kControl;
    if (qobject_cast<QGroupBox*>(object))
        return Caption | kControl;
    if (qobject_cast<QComboBox*>(object))
        return Text | Items | ItemIndex | kControl;
    if (qobject_cast<QListWidget*>(object))
        return Items | ItemIndex | kControl;
    return kControl;
}

class ComboItems final : public ILangStrings {
public:
    explicit ComboItems(QComboBox* box) : m_box(box) {}
    int Count() const override { return m_box ? m_box->count() : 0; }
    QString Line(int index) const override { return m_box ? m_box->itemText(index) : QString(); }
    void SetLine(int index, const QString& text) override {
        if (m_box && index >= 0 && index < m_box->count())
            m_box->setItemText(index, text);
    }

private:
    QPointer<QComboBox> m_box;
};

class ListItems final : public ILangStrings {
public:
    explicit ListItems(QListWidget* list) : m_list(list) {}
    int Count() const override { return m_list ? m_list->count() : 0; }
    QString Line(int index) const override {
        const QListWidgetItem* item = m_list ? m_list->item(index) : nullptr;
        return item ? item->text() : QString();
    }
    void SetLine(int index, const QString& text) override {
        if (QListWidgetItem* item = m_list ? m_list->item(index) : nullptr)
            item->setText(text);
    }

private:
    QPointer<QListWidget> m_list;
};

class StorageItems final : public ILangStrings {
public:
    explicit StorageItems(TTextStorage* storage) : m_storage(storage) {}
    int Count() const override { return m_storage ? int(m_storage->Items().size()) : 0; }
    QString Line(int index) const override {
        return index >= 0 && index < Count() ? m_storage->Items().at(index) : QString();
    }
    void SetLine(int index, const QString& text) override {
        if (index < 0 || index >= Count())
            return;
        QStringList items = m_storage->Items();
        items[index] = text;
        m_storage->setItems(items);
    }

private:
    QPointer<TTextStorage> m_storage;
};

std::unique_ptr<ILangStrings> StringsOf(QObject* object) {
    if (auto* storage = qobject_cast<TTextStorage*>(object))
        return std::make_unique<StorageItems>(storage);
    if (auto* box = qobject_cast<QComboBox*>(object))
        return std::make_unique<ComboItems>(box);
    if (auto* list = qobject_cast<QListWidget*>(object))
        return std::make_unique<ListItems>(list);
    return nullptr;
}

// Alignment values as the layouts number them: 0 left, 1 right, 2 centre; a label's
// vertical layout 0 top, 1 centre, 2 bottom; a button's glyph 0 left, 1 right.
int HorizontalCode(Qt::Alignment a) {
    if (a & Qt::AlignRight)
        return 1;
    return (a & Qt::AlignHCenter) ? 2 : 0;
}

int VerticalCode(Qt::Alignment a) {
    if (a & Qt::AlignBottom)
        return 2;
    return (a & Qt::AlignVCenter) ? 1 : 0;
}

class QtComponent final : public ILangComponent {
public:
    explicit QtComponent(QObject* object)
        : m_object(object), m_props(PropsOf(object)), m_strings(StringsOf(object)) {}

    QString Name() const override { return m_object ? m_object->objectName() : QString(); }

    std::vector<std::unique_ptr<ILangComponent>> Owned() const override {
        std::vector<std::unique_ptr<ILangComponent>> result;
        if (const auto* owner = dynamic_cast<const IComponentOwner*>(m_object.data()))
            for (QObject* component : owner->Components())
                result.push_back(MakeLangComponent(component));
        return result;
    }

    bool IsWindow() const override {
        auto* widget = qobject_cast<QWidget*>(m_object);
        return widget && widget->isWindow() && !qobject_cast<QMenu*>(widget);
    }

    bool HasProperty(const QString& name) const override {
        const Prop prop = PropOf(name);
        return m_object && prop != NoProp && (m_props & prop) != 0;
    }

    QString GetText(const QString& name) const override {
        if (!HasProperty(name))
            return {};
        switch (PropOf(name)) {
        case Caption:
            return caption();
        case Text:
            if (auto* box = qobject_cast<QComboBox*>(m_object))
                return box->currentText();
            return {};
        case Hint:
            return hint();
        default:
            return {};
        }
    }

    void SetText(const QString& name, const QString& value) override {
        if (!HasProperty(name))
            return;
        switch (PropOf(name)) {
        case Caption:
            setCaption(value);
            break;
        case Text:
            if (auto* box = qobject_cast<QComboBox*>(m_object))
                box->setCurrentText(value);
            break;
        case Hint:
            m_object->setProperty(kHintProperty, value);
            showHint(showsHint());
            break;
        default:
            break;
        }
    }

    int GetOrdinal(const QString& name) const override {
        if (!HasProperty(name))
            return 0;
        switch (PropOf(name)) {
        case ShowHint:
            return showsHint() ? 1 : 0;
        case ItemIndex:
            if (auto* box = qobject_cast<QComboBox*>(m_object))
                return box->currentIndex();
            if (auto* list = qobject_cast<QListWidget*>(m_object))
                return list->currentRow();
            return -1;
        case Alignment:
            if (auto* label = qobject_cast<QLabel*>(m_object))
                return HorizontalCode(label->alignment());
            // A check box's caption right of the box is the layouts' right-justified.
            return widget()->layoutDirection() == Qt::RightToLeft ? 0 : 1;
        case Layout:
            if (auto* label = qobject_cast<QLabel*>(m_object))
                return VerticalCode(label->alignment());
            return widget()->layoutDirection() == Qt::RightToLeft ? 1 : 0;
        default:
            return 0;
        }
    }

    void SetOrdinal(const QString& name, int value) override {
        if (!HasProperty(name))
            return;
        switch (PropOf(name)) {
        case ShowHint:
            showHint(value != 0);
            break;
        case ItemIndex:
            if (auto* box = qobject_cast<QComboBox*>(m_object))
                box->setCurrentIndex(value);
            else if (auto* list = qobject_cast<QListWidget*>(m_object))
                list->setCurrentRow(value);
            break;
        case Alignment:
            setAlignment(value);
            break;
        case Layout:
            setLayout(value);
            break;
        default:
            break;
        }
    }

    ILangStrings* Strings(const QString& name) override {
        const Prop prop = PropOf(name);
        return HasProperty(name) && (prop == Items || prop == Lines) ? m_strings.get() : nullptr;
    }

    bool GetFont(LangFont& font) const override {
        if (!(m_object && (m_props & Font)))
            return false;
        const QFont f = widget()->font();
        font.face = f.family();
        font.pointSize = f.pointSize() > 0 ? f.pointSize() : qRound(f.pointSizeF());
        const QVariant charset = m_object->property(kCharsetProperty);
        font.charset = charset.isValid() ? charset.toInt() : 1;
        return true;
    }

    void SetFont(const LangFont& font) override {
        if (!(m_object && (m_props & Font)))
            return;
        QFont f = widget()->font();
        if (!font.face.isEmpty() && f.family() != font.face)
            f.setFamily(font.face);
        if (font.pointSize > 0)
            f.setPointSize(font.pointSize);
        widget()->setFont(f);
        m_object->setProperty(kCharsetProperty, font.charset);
    }

private:
    QWidget* widget() const { return qobject_cast<QWidget*>(m_object); }

    QString caption() const {
        if (auto* menu = qobject_cast<QMenu*>(m_object))
            return menu->title();
        if (auto* action = qobject_cast<QAction*>(m_object))
            return action->isSeparator() ? QStringLiteral("-") : action->text();
        if (auto* button = qobject_cast<QAbstractButton*>(m_object))
            return button->text();
        if (auto* label = qobject_cast<QLabel*>(m_object))
            return label->text();
        if (auto* group = qobject_cast<QGroupBox*>(m_object))
            return group->title();
        if (QWidget* w = widget())
            return w->windowTitle();
        return {};
    }

    void setCaption(const QString& value) {
        if (auto* menu = qobject_cast<QMenu*>(m_object)) {
            menu->setTitle(value);
        } else if (auto* action = qobject_cast<QAction*>(m_object)) {
            if (!action->isSeparator())
                action->setText(value);
        } else if (auto* button = qobject_cast<QAbstractButton*>(m_object)) {
            button->setText(value);
        } else if (auto* label = qobject_cast<QLabel*>(m_object)) {
            label->setText(value);
            // Labels size themselves to their caption unless they wrap in a fixed box.
            if (!label->wordWrap())
                label->adjustSize();
        } else if (auto* group = qobject_cast<QGroupBox*>(m_object)) {
            group->setTitle(value);
        } else if (QWidget* w = widget()) {
            w->setWindowTitle(value);
        }
    }

    // A menu item's hint is its status tip; a control's is its tool tip, which stays empty
    // while ShowHint is off.
    QString hint() const {
        const QVariant kept = m_object->property(kHintProperty);
        if (kept.isValid())
            return kept.toString();
        if (auto* menu = qobject_cast<QMenu*>(m_object))
            return menu->menuAction()->statusTip();
        if (auto* action = qobject_cast<QAction*>(m_object))
            return action->statusTip();
        return widget() ? widget()->toolTip() : QString();
    }

    bool showsHint() const {
        const QVariant shown = m_object->property(kShowHintProperty);
        return !shown.isValid() || shown.toBool();
    }

    void showHint(bool shown) {
        const QString text = hint();
        if (auto* menu = qobject_cast<QMenu*>(m_object)) {
            menu->menuAction()->setStatusTip(text);
            return;
        }
        if (auto* action = qobject_cast<QAction*>(m_object)) {
            action->setStatusTip(text);
            return;
        }
        m_object->setProperty(kHintProperty, text);
        m_object->setProperty(kShowHintProperty, shown);
        widget()->setToolTip(shown ? text : QString());
    }

    void setAlignment(int value) {
        place(value, Qt::AlignVertical_Mask, {Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter}, 0);
    }

    void setLayout(int value) {
        place(value, Qt::AlignHorizontal_Mask, {Qt::AlignTop, Qt::AlignVCenter, Qt::AlignBottom},
              1);
    }

    // A label takes one axis of its alignment from value (0, 1 or 2; any other as 0) and keeps
    // the other axis; any other widget reads 0 or 1 as a direction, rightToLeft being which.
    void place(int value, Qt::Alignment keep, const std::array<Qt::Alignment, 3>& choices,
               int rightToLeft) {
        if (auto* label = qobject_cast<QLabel*>(m_object)) {
            const Qt::Alignment chosen = value == 1 || value == 2 ? choices[value] : choices[0];
            label->setAlignment(chosen | (label->alignment() & keep));
        } else if (value == 0 || value == 1) {
            widget()->setLayoutDirection(value == rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
        }
    }

    QPointer<QObject> m_object;
    unsigned m_props;
    std::unique_ptr<ILangStrings> m_strings;
};

} // namespace

std::unique_ptr<ILangComponent> MakeLangComponent(QObject* object) {
    return std::make_unique<QtComponent>(object);
}

TApplicationComponent::TApplicationComponent(const QList<QObject*>& windows) {
    for (QObject* window : windows)
        m_windows.append(window);
}

std::vector<std::unique_ptr<ILangComponent>> TApplicationComponent::Owned() const {
    std::vector<std::unique_ptr<ILangComponent>> result;
    for (const auto& window : m_windows)
        if (window)
            result.push_back(MakeLangComponent(window.data()));
    return result;
}
