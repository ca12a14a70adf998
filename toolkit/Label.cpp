#include "Label.h"

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

} // namespace toolkit
