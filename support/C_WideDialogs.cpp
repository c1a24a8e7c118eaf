#include "support/C_WideDialogs.h"

#include "platform/FileChooser.h"

#include <QApplication>
#include <QFileInfo>
#include <QScreen>
#include <QWidget>

TWideOpenDialog::TWideOpenDialog(IFileChooser& chooser, QWidget* owner, QObject* parent)
    : QObject(parent), m_chooser(chooser), m_owner(owner) {}

void TWideOpenDialog::setInitialDir(const QString& dir) {
    QString value = dir;
    const bool trailing = value.endsWith(QLatin1Char('\\')) || value.endsWith(QLatin1Char('/'));
    if (trailing && value.size() > 1 && value.at(value.size() - 2) != u':')
        value.chop(1);
    m_initialDir = value;
}

QStringList TWideOpenDialog::ToNameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts.at(i + 1);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        result.append(parts.at(i) + QStringLiteral(" (") + patterns.trimmed() + QLatin1Char(')'));
    }
    return result;
}

QPoint TWideOpenDialog::Placement(const QRect& monitor, const QSize& dialog) {
    return QPoint(monitor.left() + (monitor.width() - dialog.width()) / 2,
                  monitor.top() + (monitor.height() - dialog.height()) / 3);
}

QRect TWideOpenDialog::monitorGeometry() const {
    // The monitor of the active window, else of the owner's window, else the first one.
    const QWidget* shown = QApplication::activeWindow();
    if (shown == nullptr && m_owner != nullptr)
        shown = m_owner->window();
    const QScreen* screen = shown != nullptr ? shown->screen() : nullptr;
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->geometry() : QRect();
}

bool TWideOpenDialog::Execute() {
    FileChooserRequest request;
    request.owner = m_owner;
    request.title = m_title;
    request.initialDir = m_initialDir;
    request.fileName = m_fileName;
    request.nameFilters = ToNameFilters(m_filter);
    request.filterIndex = m_filterIndex - 1;
    request.defaultSuffix = m_defaultExt;
    if (request.defaultSuffix.isEmpty() && m_options.testFlag(ofOldStyleDialog))
        request.defaultSuffix = QFileInfo(m_fileName).suffix();
    request.mustExist = !m_save && m_options.testFlag(ofFileMustExist);
    request.save = m_save;
    request.multiple = m_options.testFlag(ofAllowMultiSelect);
    request.showHidden = m_options.testFlag(ofForceShowHidden);
    request.resolveSymlinks = !m_options.testFlag(ofNoDereferenceLinks);
    request.placesBar = !m_optionsEx.testFlag(ofExNoPlacesBar);
    const QRect monitor = monitorGeometry();
    if (monitor.isValid())
        request.placement = [monitor](const QSize& size) { return Placement(monitor, size); };

    m_files.clear();
    if (OnShow)
        OnShow();
    const auto answer = m_chooser.chooseFile(request);
    if (OnClose)
        OnClose();
    if (!answer || answer->path.isEmpty())
        return false;
    m_files = answer->paths.isEmpty() ? QStringList{answer->path} : answer->paths;
    m_fileName = m_files.constFirst();
    m_filterIndex = answer->filterIndex + 1;
    const QString suffix = QFileInfo(m_fileName).suffix();
    m_options.setFlag(ofExtensionDifferent,
                      !m_defaultExt.isEmpty() &&
                          suffix.compare(m_defaultExt, Qt::CaseInsensitive) != 0);
    return true;
}
