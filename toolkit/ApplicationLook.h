#pragma once
// The application's one look for Qt's own widgets: file dialogs, message
// boxes, menus and tooltips are dark, in the interface fonts, and speak
// Chinese, like the screens built on the toolkit.

#include <QPalette>

#include <QString>

namespace toolkit {

// Installs Qt's Chinese translation (and the Chinese locale), makes Qt use its
// own file dialogs instead of the desktop's (so they follow the palette), and
// sets the dark palette on the application and the style sheet on each of Qt's
// own windows as it is made. Call once,
// right after the application object exists and before any widget is made:
// a widget keeps the texts it was created with. Calling again changes nothing.
void setUpApplicationLook();

// The dark palette of the interface: window body RGB 50,50,62, lists
// RGB 50,50,61, the blue of the primary buttons for selections.
QPalette darkPalette();

// The style sheet of Qt's own windows (menus, tooltips, message boxes, file
// and input dialogs), in the interface fonts. Our own widgets draw themselves
// and never get it.
QString applicationStyleSheet();

} // namespace toolkit
