#pragma once
// The one turning spinner, shown while a scan or a format runs: twelve
// rounded bars, the newest brightest. It shows itself (above its siblings)
// when it starts and hides when it stops. Main thread only.

#include <QWidget>

class LoadingSpinner : public QWidget {
    Q_OBJECT
public:
    explicit LoadingSpinner(QWidget* parent = nullptr);

    void startAnimation();
    void stopAnimation();
    bool isAnimating() const { return timer_ != 0; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    int timer_ = 0;
    int step_ = 0;
};
