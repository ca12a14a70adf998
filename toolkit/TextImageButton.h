#pragma once
// The push button of every screen and dialog: one of four named images
// (normal, pressed, hover, disabled) instead of a bezel, with a centred
// title whose opacity follows the state.
//
// Calling order used by the screens: setButtonEnabled(true) →
// setImageFromFileNormalName(...) → setTextWithName(...) → connect clicked.

#include "ImageButtonBase.h"

#include <QLabel>
#include <QPointer>
#include <QStringList>

class TextImageButton : public ImageButtonBase {
    Q_OBJECT
public:
    explicit TextImageButton(QWidget* parent = nullptr);
    TextImageButton(const QRect& frame, QWidget* parent);

    // Sets the title. The first call creates the label and picks its font
    // (regular at size 16 or on the primary skin, light otherwise) and frame;
    // later calls change the text only.
    void setTextWithName(const QString& text, double fontSize);

    QLabel* textField() const { return textField_; }

    // The look the button draws now (image and title alpha).
    toolkit::ButtonLook currentLook() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void lookChanged() override;

private:
    void applyTitleAlpha(float alpha);

    QPointer<QLabel> textField_;
};

namespace toolkit {

// The four images (normal, pressed, hover, disabled) of the dialogs' primary
// ("btn_pril_…") and secondary ("btn_secl_…") buttons.
QStringList primaryButtonSkin();
QStringList secondaryButtonSkin();

// A usable button in the four images of `skin`, titled: the screens' calling
// order in one step.
TextImageButton* makeTextButton(QWidget* parent, const QRect& frame, const QStringList& skin, const QString& title,
                                double fontSize = 14);

} // namespace toolkit
