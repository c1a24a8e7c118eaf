#pragma once

// The format list's popup, searched by country.

#include <QElapsedTimer>
#include <QListView>

// The format list's popup: typed letters find a country, not a size.
class TFormatListView : public QListView {
public:
    explicit TFormatListView(QWidget* parent = nullptr);
    void keyboardSearch(const QString& search) override;

private:
    QString m_typed;
    QElapsedTimer m_sinceKey;
};
