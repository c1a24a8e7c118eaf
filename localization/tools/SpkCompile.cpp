#include "SpkCompile.h"

#include "FlagPicture.h"

#include <QHash>
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

quint32 PackVersion(const QString& text) {
    quint32 numbers[4] = {};
    int finished = 0;
    QString digits;
    for (qsizetype i = 0; i < text.size() && finished < 5; ++i) {
        const QChar c = text.at(i);
        if (c.isDigit() && c.unicode() < 128 && digits.size() < 24)
            digits += c;
        if (c == QLatin1Char('.') || c == QLatin1Char(',') || i + 1 == text.size()) {
            if (finished < 4)
                numbers[finished] = digits.left(9).toUInt();
            ++finished;
            digits.clear();
        }
    }
    return (numbers[0] & 0xFF) << 24 | (numbers[1] & 0xFF) << 16 | (numbers[2] & 0x3F) << 10 |
           (numbers[3] & 0x3FF);
}

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

QStringList DraftFromPo(const PoCatalogue& po, quint32 programVersion, PackDraft& draft) {
    QStringList problems;
    draft = PackDraft{};
    int languageId = 0;
    if (field(po, PoHeader::LanguageId).isEmpty())
        problems.append(
            QStringLiteral("header %1 is missing").arg(QString::fromLatin1(PoHeader::LanguageId)));
    else
        readNumber(po, PoHeader::LanguageId, 16, 0, 0xFFFF, languageId, problems);
    draft.languageId = static_cast<quint16>(languageId);
    readNumber(po, PoHeader::Charset, 10, 0, 255, draft.charset, problems);
    readNumber(po, PoHeader::MinFontSize, 10, 8, 72, draft.minFontSize, problems);
    draft.listTitle = field(po, PoHeader::ListTitle);
    draft.languageName = field(po, PoHeader::LanguageName);
    draft.listDetail = field(po, PoHeader::ListDetail);
    draft.fontName = field(po, PoHeader::FontName);
    // A header value is one line; "|" separates the lines of the notes.
    const QString notes = field(po, PoHeader::Notes);
    if (!notes.isEmpty())
        for (const QString& line : notes.split(QLatin1Char('|')))
            draft.notes.append(line.trimmed());
    draft.programVersion = programVersion;
    QString error;
    if (!FlagBmp(field(po, PoHeader::Flag), draft.pictureBmp, error))
        problems.append(
            QStringLiteral("header %1: %2").arg(QString::fromLatin1(PoHeader::Flag), error));

    for (const auto& [key, group] : groupByKey(po, problems)) {
        PackDraft::Entry entry;
        entry.key = key;
        if (group.caption) {
            entry.captionTranslated = group.caption->translated();
            entry.caption = entry.captionTranslated ? group.caption->str : group.caption->id;
        }
        if (group.hint) {
            entry.hintTranslated = group.hint->translated();
            entry.hint = entry.hintTranslated ? group.hint->str : group.hint->id;
            entry.showHint = !group.hint->extracted.contains(kHiddenHint);
        }
        int expected = 0;
        for (const auto& [line, m] : group.lines) {
            if (line != expected) {
                problems.append(
                    QStringLiteral("%1: list line %2 is missing").arg(key).arg(expected));
                break;
            }
            ++expected;
            entry.listTranslated = entry.listTranslated || m->translated();
            entry.list.append(m->translated() ? m->str : m->id);
        }
        draft.entries.append(entry);
    }
    return problems;
}

PoCatalogue TemplateFromDraft(const PackDraft& base, const QString& programVersion) {
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
        {QString::fromLatin1(PoHeader::FontName), base.fontName},
        {QString::fromLatin1(PoHeader::Charset), QStringLiteral("0")},
        {QString::fromLatin1(PoHeader::MinFontSize), QString::number(base.minFontSize)},
        {QString::fromLatin1(PoHeader::Flag), QString()},
    };
    for (const PackDraft::Entry& e : base.entries) {
        if (!e.caption.isEmpty())
            pot.messages.append(message(ContextText(e.key, MessagePlace::Caption), e.caption));
        if (!e.hint.isEmpty()) {
            PoMessage m = message(ContextText(e.key, MessagePlace::Hint), e.hint);
            if (!e.showHint)
                m.extracted.append(kHiddenHint);
            pot.messages.append(m);
        }
        for (qsizetype j = 0; j < e.list.size(); ++j)
            pot.messages.append(message(
                ContextText(e.key, MessagePlace::Items, static_cast<int>(j)), e.list.at(j)));
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
