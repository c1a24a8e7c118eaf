#include "localization/tools/PoFile.h"

namespace {

// The field a quoted string continuation line adds to.
enum class Field { None, Context, Id, Str };

struct Entry {
    PoMessage message;
    bool hasContext = false;
    bool hasId = false;
    bool hasStr = false;
    bool hasComments = false;
};

// The escapes a quoted string knows, both ways: the character and the letter after the
// backslash.
struct Escape {
    char raw;
    char code;
};
constexpr Escape kEscapes[] = {{'\n', 'n'}, {'\r', 'r'}, {'\t', 't'}, {'"', '"'}, {'\\', '\\'}};

const Escape* findEscape(char Escape::*side, char c) {
    for (const Escape& escape : kEscapes)
        if (escape.*side == c)
            return &escape;
    return nullptr;
}

// Decodes one C-like quoted string that makes up the rest of a line.
bool unquote(const QByteArray& text, QByteArray& out, QString& what) {
    QByteArray s = text.trimmed();
    if (s.size() < 2 || !s.startsWith('"') || !s.endsWith('"')) {
        what = QStringLiteral("expected a quoted string");
        return false;
    }
    out.clear();
    for (qsizetype i = 1; i < s.size() - 1; ++i) {
        const char c = s.at(i);
        if (c == '"') {
            what = QStringLiteral("unescaped quote inside a string");
            return false;
        }
        if (c != '\\') {
            out.append(c);
            continue;
        }
        if (++i >= s.size() - 1) {
            what = QStringLiteral("string ends with a backslash");
            return false;
        }
        const Escape* escape = findEscape(&Escape::code, s.at(i));
        if (!escape) {
            what = QStringLiteral("unknown escape \\%1").arg(QChar::fromLatin1(s.at(i)));
            return false;
        }
        out.append(escape->raw);
    }
    return true;
}

QByteArray quote(const QString& text) {
    QByteArray out = "\"";
    for (char c : text.toUtf8()) {
        if (const Escape* escape = findEscape(&Escape::raw, c))
            out.append('\\').append(escape->code);
        else
            out.append(c);
    }
    return out + '"';
}

// A keyword line followed by its strings; long and multi-line texts are split after each
// line feed, as gettext's tools do.
void writeField(QByteArray& out, const char* keyword, const QString& text) {
    out.append(keyword).append(' ');
    const QStringList parts = text.split(QLatin1Char('\n'));
    if (parts.size() <= 1) {
        out.append(quote(text)).append('\n');
        return;
    }
    out.append("\"\"\n");
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString part = i + 1 < parts.size() ? parts.at(i) + QLatin1Char('\n') : parts.at(i);
        if (!part.isEmpty())
            out.append(quote(part)).append('\n');
    }
}

void readHeader(const QString& text, PoCatalogue& catalogue) {
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon > 0)
            catalogue.header.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }
}

} // namespace

QString PoCatalogue::headerField(const QString& name) const {
    for (const auto& [key, value] : header)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return QString();
}

void PoCatalogue::setHeaderField(const QString& name, const QString& value) {
    for (auto& [key, old] : header)
        if (key.compare(name, Qt::CaseInsensitive) == 0) {
            old = value;
            return;
        }
    header.append({name, value});
}

