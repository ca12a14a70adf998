#pragma once
// Base of the modal dialog window: a borderless, translucent top-level
// window that can be dragged by its background.

#include <QPoint>
#include <QWidget>

class PopBaseWindow : public QWidget {
    Q_OBJECT
public:
    explicit PopBaseWindow(QWidget* parent = nullptr);
    ~PopBaseWindow() override;

    virtual bool canBecomeKeyWindow() const { return true; }
    virtual bool canBecomeMainWindow() const { return true; }

protected:
    // Called whenever the window is about to close, by whatever path.
    virtual void windowWillClose() {}

    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool dragging_ = false;
    QPoint dragOffset_;
};
