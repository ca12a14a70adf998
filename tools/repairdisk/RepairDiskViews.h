#pragma once
// The Disk tools' drawing-only views: the row card, the rename field's
// backdrop, the dialogs' panel, First Aid's bar and the spinner.

#include <QWidget>

// The card of a volume row: a rounded rectangle at x 20, 690 wide, in the
// list colour, or white at alpha 0.1 on the selected row.
class RepairDiskTableCellView : public QWidget {
    Q_OBJECT
public:
    explicit RepairDiskTableCellView(QWidget* parent = nullptr);

    bool isSelect() const { return isSelect_; }
    void setIsSelect(bool select);

    // A press anywhere on the row that no button took.
    std::function<void()> onPressed;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    bool isSelect_ = false;
};

// The rename field's backdrop: black at alpha 0.2, corner radius 2.
class TextFiledBgView : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The panel of the First Aid dialogs: corner radius 10, black at alpha 0.2,
// a 1-point outline of white at alpha 0.2.
class PopBgView : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// First Aid's bar: a dark track and a blue fill `used` points wide.
class AidProgress : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    // A percentage in; the fill follows (within a point of the end fills it).
    void changeProgressValue(float percent);
    float used() const { return used_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    float used_ = 0;
    float percent_ = 0;
};


