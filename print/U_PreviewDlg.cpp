#include "U_PreviewDlg.h"

Tpreviewdlg::Tpreviewdlg(PlatformServices& platform, QWidget* parent)
    : QDialog(parent), m_platform(platform) {
    setObjectName(QStringLiteral("previewdlg"));
    setWindowTitle(QStringLiteral("Preview"));
    setFixedSize(427, 656);
}

void Tpreviewdlg::Bind(TTextStorage* texts, TWideOpenDialog* openDialog) {
    m_texts = texts;
    m_openDialog = openDialog;
}

bool Tpreviewdlg::Execute() {
    return exec() == QDialog::Accepted;
}
