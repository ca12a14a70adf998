#pragma once
// A vertical scroller for the dark lists: no track, only a slim light knob
// laid over the list's right edge. It stays fully visible.

#include <QScrollBar>

class RFOverlayScroller : public QScrollBar {
    Q_OBJECT
public:
    // Width the scroller takes over the list, and the knob inside it.
    static constexpr int kWidth = 15;
    static constexpr int kKnobInset = 3;
    static constexpr int kKnobWidth = 8;
    static constexpr int kKnobRadius = 5;
    static constexpr int kMinimumKnobLength = 20;

    explicit RFOverlayScroller(QWidget* parent = nullptr);

    // Only this class itself, not a subclass.
    virtual bool isCompatibleWithOverlayScrollers() const;
    static double zeroWidth() { return 0; }
    // The real width of the vertical scroller.
    static int scrollerWidth() { return kWidth; }

    // The whole knob as the scroller places it, and the slim part drawn.
    QRectF standardKnobRect() const;
    QRectF knobRect() const;

    // Stays at full opacity whatever the pointer does.
    double knobOpacity() const { return 1.0; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    bool dragging_ = false;
    double dragOffset_ = 0;
};
