#include "MyNSApplication.h"

#include <QKeyEvent>
#include <QMetaMethod>
#include <QWidget>

const char* editingActionFor(int key, Qt::KeyboardModifiers modifiers)
{
    const Qt::KeyboardModifiers relevant = modifiers & ~Qt::KeypadModifier;
    if (relevant != Qt::ControlModifier && relevant != (Qt::ControlModifier | Qt::ShiftModifier))
        return nullptr;
    switch (key) {
    case Qt::Key_X: return "cut";
    case Qt::Key_C: return "copy";
    case Qt::Key_V: return "paste";
    case Qt::Key_Z: return "undo";
    case Qt::Key_A: return "selectAll";
    default: return nullptr;
    }
}

bool KeyEquivalentFilter::sendToFocusWidget(const char* action)
{
    QWidget* target = QApplication::focusWidget();
    if (!target || !action)
        return false;
    // Only a real slot or invokable without arguments counts as "answers to
    // the action"; a widget without it keeps its ordinary key handling.
    const QMetaObject* meta = target->metaObject();
    const int index = meta->indexOfMethod(QMetaObject::normalizedSignature((QByteArray(action) + "()").constData()));
    if (index < 0)
        return false;
    const QMetaMethod method = meta->method(index);
    if (method.methodType() != QMetaMethod::Slot && method.methodType() != QMetaMethod::Method)
        return false;
    return method.invoke(target, Qt::DirectConnection);
}

bool KeyEquivalentFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    // Qt offers the same press to each widget up the parent chain; only the
    // delivery to the focused widget itself is acted on.
    if (watched != QApplication::focusWidget())
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const char* action = editingActionFor(key->key(), key->modifiers());
    if (!action)
        return false;
    return sendToFocusWidget(action);
}

MyNSApplication::MyNSApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
    installEventFilter(&keyFilter_);
}