bool ParsePo(const QByteArray& bytes, PoCatalogue& catalogue, QString& error) {
    catalogue = PoCatalogue{};
    Entry entry;
    Field field = Field::None;
    bool headerSeen = false;
    QString what;
    int lineNo = 0;

    auto finish = [&]() -> bool {
        if (entry.hasId && !entry.hasStr) {
            what = QStringLiteral("message without msgstr");
            return false;
        }
        if (entry.hasContext && !entry.hasId) {
            what = QStringLiteral("msgctxt without msgid");
            return false;
        }
        if (entry.hasId) {
            if (!entry.hasContext && entry.message.id.isEmpty() && !headerSeen) {
                headerSeen = true;
                readHeader(entry.message.str, catalogue);
            } else {
                catalogue.messages.append(entry.message);
            }
        }
        entry = Entry{};
        field = Field::None;
        return true;
    };

    // Some editors open a UTF-8 file with a byte-order mark.
    const QByteArray body = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    const QList<QByteArray> lines = body.split('\n');
    for (const QByteArray& raw : lines) {
        ++lineNo;
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith("#~"))
            continue;
        bool ok = true;
        if (line.startsWith('#')) {
            if (entry.hasStr)
                ok = finish();
            entry.hasComments = true;
            if (line.startsWith("#,")) {
                for (const QByteArray& flag : line.mid(2).split(','))
                    entry.message.fuzzy = entry.message.fuzzy || flag.trimmed() == "fuzzy";
            } else if (line.startsWith("#."))
                entry.message.extracted.append(QString::fromUtf8(line.mid(2).trimmed()));
        } else if (line.startsWith('"')) {
            QByteArray text;
            ok = field != Field::None && unquote(line, text, what);
            if (field == Field::None)
                what = QStringLiteral("string outside a message");
            const QString part = QString::fromUtf8(text);
            if (ok && field == Field::Context)
                entry.message.context += part;
            else if (ok && field == Field::Id)
                entry.message.id += part;
            else if (ok)
                entry.message.str += part;
        } else {
            const qsizetype space = line.indexOf(' ');
            const QByteArray keyword = space < 0 ? line : line.left(space);
            QByteArray text;
            if (keyword == "msgid_plural" || keyword.startsWith("msgstr[")) {
                what = QStringLiteral("plural forms are not used in language packs");
                ok = false;
            } else if (keyword != "msgctxt" && keyword != "msgid" && keyword != "msgstr") {
                what = QStringLiteral("unknown keyword %1").arg(QString::fromUtf8(keyword));
                ok = false;
            } else if (space < 0 || !unquote(line.mid(space + 1), text, what)) {
                ok = false;
                if (space < 0)
                    what = QStringLiteral("%1 without a string").arg(QString::fromUtf8(keyword));
            }
            if (ok && keyword != "msgstr" && entry.hasStr)
                ok = finish();
            if (ok && keyword == "msgctxt") {
                ok = !entry.hasContext && !entry.hasId;
                what = QStringLiteral("misplaced msgctxt");
                entry.hasContext = true;
                entry.message.context = QString::fromUtf8(text);
                entry.message.line = lineNo;
                field = Field::Context;
            } else if (ok && keyword == "msgid") {
                ok = !entry.hasId;
                what = QStringLiteral("misplaced msgid");
                entry.hasId = true;
                entry.message.id = QString::fromUtf8(text);
                if (!entry.hasContext)
                    entry.message.line = lineNo;
                field = Field::Id;
            } else if (ok) {
                ok = entry.hasId && !entry.hasStr;
                what = QStringLiteral("misplaced msgstr");
                entry.hasStr = true;
                entry.message.str = QString::fromUtf8(text);
                field = Field::Str;
            }
        }
        if (!ok) {
            error = QStringLiteral("line %1: %2").arg(lineNo).arg(what);
            return false;
        }
    }
    if (!finish()) {
        error = QStringLiteral("line %1: %2").arg(lineNo).arg(what);
        return false;
    }
    return true;
}

QByteArray WritePo(const PoCatalogue& catalogue) {
    QByteArray out;
    QString header;
    for (const auto& [key, value] : catalogue.header)
        header += key + QStringLiteral(": ") + value + QLatin1Char('\n');
    writeField(out, "msgid", QString());
    writeField(out, "msgstr", header);
    for (const PoMessage& m : catalogue.messages) {
        out.append('\n');
        for (const QString& comment : m.extracted)
            out.append("#. ").append(comment.toUtf8()).append('\n');
        if (m.fuzzy)
            out.append("#, fuzzy\n");
        writeField(out, "msgctxt", m.context);
        writeField(out, "msgid", m.id);
        writeField(out, "msgstr", m.str);
    }
    return out;
}
