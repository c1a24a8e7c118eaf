// TLanguageRecord: applying a pack to the live components, and the base file's entries.
#include "platform/AppError.h"
#include "localization/C_LangRecord.h"
#include "localization/Lang_Charset.h"

namespace {

const QString kCaption = QStringLiteral("Caption");
const QString kText = QStringLiteral("Text");
const QString kHint = QStringLiteral("Hint");
const QString kShowHint = QStringLiteral("ShowHint");
const QString kItems = QStringLiteral("Items");
const QString kLines = QStringLiteral("Lines");
const QString kItemIndex = QStringLiteral("ItemIndex");
const QString kAlignment = QStringLiteral("alignment");
const QString kLayout = QStringLiteral("Layout");

// Lines are only replaced: the list keeps its length whatever the pack holds.
void replaceLines(ILangStrings* strings, const QStringList& lines) {
    if (!strings)
        return;
    const int count = std::min(strings->Count(), int(lines.size()));
    for (int j = 0; j < count; ++j)
        strings->SetLine(j, lines.at(j));
}

ILangStrings* listOf(ILangComponent& c) {
    if (c.HasProperty(kItems))
        return c.Strings(kItems);
    if (c.HasProperty(kLines))
        return c.Strings(kLines);
    return nullptr;
}

void setCaption(ILangComponent& c, const QString& text) {
    if (c.HasProperty(kCaption))
        c.SetText(kCaption, text);
    else if (c.HasProperty(kText))
        c.SetText(kText, text);
}

bool blank(const QString& text) {
    return text.trimmed().isEmpty();
}

} // namespace

void TCollectedComponents::Add(const QString& key, ILangComponent* component) {
    m_items.emplace_back(key, component);
    const QString folded = key.toLower();
    if (!m_byKey.contains(folded))
        m_byKey.insert(folded, component);
}

bool TLanguageRecord::excluded(const QString& name) const {
    return m_excluded.contains(name, Qt::CaseInsensitive);
}

void TLanguageRecord::CollectComponents(const QString& prefix, TCollectedComponents& result,
                                        ILangComponent& component) const {
    const QString name = component.Name();
    if (!name.isEmpty() && !excluded(name) && !excluded(prefix + name))
        result.Add(prefix + name, &component);
    const QString inner = name.isEmpty() ? QString() : prefix + name + QLatin1Char('.');
    for (auto& owned : component.Owned()) {
        CollectComponents(inner, result, *owned);
        result.Keep(std::move(owned));
    }
}

bool TLanguageRecord::ApplyFile(const QString& fileName) {
    const std::optional<LangPack> pack = ReadLanguageFile(fileName);
    if (!pack)
        return false;
    Header = pack->header;
    if (Header.revision == 0)
        applyRevision0(*pack);
    else
        applyRevisions1To4(*pack);
    return true;
}

void TLanguageRecord::applyRevisions1To4(const LangPack& pack) {
    TCollectedComponents components;
    if (Root)
        CollectComponents(QString(), components, *Root);

    LangFont reference;
    bool haveReference = false;
    if (m_platform.mainWindowFont)
        haveReference = m_platform.mainWindowFont(reference);
    if (!haveReference && Root)
        haveReference = Root->GetFont(reference);
    for (const auto& [key, component] : components.Items()) {
        LangFont font;
        if (!component->GetFont(font))
            continue;
        if (haveReference && font.face == reference.face && !Header.fontName.isEmpty())
            font.face = Header.fontName;
        font.charset = Header.charset;
        if (Header.revision == 4 && font.pointSize < Header.minFontSize)
            font.pointSize = Header.minFontSize;
        component->SetFont(font);
    }

    for (const LangEntry& e : pack.entries) {
        ILangComponent* c = components.Find(e.key);
        if (!c)
            continue;
        const bool hasItemIndex = c->HasProperty(kItemIndex);
        const int itemIndex = hasItemIndex ? c->GetOrdinal(kItemIndex) : 0;
        if (Header.revision >= 3 && (e.alignment == 1 || e.alignment == 2)) {
            if (c->HasProperty(kAlignment))
                c->SetOrdinal(kAlignment, e.alignment == 1 ? 1 : 0);
            if (c->HasProperty(kLayout))
                c->SetOrdinal(kLayout, e.alignment == 1 ? 0 : 1);
        }
        if (IsTranslated(e.captionTag))
            setCaption(*c, e.caption);
        if (IsTranslated(e.hintTag) && c->HasProperty(kHint)) {
            c->SetText(kHint, e.hint);
            if (c->HasProperty(kShowHint))
                c->SetOrdinal(kShowHint, (e.hintTag & kShowHintBit) ? 1 : 0);
        }
        if (IsTranslated(e.listTag))
            replaceLines(listOf(*c), e.lines);
        if (hasItemIndex)
            c->SetOrdinal(kItemIndex, itemIndex);
    }
    if (m_platform.setScreenCharset)
        m_platform.setScreenCharset(Header.charset);
}

