#pragma once
// What the two image buttons share: four named state images, the pressed
// and hover flags, and the button's own usable flag, kept apart from Qt's
// enabled state. While the usable flag is off the button ignores the mouse
// and the keyboard entirely: no pressed look and no click.

#include "ImageButtonLook.h"
#include "ImageCache.h"

#include <QAbstractButton>
#include <QMouseEvent>
#include <memory>

class QLabel;

class ImageButtonBase : public QAbstractButton {
    Q_OBJECT
public:
    explicit ImageButtonBase(QWidget* parent = nullptr);
    ImageButtonBase(const QRect& frame, QWidget* parent);

    // Loads the four state images by name; a name without an image leaves
    // that state without one. Also starts following the pointer.
    void setImageFromFileNormalName(const QString& normalName, const QString& activeName,
                                    const QString& hoverName, const QString& disableName);

    // The usable flag (YES = usable, whatever the name says).
    void setButtonEnabled(bool usable);
    bool isDisabled() const { return isDisabled_; }

    bool isFocus() const { return isFocus_; }
    void setIsFocus(bool focus) { isFocus_ = focus; } // no redraw
    bool isTracking() const { return isTracking_; }

    const toolkit::NamedImage& normalImage() const { return normalImage_; }
    const toolkit::NamedImage& activeImage() const { return activeImage_; }
    const toolkit::NamedImage& hoverImage() const { return hoverImage_; }
    const toolkit::NamedImage& disableImage() const { return disableImage_; }
    QString normalImageName() const { return normalName_; }
    QRectF dstRect() const { return dstRect_; }
    QRectF srcRect() const { return srcRect_; }

    // Whether the button follows the pointer (once images were set).
    bool tracksPointer() const { return tracksPointer_; }

    toolkit::ButtonFlags flags() const;

protected:
    // Where the images go, decided when they are set.
    virtual QRectF imageRectFor(const toolkit::NamedImage& normal) const;
    // After the press has been tracked (the click, if any, is sent already).
    virtual void trackingEnded(const QMouseEvent& press) { Q_UNUSED(press); }
    // After any change of the flags the look depends on.
    virtual void lookChanged() {}

    // A centred plain-text title over the button, shown: it lets the mouse
    // through to the button and takes its colour from the WindowText role.
    QLabel* addTitleLabel();

    void drawImage(QPainter& painter, toolkit::ButtonImage which) const;
    void drawStandardButton(QPainter& painter);

    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The hover look is on. It comes from the pointer entering the button,
    // never from where the pointer happens to be when the button is shown or
    // slides under it: an enter counts once the pointer moves over the
    // button. The look goes when the pointer leaves, when the button is shown
    // anew, or when its window moves away from under a pointer that stood
    // still.
    void setHovered(bool hovered);
    bool enterWaitsForMotion_ = false;

    toolkit::NamedImage normalImage_;
    toolkit::NamedImage activeImage_;
    toolkit::NamedImage hoverImage_;
    toolkit::NamedImage disableImage_;
    QString normalName_;
    QRectF dstRect_;
    QRectF srcRect_;
    bool isTracking_ = false;
    bool isFocus_ = false;
    bool isDisabled_ = true;
    bool tracksPointer_ = false;
    std::unique_ptr<QMouseEvent> press_;
};
