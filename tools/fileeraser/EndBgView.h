#pragma once
// The plain background of the File Eraser's success and failure panes.

#include <QWidget>

class EndBgView : public QWidget {
    Q_OBJECT
public:
    explicit EndBgView(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
