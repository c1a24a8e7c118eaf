#pragma once

// Pictures dropped on a window from a file manager.

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>

class QWidget;

// The drop target of a window: drags that carry local files are accepted, anything else
// (plain text, web links) is refused with the no-drop pointer. A drop appends the full
// paths, in the order the desktop gives them, to the file list and then calls OnDrop; the
// receiver clears the list after reading it.
class TMyWideDropTarget : public QObject {
    Q_OBJECT

public:
    using DropEvent = std::function<void(TMyWideDropTarget& target)>;
    using DragOverEvent = std::function<void(TMyWideDropTarget& target, const QPoint& position)>;

    TMyWideDropTarget(QWidget* window, QStringList& files, DragOverEvent onDragOver,
                      DropEvent onDrop);
    // Revokes the registration: the window accepts no more drops.
    ~TMyWideDropTarget() override;

    // Called after a drop has added at least one name to the list.
    DropEvent OnDrop;
    // Called on every drag-over that allows copying, with the pointer in window coordinates.
    DragOverEvent OnDragOver;
    // Whether the current drag offers local file names (set at every drag enter).
    bool HasFileList = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_window;
    QStringList& m_files;
};

// Makes window a drop target filling files; nothing when there is no window. Destroying the
// target revokes it; it must not outlive the window or the list.
std::unique_ptr<TMyWideDropTarget> CreateDropTarget(QWidget* window, QStringList& files,
                                                    TMyWideDropTarget::DragOverEvent onDragOver,
                                                    TMyWideDropTarget::DropEvent onDrop);
