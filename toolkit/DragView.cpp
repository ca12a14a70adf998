#include "DragView.h"

#include "platform/Log.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

const QString DragView::kTiffMimeType = QStringLiteral("image/tiff");

DragView::DragView(QWidget* parent) : QWidget(parent)
{
    setAcceptDrops(true);
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
}

DragView::DragView(const QRect& frame, QWidget* parent) : DragView(parent)
{
    setGeometry(frame);
}

QStringList DragView::localPaths(const QMimeData* data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile() && url.host().isEmpty()) {
            const QString path = url.toLocalFile();
            if (!path.isEmpty())
                paths.push_back(path);
        }
    }
    return paths;
}

bool DragView::acceptsData(const QMimeData* data)
{
    if (!data)
        return false;
    return data->hasFormat(kTiffMimeType) || !localPaths(data).isEmpty();
}

namespace {

// Only a copy is ever offered; a source that cannot copy is refused. The
// answer is the same whether the drag enters or moves.
void offerCopy(QDragMoveEvent* event)
{
    if (!(event->possibleActions() & Qt::CopyAction) || !DragView::acceptsData(event->mimeData())) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

} // namespace

void DragView::dragEnterEvent(QDragEnterEvent* event)
{
    offerCopy(event);
}

void DragView::dragMoveEvent(QDragMoveEvent* event)
{
    offerCopy(event);
}

bool DragView::performDragOperation(const QMimeData* data)
{
    if (data && data->hasFormat(kTiffMimeType)) {
        if (data->data(kTiffMimeType).isEmpty()) {
            platform::log(QStringLiteral("Error: MyNSView performDragOperation zPasteboardData == nil"));
            return false;
        }
        update(); // the image itself is not used
        return true;
    }
    const QStringList paths = localPaths(data);
    if (!paths.isEmpty()) {
        viewDragAction(paths);
        return true;
    }
    platform::log(QStringLiteral("Error MyNSView performDragOperation"));
    return false;
}

void DragView::dropEvent(QDropEvent* event)
{
    if (!(event->possibleActions() & Qt::CopyAction)) {
        event->ignore();
        return;
    }
    if (performDragOperation(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
        update();
    } else {
        event->ignore();
    }
}

void DragView::viewDragAction(const QStringList& paths)
{
    if (delegate_)
        delegate_->viewDragAction(paths);
}

void DragView::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept(); // mouse-up stops here
}
