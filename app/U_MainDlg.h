#pragma once

// The main window: picture, format, transforms, printing and settings.

#include "app/U_Formats.h"
#include "app/U_HeadDetect.h"
#include "localization/C_LangPack.h"
#include "localization/C_TextStorage.h"
#include "localization/ComponentList.h"
#include "localization/Lang_QtTranslations.h"
#include "picture/U_Checks.h"
#include "picture/U_Backdrop.h"
#include "picture/U_Level.h"
#include "platform/Platform.h"
#include "print/U_WPrint.h"
#include "support/C_WideDialogs.h"
#include "support/U_DragDrop.h"
#include "support/U_Log.h"

#include <QMainWindow>
#include <QStringList>

#include <chrono>
#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QStatusBar;
class QThreadPool;
class TAboutDlg;
class TFrameDlg;
class TPictureView;
class TSettingsDlg;
class TTrackBar;
class Tpreviewdlg;

// The help page for a Windows language identifier: help_fr.htm, help_de.htm, help_es.htm or
// help.htm.
QString HelpPageName(int languageId);

// The main window: owner of the log, the layout engine, the working picture and the format
// list, and the place where every command starts.
class TMainDlg : public QMainWindow, public IComponentOwner {
    Q_OBJECT

public:
    explicit TMainDlg(PlatformServices& platform, QWidget* parent = nullptr);
    ~TMainDlg() override;

    // The windows created after this one, shown on demand.
    void SetWindows(TSettingsDlg* settings, Tpreviewdlg* preview, TAboutDlg* about);

    QList<QObject*> Components() const override { return m_components.components(); }

    // Start-up: the language component's first activation, then AppEvtActivate. Runs once,
    // on the first show; tests may call it directly.
    void FirstActivation();
    void AppEvtActivate();
    bool Started() const { return m_started; }

    // Command handlers.
    void format_cmbChange();
    void langueAfterLanguageSwitch();
    void UpdateCopiesRange();
    void num_trkChange();
    void normmask_chkClick();
    void open_btnClick();
    void rot_btnClick();
    void FramePhoto1Click();
    void CheckReport1Click();
    void AutoResize1Click();
    void Greyscale1Click();
    void Sepia1Click();
    void Restoreoriginalpicture1Click();
    void translate_btnClick();
    void opt_btnClick();
    void print_btnClick();
    void Exit1Click();
    void Help1Click();
    void OpenLogFile1Click();
    void About1Click();
    void FilesDropped();

    void LoadPicture(const QString& path);
    // A picture from the command line or from a second launch: loaded as a drop would be,
    // once start-up has run, with the window raised. Errors show as for the open dialog.
    void OpenPicture(const QString& path);
    void CheckAspect();
    // Cuts crop (pixels of the picture as shown) from the working copy turned as shown, makes
    // it the working copy and loads it again with the colour transform that was shown.
    // Cuts crop out of the picture as shown (fromOpened: out of the file last opened, turned
    // as shown) into the working copy.
    void ApplyFrame(const QRect& crop, bool fromOpened = false);
    // The same with a turned frame, the background replaced first (off this thread, with
    // progress) when a colour is chosen and the person is known.
    void ApplyFrame(const TurnedFrame& frame, Backdrop backdrop,
                    const std::optional<PersonSeeds>& person, bool fromOpened = false);
    // The face finder for the program, made and started once the window is up; without one
    // the framing window frames by hand and the main window logs no head size.
    void SetFaceModel(std::unique_ptr<FaceModel> model);
    FaceModel* Faces() const { return m_faceModel.get(); }
    TFrameDlg* FrameDlg() const { return m_frameDlg; }
    // The face of the picture shown, once found off this thread; empty while looking.
    const std::optional<HeadDetection>& Head() const { return m_head; }
    // How long Print Now waits for the print system to take the page.
    void SetPrintTimeLimit(std::chrono::milliseconds limit) { m_printTimeLimit = limit; }

    // State readable by tests and other windows.
    TWLog* Log() const { return m_log.get(); }
    TIDPrinter* Engine() const { return m_engine.get(); }
    const QString& WorkFile() const { return m_workFile; }
    QStringList& DroppedFiles() { return m_droppedFiles; }
    TTextStorage* MainTexts() const { return main_ts; }
    TTextStorage* MessageTexts() const { return messages_ts; }
    TLangList* Languages() const { return langue; }
    TWideOpenDialog* OpenDialog() const { return WOD; }
    const QString& DataDir() const { return m_dataFolder; }
    QString Caption() const;

