#pragma once
// One of the three small window buttons (close, minimise, zoom) that the
// borderless windows draw in their own title bar. Its identifier picks its
// images; it shows the active image while a window of the application is
// focused, the shared inactive image otherwise, and, while active, the hover
// image when the pointer is over any title bar.

#include "ImageCache.h"

#include "platform/NotificationCenter.h"

#include <QAbstractButton>
#include <QMetaObject>
#include <QString>

class HMTrafficButtonsContainer : public QAbstractButton {
    Q_OBJECT
public:
    explicit HMTrafficButtonsContainer(const QRect& frame, QWidget* parent = nullptr);
    ~HMTrafficButtonsContainer() override;

    // "close", "minimize" or "zoom".
    QString idStr() const { return idStr_; }
    void setIdStr(const QString& idStr) { idStr_ = idStr; }

    // Loads the images of the identifier, shows the active one and starts
    // following window focus and the title bars' hover notifications.
    void setup();

    void setActiveState();
    void setInactiveState();
    void hoverIn();
    void hoverOut();

    bool activeState() const { return activeState_; }
    bool hoverState() const { return hoverState_; }
    bool pressedState() const { return pressedState_; }

    // The image the button draws now.
    const toolkit::NamedImage& shownImage() const { return shown_; }

    toolkit::NamedImage inactive;
    toolkit::NamedImage active;
    toolkit::NamedImage hover;
    toolkit::NamedImage press;   // loaded, never shown

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void show(const toolkit::NamedImage& image);
    void stopObserving();

    QString idStr_;
    bool activeState_ = false;
    bool hoverState_ = false;
    bool pressedState_ = false;
    toolkit::NamedImage shown_;
    QList<platform::NotificationCenter::Token> observers_;
    QMetaObject::Connection focusConnection_;
};
