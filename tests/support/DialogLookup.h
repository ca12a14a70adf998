#pragma once
// Finding a modal dialog and its buttons on screen, for the screen tests and
// the benchmarks that drive a screen as a person would.

#include "toolkit/StatusAttachedWindow.h"
#include "toolkit/TextImageButton.h"

#include <QApplication>
#include <QLabel>
#include <QString>

namespace nvtest {

// The button of `root` titled `title` ("继续", "取消"), or null.
inline TextImageButton* buttonTitled(QWidget* root, const QString& title)
{
    for (TextImageButton* b : root->findChildren<TextImageButton*>())
        if (b->textField() && b->textField()->text() == title)
            return b;
    return nullptr;
}

// The modal dialog window on screen now, if any.
inline StatusAttachedWindow* runningDialog()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<StatusAttachedWindow*>(w);
        if (dialog && dialog->isVisible() && dialog->isRunningModal())
            return dialog;
    }
    return nullptr;
}

} // namespace nvtest
