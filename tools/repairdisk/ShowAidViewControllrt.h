#pragma once
// First Aid's output: one row per chunk of the disk utility's output as it
// arrives, the bar (5 % a chunk, at most 99 % until the end) and "完成",
// usable once the utility has ended.
//
// Main thread only; the run hands its reports over there.

#include "toolkit/StatusAttachedWindow.h"

#include <QAbstractListModel>
#include <QObject>
#include <QPointer>
#include <QStringList>

class AidProgress;
class NamedImageView;
class QLabel;
class QListView;
class TextImageButton;

class ShowAidVCDelegate {
public:
    virtual ~ShowAidVCDelegate() = default;
    virtual void closeShowAidWindow() {}
};

class ShowAidViewControllrt : public QObject {
    Q_OBJECT
public:
    explicit ShowAidViewControllrt(QObject* parent = nullptr);
    ~ShowAidViewControllrt() override;

    QWidget* view() const { return view_; }
    void setDelegate(ShowAidVCDelegate* delegate) { delegate_ = delegate; }
    void setSuperDelegate(StatusAttachedWindow* window) { superDelegate_ = window; }
    StatusAttachedWindow* superDelegate() const { return superDelegate_; }

    // The caption names the volume being checked.
    void setVolumeName(const QString& name, bool repair);

    // One chunk of output as a row.
    void changeShowOutPut(const QString& chunk);
    // The bar: the chunk count, or kAidEndMark once the utility has ended.
    void setProgressValue(float value);
    void completeButAction();

    // The height a text needs in the system font at 12 pt wrapped to `width`.
    static double heightOfText(const QString& text, int width);

    const QStringList& allShowStrArr() const { return allShowStrArr_; }
    QListView* showTableView() const { return showTableView_; }
    AidProgress* progress() const { return progress_; }
    TextImageButton* completeBut() const { return completeBut_; }
    QLabel* nodeLabel() const { return nodeLabel_; }
    float progressPercent() const { return percent_; }

private:
    void loadView();

    QStringList allShowStrArr_;
    float percent_ = 0;
    QPointer<QWidget> view_;
    QListView* showTableView_ = nullptr;
    QAbstractListModel* model_ = nullptr;
    AidProgress* progress_ = nullptr;
    TextImageButton* completeBut_ = nullptr;
    NamedImageView* iconImageView_ = nullptr;
    QLabel* nodeLabel_ = nullptr;
    QPointer<StatusAttachedWindow> superDelegate_;
    ShowAidVCDelegate* delegate_ = nullptr;
};
