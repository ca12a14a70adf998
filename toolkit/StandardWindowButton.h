#pragma once
// The window buttons a window gets when it brings none of its own: close,
// minimise and zoom, standing in for the title-bar buttons a
// window manager would draw. Like those, a button shows its symbol while the
// pointer is over its group: a holder that answers mouseInGroup() decides
// for the buttons inside it; without one, the pointer over the button itself.
//
// Main thread only.

#include "ImageCache.h"

#include <QAbstractButton>

class StandardWindowButton;

// A view that holds standard window buttons and tells them whether the
// pointer is over the group.
class WindowButtonGroupHolder {
public:
    virtual ~WindowButtonGroupHolder() = default;
    virtual bool mouseInGroup(const StandardWindowButton* button) const = 0;
};

class StandardWindowButton : public QAbstractButton {
    Q_OBJECT
public:
    enum Kind { CloseButton = 0, MiniaturizeButton = 1, ZoomButton = 2 };

    // The kind's button at its standard size, at (0, 0) of `parent`.
    static StandardWindowButton* standardWindowButton(Kind kind, QWidget* parent = nullptr);
    explicit StandardWindowButton(Kind kind, QWidget* parent = nullptr);

    Kind kind() const { return kind_; }

    // A momentary-change button shows its pressed image only while held.
    void setMomentaryChange(bool on) { momentaryChange_ = on; }
    bool momentaryChange() const { return momentaryChange_; }

    // Whether the symbol shows now: the window is active and the pointer is
    // over the group.
    bool showsSymbol() const;
    toolkit::NamedImage shownImage() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    Kind kind_;
    bool momentaryChange_ = false;
    toolkit::NamedImage active_, hover_, press_, inactive_;
};
