#pragma once

// The program's own help window, for desktops where no program opens the help page.

#include <QString>
#include <QUrl>

class IShell;
class QWidget;

// What the help window does with a link: follow it when it stays in the help folder (pages
// and anchors), hand a web or mail address to the desktop, and refuse anything else (other
// local files, other schemes).
enum class HelpLink { Follow, Desktop, Refuse };
HelpLink ClassifyHelpLink(const QUrl& link, const QString& helpFolder);

// Shows page in a window of its own (deleted on close), links handled as above.
QWidget* ShowHelpWindow(QWidget* parent, const QString& page, const QString& title, IShell& shell);