void TLanguageRecord::applyRevision0(const LangPack& pack) {
    Header.charset = 1;
    TCollectedComponents components;
    const auto setDefaultCharset = [](ILangComponent& c) {
        LangFont font;
        if (c.GetFont(font)) {
            font.charset = 1;
            c.SetFont(font);
        }
    };
    if (Root) {
        for (auto& window : Root->Owned()) {
            setDefaultCharset(*window);
            if (window->IsWindow()) {
                const QString name = window->Name();
                components.Add(name, window.get());
                for (auto& control : window->Owned()) {
                    setDefaultCharset(*control);
                    components.Add(name + QLatin1Char('.') + control->Name(), control.get());
                    components.Keep(std::move(control));
                }
            }
            components.Keep(std::move(window));
        }
    }
    for (const LangEntry& e : pack.entries) {
        ILangComponent* c = components.Find(e.key);
        if (!c)
            continue;
        const bool control = (e.keyTag >= 6 && e.keyTag <= 11) || e.keyTag == 13;
        if (control) {
            if (!e.caption.isEmpty())
                setCaption(*c, e.caption);
            if (!e.hint.isEmpty() && c->HasProperty(kHint))
                c->SetText(kHint, e.hint);
        }
        if (e.keyTag == 11 || e.keyTag == 12)
            replaceLines(c->HasProperty(kItems) ? c->Strings(kItems) : nullptr, e.lines);
    }
}

std::vector<LangEntry> TLanguageRecord::ComponentEntries() {
    std::vector<LangEntry> entries;
    if (!Root)
        return entries;
    TCollectedComponents components;
    CollectComponents(QString(), components, *Root);
    int position = 0;
    for (const auto& [key, c] : components.Items()) {
        try {
            LangEntry e;
            e.key = key;
            if (c->HasProperty(kCaption) && !blank(c->GetText(kCaption))) {
                e.captionTag = kCaptionTag;
                e.caption = c->GetText(kCaption);
            } else if (c->HasProperty(kText) && !blank(c->GetText(kText))) {
                e.captionTag = kCaptionTag;
                e.caption = c->GetText(kText);
            }
            if (c->HasProperty(kHint) && !blank(c->GetText(kHint))) {
                e.hint = c->GetText(kHint);
                e.hintTag = c->HasProperty(kShowHint)
                                ? kHintTag + (c->GetOrdinal(kShowHint) ? kShowHintBit : 0)
                                : kNoShowHintTag;
            }
            for (const QString& property : {kItems, kLines}) {
                ILangStrings* strings = c->HasProperty(property) ? c->Strings(property) : nullptr;
                if (!strings || strings->Count() < 1)
                    continue;
                for (int j = 0; j < strings->Count(); ++j)
                    e.lines << strings->Line(j);
                e.listTag = kListTag;
                break;
            }
            // A text the character set cannot hold is reported here, for its component.
            EncodeText(e.key + e.caption + e.hint + e.lines.join(QString()),
                       TextCharset(Header.charset, Header.languageId));
            if (e.captionTag || e.hintTag || e.listTag)
                entries.push_back(std::move(e));
        } catch (const AppError& error) {
            if (m_platform.showError)
                m_platform.showError(QStringLiteral("Exception %1 - component No %2")
                                         .arg(error.message())
                                         .arg(position));
        } catch (const std::exception& error) {
            if (m_platform.showError)
                m_platform.showError(QStringLiteral("Exception %1 - component No %2")
                                         .arg(QString::fromLocal8Bit(error.what()))
                                         .arg(position));
        }
        ++position;
    }
    return entries;
}

bool TLanguageRecord::SaveToFile(const QString& fileName) {
    LangPack pack;
    pack.header = Header;
    pack.entries = ComponentEntries();
    WriteLanguageFile(fileName, pack);
    return true;
}
