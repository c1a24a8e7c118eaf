#pragma once

// A translatable list of texts that is not shown by any control.

#include <QObject>
#include <QStringList>

// A list of run-time texts that the translation engine translates like any other
// component. Translate() maps a design-time wording to the current language's text.
class TTextStorage : public QObject {
    Q_OBJECT
    Q_PROPERTY(QStringList Items READ Items WRITE setItems)

public:
    explicit TTextStorage(const QString& name, const QStringList& designTexts,
                          QObject* parent = nullptr);

    const QStringList& Items() const { return m_items; }
    // Replaces the translations only; the design-time copy stays.
    void setItems(const QStringList& items) { m_items = items; }
    const QStringList& DesignTimeItems() const { return m_designTime; }

    QString Translate(const QString& text) const;

private:
    QStringList m_items;
    QStringList m_designTime;
};
