#include "SearchBgView.h"

#include "toolkit/InterfaceStyle.h"

#include <QPainter>
#include <QPainterPath>

SearchBgView::SearchBgView(QWidget* parent) : QWidget(parent)
{
    resize(kWidth, kHeight);
}

void SearchBgView::setBeEenditing(bool editing)
{
    isEditing_ = editing;
    update();
}

void SearchBgView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(0, 0, kWidth, kHeight), 4, 4);
    painter.fillPath(path, toolkit::whiteAlpha(0.16f));
}
