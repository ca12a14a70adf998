#include "EndBgView.h"

EndBgView::EndBgView(QWidget* parent) : RightBgView(parent) {}
