// Program start: the command line, the one running program per user, the application,
// its four windows in order, and the event loop.
#include "resources/Artwork.h"
#include "platform/Platform.h"
#include "platform/SingleInstance.h"
#include "app/U_CommandLine.h"
#include "app/U_MainDlg.h"
#include "support/U_MsgDlg.h"
#include "print/U_PreviewDlg.h"
#include "platform/U_SafeWrite.h"
#include "localization/U_SettingsDlg.h"
#include "about/U_about.h"
#include "platform/SettingsStore.h"
#include "platform/U_LocalFiles.h"
#include "support/U_OrrinUtils.h"
#include "app/U_Formats.h"
#include "app/U_FrameApply.h"
#include "picture/U_FaceFinder.h"
#include "support/U_QMKSUtils.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

// Temporary files of writes that a kill cut short, from earlier runs only, in the program's
// own folders only.
void RemoveLeftovers(PlatformServices& platform, const QDateTime& started) {
    const QString data = DataFolder(platform.programFile, kAppTitle, *platform.folders);
    const QString settings = QFileInfo(defaultSettingsFile()).absolutePath();
    for (const QString& folder : {data, settings, PrivateRuntimeFolder()})
        if (IsPrivateFolderPath(folder))
            RemoveStaleTemporaries(folder, started);
    // Own folders that had to move: said once, on the terminal.
    for (const QString& note : OwnFolderNotes())
        std::fprintf(stderr, "%s\n", note.toLocal8Bit().constData());
}

// --check and --frame: no window and no display, the same face finder, norms and framing as
// the window.
int CheckPicture(int argc, char* argv[], const CommandLine& line) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(kAppTitle);
    int format = line.checkFormat;
    if (format < 0) {
        QString saved = ReadSetting(*createUserSettingsStore(), QStringLiteral("PicFormatIdx"));
        format = saved.isEmpty() ? kDefaultFormatIndex : ParseIndexSetting(saved);
        if (format < 0 || format >= kFormatCount)
            format = 0;
    }
    QTextStream out(stdout);
    if (!line.frame)
        return RunCheck(line.pictures, format, FaceModel::DefaultPredictorFile(), out);
    const QString key = line.background.isEmpty()
                            ? ReadSetting(*createUserSettingsStore(), kBackdropSetting)
                            : line.background;
    return RunFrame(line.picture, format, BackdropFromKey(key).value_or(kDefaultBackdrop),
                    line.output, FaceModel::DefaultPredictorFile(), out);
}

} // namespace

int main(int argc, char* argv[]) {
    const QDateTime started = QDateTime::currentDateTime();
    // Answered before the toolkit starts, so they work without a display.
    QStringList raw;
    for (int i = 1; i < argc; ++i)
        raw << QString::fromLocal8Bit(argv[i]);
    const CommandLine early = ParseCommandLine(raw);
    if (const auto answer = AnswerEarly(early, QStringLiteral(QM_VERSION))) {
        std::fputs(answer->out.toLocal8Bit().constData(), stdout);
        std::fputs(answer->err.toLocal8Bit().constData(), stderr);
        return answer->status;
    }
    if (early.check || early.frame)
        return CheckPicture(argc, argv, early);

    IgnoreFileSizeSignal();
    QApplication app(argc, argv);
    QApplication::setApplicationName(kAppTitle);
    // No display name: the toolkit would append it to every window title.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.brindlewood.Quillmark"));
    QApplication::setWindowIcon(ProgramIcon());

    // The toolkit has taken its own options out of argv by now. The names are kept as the
    // bytes they are, so that a file whose name is not UTF-8 still opens.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << PathFromLocal8Bit(argv[i]);
    QString picture = ParseCommandLine(arguments).picture;
    if (!picture.isEmpty())
        picture = QFileInfo(picture).absoluteFilePath();

    // A second start hands its picture over and ends before it writes any shared file.
    SingleInstance instance(SingleInstance::DefaultSocketPath());
    switch (instance.Claim(picture)) {
    case SingleInstance::Role::HandedOver:
        // The base language file is written by the program that starts; the running one
        // never sees this switch, so say so rather than end as if it had been written.
        if (std::any_of(arguments.begin(), arguments.end(), IsLanguageSwitch)) {
            std::fputs("Quillmark is already running and did not write the base language "
                       "file: close it, then start it again with -co.\n",
                       stderr);
            return 1;
        }
        return 0;
    case SingleInstance::Role::NotAnswering:
        std::fputs("Quillmark is already running but does not answer.\n", stderr);
        return 1;
    case SingleInstance::Role::Alone:
        std::fputs("Quillmark found no folder of this user's own to meet later starts in; "
                   "each start opens its own window.\n",
                   stderr);
        break;
    case SingleInstance::Role::First:
        break;
    }

    InstallFontSubstitutes();
    QApplication::setStyle(CreateClassicStyle());

    HostPlatform host(QApplication::applicationFilePath(), arguments);
    PlatformServices& platform = host.services();
    RemoveLeftovers(platform, started);

    TMainDlg mainDlg(platform);
    auto* settingsDlg = new TSettingsDlg(&mainDlg);
    auto* previewDlg = new Tpreviewdlg(platform, &mainDlg);
    auto* aboutDlg = new TAboutDlg(*platform.shell, platform.programFile, &mainDlg);
    previewDlg->Bind(mainDlg.MainTexts(), mainDlg.MessageTexts());
    mainDlg.SetWindows(settingsDlg, previewDlg, aboutDlg);
    QObject::connect(&instance, &SingleInstance::Received, &mainDlg,
                     [&mainDlg](const QString& path) { mainDlg.OpenPicture(path); });
    if (!picture.isEmpty())
        mainDlg.OpenPicture(picture);
    mainDlg.show();
    // The face model is read once the window is up; nothing waits for it.
    QTimer::singleShot(0, &mainDlg, [&mainDlg] {
        auto model = std::make_unique<FaceModel>();
        // Quitting never waits for the model's cache to be written.
        model->abandonCacheWriteOnClose();
        mainDlg.SetFaceModel(std::move(model));
    });
    return app.exec();
}
