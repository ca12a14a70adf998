#include "CustemTextField.h"

#include "toolkit/InterfaceStyle.h"

#include <QGuiApplication>
#include <QPainter>
#include <QStyleHints>

QColor CustemTextFieldCell::insertionPointColor()
{
    return toolkit::whiteAlpha(0.6f);
}

int CustemTextFieldCell::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    if (metric == PM_TextCursorWidth)
        return 0;
    return QProxyStyle::pixelMetric(metric, option, widget);
}

CustemTextField::CustemTextField(QWidget* parent) : QLineEdit(parent), cell_(new CustemTextFieldCell)
{
    cell_->setParent(this);
    setStyle(cell_);
    setFrame(false);
    // Typing starts when the user clicks the box, not when the tab shows.
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_MacShowFocusRect, false);
    setFont(toolkit::lightFont(14));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, toolkit::whiteAlpha(1.0f));
    palette.setColor(QPalette::Highlight, toolkit::colorOf(10, 132, 255, 0.6f));
    palette.setColor(QPalette::HighlightedText, toolkit::whiteAlpha(1.0f));
    palette.setColor(QPalette::PlaceholderText, toolkit::whiteAlpha(0.5f));
    setPalette(palette);

    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    blink_.setInterval(flash > 0 ? flash / 2 : 500);
    connect(&blink_, &QTimer::timeout, this, [this] {
        caretShown_ = !caretShown_;
        update();
    });
    connect(this, &QLineEdit::cursorPositionChanged, this, [this] { restartBlink(); });
}

CustemTextField::~CustemTextField()
{
    setStyle(nullptr);
}

void CustemTextField::setPlaceholder(const QString& text)
{
    setPlaceholderText(text);
}

void CustemTextField::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    restartBlink();
    if (delegate_)
        delegate_->beginToEnditForTextField();
}

void CustemTextField::focusOutEvent(QFocusEvent* event)
{
    blink_.stop();
    caretShown_ = false;
    QLineEdit::focusOutEvent(event);
}

void CustemTextField::restartBlink()
{
    if (!hasFocus())
        return;
    caretShown_ = true;
    blink_.start();
    update();
}

void CustemTextField::paintEvent(QPaintEvent* event)
{
    QLineEdit::paintEvent(event);
    if (!hasFocus() || !caretShown_ || hasSelectedText())
        return;
    const QRect caret = cursorRect();
    QPainter painter(this);
    painter.fillRect(QRectF(caret.center().x(), caret.top(), 1, caret.height()), CustemTextFieldCell::insertionPointColor());
}
