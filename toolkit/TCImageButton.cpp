#include "TCImageButton.h"

#include <QLabel>
#include <QPainter>

TCImageButton::TCImageButton(QWidget* parent) : ImageButtonBase(parent) {}

TCImageButton::TCImageButton(const QRect& frame, QWidget* parent) : ImageButtonBase(frame, parent) {}

QLabel* TCImageButton::setTextWithName(const QString& text, const QRect& frame)
{
    auto* label = new QLabel(this);
    label->setGeometry(frame);
    QFont font(QStringLiteral("Helvetica"));
    font.setWeight(QFont::Light);
    font.setPixelSize(15);
    label->setFont(font);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignCenter);
    label->setForegroundRole(QPalette::WindowText);
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    palette.setColor(QPalette::Window, palette.color(QPalette::Button));
    label->setPalette(palette);
    label->setText(text);
    label->show();
    return label;
}

QRectF TCImageButton::imageRectFor(const toolkit::NamedImage& normal) const
{
    return QRectF(QPointF(0, 0), normal.size());
}

void TCImageButton::trackingEnded(const QMouseEvent& press)
{
    if (delegate_)
        delegate_->moushDownInButton(press);
}

void TCImageButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const toolkit::ButtonImage image = currentImage();
    if (image == toolkit::ButtonImage::Standard)
        drawStandardButton(painter);
    else
        drawImage(painter, image);
}

namespace toolkit {

TCImageButton* makeIconButton(QWidget* parent, const QRect& frame, const QStringList& skin, const QString& tip)
{
    auto* button = new TCImageButton(frame, parent);
    button->setButtonEnabled(true);
    button->setImageFromFileNormalName(skin.at(0), skin.at(1), skin.at(2), skin.at(3));
    if (!tip.isEmpty())
        button->setToolTip(tip);
    return button;
}

} // namespace toolkit
