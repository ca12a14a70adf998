#pragma once
// The notice that the browsers' data is shielded from this program (Full
// Disk Access missing). The platform decides whether it is ever shown; on
// Linux the data never is shielded. Main thread only.

#include "NoticeDialog.h"

#include <QUrl>
#include <functional>

class TextImageButton;

class FullDiskAccessViewController : public NoticeDialog {
    Q_OBJECT
public:
    explicit FullDiskAccessViewController(QObject* parent = nullptr);
    // Tests replace how a web address is opened.
    void setUrlOpener(std::function<void(const QUrl&)> opener) { openUrl_ = std::move(opener); }

    // Opens the system's privacy settings (from 10.14 on), then closes.
    void openSetView();

    TextImageButton* laterButton() const { return laterButton_; }
    TextImageButton* openButton() const { return openButton_; }

private:
    TextImageButton* laterButton_ = nullptr;
    TextImageButton* openButton_ = nullptr;
    std::function<void(const QUrl&)> openUrl_;
};
