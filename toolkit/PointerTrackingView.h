#pragma once
// A see-through view that reports the pointer entering and leaving it (the
// drop-down lists' own tracking area).

#include <QWidget>
#include <functional>

namespace toolkit {

class PointerTrackingView : public QWidget {
    Q_OBJECT
public:
    explicit PointerTrackingView(QWidget* parent = nullptr);
    std::function<void()> onEntered;
    std::function<void()> onExited;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
};

} // namespace toolkit
