#include "localization/Lang_Reading.h"

#include "localization/Lang_Languages.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLocale>
#include <QVariant>
#include <QWidget>

namespace {

QString& separator() {
    static QString shown = QStringLiteral(".");
    return shown;
}

// Where a child was designed (left to right) and where it was last put.
constexpr char kDesignedX[] = "qmDesignedX";
constexpr char kPlacedX[] = "qmPlacedX";

void mirrorIn(QWidget* parent, bool rightToLeft) {
    const QLayout* layout = parent->layout();
    for (QObject* object : parent->children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (!child || child->isWindow())
            continue;
        if (!layout || layout->indexOf(child) < 0) {
            // A child moved since it was last placed was moved by its window, in designed terms.
            const QVariant placed = child->property(kPlacedX);
            const int designed = placed.isValid() && placed.toInt() == child->x()
                                     ? child->property(kDesignedX).toInt()
                                     : child->x();
            const int x = rightToLeft ? parent->width() - designed - child->width() : designed;
            child->setProperty(kDesignedX, designed);
            child->setProperty(kPlacedX, x);
            child->move(x, child->y());
        }
        // Into containers only: other widgets place their own parts (a list its scroll bars).
        if (child->metaObject() == &QWidget::staticMetaObject || qobject_cast<QGroupBox*>(child))
            mirrorIn(child, rightToLeft);
    }
}

} // namespace

// The caption without the marks this unit put around it, then with them when it is to be read
// left to right inside a right-to-left window. The leading right-to-left mark makes the
// caption's own direction right to left, so that labels align it as the window reads.
const QString kOpening = QString(QChar(0x200F)) + QChar(0x2066);

QString captionFor(const QString& text, bool rightToLeft) {
    QString plain = text;
    if (plain.startsWith(kOpening) && plain.endsWith(QChar(0x2069)))
        plain = plain.mid(2, plain.size() - 3);
    bool leftToRight = false;
    for (const QChar c : std::as_const(plain)) {
        const QChar::Direction d = c.direction();
        if (d == QChar::DirL || d == QChar::DirR || d == QChar::DirAL) {
            leftToRight = d == QChar::DirL;
            break;
        }
    }
    return rightToLeft && leftToRight ? IsolatedLeftToRight(plain) : plain;
}

void SetNumberLanguage(uint16_t languageId) {
    QString locale = LocaleForLangId(languageId);
    locale = locale.left(locale.indexOf(QLatin1Char('@')));
    separator() = locale.isEmpty() ? QStringLiteral(".") : QLocale(locale).decimalPoint();
}

QString LocalNumber(double value, int decimals) {
    return QString::number(value, 'f', decimals).replace(QLatin1Char('.'), separator());
}

bool RightToLeftCharset(int charset) {
    return charset == 177 || charset == 178;
}

QString IsolatedLeftToRight(const QString& text) {
    return kOpening + text + QChar(0x2069);
}

QString Isolated(const QString& name) {
    return QChar(0x2068) + name + QChar(0x2069);
}

void IsolateLeftToRightCaptions(QWidget* window, bool rightToLeft) {
    if (!window)
        return;
    for (QAction* action : window->findChildren<QAction*>())
        action->setText(captionFor(action->text(), rightToLeft));
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
        button->setText(captionFor(button->text(), rightToLeft));
    for (QGroupBox* group : window->findChildren<QGroupBox*>())
        group->setTitle(captionFor(group->title(), rightToLeft));
    for (QLabel* label : window->findChildren<QLabel*>())
        if (!Qt::mightBeRichText(label->text()))
            label->setText(captionFor(label->text(), rightToLeft));
}

void MirrorChildren(QWidget* window, bool rightToLeft) {
    if (window)
        mirrorIn(window, rightToLeft);
}
