#pragma once
// The uninstaller's search box: a borderless one-line field on the search
// background that tells its delegate when it starts being edited, and whose
// insertion point is white at alpha 0.6 (CustemTextFieldCell).

#include <QLineEdit>
#include <QProxyStyle>
#include <QTimer>

class CustemTextFieldDelegate {
public:
    virtual ~CustemTextFieldDelegate() = default;
    // The field became the focus of typing.
    virtual void beginToEnditForTextField() {}
};

// The field's look: no insertion point of the style's own, so the field can
// draw its own in its colour.
class CustemTextFieldCell : public QProxyStyle {
    Q_OBJECT
public:
    static QColor insertionPointColor();
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
};

class CustemTextField : public QLineEdit {
    Q_OBJECT
public:
    explicit CustemTextField(QWidget* parent = nullptr);
    ~CustemTextField() override;

    // Not owned.
    void setCTdelegate(CustemTextFieldDelegate* delegate) { delegate_ = delegate; }
    CustemTextFieldDelegate* CTdelegate() const { return delegate_; }

    // The placeholder in the light font at 14, white at alpha 0.5.
    void setPlaceholder(const QString& text);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void restartBlink();

    CustemTextFieldDelegate* delegate_ = nullptr;
    CustemTextFieldCell* cell_;
    QTimer blink_;
    bool caretShown_ = false;
};
