#pragma once
// The "添加更多" button of the list pane: an image button with a centred
// title and a small plus icon at its left.

#include "toolkit/ImageButtonBase.h"

#include <QPointer>

#include "toolkit/NamedImageView.h"

#include <QLabel>

class TextIconImageBtton : public ImageButtonBase {
    Q_OBJECT
public:
    explicit TextIconImageBtton(QWidget* parent = nullptr);
    TextIconImageBtton(const QRect& frame, QWidget* parent);

    // Sets the title: its frame starts at (15, 2), the font is the light
    // interface font, or the regular one at size 16. The text field is made
    // on the first call only.
    void setTextWithName(const QString& text, double fontSize);

    QLabel* textField() const { return textField_; }
    NamedImageView* iconView() const { return icon_; }

    // The title colour for the button's state now.
    QColor titleColor() const;
    // The image drawn for the state now.
    toolkit::ButtonImage currentImage() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<QLabel> textField_;
    QPointer<NamedImageView> icon_;
};
