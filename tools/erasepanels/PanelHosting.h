#pragma once
// How a tool screen hosts the shared panels: the toolbar with the history,
// pass-count and support buttons, the history button's unseen-records image,
// the two panels sliding over the screen, and the notices' link labels.

#include "HistoryViewController.h"
#include "SetEraserLevelVC.h"

#include <QColor>
#include <QString>
#include <memory>

class QAbstractButton;
class QLabel;
class QWidget;
class TCImageButton;

namespace erasepanels {

struct EraseToolbar {
    QWidget* bar = nullptr;
    TCImageButton* historyButton = nullptr;
    TCImageButton* setButton = nullptr;
    TCImageButton* aboutButton = nullptr;
};

// The toolbar at the tool area's top right.
EraseToolbar buildEraseToolbar(QWidget* parent);

// "ic_history" while the bundle setting `flagKey` reads as a non-zero
// integer (unseen records), else "ic_history_none".
void changeHistoryButtonState(TCImageButton* button, const QString& flagKey);

// The erase history of runs of `type`, laid over `pane` and slid in; the
// unseen flag `flagKey` goes to "0" and the button shows so.
std::unique_ptr<HistoryViewController> openHistoryPanel(QWidget* pane, HistoryVCDelegate* delegate, const QString& type,
                                                        TCImageButton* historyButton, const QString& flagKey);

// The pass-count panel with the current count ticked, laid over `pane` and
// slid in.
std::unique_ptr<SetEraserLevelVC> openPassCountPanel(QWidget* pane, SetEraserLevelVCDelegate* delegate);

// Underlines `label`'s text in `color` and lays `button` over the text.
void styleLinkLabel(QLabel* label, QAbstractButton* button, const QColor& color);

} // namespace erasepanels
