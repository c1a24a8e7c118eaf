#pragma once

// The format list's popup, searched by country.

#include <QElapsedTimer>
#include <QListView>

class QComboBox;

// The format list's popup: typed letters find a country, not a size.
class TFormatListView : public QListView {
public:
    explicit TFormatListView(QWidget* parent = nullptr);
    void keyboardSearch(const QString& search) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QComboBox* m_combo;
    QString m_typed;
    QElapsedTimer m_sinceKey;
};

// Letters typed on the closed combo box open its list and move the highlight there, so that
// a format is chosen (and checked) only when the list closes on it, not at each letter.
void OpenListOnTyping(QComboBox* combo);
