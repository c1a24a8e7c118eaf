#include "app/U_MainDlg.h"

#include "about/U_about.h"
#include "app/U_FormatListView.h"
#include "app/U_FrameDlg.h"
#include "app/U_HelpWindow.h"
#include "app/U_PictureView.h"
#include "app/U_TrackBar.h"
#include "localization/Lang_Reading.h"
#include "localization/Lang_langChoice.h"
#include "localization/U_MessageTexts.h"
#include "localization/U_SettingsDlg.h"
#include "resources/Artwork.h"
#include "support/U_Accessibility.h"
#include "support/U_AppFolders.h"
#include "support/U_MsgDlg.h"
#include "support/U_OrrinUtils.h"
#include "support/U_QMKSUtils.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QThreadPool>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

constexpr int kClientWidth = 390;
constexpr int kClientHeight = 299;
constexpr int kStatusHeight = 19;

QPushButton* pictureButton(QWidget* parent, const QString& caption, Glyph glyph, QRect geometry) {
    auto* button = new QPushButton(caption, parent);
    button->setIcon(QIcon(GlyphPixmap(glyph)));
    button->setIconSize(QSize(32, 32));
    button->setGeometry(geometry);
    return button;
}

} // namespace

TMainDlg::TMainDlg(PlatformServices& platform, QWidget* parent)
    : QMainWindow(parent), m_platform(platform),
      m_qtTranslations(QLibraryInfo::path(QLibraryInfo::TranslationsPath)) {
    setObjectName(QStringLiteral("MainDlg"));
    setWindowTitle(kAppTitle);
    setWindowIcon(ProgramIcon());
    QFont face(QStringLiteral("MS Sans Serif"));
    face.setPointSize(8);
    setFont(face);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    BuildControls();
    BuildMenu();
    m_frameDlg = new TFrameDlg(this);
    m_workers = std::make_unique<QThreadPool>();
    m_workers->setMaxThreadCount(2);
    AppEvt = m_components.add(new QObject(this), "AppEvt");
    langue = m_components.add(new TLangList(this), "langue");
    langue->setFilePrefix(QStringLiteral("QKS_"));
    langue->setRegKey(QStringLiteral("Software\\Brindlewood\\Quillmark"));
    connect(langue, &TLangList::languageSwitched, this, &TMainDlg::langueAfterLanguageSwitch);
    SetUpLanguage();
    main_ts = m_components.add(new TTextStorage(QStringLiteral("main_ts"), ::MainTexts(), this),
                               "main_ts");
    options_ts = m_components.add(
        new TTextStorage(QStringLiteral("options_ts"), PrintOptionWords(), this), "options_ts");
    messages_ts = m_components.add(
        new TTextStorage(QStringLiteral("messages_ts"), ::MessageTexts(), this), "messages_ts");
    SetCaptionTranslator(
        [texts = messages_ts](const QString& caption) { return TranslateCaption(caption, texts); });
    WOD = m_components.add(new TWideOpenDialog(*m_platform.files, this, this), "WOD");
    WOD->setFilter(QStringLiteral("JPEG|*.jpg;*.jpeg"));
    setFixedSize(kClientWidth, menuBar()->sizeHint().height() + kClientHeight);
}

TMainDlg::~TMainDlg() {
    SetCaptionTranslator({});
    // Engine first, then the log, then the drop list, as the window's destruction frees them.
    m_engine.reset();
    m_log.reset();
    m_droppedFiles.clear();
}

