#include "RepairDiskViews.h"

#include "RepairDiskRules.h"

#include "toolkit/InterfaceStyle.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimerEvent>

RepairDiskTableCellView::RepairDiskTableCellView(QWidget* parent) : QWidget(parent) {}

void RepairDiskTableCellView::setIsSelect(bool select)
{
    isSelect_ = select;
    update();
}

void RepairDiskTableCellView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath card;
    card.addRoundedRect(QRectF(20, 0, 690, repairdisk::kSelectedRowHeight), 8, 8);
    // The table paints its own cards under the rows; this one covers them.
    painter.fillPath(card, toolkit::colorOf(50, 50, 61, 1.0f));
    if (isSelect_)
        painter.fillPath(card, toolkit::whiteAlpha(0.1f));
}

void RepairDiskTableCellView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && onPressed)
        onPressed();
    QWidget::mousePressEvent(event);
}

void TextFiledBgView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), 2, 2);
    painter.fillPath(path, QColor(0, 0, 0, 51));
}

void PopBgView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
    painter.fillPath(path, QColor(0, 0, 0, 51));
    painter.setPen(QPen(toolkit::whiteAlpha(0.2f), 1));
    painter.drawPath(path);
}

void AidProgress::changeProgressValue(float percent)
{
    percent_ = percent;
    used_ = repairdisk::aidUsedWidth(float(width()), percent);
    update();
}

void AidProgress::resizeEvent(QResizeEvent*)
{
    used_ = repairdisk::aidUsedWidth(float(width()), percent_);
}

void AidProgress::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath track;
    track.addRoundedRect(QRectF(0, 0, width(), height()), 3.5, 3.5);
    painter.fillPath(track, toolkit::colorOf(37, 47, 57, 1.0f));
    if (used_ > 0) {
        QPainterPath bar;
        bar.addRoundedRect(QRectF(0, 0, used_, height()), 3.5, 3.5);
        painter.fillPath(bar, toolkit::colorOf(95, 130, 252, 1.0f));
    }
}

