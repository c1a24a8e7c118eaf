#include "print/U_PreviewDlg.h"

#include "resources/Artwork.h"
#include "localization/C_TextStorage.h"
#include "localization/Lang_Reading.h"
#include "localization/U_MessageTexts.h"
#include "support/C_WideDialogs.h"
#include "support/U_BackgroundWork.h"
#include "picture/U_JpegEncode.h"
#include "support/U_MsgDlg.h"
#include "support/U_OrrinUtils.h"
#include "support/U_QMKSUtils.h"
#include "picture/U_PictureFile.h"
#include "platform/U_SafeWrite.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QScreen>
#include <QStyleOptionButton>
#include <QStylePainter>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr int kViewWidth = 420;
constexpr int kViewHeight = 594;
constexpr int kViewTop = 56;
constexpr int kViewBottomMargin = 6;
constexpr int kWindowWidth = 427;
// Space the button row leaves right of its last button.
constexpr int kRowEndMargin = 14;
// Inner margins of a wrapping button's caption, and between its picture and caption.
constexpr int kCaptionMargin = 6;
constexpr int kMinViewHeight = 150;
// Title bar and borders of the window manager, generously: the real ones are only known
// once the window is shown.
constexpr int kFrameAllowance = 40;
// Asked before a sheet replaces an existing file (%1), one line each: a text storage holds
// single lines.
constexpr char kExists[] = "%1 already exists.";
constexpr char kReplace[] = "Do you want to replace it?";
constexpr char kLinkTo[] = "It is a link to %1.";
// Shown once a sheet is written.
constexpr char kDone[] = "Done !";
// The stick: mounting it, and taking it off safely once the sheet is on it.
constexpr char kMountRefused[] = "The system did not allow the stick to be opened.";
constexpr char kMountFailed[] = "The stick could not be opened: %1";
constexpr char kEjectQuestion[] = "Eject the stick now?";
constexpr char kDoNotAsk[] = "Do not ask again";
constexpr char kRemoveStick[] = "You can remove the stick.";
constexpr char kStickBusy[] =
    "Another program is still using the stick, so it was not ejected. Close that program, then "
    "eject the stick from the desktop.";
constexpr char kEjectFailed[] = "The stick could not be ejected: %1";
// The answer to the eject question when the user asked not to be asked again.
constexpr char kEjectValue[] = "EjectUsbKey";

} // namespace

QSize PreviewSize(const QSize& page, const QSize& view) {
    if (page.isEmpty() || view.isEmpty())
        return {};
    const double rx = double(view.width()) / page.width();
    const double ry = double(view.height()) / page.height();
    if (rx >= ry)
        return {int(std::lround(page.width() * ry)), view.height()};
    return {view.width(), int(std::lround(page.height() * rx))};
}

int FittedViewHeight(int availableHeight, int frameHeight) {
    const int room = availableHeight - frameHeight - kViewTop - kViewBottomMargin;
    return std::clamp(room, kMinViewHeight, kViewHeight);
}