    // Runs one command; an error it raises is shown once and the program goes on.
    template <typename F> void Guard(F&& command) {
        try {
            command();
        } catch (const CommandCancelled&) {
        } catch (const AppError& e) {
            ShowError(e.message());
        } catch (const std::exception& e) {
            ShowError(QString::fromLocal8Bit(e.what()));
        }
    }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void BuildMenu();
    void BuildFormatList();
    // The selected entry's label as built, never the row's drawn text.
    QString FormatLabel() const;
    void SetUpLanguage();
    void SetLanguageRoot();
    void ApplyReadingForm();
    void LogInfo(const QString& message);
    void ShowError(const QString& message);
    void Translated(const QString& text, int kind);
    void PlainMessage(const QString& englishText);
    void ShowSelectedPrinter();
    bool PrinterStartUp();
    void CloseAtStartUp();
    void SendPrintJob();
    void LoadPrintOptions();
    void SavePrintOptions();
    void GivePrintOptionTexts();

    PlatformServices& m_platform;
    TComponentList m_components;

    // Controls, named as the translation engine knows them.
    QWidget* m_client = nullptr;
    QGroupBox* preview_grp = nullptr;
    TPictureView* img = nullptr;
    QGroupBox* opt_grp = nullptr;
    QComboBox* format_cmb = nullptr;
    QLabel* num_lbl = nullptr;
    TTrackBar* num_trk = nullptr;
    QLabel* dynnum_lbl = nullptr;
    QCheckBox* normmask_chk = nullptr;
    QPushButton* translate_btn = nullptr;
    QPushButton* opt_btn = nullptr;
    QPushButton* print_btn = nullptr;
    QPushButton* JvBitBtn1 = nullptr;
    QPushButton* rot_btn = nullptr;
    QStatusBar* StatusBar = nullptr;
    QLabel* m_printerPanel = nullptr;
    QObject* AppEvt = nullptr;
    TLangList* langue = nullptr;
    TTextStorage* main_ts = nullptr;
    // The words of the program's own printer settings.
    TTextStorage* options_ts = nullptr;
    // The words of the messages that operations raise, and of the message box captions.
    TTextStorage* messages_ts = nullptr;
    TWideOpenDialog* WOD = nullptr;

    QAction* LoadPicture1 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* Rotate1 = nullptr;
    QAction* FramePhoto1 = nullptr;
    QAction* CheckReport1 = nullptr;
    QAction* AutoResize1 = nullptr;
    QAction* PrinterSettings1 = nullptr;
    QAction* Language1 = nullptr;
    QAction* Greyscale1 = nullptr;
    QAction* Sepia1 = nullptr;
    QAction* Restoreoriginalpicture1 = nullptr;
    QAction* Help1 = nullptr;
    QAction* OpenLogFile1 = nullptr;
    QAction* About1 = nullptr;

    TSettingsDlg* m_settingsDlg = nullptr;
    Tpreviewdlg* m_previewDlg = nullptr;
    TAboutDlg* m_aboutDlg = nullptr;
    TFrameDlg* m_frameDlg = nullptr;

    // Owned objects of the started window.
    std::unique_ptr<TWLog> m_log;
    QStringList m_earlyLog; // lines told before the log was made, written once it is
    std::unique_ptr<TIDPrinter> m_engine;
    QStringList m_droppedFiles;
    QString m_workFile;
    QString m_dataFolder;
    QString m_pendingPicture;
    TQtTranslations m_qtTranslations;
    bool m_activationQueued = false;
    bool m_started = false;
    // A page on its way to the printer; the window waits for it, disabled, and stays open.
    bool m_printing = false;
    bool m_loading = false; // a picture is being decoded; one handed over meanwhile waits
    std::chrono::milliseconds m_printTimeLimit{90000};

    // Picture side (U_MainDlgPicture.cpp): loading with an optional colour transform, the
    // start-up steps of the drop target and the mask layer. Declared last, the drop target
    // is revoked before the window's other members go.
    void LoadTransformed(const QString& path, QImage (*transform)(QImage));
    void ColourTransform(const QString& logText, QImage (*transform)(QImage));
    void RegisterDropTarget();
    void SetUpMaskLayer();
    std::unique_ptr<TMyWideDropTarget> m_dropTarget;

    // Framing side (U_MainDlgFrame.cpp). What the shown picture is, relative to the working
    // copy: quarter turns clockwise and the colour transform applied after loading.
    int m_quarterTurns = 0;
    QImage (*m_colourTransform)(QImage) = nullptr;
    QString m_lastOpened;      // the file the user last opened, where framing starts again
    int m_workTurns = 0;       // quarter turns of the working copy from that file
    bool m_workFramed = false; // the working copy is a framing of that file
    void RequestHead();
    void LogHead();
    const PhotoNorm* CurrentNorm() const;
    std::optional<HeadDetection> m_head;
    int m_headGeneration = 0;
    // The checks of the last framing, for the report; cleared when the picture changes.
    std::vector<CheckResult> m_checks;
    QString m_checksVerdict, m_checksFormat, m_checksNormSource;
    std::unique_ptr<FaceModel> m_faceModel;
    // Declared after the model: its destruction waits for the detections that read it.
    std::unique_ptr<QThreadPool> m_workers;
};
