#include "TextImageButton.h"

#include "ImageCache.h"
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

namespace toolkit {

QStringList primaryButtonSkin()
{
    return {imageName("btn_pril_normal"), imageName("btn_pril_press"), imageName("btn_pril_hover"),
            imageName("btn_pril_disable")};
}

QStringList secondaryButtonSkin()
{
    return {imageName("btn_secl_normal"), imageName("btn_secl_press"), imageName("btn_secl_hover"),
            imageName("btn_secl_disable")};
}

TextImageButton* makeTextButton(QWidget* parent, const QRect& frame, const QStringList& skin, const QString& title,
                                double fontSize)
{
    auto* button = new TextImageButton(frame, parent);
    button->setButtonEnabled(true);
    button->setImageFromFileNormalName(skin.value(0), skin.value(1), skin.value(2), skin.value(3));
    button->setTextWithName(title, fontSize);
    return button;
}

} // namespace toolkit
