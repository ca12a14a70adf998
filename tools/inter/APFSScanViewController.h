#pragma once
// The notice that Safari's folder cannot be written, with a link to the help
// article and "好". Main thread only.

#include "NoticeDialog.h"

#include <QUrl>
#include <functional>

class EUHandButton;
class TextImageButton;

class APFSScanViewController : public NoticeDialog {
    Q_OBJECT
public:
    explicit APFSScanViewController(QObject* parent = nullptr);
    void setUrlOpener(std::function<void(const QUrl&)> opener) { openUrl_ = std::move(opener); }

    // The help article on the maker's web site.
    static QUrl helpUrl();
    void okButtonAction();
    void linkButtonAction();

    TextImageButton* okButton() const { return okButton_; }
    EUHandButton* linkButton() const { return linkButton_; }

private:
    TextImageButton* okButton_ = nullptr;
    EUHandButton* linkButton_ = nullptr;
    std::function<void(const QUrl&)> openUrl_;
};
