#include "TextImageButton.h"

#include "InterfaceStyle.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>

using toolkit::ButtonImage;

TextImageButton::TextImageButton(QWidget* parent) : ImageButtonBase(parent) {}

TextImageButton::TextImageButton(const QRect& frame, QWidget* parent) : ImageButtonBase(frame, parent) {}

void TextImageButton::setTextWithName(const QString& text, double fontSize)
{
    if (!textField_) {
        const int labelHeight = toolkit::titleLabelHeight(fontSize);
        QLabel* label = addTitleLabel();
        label->setGeometry(0, static_cast<int>((height() - labelHeight) * 0.5 - 1), width(), labelHeight);
        label->setFont(toolkit::titleUsesRegularFont(fontSize, normalImageName()) ? toolkit::regularFont(fontSize)
                                                                                   : toolkit::lightFont(fontSize));
        textField_ = label;
    }
    textField_->setText(text);
    applyTitleAlpha(currentLook().titleAlpha);
    update();
}

toolkit::ButtonLook TextImageButton::currentLook() const
{
    return toolkit::textImageButtonLook(flags(), normalImageName());
}

void TextImageButton::lookChanged()
{
    applyTitleAlpha(currentLook().titleAlpha);
}

void TextImageButton::applyTitleAlpha(float alpha)
{
    if (!textField_)
        return;
    QPalette palette = textField_->palette();
    const QColor color = toolkit::whiteAlpha(alpha);
    if (palette.color(QPalette::WindowText) == color)
        return;
    palette.setColor(QPalette::WindowText, color);
    textField_->setPalette(palette);
}

void TextImageButton::paintEvent(QPaintEvent*)
{
    const toolkit::ButtonLook look = currentLook();
    applyTitleAlpha(look.titleAlpha);

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // The button's content is clipped to its rounded bounds.
    QPainterPath clip;
    clip.addRoundedRect(QRectF(rect()), 4, 4);
    painter.setClipPath(clip);
    if (look.image == ButtonImage::Standard)
        drawStandardButton(painter);
    else
        drawImage(painter, look.image);
}
