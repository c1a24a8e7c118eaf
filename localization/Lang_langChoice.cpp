#include "localization/Lang_langChoice.h"

#include "platform/AppError.h"
#include "localization/C_LangPack.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace {

constexpr int kItemHeight = 32;
constexpr int kHeaderHeight = 16;
constexpr int kSeparatorHeight = 2;

// Draws a language line: its picture in a light frame, then its display text.
class LanguageItemDelegate final : public QStyledItemDelegate {
public:
    LanguageItemDelegate(TLanguageChoice* chooser, QObject* parent)
        : QStyledItemDelegate(parent), m_chooser(chooser) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), kItemHeight};
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette& palette = option.palette;
        const int left = option.rect.left();
        const int top = option.rect.top();
        const int bottom = option.rect.top() + option.rect.height();
        painter->save();
        painter->fillRect(option.rect, selected ? palette.highlight() : palette.base());
        // Read from the pack on every draw, as the list holds only a few entries.
        QImage picture;
        if (TLangList* languages = m_chooser->LanguageList())
            languages->LoadLanguagePicture(languages->LanguageCodeAt(index.row()), picture);
        const int w = picture.isNull() ? 0 : picture.width();
        const int h = picture.isNull() ? 0 : picture.height();
        const int pictureTop = (top + bottom - 28) / 2;
        // Right to left, the line is its mirror image: picture on the right, the name
        // right-aligned before it; x is where a span of width starting at x lands.
        const bool mirrored = option.direction == Qt::RightToLeft;
        const auto place = [&](int x, int width) {
            return mirrored ? left + option.rect.right() - x - width + 1 : x;
        };
        painter->setPen(QColor(255, 251, 240));
        painter->setBrush(Qt::NoBrush);
        // A w + 2 by h + 2 frame: Qt's outline covers one pixel more than the size given.
        painter->drawRect(place(left + 3, w + 2), pictureTop - 1, w + 1, h + 1);
        if (!picture.isNull())
            painter->drawImage(place(left + 4, w), pictureTop, picture);
        const QFontMetrics metrics(option.font);
        const int textTop = (top + bottom - metrics.height()) / 2;
        painter->setFont(option.font);
        painter->setPen(selected ? palette.color(QPalette::HighlightedText)
                                 : palette.color(QPalette::Text));
        const QString text = index.data(Qt::DisplayRole).toString();
        if (mirrored) {
            const QRect room(left, textTop, option.rect.right() - w - 12 - left + 1,
                             metrics.height());
            painter->drawText(
                room, Qt::AlignRight | Qt::AlignAbsolute | Qt::AlignTop | Qt::TextForceRightToLeft,
                text);
        } else {
            painter->drawText(QPoint(left + w + 12, textTop + metrics.ascent()), text);
        }
        painter->restore();
    }

private:
    TLanguageChoice* m_chooser;
};

// The hourglass for the whole switch, also when an error ends it.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace

void TLanguageChoiceList::keyPressEvent(QKeyEvent* event) {
    const int before = currentRow();
    QListWidget::keyPressEvent(event);
    if (currentRow() != before)
        emit keyboardMoved();
}

TLanguageChoice::TLanguageChoice(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setFocusPolicy(Qt::NoFocus);
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    resize(121, 100);

    m_header = new QLabel(this);
    m_header->setFixedHeight(kHeaderHeight);
    m_separator = new QFrame(this);
    m_separator->setFrameStyle(QFrame::HLine | QFrame::Raised);
    m_separator->setFixedHeight(kSeparatorHeight);
    m_list = new TLanguageChoiceList(this);
    m_list->setFrameStyle(QFrame::NoFrame);
    m_list->setFocusPolicy(Qt::StrongFocus);
    m_list->setUniformItemSizes(true);
    m_list->setItemDelegate(new LanguageItemDelegate(this, m_list));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_header);
    layout->addWidget(m_separator);
    layout->addWidget(m_list, 1);

    connect(m_list, &QListWidget::itemClicked, this, [this] { ListClick(); });
    connect(m_list, &TLanguageChoiceList::keyboardMoved, this, [this] { ListClick(); });
}

TLanguageChoice::~TLanguageChoice() = default;

void TLanguageChoice::setLanguageList(TLangList* languages) {
    // Binding again must not follow a list twice.
    disconnect(m_following);
    m_languages = languages;
    m_list->clear();
    if (!languages)
        return;
    languages->BuildLanguageList();
    m_list->addItems(languages->LanguageItems());
    m_following = connect(languages, &TLangList::languageSwitched, this,
                          &TLanguageChoice::AfterLanguageSwitch);
}

void TLanguageChoice::AfterLanguageSwitch() {
    m_list->setCurrentRow(m_languages->LanguageIndex());
    m_header->setText(QStringLiteral("  ") + m_languages->CurrentLanguageName());
}

void TLanguageChoice::ListClick() {
    if (!m_languages)
        return;
    QString error;
    try {
        BusyCursor busy;
        // Lets the cursor show, without taking new clicks in the middle of a switch.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        m_languages->SetLanguageIndex(m_list->currentRow());
    } catch (const AppError& e) {
        error = e.message();
    } catch (const std::exception& e) {
        error = QString::fromLocal8Bit(e.what());
    }
    m_header->setText(m_languages->CurrentLanguageName());
    // A pack that fails with an error is reported once; the chooser stays usable.
    if (!error.isEmpty()) {
        emit switchFailed(error);
        return;
    }
    emit clicked();
}