QImage ScaleNearest(const QImage& page, const QSize& size) {
    if (page.isNull() || size.isEmpty())
        return {};
    const QImage source =
        page.format() == QImage::Format_RGB32 || page.format() == QImage::Format_ARGB32
            ? page
            : page.convertToFormat(QImage::Format_ARGB32);
    QImage shown(size, source.format());
    const qint64 pw = source.width();
    const qint64 ph = source.height();
    std::vector<int> columns(size_t(size.width()));
    for (int x = 0; x < size.width(); ++x)
        columns[size_t(x)] = int(std::min(pw - 1, (2 * x + 1) * pw / (2 * qint64(size.width()))));
    for (int y = 0; y < size.height(); ++y) {
        const int sy = int(std::min(ph - 1, (2 * y + 1) * ph / (2 * qint64(size.height()))));
        const auto* from = reinterpret_cast<const QRgb*>(source.constScanLine(sy));
        auto* to = reinterpret_cast<QRgb*>(shown.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            to[x] = from[columns[size_t(x)]];
    }
    return shown;
}

QString SaveName(const QString& chosen) {
    const qsizetype dot = chosen.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? QString() : chosen.mid(dot);
    if (extension.compare(QLatin1String(".jpg"), Qt::CaseInsensitive) == 0 ||
        extension.compare(QLatin1String(".jpeg"), Qt::CaseInsensitive) == 0)
        return chosen;
    return chosen + QStringLiteral(".jpg");
}

std::optional<RemovableDrive> PickDrive(std::vector<RemovableDrive> drives) {
    std::stable_sort(drives.begin(), drives.end(), [](const auto& a, const auto& b) {
        return DriveNameLess(a.shortName, b.shortName);
    });
    std::optional<RemovableDrive> chosen;
    for (const RemovableDrive& d : drives)
        if (d.readable)
            chosen = d;
    return chosen;
}

QString UsbCaption(const RemovableDrive& drive) {
    // A one-letter name is a drive letter and reads "E:".
    QString name = drive.shortName;
    if (name.size() == 1 && name.at(0).isLetter())
        name += QLatin1Char(':');
    const QString label = drive.label.trimmed();
    const QString text =
        label.isEmpty() ? name : label + QStringLiteral(" [") + name + QLatin1Char(']');
    return QStringLiteral("USB\n\r(") + text + QLatin1Char(')');
}

std::vector<QRect> ButtonRow(const std::vector<QRect>& designed, const std::vector<int>& needed) {
    std::vector<QRect> row;
    int shift = 0;
    for (size_t i = 0; i < designed.size(); ++i) {
        QRect place = designed[i].translated(shift, 0);
        if (i < needed.size() && needed[i] > place.width())
            place.setWidth(needed[i]);
        shift = place.right() - designed[i].right();
        row.push_back(place);
    }
    return row;
}

TWrapButton::TWrapButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {}

int TWrapButton::OneLineWidth() const {
    int widest = 0;
    for (const QString& line : QString(text()).remove(QLatin1Char('\r')).split(QLatin1Char('\n')))
        widest = std::max(widest, fontMetrics().horizontalAdvance(line));
    // A pixel to spare: a caption exactly as wide as its room may still wrap.
    const int picture = icon().isNull() ? 0 : iconSize().width() + kCaptionMargin;
    return widest + picture + 2 * kCaptionMargin + 1;
}

void TWrapButton::paintEvent(QPaintEvent*) {
    QStylePainter p(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    option.icon = QIcon();
    p.drawControl(QStyle::CE_PushButton, option);
    QRect area = rect().adjusted(6, 4, -6, -4);
    if (!icon().isNull()) {
        // The picture leads the caption: on the right in a right-to-left language.
        const QSize s = iconSize();
        const int x = isRightToLeft() ? area.right() + 1 - s.width() : area.left();
        const QRect place(x, area.top() + (area.height() - s.height()) / 2, s.width(), s.height());
        icon().paint(&p, place, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
        if (isRightToLeft())
            area.setRight(place.left() - kCaptionMargin);
        else
            area.setLeft(place.right() + kCaptionMargin);
    }
    // The caption's carriage returns only pair with line feeds; the line feed breaks the line.
    QString shown = text();
    shown.remove(QLatin1Char('\r'));
    p.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    p.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, shown);
}

TPageView::TPageView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

// Scaled to the screen's own pixels, so that a display at twice the density shows the
// sheet at twice the detail instead of enlarging a blurred copy.
void TPageView::showPage(const QImage& page) {
    setShown(ScaleNearest(page, PreviewSize(page.size(), deviceSize())));
}

void TPageView::showLayout(const PageLayout& layout) {
    setShown(ScaleNearestLayout(layout, PreviewSize(layout.size, deviceSize())));
}

QSize TPageView::deviceSize() const {
    const qreal ratio = devicePixelRatioF();
    return {qRound(width() * ratio), qRound(height() * ratio)};
}

void TPageView::setShown(QImage scaled) {
    m_shown = std::move(scaled);
    m_shown.setDevicePixelRatio(devicePixelRatioF());
    update();
}

void TPageView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    if (!m_shown.isNull())
        p.drawImage(0, 0, m_shown);
}

Tpreviewdlg::Tpreviewdlg(PlatformServices& platform, QWidget* parent)
    : QDialog(parent), m_platform(platform), m_windowWidth(kWindowWidth) {
    setObjectName(QStringLiteral("previewdlg"));
    setWindowTitle(QStringLiteral("Preview"));
    // The system menu, a minimise box and the close box; no maximise box.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    QFont face(QStringLiteral("MS Sans Serif"));
    face.setPointSize(8);
    setFont(face);
    setFixedSize(kWindowWidth, kViewTop + kViewHeight + kViewBottomMargin);

    print_btn = m_components.add(new QPushButton(QStringLiteral("Print Now"), this), "print_btn");
    print_btn->setGeometry(8, 8, 130, 43);
    print_btn->setIcon(QIcon(GlyphPixmap(Glyph::Print)));
    print_btn->setIconSize(QSize(32, 32));
    QFont bold = print_btn->font();
    bold.setBold(true);
    print_btn->setFont(bold);
    img = m_components.add(new TPageView(this), "img");
    img->setGeometry(3, kViewTop, kViewWidth, kViewHeight);
    img->setAccessibleName(QStringLiteral("Page preview"));
    saveimg_btn =
        m_components.add(new TWrapButton(QStringLiteral("Save as image"), this), "saveimg_btn");
    saveimg_btn->setGeometry(148, 8, 129, 43);
    saveimg_btn->setIcon(QIcon(GlyphPixmap(Glyph::Save)));
    saveimg_btn->setIconSize(QSize(32, 32));
    usb_btn = m_components.add(new TWrapButton(QStringLiteral("USB Key"), this), "usb_btn");
    usb_btn->setGeometry(284, 8, 129, 43);
    usb_btn->setIcon(QIcon(GlyphPixmap(Glyph::Usb)));
    usb_btn->setIconSize(QSize(32, 32));
    preview_ts = m_components.add(
        new TTextStorage(QStringLiteral("preview_ts"),
                         {QString::fromLatin1(kExists), QString::fromLatin1(kReplace),
                          QString::fromLatin1(kDone), QString::fromLatin1(kMountRefused),
                          QString::fromLatin1(kMountFailed), QString::fromLatin1(kEjectQuestion),
                          QString::fromLatin1(kDoNotAsk), QString::fromLatin1(kRemoveStick),
                          QString::fromLatin1(kStickBusy), QString::fromLatin1(kEjectFailed),
                          QString::fromLatin1(kLinkTo)},
                         this),
        "preview_ts");
    setTabOrder(print_btn, saveimg_btn);
    setTabOrder(saveimg_btn, usb_btn);

    m_saveDialog = new TWideSaveDialog(*platform.files, this, this);
    m_saveDialog->setFilter(QStringLiteral("JPEG|*.jpg;*.jpeg"));

    connect(print_btn, &QPushButton::clicked, this, &QDialog::accept);
    connect(saveimg_btn, &QPushButton::clicked, this,
            [this] { Guard([this] { saveimg_btnClick(); }); });
    connect(usb_btn, &QPushButton::clicked, this, [this] { Guard([this] { usb_btnClick(); }); });
}

void Tpreviewdlg::Bind(TTextStorage* texts, TTextStorage* messages) {
    m_texts = texts;
    m_messages = messages;
}

// The buttons start their own commands while the window is open, so their errors are
// shown here; the window stays open.
template <typename F> void Tpreviewdlg::Guard(F&& command) {
    try {
        command();
    } catch (const AppError& e) {
        ShowErrorMessage(*m_platform.messages, this, TranslateMessage(e.message(), m_messages));
    } catch (const std::exception& e) {
        ShowErrorMessage(*m_platform.messages, this, QString::fromLocal8Bit(e.what()));
    }
}

QString Tpreviewdlg::Translate(const QString& text) const {
    if (preview_ts->DesignTimeItems().contains(text))
        return preview_ts->Translate(text);
    return m_texts ? m_texts->Translate(text) : text;
}

void Tpreviewdlg::ScanDrives() {
    usb_btn->setEnabled(false);
    m_usbPath.clear();
    m_drive.reset();
    if (!m_platform.drives)
        return;
    if (const auto drive = PickDrive(m_platform.drives->list())) {
        m_drive = drive;
        m_usbPath = drive->rootPath;
        usb_btn->setEnabled(true);
        usb_btn->setText(UsbCaption(*drive));
    }
}

QImage& Tpreviewdlg::PageImage() {
    if (m_page.isNull() && m_layout) {
        BusyCursor busy;
        BuildPage(m_page, *m_layout);
    }
    return m_page;
}

void Tpreviewdlg::SetPageLayout(PageLayout layout) {
    m_page = QImage();
    m_layout = std::move(layout);
}

bool Tpreviewdlg::Execute() {
    ScanDrives();
    ArrangeButtons();
    FitToScreen();
    if (m_page.isNull() && m_layout)
        img->showLayout(*m_layout);
    else
        img->showPage(m_page);
    // Return prints, whichever button was pressed when the window was last open.
    print_btn->setDefault(true);
    print_btn->setFocus(Qt::OtherFocusReason);
    // Sticks plugged in or pulled out while the window is open change the button at once.
    if (m_platform.drives)
        m_platform.drives->onChanged([this] { ScanDrives(); });
    const bool print = exec() == QDialog::Accepted;
    if (m_platform.drives)
        m_platform.drives->onChanged({});
    // At 1200 dpi the page holds hundreds of megabytes: not kept between previews.
    m_page = QImage();
    m_layout.reset();
    img->showPage(m_page);
    return print;
}

// Translated captions are often longer than the English ones: each button grows until its
// caption fits on one line, and the window grows with the row.
void Tpreviewdlg::ArrangeButtons() {
    const std::vector<QRect> row =
        ButtonRow({QRect(8, 8, 130, 43), QRect(148, 8, 129, 43), QRect(284, 8, 129, 43)},
                  {print_btn->sizeHint().width(), saveimg_btn->OneLineWidth(),
                   usb_btn->OneLineWidth()});
    print_btn->setGeometry(row[0]);
    saveimg_btn->setGeometry(row[1]);
    usb_btn->setGeometry(row[2]);
    m_windowWidth = std::max(kWindowWidth, row.back().right() + 1 + kRowEndMargin);
}

// On a small or densely scaled screen the designed window is taller than the screen: the
// page view gets shorter, the buttons stay as they are.
void Tpreviewdlg::FitToScreen() {
    const QWidget* anchor = parentWidget() ? parentWidget() : this;
    const QScreen* screen = anchor->screen();
    const int viewHeight =
        screen ? FittedViewHeight(screen->availableGeometry().height(), kFrameAllowance)
               : kViewHeight;
    setFixedSize(m_windowWidth, kViewTop + viewHeight + kViewBottomMargin);
    // A shorter view keeps the designed proportions, centred, so that the page fills it
    // instead of leaving its right part empty; so does a window widened for its buttons.
    const int viewWidth =
        std::min(kViewWidth, int(std::lround(double(viewHeight) * kViewWidth / kViewHeight)));
    img->setGeometry(3 + (kViewWidth - viewWidth) / 2 + (m_windowWidth - kWindowWidth) / 2,
                     kViewTop, viewWidth, viewHeight);
    MirrorChildren(this, isRightToLeft());
}

// The program's own files are never replaced by a sheet, and an existing file only when the
// user says so.
bool Tpreviewdlg::MayWrite(const QString& name) {
    const QString data = DataFolder(m_platform.programFile, kAppTitle, *m_platform.folders);
    for (const QString& own :
         {kAppTitle + QStringLiteral(".jpg"), kAppTitle + QStringLiteral(".log")})
        if (SameFile(name, data + own))
            throw AppError(QStringLiteral("\"%1\" is a file the program keeps for itself. Please "
                                          "choose another name.")
                               .arg(QDir::toNativeSeparators(name)));
    // Another user's link is never written through, so it is not worth a question.
    const LinkChain chain = FollowLinks(name);
    if (chain.foreign)
        throw AppError(ForeignLinkText(name));
    // A link, even one leading nowhere, is an existing file: replacing it writes through it,
    // so the question says where to.
    if (!NameTaken(name) || QFileInfo(name).isDir())
        return true;
    QString question =
        Translate(QString::fromLatin1(kExists)).arg(Isolated(QDir::toNativeSeparators(name)));
    if (chain.link)
        question += QLatin1Char('\n') + Translate(QString::fromLatin1(kLinkTo))
                                             .arg(Isolated(QDir::toNativeSeparators(chain.end)));
    question += QLatin1Char('\n') + Translate(QString::fromLatin1(kReplace));
    // Enter answers No: a key pressed out of habit never replaces a file.
    return MsgBox(*m_platform.messages, this, question, 1, 1, MsgNo) == MsgYes;
}

void Tpreviewdlg::saveimg_btnClick() {
    QString title = saveimg_btn->text();
    m_saveDialog->setTitle(title.remove(QLatin1Char('&')));
    if (!m_saveDialog->Execute())
        return;
    const QString name = SaveName(m_saveDialog->FileName());
    m_saveDialog->setFileName(name);
    if (!MayWrite(name))
        return;
    SaveJpeg(PageImage(), name, 90, m_pageDpi);
    MsgBox(*m_platform.messages, this, Translate(QString::fromLatin1(kDone)), 0, 4);
    m_platform.shell->openLocalPath(name);
    reject();
}

void Tpreviewdlg::usb_btnClick() {
    if (!m_drive)
        return;
    // Copied: the list may change while a message is shown.
    RemovableDrive drive = *m_drive;
    if (drive.rootPath.isEmpty()) {
        const DriveOutcome mounted = m_platform.drives->mount(drive);
        if (mounted.kind != DriveOutcome::Done || mounted.rootPath.isEmpty()) {
            const QString text =
                mounted.kind == DriveOutcome::Refused
                    ? Translate(QString::fromLatin1(kMountRefused))
                    : Translate(QString::fromLatin1(kMountFailed)).arg(mounted.detail);
            ShowErrorMessage(*m_platform.messages, this, text);
            return;
        }
        drive.rootPath = m_usbPath = mounted.rootPath;
    }
    // A drive pulled out or full half-way leaves the old "Quillmark.jpg", never a
    // truncated one. Nobody was asked about this name: a link found there is replaced, and
    // the file it points to (perhaps one of the user's own) stays as it is.
    SaveJpeg(PageImage(), QDir(m_usbPath).filePath(QStringLiteral("Quillmark.jpg")), 90, m_pageDpi,
             TSafeFile::Links::Replace);
    MsgBox(*m_platform.messages, this, Translate(QString::fromLatin1(kDone)), 0, 4);
    if (!OfferEject(drive))
        m_platform.shell->openLocalPath(m_usbPath);
    reject();
}

// Asks whether to take the stick off now, unless the user asked to keep the answer, and does
// so. True when the user chose to eject: the folder is then not shown.
bool Tpreviewdlg::OfferEject(const RemovableDrive& drive) {
    if (!m_platform.drives->canEject(drive))
        return false;
    QString kept;
    bool eject = false;
    if (m_platform.settings &&
        m_platform.settings->readString(kProgramKey, QLatin1String(kEjectValue), kept) &&
        (kept == QLatin1String("1") || kept == QLatin1String("0"))) {
        eject = kept == QLatin1String("1");
    } else {
        bool keep = false;
        eject = MsgBoxChecked(*m_platform.messages, this,
                              Translate(QString::fromLatin1(kEjectQuestion)), 1, 3, MsgYes,
                              Translate(QString::fromLatin1(kDoNotAsk)), keep) == MsgYes;
        if (keep && m_platform.settings)
            m_platform.settings->writeString(kProgramKey, QLatin1String(kEjectValue),
                                             eject ? QStringLiteral("1") : QStringLiteral("0"));
    }
    if (!eject)
        return false;
    const DriveOutcome outcome = m_platform.drives->eject(drive);
    if (outcome.kind == DriveOutcome::Done)
        MsgBox(*m_platform.messages, this, Translate(QString::fromLatin1(kRemoveStick)), 0, 4);
    else if (outcome.kind == DriveOutcome::Busy)
        MsgBox(*m_platform.messages, this, Translate(QString::fromLatin1(kStickBusy)), 0, 1);
    else
        MsgBox(*m_platform.messages, this,
               Translate(QString::fromLatin1(kEjectFailed)).arg(outcome.detail), 0, 1);
    return true;
}
