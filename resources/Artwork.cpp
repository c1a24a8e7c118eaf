#include "resources/Artwork.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QProxyStyle>
#include <QStyleOptionGroupBox>

namespace {

QPixmap canvas32() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void drawOpen(QPainter& p) {
    p.setPen(QPen(QColor(120, 90, 20), 1.5));
    p.setBrush(QColor(240, 200, 90));
    p.drawRect(QRectF(3, 8, 24, 18));
    p.setBrush(QColor(250, 220, 120));
    QPolygonF front;
    front << QPointF(3, 26) << QPointF(8, 13) << QPointF(30, 13) << QPointF(26, 26);
    p.drawPolygon(front);
    p.setBrush(QColor(240, 200, 90));
    p.drawRect(QRectF(3, 5, 10, 4));
}

void drawRotate(QPainter& p) {
    p.setPen(QPen(QColor(30, 90, 170), 3.5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(6, 6, 20, 20), 100 * 16, 260 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 90, 170));
    QPolygonF head;
    head << QPointF(14, 1) << QPointF(22, 6.5) << QPointF(14, 12);
    p.drawPolygon(head);
}

void drawPrint(QPainter& p) {
    p.setPen(QPen(QColor(60, 60, 60), 1.2));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(9, 3, 14, 10));
    p.setBrush(QColor(150, 150, 160));
    p.drawRoundedRect(QRectF(3, 12, 26, 12), 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(8, 20, 16, 10));
    p.setPen(QPen(QColor(120, 120, 120), 1));
    p.drawLine(QPointF(11, 24), QPointF(21, 24));
    p.drawLine(QPointF(11, 27), QPointF(19, 27));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 200, 60));
    p.drawEllipse(QRectF(24, 15, 3, 3));
}

void drawOptions(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 100, 115));
    p.translate(16, 16);
    for (int i = 0; i < 8; ++i) {
        p.drawRect(QRectF(-3, -14, 6, 8));
        p.rotate(45);
    }
    p.drawEllipse(QPointF(0, 0), 10, 10);
    p.setBrush(QColor(235, 235, 235));
    p.drawEllipse(QPointF(0, 0), 4.5, 4.5);
}

void drawTranslate(QPainter& p) {
    p.setPen(QPen(QColor(20, 100, 140), 1.5));
    p.setBrush(QColor(170, 215, 240));
    p.drawEllipse(QRectF(2, 2, 28, 28));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(9, 2, 14, 28));
    p.drawLine(QPointF(16, 2), QPointF(16, 30));
    p.drawLine(QPointF(2, 16), QPointF(30, 16));
    p.drawLine(QPointF(5, 9), QPointF(27, 9));
    p.drawLine(QPointF(5, 23), QPointF(27, 23));
}

void drawSave(QPainter& p) {
    p.setPen(QPen(QColor(30, 40, 90), 1.2));
    p.setBrush(QColor(60, 80, 160));
    p.drawRoundedRect(QRectF(3, 3, 26, 26), 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(8, 4, 16, 10));
    p.setBrush(QColor(200, 200, 210));
    p.drawRect(QRectF(9, 19, 14, 9));
}

void drawUsb(QPainter& p) {
    p.setPen(QPen(QColor(50, 50, 50), 1.2));
    p.setBrush(QColor(200, 200, 205));
    p.drawRect(QRectF(11, 2, 10, 9));
    p.setBrush(QColor(40, 40, 45));
    p.drawRoundedRect(QRectF(8, 10, 16, 20), 3, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 60, 60));
    p.drawRect(QRectF(13, 4, 2, 3));
    p.drawRect(QRectF(17, 4, 2, 3));
    p.setBrush(QColor(230, 120, 30));
    p.drawEllipse(QRectF(14, 22, 4, 4));
}

void drawFigure(QPainter& p, const QRectF& box) {
    // Head and shoulders in soft greys, proportioned like an identity photo.
    const qreal w = box.width();
    const qreal h = box.height();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(190, 190, 195));
    QPainterPath shoulders;
    shoulders.moveTo(box.left() + 0.02 * w, box.bottom());
    shoulders.cubicTo(box.left() + 0.05 * w, box.top() + 0.75 * h, box.left() + 0.25 * w,
                      box.top() + 0.70 * h, box.left() + 0.5 * w, box.top() + 0.70 * h);
    shoulders.cubicTo(box.left() + 0.75 * w, box.top() + 0.70 * h, box.left() + 0.95 * w,
                      box.top() + 0.75 * h, box.right() - 0.02 * w, box.bottom());
    shoulders.closeSubpath();
    p.drawPath(shoulders);
    p.setBrush(QColor(170, 170, 176));
    p.drawRect(QRectF(box.left() + 0.42 * w, box.top() + 0.55 * h, 0.16 * w, 0.17 * h));
    p.setBrush(QColor(205, 205, 210));
    p.drawEllipse(QRectF(box.left() + 0.27 * w, box.top() + 0.14 * h, 0.46 * w, 0.46 * h));
}

} // namespace

