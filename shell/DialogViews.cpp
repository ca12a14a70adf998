#include "DialogViews.h"

#include "toolkit/InterfaceStyle.h"

#include <QLabel>
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

QLabel* dialogLabel(QWidget* parent, const QString& text, const QRect& frame, const QFont& font, const QColor& color,
                    Qt::Alignment alignment, bool wrap)
{
    auto* label = new QLabel(parent);
    label->setGeometry(frame);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setFont(font);
    label->setAlignment(alignment);
    label->setWordWrap(wrap);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    return label;
}
