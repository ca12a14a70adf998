#pragma once
// The result of a format: whether the disk utility succeeded, by its exit
// status, and "好".

#include "toolkit/StatusAttachedWindow.h"

#include <QObject>
#include <QPointer>

class NamedImageView;
class QLabel;
class TextImageButton;

class FormatEndViewController : public QObject {
    Q_OBJECT
public:
    explicit FormatEndViewController(QObject* parent = nullptr);
    ~FormatEndViewController() override;

    QWidget* view() const { return view_; }
    void setSuperDelegate(StatusAttachedWindow* window) { superDelegate_ = window; }
    StatusAttachedWindow* superDelegate() const { return superDelegate_; }

    // What to tell: the volume's name, the file system asked for, whether it
    // worked and, if not, the utility's reason.
    void setResult(const QString& name, const QString& type, bool succeeded, const QString& reason);

    void closeWindow();

    TextImageButton* closeButton() const { return closeButton_; }
    QLabel* titleLabel() const { return titleLabel_; }
    QLabel* detailLabel() const { return detailLabel_; }
    NamedImageView* resultImage() const { return resultImage_; }

private:
    QPointer<QWidget> view_;
    NamedImageView* resultImage_ = nullptr;
    QLabel* titleLabel_ = nullptr;
    QLabel* detailLabel_ = nullptr;
    TextImageButton* closeButton_ = nullptr;
    QPointer<StatusAttachedWindow> superDelegate_;
};
