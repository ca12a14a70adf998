#pragma once
// A transparent base view; its background colour is kept, not drawn.
// Main thread only.

#include <QColor>
#include <QWidget>

class MLGlassView : public QWidget {
    Q_OBJECT
public:
    explicit MLGlassView(QWidget* parent = nullptr);

    QColor backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const QColor& color) { backgroundColor_ = color; }

protected:
    void commonInit();

private:
    QColor backgroundColor_;
};
