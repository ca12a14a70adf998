#include "NSButton_IDDAppKit.h"

#include <QAbstractButton>
#include <QPalette>

QColor titleTextColor(const QAbstractButton*)
{
    return Qt::white;
}

void setTitleTextColor(QAbstractButton* button, const QColor& color)
{
    if (!button)
        return;
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, color);
    palette.setColor(QPalette::WindowText, color);
    button->setPalette(palette);
}
