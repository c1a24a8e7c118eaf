#include "support/U_DragDrop.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include <algorithm>

namespace {

bool offersLocalFiles(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls())
        return false;
    const QList<QUrl> urls = data->urls();
    return std::any_of(urls.cbegin(), urls.cend(), [](const QUrl& url) {
        return url.isLocalFile() && !url.toLocalFile().isEmpty();
    });
}

} // namespace

TMyWideDropTarget::TMyWideDropTarget(QWidget* window, QStringList& files, DragOverEvent onDragOver,
                                     DropEvent onDrop)
    : OnDrop(std::move(onDrop)), OnDragOver(std::move(onDragOver)), m_window(window),
      m_files(files) {
    window->setAcceptDrops(true);
    window->installEventFilter(this);
}

TMyWideDropTarget::~TMyWideDropTarget() {
    if (m_window) {
        m_window->removeEventFilter(this);
        m_window->setAcceptDrops(false);
    }
}

bool TMyWideDropTarget::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_window)
        return false;
    switch (event->type()) {
    case QEvent::DragEnter: {
        auto* enter = static_cast<QDragEnterEvent*>(event);
        HasFileList = offersLocalFiles(enter->mimeData());
        if (HasFileList)
            enter->acceptProposedAction();
        else
            enter->ignore();
        return true;
    }
    case QEvent::DragMove: {
        auto* move = static_cast<QDragMoveEvent*>(event);
        if (HasFileList && move->possibleActions().testFlag(Qt::CopyAction)) {
            if (OnDragOver)
                OnDragOver(*this, move->position().toPoint());
            move->setDropAction(Qt::CopyAction);
            move->accept();
        } else {
            move->setDropAction(Qt::IgnoreAction);
            move->ignore();
        }
        return true;
    }
    case QEvent::DragLeave:
        return true;
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!offersLocalFiles(drop->mimeData())) {
            drop->ignore();
            return true;
        }
        int added = 0;
        const QList<QUrl> urls = drop->mimeData()->urls();
        for (const QUrl& url : urls) {
            const QString path = url.isLocalFile() ? url.toLocalFile() : QString();
            if (path.isEmpty())
                continue;
            m_files.append(path);
            ++added;
        }
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        if (added > 0 && OnDrop)
            OnDrop(*this);
        return true;
    }
    default:
        return false;
    }
}

std::unique_ptr<TMyWideDropTarget> CreateDropTarget(QWidget* window, QStringList& files,
                                                    TMyWideDropTarget::DragOverEvent onDragOver,
                                                    TMyWideDropTarget::DropEvent onDrop) {
    if (window == nullptr)
        return nullptr;
    return std::make_unique<TMyWideDropTarget>(window, files, std::move(onDragOver),
                                               std::move(onDrop));
}
