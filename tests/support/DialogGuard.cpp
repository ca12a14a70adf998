#include "DialogGuard.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

namespace nvtest {

namespace {

int expected = 0;

QString describe(const QWidget* window)
{
    QString text = QString::fromLatin1(window->metaObject()->className());
    if (!window->windowTitle().isEmpty())
        text += QStringLiteral(" \"%1\"").arg(window->windowTitle());
    return text;
}

// Ends the dialog's run the way its user would by closing it.
void closeDialog(QWidget* window)
{
    QPointer<QWidget> guard(window);
    QTimer::singleShot(0, window, [guard] {
        if (!guard || !guard->isVisible())
            return;
        if (auto* dialog = qobject_cast<QDialog*>(guard.data()))
            dialog->done(QDialog::Rejected);
        else
            guard->close();
    });
}

class DialogGuard : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Show || !watched->isWidgetType())
            return false;
        auto* window = static_cast<QWidget*>(watched);
        if (!window->isWindow() || !window->isModal())
            return false;
        if (!dialogsExpected()) {
            ADD_FAILURE() << "a modal dialog opened where the test expected none: " << describe(window).toStdString()
                          << " (a test that answers it holds an nvtest::ExpectDialogs)";
            closeDialog(window);
            return false;
        }
        QPointer<QWidget> guard(window);
        auto* watchdog = new QTimer(window);
        watchdog->setSingleShot(true);
        QObject::connect(watchdog, &QTimer::timeout, window, [guard, watchdog] {
            watchdog->deleteLater();
            if (!guard || !guard->isVisible() || !guard->isModal())
                return;
            ADD_FAILURE() << "a modal dialog stayed unanswered for " << kUnansweredDialogMs
                          << " ms: " << describe(guard).toStdString();
            closeDialog(guard);
        });
        watchdog->start(kUnansweredDialogMs);
        return false;
    }
};

} // namespace

ExpectDialogs::ExpectDialogs() { ++expected; }
ExpectDialogs::~ExpectDialogs() { --expected; }

bool dialogsExpected() { return expected > 0; }

void installDialogGuard()
{
    static DialogGuard* guard = nullptr;
    if (guard)
        return;
    guard = new DialogGuard(qApp);
    qApp->installEventFilter(guard);
}

} // namespace nvtest
