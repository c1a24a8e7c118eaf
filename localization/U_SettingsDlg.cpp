#include "localization/U_SettingsDlg.h"

#include "localization/Lang_langChoice.h"

TSettingsDlg::TSettingsDlg(QWidget* parent, TLangList* languages) : QDialog(parent) {
    setObjectName(QStringLiteral("SettingsDlg"));
    setWindowTitle(QStringLiteral("Settings"));
    // The system menu, a minimise box and the close box; no maximise box.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    QFont face(QStringLiteral("MS Sans Serif"));
    face.setPointSize(8);
    setFont(face);
    setFixedSize(418, 363);
    LanguageChoice1 = m_components.add(new TLanguageChoice(this), "LanguageChoice1");
    LanguageChoice1->setGeometry(8, 8, 401, 345);
    LanguageChoice1->setLanguageList(languages);
}

bool TSettingsDlg::Execute() {
    if (QWidget* owner = parentWidget())
        move(owner->frameGeometry().center() - QPoint(width() / 2, height() / 2));
    return exec() == QDialog::Accepted;
}
