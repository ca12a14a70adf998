#pragma once
// The removal's progress dialog: a title bar with its close button, a bar
// and the path last handled while the run goes on, then the end view with
// what was freed and "好".

#include "toolkit/StatusAttachedWindow.h"
#include "toolkit/TabBarView.h"

#include <QObject>
#include <QPointer>

class NamedImageView;
class ProgressView;
class QLabel;
class TextImageButton;

class UninstallProgressDelegate {
public:
    virtual ~UninstallProgressDelegate() = default;
    // The user closed the dialog ("好" or the title bar's close button).
    virtual void uninstallEnd() {}
};

class UninstallProgressViewController : public QObject, public TabBarVDelegate {
    Q_OBJECT
public:
    static constexpr int kWidth = 560;
    static constexpr int kHeight = 220;

    explicit UninstallProgressViewController(QObject* parent = nullptr);
    ~UninstallProgressViewController() override;

    QWidget* view() const { return view_; }

    // Not owned.
    void setDelegate(UninstallProgressDelegate* delegate) { delegate_ = delegate; }
    // The hosting window; closing does nothing while it is unset.
    void setSuperDelegate(StatusAttachedWindow* window) { superDelegate_ = window; }

    // The bar's value (0–100) and the path last handled; from 100 on the end
    // view replaces the bar.
    void changeProgressValue(int percent, const QString& path);
    // The end view's message, under a success mark, or a failure mark when
    // some items could not be removed.
    void changeLabel(const QString& message, bool allRemoved = true);

    void okButtonAction();
    void closeWindowAction() override;
    void closeWindow();

    TextImageButton* okButton() const { return okButton_; }
    TabBarView* tabBarView() const { return tabBarView_; }
    QWidget* progressView() const { return progressView_; }
    QWidget* endView() const { return endView_; }
    ProgressView* progressBar() const { return progressBar_; }
    QLabel* pathLabel() const { return pathLabel_; }
    QLabel* messageLabel() const { return messageLabel_; }
    NamedImageView* endIcon() const { return endIcon_; }
    int percent() const { return percent_; }

signals:
    // After each change of the bar.
    void progressChanged(int percent, const QString& path);

private:
    void loadView();

    QPointer<QWidget> view_;
    TabBarView* tabBarView_ = nullptr;
    QWidget* progressView_ = nullptr;
    QWidget* endView_ = nullptr;
    ProgressView* progressBar_ = nullptr;
    QLabel* pathLabel_ = nullptr;
    QLabel* messageLabel_ = nullptr;
    NamedImageView* endIcon_ = nullptr;
    TextImageButton* okButton_ = nullptr;
    int percent_ = 0;
    QPointer<StatusAttachedWindow> superDelegate_;
    UninstallProgressDelegate* delegate_ = nullptr;
};
