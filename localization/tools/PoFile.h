#pragma once

// Reading and writing gettext catalogues.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// One message of a gettext catalogue. Plural forms are not used by language packs.
struct PoMessage {
    QString context;
    QString id;
    QString str;
    bool fuzzy = false;
    // Lines of "#." comments, without the marker.
    QStringList extracted;
    // Line of the file where the message starts, for messages naming a place in it.
    int line = 0;

    // A message counts as translated when gettext would use its translation.
    bool translated() const { return !fuzzy && !str.isEmpty(); }
};

// A .po or .pot file: the header entry's fields and the messages in file order.
struct PoCatalogue {
    // "Name: value" lines of the header entry, in their order.
    QList<std::pair<QString, QString>> header;
    QList<PoMessage> messages;

    QString headerField(const QString& name) const;
    void setHeaderField(const QString& name, const QString& value);
};

// Reads a catalogue written in UTF-8. On a syntax error returns false and sets error to
// "line N: what"; obsolete ("#~") entries are skipped.
bool ParsePo(const QByteArray& bytes, PoCatalogue& catalogue, QString& error);

// Writes a catalogue in UTF-8 in the layout gettext's own tools use.
QByteArray WritePo(const PoCatalogue& catalogue);
