#pragma once
// A title-bar button (close, minimise, zoom or full screen) drawn from images
// chosen by window focus, enabled state and pointer roll-over, and the group
// that ties the buttons of one title bar together: while the pointer is over
// any button of a group, the group says roll-over images should show.
//
// Main thread only. Groups live for the process once made; a button stops
// observing everything when it is destroyed.

#include "ImageCache.h"

#include "platform/NotificationCenter.h"

#include <QAbstractButton>
#include <QPointer>
#include <QString>

class TCWindowButtonGroup {
public:
    static constexpr const char* kDidUpdateRolloverStateNotification =
        "TCWindowButtonGroupDidUpdateRolloverStateNotification";
    static constexpr const char* kDefaultIdentifier = "com.velloran.TCImageWindow.defaultWindowButtonGroup";

    // The registered group of `identifier` (an empty one means the default
    // group), made and registered on first use.
    static TCWindowButtonGroup* groupWithIdentifier(const QString& identifier = QString());

    explicit TCWindowButtonGroup(const QString& identifier) : identifier_(identifier) {}

    QString identifier() const { return identifier_; }
    int numberOfCaptures() const { return numberOfCaptures_; }

    // A negative count, or the count it already has, changes nothing;
    // otherwise it is stored and the group's notification posted.
    void setNumberOfCaptures(int count);

    // These change the count without posting.
    void didCaptureMousePointer() { ++numberOfCaptures_; }
    void didReleaseMousePointer() { --numberOfCaptures_; }
    void resetMouseCaptures() { numberOfCaptures_ = 0; }

    bool shouldDisplayRollOver() const { return numberOfCaptures_ > 0; }

private:
    QString identifier_;
    int numberOfCaptures_ = 0;
};

class TCWindowButton : public QAbstractButton {
    Q_OBJECT
public:
    static TCWindowButton* windowButtonWithSize(const QSize& size, const QString& groupIdentifier,
                                                QWidget* parent = nullptr);
    TCWindowButton(const QSize& size, const QString& groupIdentifier, QWidget* parent = nullptr);
    ~TCWindowButton() override;

    QString groupIdentifier() const { return groupIdentifier_; }
    TCWindowButtonGroup* group() const { return TCWindowButtonGroup::groupWithIdentifier(groupIdentifier_); }

    toolkit::NamedImage activeImage;
    toolkit::NamedImage activeNotKeyWindowImage;
    toolkit::NamedImage inactiveImage;
    toolkit::NamedImage rolloverImage;
    // Shown while the button is held down.
    toolkit::NamedImage pressedImage() const { return pressedImage_; }
    void setPressedImage(const toolkit::NamedImage& image) { pressedImage_ = image; }

    // Qt's enabled state, then the active image when enabled, the inactive
    // one when not.
    void setButtonEnabled(bool enabled);

    void updateRollOverImage();
    void updateImage();

    // The image drawn now (the pressed image while held down).
    toolkit::NamedImage shownImage() const;

    // The area in which the pointer counts as over the button: its bounds
    // grown by 4 on every side, in the parent's coordinates.
    QRect mouseTrackingArea() const;

    // The pointer entering or leaving the tracking area. Qt tells us only
    // about the button's own rectangle; the margin around it is followed
    // through the parent's mouse moves.
    void pointerEntered();
    void pointerExited();

    // A live resize of the window ended.
    void viewDidEndLiveResize();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watchWindowAndParent();
    void pointerAt(const QPoint& parentPos);

    QString groupIdentifier_;
    toolkit::NamedImage pressedImage_;
    toolkit::NamedImage shown_;
    bool captured_ = false;
    QPointer<QWidget> watchedWindow_;
    QPointer<QWidget> watchedParent_;
    platform::NotificationCenter::Token groupObserver_ = 0;
};
