#pragma once

// What the language engine sees of a control: texts, lists, fonts, layout.

#include <QString>

#include <memory>
#include <vector>

// A string-list property ("Items", "Lines"): lines can be read and replaced, never added
// or removed, so a translation cannot change how many entries a list has.
class ILangStrings {
public:
    virtual ~ILangStrings() = default;
    virtual int Count() const = 0;
    virtual QString Line(int index) const = 0;
    virtual void SetLine(int index, const QString& text) = 0;
};

// A font as the translation engine sees it. The character set is a Windows character-set
// number kept with the font, since Qt fonts carry none.
struct LangFont {
    QString face;
    int pointSize = 0;
    int charset = 1;
};

// One component as the translation engine sees it: a name, the components it owns in
// creation order, and published properties reached by name without regard to case
// ("Caption", "Text", "Hint", "ShowHint", "Items", "Lines", "ItemIndex", "alignment",
// "Layout", "Font"). The engine knows no widget class: the Qt adapter implements this for
// the program's windows and the tests implement it with plain objects.
class ILangComponent {
public:
    virtual ~ILangComponent() = default;

    virtual QString Name() const = 0;
    // Fresh views of the owned components, in creation order; they stay valid while the
    // components they show are alive.
    virtual std::vector<std::unique_ptr<ILangComponent>> Owned() const = 0;
    // True for a top-level window.
    virtual bool IsWindow() const = 0;

    virtual bool HasProperty(const QString& name) const = 0;
    // Text properties: "Caption", "Text", "Hint".
    virtual QString GetText(const QString& name) const = 0;
    virtual void SetText(const QString& name, const QString& value) = 0;
    // Ordinal properties: "ShowHint" (0/1), "ItemIndex", "alignment", "Layout".
    virtual int GetOrdinal(const QString& name) const = 0;
    virtual void SetOrdinal(const QString& name, int value) = 0;
    // "Items" or "Lines" when it is a string list; null otherwise.
    virtual ILangStrings* Strings(const QString& name) = 0;
    // "Font"; false when the component has none.
    virtual bool GetFont(LangFont& font) const = 0;
    virtual void SetFont(const LangFont& font) = 0;
};
