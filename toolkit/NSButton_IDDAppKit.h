#pragma once
// Title colour of any standard push button.

#include <QColor>

class QAbstractButton;

// Always white; the title is not read.
QColor titleTextColor(const QAbstractButton* button);

// Colours the whole title of `button`.
void setTitleTextColor(QAbstractButton* button, const QColor& color);
