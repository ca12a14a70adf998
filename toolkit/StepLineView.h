#pragma once
// The connector between two steps: blue once done, dark before.

#include <QWidget>

class StepLineView : public QWidget {
    Q_OBJECT
public:
    explicit StepLineView(QWidget* parent = nullptr);

    bool isRuned() const { return isRuned_; }
    // Does not redraw.
    void setIsRuned(bool runed) { isRuned_ = runed; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool isRuned_ = false;
};