void TMainDlg::BuildControls() {
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    m_client->setFixedSize(kClientWidth, kClientHeight - kStatusHeight);
    setCentralWidget(m_client);

    preview_grp = m_components.add(new QGroupBox(QStringLiteral("Photo"), m_client), "preview_grp");
    preview_grp->setGeometry(5, 1, 172, 224);
    img = m_components.add(new TPictureView(preview_grp), "img");
    img->setGeometry(10, 16, kDisplayWidth, 201);
    img->setPicture(PlaceholderPicture());
    img->setAccessibleName(QStringLiteral("Photo"));

    opt_grp = m_components.add(new QGroupBox(QStringLiteral("Options"), m_client), "opt_grp");
    opt_grp->setGeometry(185, 1, 200, 120);
    format_cmb = m_components.add(new QComboBox(opt_grp), "format_cmb");
    format_cmb->setGeometry(5, 14, 188, format_cmb->sizeHint().height());
    format_cmb->setMaxVisibleItems(16);
    // Typing looks for the country: every entry starts with its size.
    format_cmb->setView(new TFormatListView(format_cmb));
    OpenListOnTyping(format_cmb);
    num_lbl =
        m_components.add(new QLabel(QStringLiteral("Number of pictures :"), opt_grp), "num_lbl");
    num_lbl->move(8, 38);
    num_lbl->adjustSize();
    num_trk = m_components.add(new TTrackBar(opt_grp), "num_trk");
    num_trk->setGeometry(8, 54, 153, 34);
    dynnum_lbl = m_components.add(new QLabel(opt_grp), "dynnum_lbl");
    dynnum_lbl->setGeometry(162, 56, 32, 16);
    normmask_chk =
        m_components.add(new QCheckBox(QStringLiteral("Show norm mask"), opt_grp), "normmask_chk");
    normmask_chk->setGeometry(8, 96, 185, 17);

    translate_btn = m_components.add(
        pictureButton(m_client, QStringLiteral("Translate"), Glyph::Translate, {216, 134, 130, 43}),
        "translate_btn");
    opt_btn = m_components.add(
        pictureButton(m_client, QStringLiteral("Options"), Glyph::Options, {216, 182, 130, 43}),
        "opt_btn");
    print_btn = m_components.add(
        pictureButton(m_client, QStringLiteral("Print Now"), Glyph::Print, {216, 230, 130, 43}),
        "print_btn");
    QFont bold = print_btn->font();
    bold.setBold(true);
    print_btn->setFont(bold);
    JvBitBtn1 = m_components.add(
        pictureButton(m_client, QStringLiteral("Load Picture"), Glyph::Open, {3, 230, 130, 43}),
        "JvBitBtn1");
    rot_btn = m_components.add(
        pictureButton(m_client, QString(), Glyph::Rotate, {139, 230, 44, 43}), "rot_btn");
    SetPictureHint(rot_btn, QStringLiteral("Rotate"));

    StatusBar = m_components.add(new QStatusBar(this), "StatusBar");
    StatusBar->setFixedHeight(kStatusHeight);
    StatusBar->setSizeGripEnabled(false);
    m_printerPanel = new QLabel(StatusBar);
    m_printerPanel->setMinimumWidth(50);
    StatusBar->addWidget(m_printerPanel, 1);
    setStatusBar(StatusBar);

    connect(format_cmb, &QComboBox::activated, this,
            [this] { Guard([this] { format_cmbChange(); }); });
    connect(num_trk, &QSlider::valueChanged, this, [this] { Guard([this] { num_trkChange(); }); });
    connect(normmask_chk, &QCheckBox::clicked, this,
            [this] { Guard([this] { normmask_chkClick(); }); });
    connect(translate_btn, &QPushButton::clicked, this,
            [this] { Guard([this] { translate_btnClick(); }); });
    connect(opt_btn, &QPushButton::clicked, this, [this] { Guard([this] { opt_btnClick(); }); });
    connect(print_btn, &QPushButton::clicked, this,
            [this] { Guard([this] { print_btnClick(); }); });
    connect(JvBitBtn1, &QPushButton::clicked, this, [this] { Guard([this] { open_btnClick(); }); });
    connect(rot_btn, &QPushButton::clicked, this, [this] { Guard([this] { rot_btnClick(); }); });
}

