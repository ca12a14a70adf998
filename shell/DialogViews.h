#pragma once
// Drawing-only backdrops of the update and About dialogs.

#include <QColor>
#include <QFont>
#include <QWidget>

class QLabel;

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

// A plain-text label of the dialogs.
QLabel* dialogLabel(QWidget* parent, const QString& text, const QRect& frame, const QFont& font, const QColor& color,
                    Qt::Alignment alignment = Qt::AlignCenter, bool wrap = false);
