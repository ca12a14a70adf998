#include "TextIconImageBtton.h"

#include "toolkit/InterfaceStyle.h"
#include "toolkit/NamedImageView.h"

#include <QLabel>
#include <QPainter>

using toolkit::ButtonImage;

TextIconImageBtton::TextIconImageBtton(QWidget* parent) : ImageButtonBase(parent) {}

TextIconImageBtton::TextIconImageBtton(const QRect& frame, QWidget* parent) : ImageButtonBase(frame, parent) {}

void TextIconImageBtton::setTextWithName(const QString& text, double fontSize)
{
    const int titleHeight = fontSize < 16 ? 16 : 17;
    const QRect titleFrame(15, 2, width() - 15, titleHeight);
    if (!textField_)
        textField_ = addTitleLabel();
    // The title sits in the middle of the button's height.
    textField_->setGeometry(titleFrame.translated(0, (height() - titleHeight) / 2 - 2));
    textField_->setFont(fontSize == 16 ? toolkit::regularFont(fontSize) : toolkit::lightFont(fontSize));
    textField_->setText(text);
    if (!icon_) {
        icon_ = new NamedImageView(this);
        icon_->setAttribute(Qt::WA_TransparentForMouseEvents);
        icon_->setImageName(QStringLiteral("ic_add"));
        icon_->show();
    }
    icon_->setGeometry(10, (height() - 12) / 2, 10, 12);
    update();
}

QColor TextIconImageBtton::titleColor() const
{
    if (!(isEnabled() && isDisabled()))
        return toolkit::whiteAlpha(1.0f);
    return toolkit::whiteAlpha(normalImageName() == QLatin1String("btn_secl_normal") ? 0.7f : 1.0f);
}

ButtonImage TextIconImageBtton::currentImage() const
{
    if (normalImage().isNull())
        return ButtonImage::Standard;
    if (isEnabled() && isDisabled()) {
        if (isTracking())
            return ButtonImage::Active;
        if (isFocus())
            return ButtonImage::Hover;
        return ButtonImage::Normal;
    }
    return ButtonImage::Disable;
}

void TextIconImageBtton::paintEvent(QPaintEvent*)
{
    if (textField_) {
        QPalette palette = textField_->palette();
        palette.setColor(QPalette::WindowText, titleColor());
        textField_->setPalette(palette);
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const ButtonImage image = currentImage();
    if (image == ButtonImage::Standard)
        drawStandardButton(painter);
    else
        drawImage(painter, image);
}