void TMainDlg::BuildMenu() {
    auto* bar = m_components.add(new QMenuBar(this), "MainMenu");
    setMenuBar(bar);
    auto command = [this](QMenu* menu, const char* name, const QString& caption,
                          const QKeySequence& keys, void (TMainDlg::*handler)()) {
        QAction* action = m_components.add(menu->addAction(caption), name);
        if (!keys.isEmpty())
            action->setShortcut(keys);
        connect(action, &QAction::triggered, this,
                [this, handler] { Guard([this, handler] { (this->*handler)(); }); });
        return action;
    };
    QMenu* file = m_components.add(bar->addMenu(QStringLiteral("File")), "File1");
    LoadPicture1 = command(file, "LoadPicture1", QStringLiteral("Load Picture..."),
                           QKeySequence(QStringLiteral("Ctrl+O")), &TMainDlg::open_btnClick);
    CheckReport1 = command(file, "CheckReport1", QStringLiteral("Check report..."), {},
                           &TMainDlg::CheckReport1Click);
    Exit1 = command(file, "Exit1", QStringLiteral("Exit"), QKeySequence(QStringLiteral("Ctrl+Q")),
                    &TMainDlg::Exit1Click);
    QMenu* image = m_components.add(bar->addMenu(QStringLiteral("Image")), "Image1");
    Rotate1 = command(image, "Rotate1", QStringLiteral("Rotate"),
                      QKeySequence(QStringLiteral("Ctrl+R")), &TMainDlg::rot_btnClick);
    FramePhoto1 = command(image, "FramePhoto1", QStringLiteral("Frame Photo..."),
                          QKeySequence(QStringLiteral("Ctrl+F")), &TMainDlg::FramePhoto1Click);
    AutoResize1 = command(image, "AutoResize1", QStringLiteral("Auto Resize"),
                          QKeySequence(QStringLiteral("Ctrl+A")), &TMainDlg::AutoResize1Click);
    AutoResize1->setCheckable(true);
    // The handler flips the tick itself, so the toolkit's own toggle is undone first.
    disconnect(AutoResize1, &QAction::triggered, this, nullptr);
    connect(AutoResize1, &QAction::triggered, this, [this] {
        AutoResize1->setChecked(!AutoResize1->isChecked());
        Guard([this] { AutoResize1Click(); });
    });
    QMenu* options = m_components.add(bar->addMenu(QStringLiteral("Options")), "Options1");
    PrinterSettings1 = command(options, "PrinterSettings1", QStringLiteral("Printer Settings"),
                               QKeySequence(QStringLiteral("Ctrl+P")), &TMainDlg::opt_btnClick);
    Language1 = command(options, "Language1", QStringLiteral("Language"),
                        QKeySequence(QStringLiteral("Ctrl+S")), &TMainDlg::translate_btnClick);
    QMenu* transform = m_components.add(options->addMenu(QStringLiteral("Transform")), "ransform1");
    Greyscale1 = command(transform, "Greyscale1", QStringLiteral("Greyscale"),
                         QKeySequence(QStringLiteral("Ctrl+G")), &TMainDlg::Greyscale1Click);
    Sepia1 = command(transform, "Sepia1", QStringLiteral("Sepia"),
                     QKeySequence(QStringLiteral("Ctrl+H")), &TMainDlg::Sepia1Click);
    m_components.add(transform->addSeparator(), "N2");
    Restoreoriginalpicture1 =
        command(transform, "Restoreoriginalpicture1", QStringLiteral("Restore original picture"),
                QKeySequence(), &TMainDlg::Restoreoriginalpicture1Click);
    QMenu* help = m_components.add(bar->addMenu(QStringLiteral("?")), "N1");
    Help1 = command(help, "Help1", QStringLiteral("Help"), QKeySequence(Qt::Key_F1),
                    &TMainDlg::Help1Click);
    OpenLogFile1 = command(help, "OpenLogFile1", QStringLiteral("Open &Log File"),
                           QKeySequence(QStringLiteral("Ctrl+L")), &TMainDlg::OpenLogFile1Click);
    About1 =
        command(help, "About1", QStringLiteral("About"), QKeySequence(), &TMainDlg::About1Click);
}

void TMainDlg::SetWindows(TSettingsDlg* settings, Tpreviewdlg* preview, TAboutDlg* about) {
    m_settingsDlg = settings;
    m_previewDlg = preview;
    m_aboutDlg = about;
    SetLanguageRoot();
    // The settings window's chooser shows and drives this window's language component.
    if (settings) {
        settings->Chooser()->setLanguageList(langue);
        connect(settings->Chooser(), &TLanguageChoice::switchFailed, this,
                [this](const QString& message) { ShowError(message); });
    }
}

QString TMainDlg::Caption() const {
    return kAppTitle + QStringLiteral(" v") + FileVersionString(m_platform.programFile);
}

void TMainDlg::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // Any hook that fires once after the first show serves; it also works with no window
    // manager, where no activation event may ever come.
    if (!m_activationQueued) {
        m_activationQueued = true;
        if (const QScreen* screen = this->screen())
            move(screen->availableGeometry().center() - frameGeometry().center() + pos());
        QTimer::singleShot(0, this, [this] { FirstActivation(); });
    }
}

