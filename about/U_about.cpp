#include "about/U_about.h"

#include "resources/Artwork.h"
#include "localization/C_TextStorage.h"
#include "platform/Shell.h"
#include "support/U_MsgDlg.h"
#include "support/U_OrrinUtils.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

const char* const TAboutDlg::kEmailAddress = "mailto:contact@example.com";
const char* const TAboutDlg::kWebAddress = "https://www.example.com/";
const char* const TAboutDlg::kForumAddress = "https://www.example.com/forum/";

TAboutDlg::TAboutDlg(IShell& shell, const QString& programFile, QWidget* parent)
    : QDialog(parent), m_shell(shell), m_programFile(programFile) {
    setObjectName(QStringLiteral("AboutDlg"));
    QFont face(QStringLiteral("MS Sans Serif"));
    face.setPointSize(8);
    setFont(face);
    setWindowIcon(ProgramIcon());
    // Minimise and close boxes, no maximise.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(389, 285);

    auto* Image1 = m_components.add(new QLabel(this), "Image1");
    Image1->setPixmap(QPixmap::fromImage(AboutBanner()));
    Image1->setGeometry(0, 0, 388, 96);
    auto* all_grp = m_components.add(new QGroupBox(this), "all_grp");
    all_grp->setGeometry(1, 97, 384, 184);
    auto* Application_grp =
        m_components.add(new QGroupBox(QStringLiteral("Application"), all_grp), "Application_grp");
    Application_grp->setGeometry(5, 12, 249, 53);
    appname_lbl = m_components.add(
        new QLabel(QStringLiteral("Application name :"), Application_grp), "appname_lbl");
    appname_lbl->move(8, 16);
    version_lbl =
        m_components.add(new QLabel(QStringLiteral("Version :"), Application_grp), "version_lbl");
    version_lbl->move(8, 32);
    auto* brindlewood_grp =
        m_components.add(new QGroupBox(QStringLiteral("Brindlewood"), all_grp), "brindlewood_grp");
    brindlewood_grp->setGeometry(260, 12, 113, 117);
    auto* email_btn =
        m_components.add(new QPushButton(QStringLiteral("Email"), brindlewood_grp), "email_btn");
    email_btn->setGeometry(8, 16, 97, 28);
    auto* web_btn =
        m_components.add(new QPushButton(QStringLiteral("Web Site"), brindlewood_grp), "web_btn");
    web_btn->setGeometry(8, 48, 97, 28);
    auto* forum_btn =
        m_components.add(new QPushButton(QStringLiteral("Forums"), brindlewood_grp), "forum_btn");
    forum_btn->setGeometry(8, 80, 97, 28);
    auto* ok_btn = m_components.add(new QPushButton(QStringLiteral("Ok"), all_grp), "ok_btn");
    ok_btn->setGeometry(274, 139, 81, 33);
    ok_btn->setDefault(true);
    TS_about = m_components.add(
        new TTextStorage(QStringLiteral("TS_about"),
                         {QStringLiteral("About"), QStringLiteral("Application Name :"),
                          QStringLiteral("Version :"), QStringLiteral("unused")},
                         this),
        "TS_about");

    connect(email_btn, &QPushButton::clicked, this, &TAboutDlg::email_btnClick);
    connect(web_btn, &QPushButton::clicked, this, &TAboutDlg::web_btnClick);
    connect(forum_btn, &QPushButton::clicked, this, &TAboutDlg::forum_btnClick);
    connect(ok_btn, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutDlg::FillTexts() {
    setWindowTitle(TS_about->Translate(QStringLiteral("About")) + QLatin1Char(' ') + kAppTitle);
    appname_lbl->setText(TS_about->Translate(QStringLiteral("Application Name :")) +
                         QLatin1Char(' ') + kAppTitle);
    appname_lbl->adjustSize();
    version_lbl->setText(TS_about->Translate(QStringLiteral("Version :")) + QLatin1Char(' ') +
                         FileVersionString(m_programFile));
    version_lbl->adjustSize();
}

void TAboutDlg::Execute() {
    FillTexts();
    if (parentWidget())
        move(parentWidget()->geometry().center() - rect().center());
    exec();
}

void TAboutDlg::email_btnClick() {
    m_shell.openAddress(QLatin1String(kEmailAddress));
}

void TAboutDlg::web_btnClick() {
    m_shell.openAddress(QLatin1String(kWebAddress));
}

void TAboutDlg::forum_btnClick() {
    m_shell.openAddress(QLatin1String(kForumAddress));
}
