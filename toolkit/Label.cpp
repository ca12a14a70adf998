#include "Label.h"

#include "InterfaceStyle.h"

#include <QLabel>

namespace toolkit {

QLabel* makeLabel(QWidget* parent, const QRect& frame, const QString& text, const QFont& font, const QColor& color,
                  Qt::Alignment alignment)
{
    auto* label = new QLabel(parent);
    label->setGeometry(frame);
    label->setTextFormat(Qt::PlainText);
    // Inside a button a label would otherwise take the button's text colour.
    label->setForegroundRole(QPalette::WindowText);
    label->setFont(font);
    label->setAlignment(alignment);
    label->setText(text);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    setLabelColor(label, color);
    return label;
}

void setLabelColor(QLabel* label, const QColor& color)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

void setTextWithBoldPart(QLabel* label, const QString& text, int boldStart, int boldLength, BoldPart look)
{
    if (boldStart < 0 || boldStart >= text.size()) {
        label->setTextFormat(Qt::PlainText);
        label->setText(text);
        return;
    }
    const QString shown = text.mid(boldStart, boldLength).toHtmlEscaped();
    QString part;
    if (look == BoldPart::LabelFont) {
        part = QStringLiteral("<b>") + shown + QStringLiteral("</b>");
    } else {
        const QFont bold = boldFont(14);
        part = QStringLiteral("<span style=\"font-family:'%1'; font-weight:700; font-size:14px; color:#ffffff;\">%2</span>")
                   .arg(bold.family().toHtmlEscaped(), shown);
    }
    label->setTextFormat(Qt::RichText);
    label->setText(text.left(boldStart).toHtmlEscaped() + part + text.mid(boldStart + boldLength).toHtmlEscaped());
}

} // namespace toolkit
