#pragma once
// A button that shows the pointing-hand cursor while the pointer is over it:
// the clickable links of the notices. It draws nothing itself; the link text
// beneath it shows through.

#include <QAbstractButton>

class EUHandButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit EUHandButton(QWidget* parent = nullptr);
    EUHandButton(const QRect& frame, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
};
