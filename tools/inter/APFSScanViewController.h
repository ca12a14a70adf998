#pragma once
// The notice that Safari's folder cannot be written, with a link to the help
// article and "好". Main thread only.

#include "toolkit/StatusAttachedWindow.h"

#include <QObject>
#include <QPointer>
#include <QUrl>
#include <functional>

class EUHandButton;
class TextImageButton;

class APFSScanViewController : public QObject {
    Q_OBJECT
public:
    explicit APFSScanViewController(QObject* parent = nullptr);
    ~APFSScanViewController() override;

    QWidget* view() const { return view_; }
    void setSuperDelegate(StatusAttachedWindow* window) { superDelegate_ = window; }
    StatusAttachedWindow* superDelegate() const { return superDelegate_; }
    void setUrlOpener(std::function<void(const QUrl&)> opener) { openUrl_ = std::move(opener); }

    // The help article on the maker's web site.
    static QUrl helpUrl();
    void okButtonAction();
    void linkButtonAction();
    void closeWindow();

    TextImageButton* okButton() const { return okButton_; }
    EUHandButton* linkButton() const { return linkButton_; }

private:
    QPointer<QWidget> view_;
    TextImageButton* okButton_ = nullptr;
    EUHandButton* linkButton_ = nullptr;
    QPointer<StatusAttachedWindow> superDelegate_;
    std::function<void(const QUrl&)> openUrl_;
};
