#include "localization/tools/SpkCompile.h"

#include "localization/tools/FlagPicture.h"

#include <QHash>
#include <QImage>
#include <QSet>

#include <map>

namespace {

const char* propertyName(MessagePlace::Property property) {
    switch (property) {
    case MessagePlace::Hint:
        return "Hint";
    case MessagePlace::Items:
        return "Items";
    case MessagePlace::Caption:
        break;
    }
    return "Caption";
}

// The template marks hints whose component hides them, so that a translation keeps the
// hint hidden.
const QString kHiddenHint = QStringLiteral("hint hidden");

// One key's messages gathered from a catalogue.
struct KeyMessages {
    const PoMessage* caption = nullptr;
    const PoMessage* hint = nullptr;
    std::map<int, const PoMessage*> lines;
};

// Groups the messages by key in order of first appearance; bad or repeated contexts are
// reported.
QList<std::pair<QString, KeyMessages>> groupByKey(const PoCatalogue& po, QStringList& problems) {
    QList<std::pair<QString, KeyMessages>> groups;
    QHash<QString, qsizetype> index;
    for (const PoMessage& m : po.messages) {
        MessagePlace place;
        if (!ParseContext(m.context, place)) {
            problems.append(
                QStringLiteral("line %1: bad message context \"%2\"").arg(m.line).arg(m.context));
            continue;
        }
        auto found = index.constFind(place.key);
        if (found == index.constEnd()) {
            found = index.insert(place.key, groups.size());
            groups.append({place.key, KeyMessages{}});
        }
        KeyMessages& group = groups[*found].second;
        const PoMessage** slot = place.property == MessagePlace::Caption ? &group.caption
                                 : place.property == MessagePlace::Hint  ? &group.hint
                                                                         : &group.lines[place.line];
        if (*slot)
            problems.append(QStringLiteral("line %1: repeated message context \"%2\"")
                                .arg(m.line)
                                .arg(m.context));
        else
            *slot = &m;
    }
    return groups;
}

QString field(const PoCatalogue& po, const char* name) {
    return po.headerField(QString::fromLatin1(name));
}

bool readNumber(const PoCatalogue& po, const char* name, int base, int fallback, int max,
                int& value, QStringList& problems) {
    const QString text = field(po, name);
    if (text.isEmpty()) {
        value = fallback;
        return true;
    }
    bool ok = false;
    value = text.toInt(&ok, base);
    if (!ok || value < 0 || value > max) {
        problems.append(QStringLiteral("header %1: \"%2\" is not a valid value")
                            .arg(QString::fromLatin1(name), text));
        return false;
    }
    return true;
}

PoMessage message(const QString& context, const QString& id) {
    PoMessage m;
    m.context = context;
    m.id = id;
    return m;
}

} // namespace

bool ParseContext(const QString& context, MessagePlace& place) {
    const QStringList parts = context.split(QLatin1Char('|'));
    if (parts.size() < 2 || parts.first().isEmpty())
        return false;
    place = MessagePlace{};
    place.key = parts.first();
    const QString& property = parts.at(1);
    if (parts.size() == 2 && property == QLatin1String("Caption"))
        place.property = MessagePlace::Caption;
    else if (parts.size() == 2 && property == QLatin1String("Hint"))
        place.property = MessagePlace::Hint;
    else if (parts.size() == 3 && property == QLatin1String("Items")) {
        bool ok = false;
        place.property = MessagePlace::Items;
        place.line = parts.at(2).toInt(&ok);
        // Digits only: "+3" or " 3" would name the same line twice.
        for (QChar c : parts.at(2))
            ok = ok && c.isDigit();
        return ok && place.line >= 0;
    } else
        return false;
    return true;
}

QString ContextText(const QString& key, MessagePlace::Property property, int line) {
    QString text = key + QLatin1Char('|') + QLatin1String(propertyName(property));
    if (property == MessagePlace::Items)
        text += QLatin1Char('|') + QString::number(line);
    return text;
}

QStringList PackFromPo(const PoCatalogue& po, uint32_t programVersion, LangPack& pack) {
    QStringList problems;
    pack = LangPack{};
    LangHeader& header = pack.header;
    int number = 0;
    if (field(po, PoHeader::LanguageId).isEmpty())
        problems.append(
            QStringLiteral("header %1 is missing").arg(QString::fromLatin1(PoHeader::LanguageId)));
    else if (readNumber(po, PoHeader::LanguageId, 16, 0, 0xFFFF, number, problems))
        header.languageId = static_cast<uint16_t>(number);
    if (readNumber(po, PoHeader::Charset, 10, 0, 255, number, problems))
        header.charset = static_cast<uint8_t>(number);
    readNumber(po, PoHeader::MinFontSize, 10, 8, 72, header.minFontSize, problems);
    header.listTitle = field(po, PoHeader::ListTitle);
    header.languageName = field(po, PoHeader::LanguageName);
    header.listDetail = field(po, PoHeader::ListDetail);
    header.fontName = field(po, PoHeader::FontName);
    // A header value is one line; "|" separates the lines of the notes.
    const QString notes = field(po, PoHeader::Notes);
    if (!notes.isEmpty())
        for (const QString& line : notes.split(QLatin1Char('|')))
            header.notes.append(line.trimmed());
    header.programVersion = programVersion;
    QString error;
    if (!FlagPicture(field(po, PoHeader::Flag), header.picture, error))
        problems.append(
            QStringLiteral("header %1: %2").arg(QString::fromLatin1(PoHeader::Flag), error));

    auto tag = [](int kind, const PoMessage& m) {
        return m.translated() ? kind | kTranslatedBit : kind;
    };
    for (const auto& [key, group] : groupByKey(po, problems)) {
        LangEntry entry;
        entry.key = key;
        if (group.caption) {
            entry.captionTag = tag(kCaptionTag, *group.caption);
            entry.caption = group.caption->translated() ? group.caption->str : group.caption->id;
        }
        if (group.hint) {
            const bool shown = !group.hint->extracted.contains(kHiddenHint);
            entry.hintTag = tag(shown ? kHintTag | kShowHintBit : kHintTag, *group.hint);
            entry.hint = group.hint->translated() ? group.hint->str : group.hint->id;
        }
        int expected = 0;
        bool anyTranslated = false;
        for (const auto& [line, m] : group.lines) {
            if (line != expected) {
                problems.append(
                    QStringLiteral("%1: list line %2 is missing").arg(key).arg(expected));
                break;
            }
            ++expected;
            anyTranslated = anyTranslated || m->translated();
            entry.lines.append(m->translated() ? m->str : m->id);
        }
        // One bit covers the whole list; its untranslated lines keep their English text.
        if (!group.lines.empty())
            entry.listTag = anyTranslated ? kListTag | kTranslatedBit : kListTag;
        pack.entries.push_back(entry);
    }
    return problems;
}

