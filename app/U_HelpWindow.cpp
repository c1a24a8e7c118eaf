#include "app/U_HelpWindow.h"

#include "platform/Shell.h"

#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QTextBrowser>
#include <QVBoxLayout>

HelpLink ClassifyHelpLink(const QUrl& link, const QString& helpFolder) {
    const QString scheme = link.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
        scheme == QLatin1String("mailto"))
        return HelpLink::Desktop;
    if (!link.isLocalFile())
        return HelpLink::Refuse;
    // Resolved through links, so that a planted link cannot lead out of the folder either.
    const QString file = QFileInfo(link.toLocalFile()).canonicalFilePath();
    const QString folder = QFileInfo(helpFolder).canonicalFilePath();
    return !file.isEmpty() && !folder.isEmpty() && file.startsWith(folder + QLatin1Char('/'))
               ? HelpLink::Follow
               : HelpLink::Refuse;
}

QWidget* ShowHelpWindow(QWidget* parent, const QString& page, const QString& title, IShell& shell) {
    auto* window = new QDialog(parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(title);
    auto* browser = new QTextBrowser(window);
    browser->setOpenLinks(false);
    const QString folder = QFileInfo(page).absolutePath();
    QObject::connect(browser, &QTextBrowser::anchorClicked, browser,
                     [browser, folder, &shell](const QUrl& clicked) {
                         const QUrl link = browser->source().resolved(clicked);
                         switch (ClassifyHelpLink(link, folder)) {
                         case HelpLink::Follow:
                             browser->setSource(link);
                             break;
                         case HelpLink::Desktop:
                             shell.openAddress(link.toString());
                             break;
                         case HelpLink::Refuse:
                             break;
                         }
                     });
    browser->setSource(QUrl::fromLocalFile(page));
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser);
    window->resize(640, 560);
    window->show();
    return window;
}
