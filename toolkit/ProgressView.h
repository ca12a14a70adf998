#pragma once
// A plain bar driven by a percentage 0–100: the dark track (ProgressView)
// and the blue bar over it (ProgressBar).

#include <QWidget>

class ProgressBar : public QWidget {
    Q_OBJECT
public:
    explicit ProgressBar(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

class ProgressView : public QWidget {
    Q_OBJECT
public:
    static constexpr double kBarHeight = 16;

    explicit ProgressView(QWidget* parent = nullptr);
    ProgressView(const QRect& frame, QWidget* parent);

    // The bar's width follows the percentage; within a point of full it is
    // full, above 100 it stays full, and below 0 (or NaN) it is empty.
    void changeProgressValue(float percentage);

    ProgressBar* pProgress1() const { return bar_; }
    // The bar's frame in the view's own coordinates, origin bottom-left.
    QRectF barFrame() const { return barFrame_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeBar();

    ProgressBar* bar_;
    QRectF barFrame_;
};
