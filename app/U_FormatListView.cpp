#include "app/U_FormatListView.h"

#include "app/U_Formats.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QScreen>

#include <algorithm>

TFormatListView::TFormatListView(QWidget* parent)
    : QListView(parent), m_combo(qobject_cast<QComboBox*>(parent)) {}

void TFormatListView::showEvent(QShowEvent* event) {
    QListView::showEvent(event);
    // The popup, wider than its box for the longest label, opens towards the side the window
    // reads from: in a right-to-left window its right edge is the box's, as far as the screen
    // allows.
    QWidget* popup = window();
    if (!m_combo || !m_combo->isRightToLeft() || popup == m_combo->window())
        return;
    int left = m_combo->mapToGlobal(QPoint(m_combo->width(), 0)).x() - popup->width();
    if (const QScreen* screen = m_combo->screen())
        left = std::max(left, screen->availableGeometry().left());
    popup->move(left, popup->y());
}

void TFormatListView::keyboardSearch(const QString& search) {
    if (!model() || search.isEmpty())
        return;
    // Letters typed in quick succession make one word, as in the toolkit's own search.
    if (!m_sinceKey.isValid() || m_sinceKey.elapsed() > QApplication::keyboardInputInterval())
        m_typed.clear();
    m_sinceKey.start();
    m_typed += search;
    QStringList labels;
    for (int row = 0; row < model()->rowCount(rootIndex()); ++row)
        labels << model()->index(row, modelColumn(), rootIndex()).data().toString();
    const int current = currentIndex().row();
    // The same letter again steps to the next country with it; a longer word may stay put.
    const bool repeated = m_typed.size() > 1 && m_typed.count(m_typed.front()) == m_typed.size();
    const QString wanted = repeated ? m_typed.left(1) : m_typed;
    const int from = repeated || m_typed.size() == 1 ? current + 1 : current;
    const int found = FindFormatByCountry(labels, wanted, from);
    if (found >= 0)
        setCurrentIndex(model()->index(found, modelColumn(), rootIndex()));
}

namespace {

class TypingOpensList : public QObject {
public:
    explicit TypingOpensList(QComboBox* combo) : QObject(combo), m_combo(combo) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != m_combo || event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        if (text.isEmpty() || !text.at(0).isPrint() || text.at(0).isSpace() ||
            (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
            return false;
        if (!m_combo->view()->isVisible())
            m_combo->showPopup();
        m_combo->view()->keyboardSearch(text);
        return true;
    }

private:
    QComboBox* m_combo;
};

} // namespace

void OpenListOnTyping(QComboBox* combo) {
    combo->installEventFilter(new TypingOpensList(combo));
}
