#include "DialogViews.h"

#include "toolkit/InterfaceStyle.h"

#include <QPainter>
#include <QPainterPath>

namespace {

void fillRounded(QWidget* w, const QColor& color)
{
    QPainter painter(w);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(w->rect()), 4, 4);
    painter.fillPath(path, color);
}

} // namespace

void UpdateScBgView::paintEvent(QPaintEvent*)
{
    fillRounded(this, toolkit::colorOf(0, 0, 0, 0.3f));
}

void AboutVersionBgView::paintEvent(QPaintEvent*)
{
    fillRounded(this, toolkit::whiteAlpha(0.2f));
}
