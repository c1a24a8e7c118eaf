#pragma once

#include "ComponentList.h"
#include "Platform.h"

#include <QDialog>
#include <QImage>

class TTextStorage;
class TWideOpenDialog;

// The modal preview of the composed page: print it, save it as JPEG, or write it to a
// removable drive.
class Tpreviewdlg : public QDialog, public IComponentOwner {
    Q_OBJECT

public:
    explicit Tpreviewdlg(PlatformServices& platform, QWidget* parent = nullptr);

    // The main window's text storage and open dialog, shared with this window.
    void Bind(TTextStorage* texts, TWideOpenDialog* openDialog);

    QImage& PageImage() { return m_page; }
    // True exactly when the window was closed with "Print Now".
    bool Execute();

    QList<QObject*> Components() const override { return m_components.components(); }

private:
    PlatformServices& m_platform;
    TComponentList m_components;
    TTextStorage* m_texts = nullptr;
    TWideOpenDialog* m_openDialog = nullptr;
    QImage m_page;
};
