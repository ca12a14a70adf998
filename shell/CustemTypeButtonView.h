#pragma once
// One tool tab of the main window's left column: an icon and a title on a
// rounded plate, 214 × 28. The selected tab shows its selected icon, a white
// title and a dark plate; the others a dimmed title, dimmer still while the
// tabs are locked.

#include "toolkit/ImageCache.h"

#include <QWidget>

class QLabel;

class CustemTypeButtonViewDelegate {
public:
    virtual ~CustemTypeButtonViewDelegate() = default;
    virtual void mouseClickAction(int tag) { (void)tag; }
};

class CustemTypeButtonView : public QWidget {
    Q_OBJECT
public:
    explicit CustemTypeButtonView(const QRect& frame, QWidget* parent = nullptr);

    toolkit::NamedImage iconImage;
    toolkit::NamedImage sleIconImage;
    QString nameStr;
    int butTag = 0;

    // Not owned; the main window's controller, which outlives its tabs.
    CustemTypeButtonViewDelegate* delegate = nullptr;

    // Makes the icon and the title; the tab is enabled from then on.
    void loadView();

    // Selected flag and enabled flag; the caller redraws.
    void buttonClick(bool selected);
    void setButtonEnden(bool enabled);
    bool isClick() const { return isClick_; }
    bool isEnd() const { return isEnd_; }

    QLabel* iconImageView() const { return iconImageView_; }
    QLabel* nameLabel() const { return nameLabel_; }

    // The title's colour for the current state.
    QColor titleColor() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void applyLook();

    bool isClick_ = false;
    bool isEnd_ = false;
    QLabel* iconImageView_ = nullptr;
    QLabel* nameLabel_ = nullptr;
};
