// The main window's language component: what it needs of the system, and the windows it
// translates.
#include "localization/Lang_Charset.h"
#include "localization/Lang_QtComponent.h"
#include "localization/Lang_Reading.h"
#include "support/U_AppFolders.h"
#include "app/U_MainDlg.h"
#include "support/U_MsgDlg.h"
#include "support/U_OrrinUtils.h"
#include "print/U_PreviewDlg.h"
#include "localization/U_SettingsDlg.h"
#include "about/U_about.h"
#include "app/U_FrameDlg.h"

#include <QApplication>
#include <QLabel>

void TMainDlg::SetUpLanguage() {
    LangPlatform platform;
    platform.beep = [] { QApplication::beep(); };
    const QString programFile = m_platform.programFile;
    platform.programVersion = [programFile] {
        return WideFileExists(programFile) ? FileVersionString(programFile) : QString();
    };
    platform.mainWindowFont = [this](LangFont& font) {
        return MakeLangComponent(this)->GetFont(font);
    };
    platform.dataFolder = [this] {
        return DataFolder(m_platform.programFile, kAppTitle, *m_platform.folders);
    };
    platform.showError = [this](const QString& message) { ShowError(message); };
    platform.showMessage = [this](const QString& message) {
        ShowPlainMessage(*m_platform.messages, this, message);
    };
    // The packs are scanned before the log is made; LogInfo keeps such lines until then.
    platform.log = [this](const QString& message) { LogInfo(message); };
    platform.settings = m_platform.settings;
    // The build tree keeps the packs beside the program, an installed program under share/.
    platform.programFolder = LanguageFolder(m_platform.programFile);
    platform.arguments = m_platform.arguments;
    langue->SetPlatform(std::move(platform));
    SetLanguageRoot();
}

void TMainDlg::SetLanguageRoot() {
    langue->SetRoot(std::make_unique<TApplicationComponent>(
        QList<QObject*>{this, m_settingsDlg, m_previewDlg, m_aboutDlg, m_frameDlg}));
}

// Numbers with the pack's decimal separator; a Hebrew or Arabic pack turns every window, what
// each window places itself and its captions still in English right to left, and another pack
// turns them back.
void TMainDlg::ApplyReadingForm() {
    const LangHeader& pack = langue->CurrentRecord().Header;
    SetNumberLanguage(pack.languageId);
    const bool rightToLeft = RightToLeftCharset(TextCharset(pack.charset, pack.languageId));
    QApplication::setLayoutDirection(rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
    // The printer's name, set later, is Latin text that would align itself to the left.
    m_printerPanel->setAlignment(Qt::AlignAbsolute | Qt::AlignVCenter |
                                 (rightToLeft ? Qt::AlignRight : Qt::AlignLeft));
    for (QWidget* window :
         QList<QWidget*>{this, m_settingsDlg, m_previewDlg, m_aboutDlg, m_frameDlg}) {
        MirrorChildren(window, rightToLeft);
        IsolateLeftToRightCaptions(window, rightToLeft);
    }
}