PoCatalogue TemplateFromPack(const LangPack& base, const QString& programVersion) {
    PoCatalogue pot;
    pot.header = {
        {QStringLiteral("Project-Id-Version"), QStringLiteral("Quillmark ") + programVersion},
        {QStringLiteral("Language"), QString()},
        {QStringLiteral("MIME-Version"), QStringLiteral("1.0")},
        {QStringLiteral("Content-Type"), QStringLiteral("text/plain; charset=UTF-8")},
        {QStringLiteral("Content-Transfer-Encoding"), QStringLiteral("8bit")},
        {QString::fromLatin1(PoHeader::LanguageId), QString()},
        {QString::fromLatin1(PoHeader::ListTitle), QString()},
        {QString::fromLatin1(PoHeader::LanguageName), QString()},
        {QString::fromLatin1(PoHeader::ListDetail), QString()},
        {QString::fromLatin1(PoHeader::Notes), QString()},
        {QString::fromLatin1(PoHeader::FontName), base.header.fontName},
        {QString::fromLatin1(PoHeader::Charset), QStringLiteral("0")},
        {QString::fromLatin1(PoHeader::MinFontSize), QString::number(base.header.minFontSize)},
        {QString::fromLatin1(PoHeader::Flag), QString()},
    };
    for (const LangEntry& e : base.entries) {
        if (e.captionTag > 0 && !e.caption.isEmpty())
            pot.messages.append(message(ContextText(e.key, MessagePlace::Caption), e.caption));
        if (e.hintTag > 0 && !e.hint.isEmpty()) {
            PoMessage m = message(ContextText(e.key, MessagePlace::Hint), e.hint);
            if ((e.hintTag & kShowHintBit) == 0)
                m.extracted.append(kHiddenHint);
            pot.messages.append(m);
        }
        if (e.listTag > 0)
            for (qsizetype j = 0; j < e.lines.size(); ++j)
                pot.messages.append(message(
                    ContextText(e.key, MessagePlace::Items, static_cast<int>(j)), e.lines.at(j)));
    }
    return pot;
}

QStringList CheckPo(const PoCatalogue& po, const PoCatalogue& pot) {
    QStringList problems;
    QHash<QString, QString> english;
    QHash<QString, int> templateLines;
    for (const PoMessage& m : pot.messages) {
        english.insert(m.context, m.id);
        MessagePlace place;
        if (ParseContext(m.context, place) && place.property == MessagePlace::Items)
            ++templateLines[place.key];
    }
    // Lists by key: line count and the first line of the file that names them.
    std::map<QString, std::pair<int, int>> lists;
    QSet<QString> reported;
    for (const PoMessage& m : po.messages) {
        MessagePlace place;
        if (!ParseContext(m.context, place))
            continue; // groupByKey reports it
        const bool isList = place.property == MessagePlace::Items;
        if (isList) {
            auto& [count, firstLine] = lists.try_emplace(place.key, 0, m.line).first->second;
            ++count;
        }
        const auto known = english.constFind(m.context);
        const bool keyKnown = isList ? templateLines.contains(place.key) : known != english.cend();
        if (!keyKnown) {
            const QString what = isList ? place.key + QStringLiteral("|Items") : m.context;
            if (!reported.contains(what))
                problems.append(
                    QStringLiteral("line %1: unknown key \"%2\"").arg(m.line).arg(what));
            reported.insert(what);
        } else if (known != english.cend() && *known != m.id) {
            problems.append(QStringLiteral("line %1: the English text of \"%2\" is now \"%3\"")
                                .arg(m.line)
                                .arg(m.context, *known));
        }
    }
    for (const auto& [key, counts] : lists) {
        const auto wanted = templateLines.constFind(key);
        if (wanted != templateLines.cend() && *wanted != counts.first)
            problems.append(QStringLiteral("line %1: list %2 has %3 lines, the template has %4")
                                .arg(counts.second)
                                .arg(key)
                                .arg(counts.first)
                                .arg(*wanted));
    }
    groupByKey(po, problems);
    return problems;
}
