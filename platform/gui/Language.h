#pragma once
// The interface language and the desktop's small timing preferences.

namespace platform {

// Makes Simplified Chinese (China) the process's locale and installs Qt's own
// Chinese translation, so the standard dialogs (file pickers, message boxes)
// speak the same language as our screens. Needs the application object.
// Answers whether Qt's translation was found; the locale is set either way.
// The translation is looked for at the first call with the application
// object; later calls answer the same.
bool useSimplifiedChinese();

// How long the pointer must rest on a widget before its tool tip shows, for
// every widget drawn in the application's style. Needs the application object.
void setToolTipDelay(int milliseconds);

} // namespace platform

namespace platform {

// Picks the window system before the application object exists: on a desktop
// with an X display, and nothing chosen by the user (QT_QPA_PLATFORM), the
// program runs through X, where it may place its own windows; under Wayland
// alone it could not centre its dialogs.
void preferPlaceableWindows();

// Makes dates that Qt writes in the system's form (Qt's own file dialogs, file
// lists) read in Chinese. Qt reads the time locale once, so this goes before
// the application object exists; only the time category changes, so the
// output of the tools we run stays as it is.
void preferChineseDates();

} // namespace platform
