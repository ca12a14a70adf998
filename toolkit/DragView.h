#pragma once
// An invisible drop area for files and folders. A drop is always a copy,
// never a move; the dropped local paths go to the delegate unchanged, in
// the order of the drag. Image data (TIFF) is accepted and otherwise
// ignored; when a drag carries both, the image wins.

#include <QStringList>
#include <QWidget>

class QMimeData;

class DragViewDelegate {
public:
    virtual ~DragViewDelegate() = default;
    virtual void viewDragAction(const QStringList& paths) { Q_UNUSED(paths); }
    // The File Eraser's picker button; the drop area never sends it.
    virtual void selectFileButtonAction() {}
};

class DragView : public QWidget {
    Q_OBJECT
public:
    // The image type a drop is checked for first.
    static const QString kTiffMimeType;

    explicit DragView(QWidget* parent = nullptr);
    DragView(const QRect& frame, QWidget* parent);

    // Not owned.
    DragViewDelegate* delegate() const { return delegate_; }
    void setDelegate(DragViewDelegate* delegate) { delegate_ = delegate; }

    void viewDragAction(const QStringList& paths);

    // The local paths a drag carries, in order; links to other machines and
    // non-file addresses are left out.
    static QStringList localPaths(const QMimeData* data);
    // Whether the view takes a drag of this data at all.
    static bool acceptsData(const QMimeData* data);
    // The drop itself: true when accepted.
    bool performDragOperation(const QMimeData* data);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    DragViewDelegate* delegate_ = nullptr;
};
