#pragma once

// The open and save dialogs as the windows use them: filters, starting folders, names.

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>

class IFileChooser;
class QWidget;

// The open dialog component: its file name persists between uses, so the next dialog is
// pre-filled with the last choice.
class TWideOpenDialog : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString FileName READ FileName WRITE setFileName)
    Q_PROPERTY(QString Filter READ Filter WRITE setFilter)
    Q_PROPERTY(int FilterIndex READ FilterIndex WRITE setFilterIndex)
    Q_PROPERTY(QString InitialDir READ InitialDir WRITE setInitialDir)
    Q_PROPERTY(QString DefaultExt READ DefaultExt WRITE setDefaultExt)
    Q_PROPERTY(QString Title READ Title WRITE setTitle)
    Q_PROPERTY(bool Ctl3D READ Ctl3D WRITE setCtl3D)
    Q_PROPERTY(int HelpContext READ HelpContext WRITE setHelpContext)

public:
    // The dialog's options, with the values of the system flags of the same meaning.
    enum TOpenOption : unsigned {
        ofReadOnly = 1,
        ofOverwritePrompt = 2,
        ofHideReadOnly = 4,
        ofNoChangeDir = 8,
        ofShowHelp = 16,
        ofNoValidate = 256,
        ofAllowMultiSelect = 512,
        ofExtensionDifferent = 1024,
        ofPathMustExist = 2048,
        ofFileMustExist = 4096,
        ofCreatePrompt = 8192,
        ofShareAware = 16384,
        ofNoReadOnlyReturn = 32768,
        ofNoTestFileCreate = 65536,
        ofNoNetworkButton = 131072,
        ofNoLongNames = 262144,
        ofOldStyleDialog = 524288,
        ofNoDereferenceLinks = 1048576,
        ofEnableIncludeNotify = 4194304,
        ofEnableSizing = 8388608,
        ofDontAddToRecent = 33554432,
        ofForceShowHidden = 268435456,
    };
    Q_DECLARE_FLAGS(TOpenOptions, TOpenOption)
    enum TOpenOptionEx : unsigned { ofExNoPlacesBar = 1 };
    Q_DECLARE_FLAGS(TOpenOptionsEx, TOpenOptionEx)

    TWideOpenDialog(IFileChooser& chooser, QWidget* owner, QObject* parent = nullptr);

    const QString& FileName() const { return m_fileName; }
    void setFileName(const QString& name) { m_fileName = name; }
    // Every chosen file; one unless ofAllowMultiSelect is set.
    const QStringList& Files() const { return m_files; }
    const QString& Filter() const { return m_filter; }
    void setFilter(const QString& filter) { m_filter = filter; }
    int FilterIndex() const { return m_filterIndex; }
    void setFilterIndex(int index) { m_filterIndex = index; }
    const QString& InitialDir() const { return m_initialDir; }
    // Drops one trailing separator, except on a root ("/", "C:\").
    void setInitialDir(const QString& dir);
    const QString& DefaultExt() const { return m_defaultExt; }
    void setDefaultExt(const QString& ext) { m_defaultExt = ext; }
    const QString& Title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }
    TOpenOptions Options() const { return m_options; }
    void setOptions(TOpenOptions options) { m_options = options; }
    TOpenOptionsEx OptionsEx() const { return m_optionsEx; }
    void setOptionsEx(TOpenOptionsEx options) { m_optionsEx = options; }
    bool Ctl3D() const { return m_ctl3D; }
    void setCtl3D(bool on) { m_ctl3D = on; }
    int HelpContext() const { return m_helpContext; }
    void setHelpContext(int context) { m_helpContext = context; }

    // Called as the dialog opens and after it closed.
    std::function<void()> OnShow;
    std::function<void()> OnClose;

    // Shows the dialog modally; true with FileName set to the choice, false on cancel
    // (FileName unchanged). Without ofFileMustExist a name that does not exist yet is
    // accepted, as "Save as image" needs.
    bool Execute();

    // "JPEG|*.jpg;*.jpeg" becomes {"JPEG (*.jpg *.jpeg)"}.
    static QStringList ToNameFilters(const QString& filter);
    // Centred horizontally, a third of the free height from the top of the monitor; both
    // divisions round toward zero.
    static QPoint Placement(const QRect& monitor, const QSize& dialog);

protected:
    bool m_save = false;

private:
    QRect monitorGeometry() const;

    IFileChooser& m_chooser;
    QWidget* m_owner;
    QString m_fileName;
    QStringList m_files;
    QString m_filter;
    int m_filterIndex = 1;
    QString m_initialDir;
    QString m_defaultExt;
    QString m_title;
    TOpenOptions m_options{ofHideReadOnly, ofEnableSizing};
    TOpenOptionsEx m_optionsEx;
    bool m_ctl3D = true;
    int m_helpContext = 0;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TWideOpenDialog::TOpenOptions)

// The same component as a save dialog: a Save button, a name that need not exist, and its
// own file name, kept apart from any open dialog's.
class TWideSaveDialog : public TWideOpenDialog {
    Q_OBJECT

public:
    TWideSaveDialog(IFileChooser& chooser, QWidget* owner, QObject* parent = nullptr)
        : TWideOpenDialog(chooser, owner, parent) {
        m_save = true;
    }
};