void TMainDlg::FirstActivation() {
    m_activationQueued = true;
    if (m_started)
        return;
    // An error from the language step is shown once and the window starts in English.
    Guard([this] { langue->FirstActivation(); });
    // The switch fills the format list; without a pack it is built once in English.
    if (format_cmb->count() == 0)
        BuildFormatList();
    Guard([this] { AppEvtActivate(); });
    if (m_engine && !m_pendingPicture.isEmpty())
        OpenPicture(std::exchange(m_pendingPicture, QString()));
}

void TMainDlg::OpenPicture(const QString& path) {
    // Kept until start-up has run; dropped for good when start-up ends the program.
    if (!m_started || !m_engine || m_loading) {
        m_pendingPicture = path;
        return;
    }
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
    if (!path.isEmpty())
        Guard([this, &path] { LoadPicture(path); });
}

void TMainDlg::LogInfo(const QString& message) {
    if (m_log)
        m_log->Log(message, TWLog::Info);
    else
        m_earlyLog << message;
}

// The log keeps the message as raised, with every detail; the user reads it translated.
void TMainDlg::ShowError(const QString& message) {
    LogInfo(QStringLiteral("Error : ") +
            QString(message).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    ShowErrorMessage(*m_platform.messages, this, TranslateMessage(message, messages_ts));
}

void TMainDlg::Translated(const QString& text, int kind) {
    MsgBox(*m_platform.messages, this, main_ts->Translate(text), 0, kind);
}

void TMainDlg::PlainMessage(const QString& englishText) {
    ShowPlainMessage(*m_platform.messages, this, main_ts->Translate(englishText));
}

void TMainDlg::AppEvtActivate() {
    if (m_started)
        return;
    m_started = true;
    RegisterProgramPath(*m_platform.settings, kAppTitle, m_platform.programFile);
    setWindowTitle(Caption());
    m_workFile.clear();
    m_dataFolder = DataFolder(m_platform.programFile, kAppTitle, *m_platform.folders);
    m_log =
        std::make_unique<TWLog>(m_dataFolder + kAppTitle + QStringLiteral(".log"), false, 10000);
    LogInfo(QStringLiteral("Starting"));
    LogInfo(m_platform.programFile);
    LogInfo(windowTitle());
    LogInfo(QStringLiteral("Windows : ") + m_platform.system->osDescription());
    LogInfo(QStringLiteral("64Bits : ") + YesNo(m_platform.system->isWow64()));
    LogInfo(QStringLiteral("Administrator : ") + YesNo(m_platform.system->isAdministrator()));
    if (m_platform.drives && !m_platform.drives->sourceName().isEmpty())
        LogInfo(QStringLiteral("Drives : ") + m_platform.drives->sourceName());
    if (!m_platform.arguments.isEmpty())
        LogInfo(m_platform.arguments.constFirst());
    // What the language step and its errors said before the log existed.
    for (const QString& early : std::exchange(m_earlyLog, {}))
        LogInfo(early);
    LoadPrintOptions();
    if (!PrinterStartUp())
        return;
    RegisterDropTarget();
    SetUpMaskLayer();
    UpdateCopiesRange();
    AutoResize1Click();
    QString saved = ReadSetting(*m_platform.settings, QStringLiteral("PicFormatIdx"));
    // Never chosen: the user's own country when the catalogue has it.
    if (saved.isEmpty())
        saved = QString::number(DefaultFormatFor(QLocale().territory()));
    format_cmb->setCurrentIndex(ParseIndexSetting(saved));
    if (format_cmb->currentIndex() < 0)
        format_cmb->setCurrentIndex(0);
    format_cmbChange();
}

void TMainDlg::CloseAtStartUp() {
    Translated(
        QStringLiteral("No printer found ! Quillmark needs at least a printer to be present. "
                       "Please install a printer and reload."),
        2);
    close();
}

void TMainDlg::BuildFormatList() {
    int remembered = format_cmb->currentIndex();
    format_cmb->clear();
    // A label is read left to right in any window: "35 x 45 mm (France)", whole.
    const bool rightToLeft = QGuiApplication::isRightToLeft();
    for (const FormatEntry& entry : FormatCatalogue()) {
        const QString label = QString::fromUtf8(entry.prefix) +
                              main_ts->Translate(QString::fromUtf8(entry.country)) +
                              QLatin1Char(')');
        format_cmb->addItem(rightToLeft ? IsolatedLeftToRight(label) : label, label);
    }
    format_cmb->setCurrentIndex(remembered);
    if (format_cmb->currentIndex() < 0)
        format_cmb->setCurrentIndex(0);
    // The popup as wide as its longest entry, with room for its scroll bar.
    QAbstractItemView* view = format_cmb->view();
    int widest = 0;
    for (int i = 0; i < format_cmb->count(); ++i)
        widest = std::max(widest, view->fontMetrics().horizontalAdvance(format_cmb->itemText(i)));
    view->setMinimumWidth(widest + view->verticalScrollBar()->sizeHint().width() +
                          4 * view->frameWidth() + 16);
}

void TMainDlg::langueAfterLanguageSwitch() {
    setWindowTitle(Caption());
    GivePrintOptionTexts();
    // Qt's own buttons and dialogs follow the pack just applied.
    m_qtTranslations.Apply(langue->LanguageCodeAt(langue->LanguageIndex()) & 0xFFFF);
    // The system's reasons in messages (strerror) follow too, where that locale is installed.
    SetSystemMessageLanguage(langue->LanguageCodeAt(langue->LanguageIndex()) & 0xFFFF);
    ApplyReadingForm();
    BuildFormatList(); // its rows drawn in the direction just set
}

QString TMainDlg::FormatLabel() const {
    return format_cmb->currentData(kFormatLabelRole).toString();
}

void TMainDlg::format_cmbChange() {
    // No printer engine before start-up has made it, nor after a start without printers.
    if (!m_engine)
        return;
    const QString label = FormatLabel();
    LogInfo(QStringLiteral("Selecting format : ") + label);
    PhotoFormat parsed;
    const bool ok = ParseFormatLabel(label, parsed);
    if (ok) {
        // Inch formats keep their exact size; whole millimetres would shrink 2 in to 50 mm.
        if (parsed.IsMillimetres)
            m_engine->SetPhotoSize(EngineMillimetres(parsed.LabelWidth, true),
                                   EngineMillimetres(parsed.LabelHeight, true));
        else
            m_engine->SetPhotoSizeInches(parsed.LabelWidth, parsed.LabelHeight);
        img->resize(kDisplayWidth, DisplayHeight(parsed));
    } else {
        PlainMessage(
            QStringLiteral("Unable to determine picture format. Please contact tech. support."));
        LogInfo(QStringLiteral("Unable to determine picture format."));
    }
    const bool atMax = num_trk->Position() == num_trk->Max();
    num_trk->SetMax(m_engine->Capacity());
    if (atMax)
        num_trk->SetPosition(num_trk->Max());
    CheckAspect();
    WriteSettingInt(*m_platform.settings, QStringLiteral("PicFormatIdx"),
                    format_cmb->currentIndex());
    normmask_chk->setEnabled(MaskAvailable(parsed));
    normmask_chkClick();
    LogHead();
}

void TMainDlg::translate_btnClick() {
    if (m_settingsDlg)
        m_settingsDlg->Execute();
}

void TMainDlg::Exit1Click() {
    close();
}

// The page in the language shown, when one was written for it; else the English one.
QString HelpPageName(int languageId) {
    switch (languageId & 0x3FF) {
    case 0x0C:
        return QStringLiteral("help_fr.htm");
    case 0x07:
        return QStringLiteral("help_de.htm");
    case 0x0A:
        return QStringLiteral("help_es.htm");
    default:
        return QStringLiteral("help.htm");
    }
}

void TMainDlg::Help1Click() {
    const int index = langue->LanguageIndex();
    QString page = FindProgramFile(m_platform.programFile,
                                   HelpPageName(index >= 0 ? langue->LanguageCodeAt(index) : 0));
    if (!QFileInfo::exists(page))
        page = FindProgramFile(m_platform.programFile, QStringLiteral("help.htm"));
    // A missing page shows nothing; one that no program on the desktop opens is shown here.
    if (m_platform.shell->openLocalPath(page) || !QFileInfo::exists(page))
        return;
    ShowHelpWindow(this, page, Help1->text().remove(QLatin1Char('&')), *m_platform.shell);
}

void TMainDlg::OpenLogFile1Click() {
    if (m_log)
        m_platform.shell->openLocalPath(m_log->FileName());
}

void TMainDlg::About1Click() {
    if (m_aboutDlg)
        m_aboutDlg->Execute();
}
