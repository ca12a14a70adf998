#pragma once
// The title-less icon button ("back", sort and close icons): one of four
// named images at the normal image's own size, and an optional delegate
// told about each click.

#include "ImageButtonBase.h"

#include <QStringList>

class QLabel;
class QMouseEvent;

class TCImageButtonDelegate {
public:
    virtual ~TCImageButtonDelegate() = default;
    // After a click on a usable button has been tracked; `event` is the press.
    virtual void moushDownInButton(const QMouseEvent& event) { Q_UNUSED(event); }
};

class TCImageButton : public ImageButtonBase {
    Q_OBJECT
public:
    explicit TCImageButton(QWidget* parent = nullptr);
    TCImageButton(const QRect& frame, QWidget* parent);

    // A new black label at `frame` on every call (the screens do not use it).
    QLabel* setTextWithName(const QString& text, const QRect& frame);

    // Not owned; it must outlive the button or be reset first.
    TCImageButtonDelegate* delegate() const { return delegate_; }
    void setDelegate(TCImageButtonDelegate* delegate) { delegate_ = delegate; }

    toolkit::ButtonImage currentImage() const { return toolkit::tcImageButtonImage(flags()); }

protected:
    QRectF imageRectFor(const toolkit::NamedImage& normal) const override;
    void trackingEnded(const QMouseEvent& press) override;
    void paintEvent(QPaintEvent* event) override;

private:
    TCImageButtonDelegate* delegate_ = nullptr;
};

namespace toolkit {

// An image button at `frame`, usable, with the four state images of `skin`
// (normal, pressed, hover, disabled) and an optional tooltip.
TCImageButton* makeIconButton(QWidget* parent, const QRect& frame, const QStringList& skin, const QString& tip = {});

} // namespace toolkit
