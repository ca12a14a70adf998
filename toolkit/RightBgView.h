#pragma once
// The dark backdrop of the tool area and of the tool screens: its rectangle
// filled with (50, 50, 62).

#include <QWidget>

class RightBgView : public QWidget {
    Q_OBJECT
public:
    explicit RightBgView(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
