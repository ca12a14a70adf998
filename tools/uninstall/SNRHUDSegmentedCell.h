#pragma once
// The dark segmented control's drawing: a rounded, gradient-filled strip of
// segments with dividers, the chosen segment sunk in with an inner shadow,
// light labels with a dark shadow; disabled parts at half opacity.

#include <QColor>
#include <QIcon>
#include <QList>
#include <QRectF>
#include <QString>
#include <QWidget>

class QPainter;

class SNRHUDSegmentedCell {
public:
    static constexpr double kRadius = 3;
    static constexpr double kDivider = 3;

    struct Segment {
        QString label;
        QIcon image;
        double width = 0; // 0: shares the frame with the other automatic segments
        bool enabled = true;
    };

    QList<Segment> segments;
    int selectedSegment = -1;
    bool enabled = true;

    // The frame inset by 0.5 on every side and made 1 lower.
    static QRectF backgroundRect(const QRectF& frame);
    // Each segment's rectangle from the left; all but the last include the
    // divider after them.
    QList<QRectF> segmentRects(const QRectF& frame) const;
    // Where a segment's label goes: the segment inset by 5 on each side.
    static QRectF labelRect(const QRectF& segment);

    // `pressedSegment`: the segment under a pressed pointer, or -1.
    void drawWithFrame(QPainter& painter, const QRectF& frame, int pressedSegment = -1) const;

private:
    void drawBackground(QPainter& painter, const QRectF& rect) const;
    void drawSegment(QPainter& painter, int index, const QRectF& rect, bool pressed, bool last) const;
};

// A widget that shows one SNRHUDSegmentedCell and chooses a segment on click.
class SNRHUDSegmentedControl : public QWidget {
    Q_OBJECT
public:
    explicit SNRHUDSegmentedControl(QWidget* parent = nullptr);
    SNRHUDSegmentedCell& cell() { return cell_; }

signals:
    void segmentSelected(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int segmentAt(const QPointF& point) const;

    SNRHUDSegmentedCell cell_;
    int pressed_ = -1;
};
