#pragma once

// The language engine's view of Qt widgets.

#include "localization/LangComponent.h"

#include <QList>
#include <QObject>
#include <QPointer>

// The translation engine's view of the program's Qt objects. Each widget kind publishes
// the properties its counterpart in the window layouts has: a push button has "Caption",
// "Hint", "ShowHint", "Layout" and "Font", a combo box "Text", "Items" and "ItemIndex", a
// menu item "Caption" and "Hint", a text storage only "Items"; no kind the program uses has
// "Lines". Objects of other kinds publish nothing but their name and, for windows, the
// components they own.
std::unique_ptr<ILangComponent> MakeLangComponent(QObject* object);

// Dynamic properties kept on the objects for what Qt itself does not hold: the Windows
// character set of a font, a hint while its showing is switched off, and ShowHint.
inline constexpr const char* kCharsetProperty = "qm_charset";
inline constexpr const char* kHintProperty = "qm_hint";
inline constexpr const char* kShowHintProperty = "qm_showhint";

// The application as the root of the component tree: it owns the windows, in the order
// they were created, and has no name, so keys start with the window names.
class TApplicationComponent : public ILangComponent {
public:
    explicit TApplicationComponent(const QList<QObject*>& windows);

    QString Name() const override { return {}; }
    std::vector<std::unique_ptr<ILangComponent>> Owned() const override;
    bool IsWindow() const override { return false; }
    bool HasProperty(const QString&) const override { return false; }
    QString GetText(const QString&) const override { return {}; }
    void SetText(const QString&, const QString&) override {}
    int GetOrdinal(const QString&) const override { return 0; }
    void SetOrdinal(const QString&, int) override {}
    ILangStrings* Strings(const QString&) override { return nullptr; }
    bool GetFont(LangFont&) const override { return false; }
    void SetFont(const LangFont&) override {}

private:
    QList<QPointer<QObject>> m_windows;
};
