#pragma once
// The uninstaller's three-way kind switcher: applications, widgets, plug-ins.
// Each tab is an image button whose image shows whether it is the chosen
// one; a click reports the kind while the switcher accepts clicks.

#include <QObject>
#include <QPointer>
#include <QStringList>

class QWidget;
class TCImageButton;

class CustemSegmentVCDelegate {
public:
    virtual ~CustemSegmentVCDelegate() = default;
    // 0 applications, 1 widgets, 2 plug-ins.
    virtual void segmentSelectWithIndex(int kind) { Q_UNUSED(kind); }
};

class CustemSegmentVC : public QObject {
    Q_OBJECT
public:
    static constexpr int kTabWidth = 100;
    static constexpr int kTabHeight = 28;
    static constexpr int kGap = 8;

    explicit CustemSegmentVC(QObject* parent = nullptr);
    ~CustemSegmentVC() override;

    QWidget* view() const { return view_; }

    // Not owned.
    void setDelegate(CustemSegmentVCDelegate* delegate) { delegate_ = delegate; }

    // A tab's click, by its identifier "0", "1" or "2". Ignored while the
    // switcher does not accept clicks.
    void buttonSelectAction(const QString& identifier);
    // Whether clicks are accepted (NO while the first scan runs).
    void setSegmentEndit(bool endit) { isEndit_ = endit; }
    bool isEndit() const { return isEndit_; }

    // The images of the three tabs when `identifier` is chosen.
    static QStringList tabImages(const QString& identifier);

    TCImageButton* tab(int n) const; // 1-based: tab_1, tab_2, tab_3
    QString tabImageName(int n) const { return shown_.value(n - 1); }

private:
    void showChosen(const QString& identifier);

    QPointer<QWidget> view_;
    TCImageButton* tabs_[3] = {};
    QStringList shown_;
    bool isEndit_ = true;
    CustemSegmentVCDelegate* delegate_ = nullptr;
};
