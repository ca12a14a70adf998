#pragma once
// The panes of the disk-wipe screen, built in code: the explanation of each
// mode, the progress pane of each mode, the success and failure panes, and
// the spinner shown while the volume list is read.

#include <QWidget>
#include <functional>

class ITProgressBar;
class QLabel;
class QTimer;
class TCImageButton;
class TextImageButton;

// The widgets of one mode's progress pane.
struct WipeProgressPane {
    QWidget* pane = nullptr;
    QLabel* startLabel = nullptr;      // sStartLabel / fStartLabel
    QLabel* diskNameLabel = nullptr;   // sEraserDiskNameLabel / fEraserDiskNameLabel
    QLabel* typeLabel = nullptr;       // sEraserTypeLabel / fEraserTypeLabel
    QLabel* clockLabel = nullptr;      // sRaserPathLabel / fRaserPathLabel
    QLabel* roundLabel = nullptr;      // sEraserRoundLabel / fEraserRoundLabel
    QLabel* cancelLabel = nullptr;     // sCancelLabel / fCancelLabel
    ITProgressBar* bar = nullptr;      // wipeDiskProgressBar / wipeFreeSpaceProgressBar
    TextImageButton* cancelButton = nullptr;
};

// The widgets of a result pane.
struct WipeEndPane {
    QWidget* pane = nullptr;
    QLabel* message = nullptr;         // successfulMessageLable, or the failure text
    QLabel* note = nullptr;            // failNodeLabel (failure pane only)
    TCImageButton* backButton = nullptr;
    TextImageButton* okButton = nullptr;
};

namespace wipepanes {

// The failure pane's note after a cancel.
inline const QString kCancelNote = QStringLiteral("该操作已被用户取消。");

// The explanation of Wipe Volume (mode 2) or Wipe Free Space (mode 1) above
// the list; `more` is the help link of the Wipe Free Space explanation.
QWidget* buildNodeView(QWidget* parent, int mode, const std::function<void()>& more);

// A progress pane, outside the visible area and hidden.
WipeProgressPane buildProgressPane(QWidget* parent, int mode);

// A result pane, outside the visible area and hidden.
WipeEndPane buildEndPane(QWidget* parent, bool success);

} // namespace wipepanes
