#pragma once
// The left column behind the tool tabs: a vertical gradient from (39, 39, 48)
// at the bottom to (50, 50, 62) at the top.

#include <QWidget>

class MainLeftBgView : public QWidget {
    Q_OBJECT
public:
    explicit MainLeftBgView(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
