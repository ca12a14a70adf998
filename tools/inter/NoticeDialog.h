#pragma once
// What the browser cleaner's three dialogs share: a view with a title and a
// note, the hosting window (`superDelegate`) and closing it. Main thread only.

#include "toolkit/StatusAttachedWindow.h"

#include <QObject>
#include <QPointer>

class NoticeDialog : public QObject {
    Q_OBJECT
public:
    ~NoticeDialog() override;

    QWidget* view() const { return view_; }
    // The hosting window; closeWindow does nothing while it is unset.
    void setSuperDelegate(StatusAttachedWindow* window) { superDelegate_ = window; }
    StatusAttachedWindow* superDelegate() const { return superDelegate_; }
    void closeWindow();

protected:
    // A view of `size` with `title` and the word-wrapped `note` under it.
    NoticeDialog(const QSize& size, const QString& title, const QString& note, int noteHeight, QObject* parent);

private:
    QPointer<QWidget> view_;
    QPointer<StatusAttachedWindow> superDelegate_;
};
