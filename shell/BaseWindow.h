#pragma once
// The main window: borderless, rounded (corner radius 8), moved by dragging
// its background. Everything it shows sits in one child, its content view,
// which the title bar hides while the window is minimised.

#include <QColor>
#include <QPoint>
#include <QWidget>

class BaseWindow : public QWidget {
    Q_OBJECT
public:
    explicit BaseWindow(const QSize& size, QWidget* parent = nullptr);

    QWidget* contentView() const { return contentView_; }

    // The colour under everything the window shows, inside its rounded edge.
    QColor layerBackgroundColor() const { return layerBackgroundColor_; }
    void setLayerBackgroundColor(const QColor& color);

signals:
    // The window is closing; the application ends with it.
    void windowWillClose();

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QWidget* contentView_ = nullptr;
    QColor layerBackgroundColor_ = Qt::transparent;
    bool dragging_ = false;
    QPoint dragOffset_;
};
