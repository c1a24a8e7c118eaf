#include "U_SettingsDlg.h"

#include <QListWidget>

TSettingsDlg::TSettingsDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("SettingsDlg"));
    setWindowTitle(QStringLiteral("Settings"));
    QFont face(QStringLiteral("MS Sans Serif"));
    face.setPointSize(8);
    setFont(face);
    setFixedSize(418, 363);
    // Lists the language packs once they can be read; empty until then.
    LanguageChoice1 = m_components.add(new QListWidget(this), "LanguageChoice1");
    LanguageChoice1->setGeometry(8, 8, 401, 345);
}

bool TSettingsDlg::Execute() {
    return exec() == QDialog::Accepted;
}
