#pragma once
// The application object. Besides Qt's own dispatch it gives the editing keys
// one meaning everywhere: Ctrl (or Ctrl+Shift) with X, C, V, Z or A is sent
// to the focused widget as cut, copy, paste, undo or select-all, whichever
// kind of widget that is.

#include <QApplication>
#include <QObject>

class QKeyEvent;

// The editing action ("cut", "copy", "paste", "undo", "selectAll") a key
// press stands for, or nullptr when it is no editing key. Only Ctrl alone or
// Ctrl+Shift counts; the keypad flag is ignored, any other modifier makes it
// an ordinary key.
const char* editingActionFor(int key, Qt::KeyboardModifiers modifiers);

// Watches every key press of the application and hands editing keys to the
// focused widget. A widget that has no such action gets the key as usual.
class KeyEquivalentFilter : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // Sends `action` to the focused widget; false when there is none or it
    // has no such action.
    static bool sendToFocusWidget(const char* action);
};

class MyNSApplication : public QApplication {
    Q_OBJECT
public:
    MyNSApplication(int& argc, char** argv);

private:
    KeyEquivalentFilter keyFilter_;
};