QPixmap GlyphPixmap(Glyph glyph) {
    QPixmap pixmap = canvas32();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (glyph) {
    case Glyph::Open:
        drawOpen(p);
        break;
    case Glyph::Rotate:
        drawRotate(p);
        break;
    case Glyph::Print:
        drawPrint(p);
        break;
    case Glyph::Options:
        drawOptions(p);
        break;
    case Glyph::Translate:
        drawTranslate(p);
        break;
    case Glyph::Save:
        drawSave(p);
        break;
    case Glyph::Usb:
        drawUsb(p);
        break;
    }
    return pixmap;
}

QImage PlaceholderPicture() {
    QImage image(119, 157, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawFigure(p, QRectF(0, 0, 119, 157));
    p.end();
    return image;
}

QImage AboutBanner() {
    QImage image(388, 96, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    // The maker's mark: a quill over a photo frame.
    p.setPen(QPen(QColor(40, 70, 120), 3));
    p.setBrush(QColor(225, 235, 248));
    p.drawRoundedRect(QRectF(18, 14, 56, 68), 6, 6);
    drawFigure(p, QRectF(24, 20, 44, 56));
    QPainterPath quill;
    quill.moveTo(64, 80);
    quill.cubicTo(72, 50, 88, 24, 104, 10);
    quill.cubicTo(100, 34, 88, 58, 64, 80);
    p.setPen(QPen(QColor(120, 60, 20), 1.5));
    p.setBrush(QColor(200, 140, 60));
    p.drawPath(quill);
    QFont title(QStringLiteral("DejaVu Serif"));
    title.setPixelSize(30);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(40, 70, 120));
    p.drawText(QRectF(118, 16, 262, 40), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Brindlewood"));
    QFont sub(QStringLiteral("DejaVu Sans"));
    sub.setPixelSize(14);
    p.setFont(sub);
    p.setPen(QColor(90, 90, 90));
    p.drawText(QRectF(120, 56, 262, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Identity photographs at home"));
    p.end();
    return image;
}

QIcon ProgramIcon() {
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 70, 120), 3));
    p.setBrush(QColor(225, 235, 248));
    p.drawRoundedRect(QRectF(8, 4, 48, 56), 6, 6);
    drawFigure(p, QRectF(13, 9, 38, 50));
    p.end();
    return QIcon(pixmap);
}

void InstallFontSubstitutes() {
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                                QStringLiteral("DejaVu Sans")});
}

namespace {

class ClassicStyle final : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        // A drop-down list opens below its box with the box's own number of rows, not as a
        // popup over it that the base style makes as tall as the screen.
        if (hint == SH_ComboBox_Popup || hint == SH_ComboBox_UseNativePopup)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                         const QWidget* widget) const override {
        const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
        if (control != CC_GroupBox || !box)
            return QProxyStyle::subControlRect(control, option, sub, widget);
        const QFontMetrics fm = box->fontMetrics;
        const int half = box->text.isEmpty() ? 0 : fm.height() / 2;
        const QRect frame = box->rect.adjusted(0, half, 0, 0);
        switch (sub) {
        case SC_GroupBoxFrame:
            return frame;
        case SC_GroupBoxContents:
            return frame.adjusted(2, 2, -2, -2);
        case SC_GroupBoxLabel:
            return QRect(box->rect.left() + 8, box->rect.top(), fm.horizontalAdvance(box->text) + 4,
                         fm.height());
        case SC_GroupBoxCheckBox:
            return QRect();
        default:
            return QProxyStyle::subControlRect(control, option, sub, widget);
        }
    }

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget) const override {
        const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
        if (control != CC_GroupBox || !box) {
            QProxyStyle::drawComplexControl(control, option, painter, widget);
            return;
        }
        const QRect frame = subControlRect(control, option, SC_GroupBoxFrame, widget);
        const QRect label = subControlRect(control, option, SC_GroupBoxLabel, widget);
        painter->save();
        // The frame line is broken where the caption stands.
        QRegion region(box->rect);
        if (!box->text.isEmpty())
            region -= label;
        painter->setClipRegion(region);
        painter->setPen(box->palette.color(QPalette::Mid));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(frame.adjusted(0, 0, -1, -1));
        painter->setPen(box->palette.color(QPalette::Light));
        painter->drawRect(frame.adjusted(1, 1, -2, -2).translated(0, 0));
        painter->restore();
        if (!box->text.isEmpty())
            drawItemText(painter, label, Qt::AlignCenter | Qt::TextShowMnemonic, box->palette,
                         box->state & State_Enabled, box->text, QPalette::WindowText);
    }
};

} // namespace

QStyle* CreateClassicStyle() {
    return new ClassicStyle;
}
