#pragma once

// The preview window: the page as it will print, printing, saving, the USB copy.

#include "localization/ComponentList.h"
#include "platform/Platform.h"
#include "print/U_PageCompose.h"

#include <QDialog>
#include <QImage>
#include <QPushButton>

#include <optional>
#include <vector>

class TTextStorage;
class TWideSaveDialog;

// The page scaled proportionally to the largest size that fits the view, the computed
// side rounded to the nearest integer.
QSize PreviewSize(const QSize& page, const QSize& view);
// The height of the page view that lets the preview window, with its frame, fit a screen
// whose available height is given (all in logical pixels): the designed height when it
// fits, else smaller, but never below a usable minimum.
int FittedViewHeight(int availableHeight, int frameHeight);
// Nearest-neighbour scaling: each shown pixel takes the page pixel under its centre.
QImage ScaleNearest(const QImage& page, const QSize& size);
// The name a sheet is saved under: ".jpg" is appended unless the name already ends in
// ".jpg" or ".jpeg" (any case).
QString SaveName(const QString& chosen);
// The removable drive that the preview offers: in ascending order of short name, the last
// one whose volume is readable.
std::optional<RemovableDrive> PickDrive(std::vector<RemovableDrive> drives);
// "USB", line feed, carriage return, "(", the drive's name or "label [name]", ")".
QString UsbCaption(const RemovableDrive& drive);

// The buttons of a row at their designed places, each widened to what it needs (never
// narrowed), the gaps between them kept: the ones after a widened button move along.
std::vector<QRect> ButtonRow(const std::vector<QRect>& designed, const std::vector<int>& needed);

// A push button whose caption wraps onto several lines beside its picture.
class TWrapButton : public QPushButton {
    Q_OBJECT

public:
    TWrapButton(const QString& caption, QWidget* parent);
    // The width that shows each line of the caption unbroken beside the picture.
    int OneLineWidth() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// Shows the page scaled into the view, anchored at the top-left corner.
class TPageView : public QWidget {
    Q_OBJECT

public:
    explicit TPageView(QWidget* parent);
    void showPage(const QImage& page);
    // The same for a page that exists only as its layout.
    void showLayout(const PageLayout& layout);
    const QImage& shown() const { return m_shown; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QSize deviceSize() const;
    void setShown(QImage scaled);

    QImage m_shown;
};

// The modal preview of the composed page: print it, save it as JPEG, or write it to a
// removable drive.
class Tpreviewdlg : public QDialog, public IComponentOwner {
    Q_OBJECT

public:
    explicit Tpreviewdlg(PlatformServices& platform, QWidget* parent = nullptr);

    // The main window's text storages, shared with this window: its texts and the words of
    // raised messages.
    void Bind(TTextStorage* texts, TTextStorage* messages = nullptr);
    // The dialog of "Save as image"; it remembers the last sheet saved.
    TWideSaveDialog* SaveDialog() const { return m_saveDialog; }

    // The page image; made from the layout, if one was given, on first use.
    QImage& PageImage();
    // The page as its layout: the preview shows it without making the whole page image,
    // which is made only for saving.
    void SetPageLayout(PageLayout layout);
    // The printer resolution of the page image, written into the saved JPEG files.
    void SetPageResolution(const QSize& dotsPerInch) { m_pageDpi = dotsPerInch; }
    // Scans for a removable drive, then shows the page modally. True exactly when the
    // window was closed with "Print Now". The page image is released when the window closes.
    bool Execute();

    void saveimg_btnClick();
    void usb_btnClick();

    const QString& UsbPath() const { return m_usbPath; }
    QList<QObject*> Components() const override { return m_components.components(); }

private:
    void ScanDrives();
    bool OfferEject(const RemovableDrive& drive);
    void ArrangeButtons();
    void FitToScreen();
    QString Translate(const QString& text) const;
    bool MayWrite(const QString& name);
    template <typename F> void Guard(F&& command);

    PlatformServices& m_platform;
    TComponentList m_components;
    TTextStorage* m_texts = nullptr;
    TTextStorage* m_messages = nullptr;
    // This window's own run-time texts; the rest come from the main window's.
    TTextStorage* preview_ts = nullptr;
    TWideSaveDialog* m_saveDialog = nullptr;
    QPushButton* print_btn = nullptr;
    TPageView* img = nullptr;
    TWrapButton* saveimg_btn = nullptr;
    TWrapButton* usb_btn = nullptr;
    QImage m_page;
    std::optional<PageLayout> m_layout;
    QSize m_pageDpi;
    QString m_usbPath;
    std::optional<RemovableDrive> m_drive;
    int m_windowWidth;
};
