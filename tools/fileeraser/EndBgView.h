#pragma once
// The plain background of the File Eraser's success and failure panes: the
// same dark fill as the tool area's backdrop.

#include "toolkit/RightBgView.h"

class EndBgView : public RightBgView {
    Q_OBJECT
public:
    explicit EndBgView(QWidget* parent = nullptr);
};
