#pragma once
// The pane a run of the File Eraser or the disk wipe ends on: back button,
// the success or failure image, its title, one line of message, on failure a
// note below it (hidden), and the OK button.

#include <QString>

class QLabel;
class QWidget;
class TCImageButton;
class TextImageButton;

namespace erasepanels {

struct ResultPane {
    QLabel* message = nullptr;
    QLabel* note = nullptr;  // failure only
    TCImageButton* backButton = nullptr;
    TextImageButton* okButton = nullptr;
};

// Fills `pane`, which takes the tool area's size right of the visible area,
// hidden. Each tool brings its own background view as `pane`.
ResultPane buildResultPane(QWidget* pane, bool success, const QString& message, const QString& note = QString());

} // namespace erasepanels
