// Program start: the application, its four windows in order, and the event loop.
#include "Artwork.h"
#include "Platform.h"
#include "U_MainDlg.h"
#include "U_MsgDlg.h"
#include "U_PreviewDlg.h"
#include "U_SafeWrite.h"
#include "U_SettingsDlg.h"
#include "U_about.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    IgnoreFileSizeSignal();
    QApplication app(argc, argv);
    QApplication::setApplicationName(kAppTitle);
    QApplication::setApplicationDisplayName(kAppTitle);
    QApplication::setWindowIcon(ProgramIcon());
    InstallFontSubstitutes();
    QApplication::setStyle(CreateClassicStyle());

    HostPlatform host(QApplication::applicationFilePath(), QApplication::arguments().mid(1));
    PlatformServices& platform = host.services();

    TMainDlg mainDlg(platform);
    auto* settingsDlg = new TSettingsDlg(&mainDlg);
    auto* previewDlg = new Tpreviewdlg(platform, &mainDlg);
    auto* aboutDlg = new TAboutDlg(*platform.shell, platform.programFile, &mainDlg);
    previewDlg->Bind(mainDlg.MainTexts());
    mainDlg.SetWindows(settingsDlg, previewDlg, aboutDlg);
    mainDlg.show();
    return app.exec();
}
