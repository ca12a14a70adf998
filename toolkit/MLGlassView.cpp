#include "MLGlassView.h"

MLGlassView::MLGlassView(QWidget* parent) : QWidget(parent)
{
    commonInit();
}

void MLGlassView::commonInit()
{
    backgroundColor_ = Qt::transparent;
}
