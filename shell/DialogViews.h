#pragma once
// Drawing-only backdrops of the update and About dialogs.

#include <QColor>
#include <QFont>
#include <QWidget>

// The change list's backdrop: black at alpha 0.3, corner radius 4.
class UpdateScBgView : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The version text's backdrop: white at alpha 0.2, corner radius 4.
class AboutVersionBgView : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent* event) override;
};
