#include "CustemTypeButtonView.h"

#include "toolkit/InterfaceStyle.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

CustemTypeButtonView::CustemTypeButtonView(const QRect& frame, QWidget* parent)
    : QWidget(parent)
{
    setGeometry(frame);
}

void CustemTypeButtonView::loadView()
{
    isEnd_ = true;
    iconImageView_ = new QLabel(this);
    iconImageView_->setGeometry(16, 6, 16, 16);
    iconImageView_->setScaledContents(true);
    nameLabel_ = new QLabel(this);
    nameLabel_->setGeometry(48, 6, 150, 17);
    nameLabel_->setTextFormat(Qt::PlainText);
    nameLabel_->setText(nameStr);
    // The tab takes the clicks, wherever on it they land.
    iconImageView_->setAttribute(Qt::WA_TransparentForMouseEvents);
    nameLabel_->setAttribute(Qt::WA_TransparentForMouseEvents);
    applyLook();
}

void CustemTypeButtonView::buttonClick(bool selected)
{
    isClick_ = selected;
    applyLook();
}

void CustemTypeButtonView::setButtonEnden(bool enabled)
{
    isEnd_ = enabled;
    applyLook();
}

QColor CustemTypeButtonView::titleColor() const
{
    if (isClick_)
        return toolkit::whiteAlpha(1.0f);
    return toolkit::whiteAlpha(isEnd_ ? 0.6f : 0.18f);
}

void CustemTypeButtonView::applyLook()
{
    if (!nameLabel_)
        return;
    const toolkit::NamedImage& icon = isClick_ ? sleIconImage : iconImage;
    const qreal ratio = devicePixelRatioF();
    iconImageView_->setPixmap(icon.pixmap(QSizeF(16, 16), ratio));
    nameLabel_->setFont(isClick_ ? toolkit::regularFont(13) : toolkit::lightFont(13));
    QPalette palette = nameLabel_->palette();
    palette.setColor(QPalette::WindowText, titleColor());
    nameLabel_->setPalette(palette);
}

void CustemTypeButtonView::paintEvent(QPaintEvent*)
{
    if (!isClick_)
        return; // the plate of an unselected tab is clear
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath plate;
    plate.addRoundedRect(QRectF(0, 0, 214, 28), 8, 8);
    painter.fillPath(plate, toolkit::colorOf(0, 0, 0, 0.2f));
}

void CustemTypeButtonView::mousePressEvent(QMouseEvent* event)
{
    // Swallowed even while locked, so a click on a tab never drags the window.
    event->accept();
    if (event->button() == Qt::LeftButton && isEnd_ && delegate)
        delegate->mouseClickAction(butTag);
}
