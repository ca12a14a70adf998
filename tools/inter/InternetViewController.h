#pragma once
// The Browser Cleaner tab: scan (closing running browsers if the user
// agrees, the access check, discovery and measuring on a global queue),
// the two lists with their tick boxes, the clean (closing the ticked
// browsers that run and waiting for them to exit, then the cleaners on a
// global queue), the end panel and the ways back. Main thread only; the
// scan's and the clean's workers hand their results over on the main queue,
// and while either runs the buttons that would start another are closed.

#include "BroTableView.h"
#include "CloseBrowerViewController.h"
#include "InternetEngine.h"
#include "InternetPanes.h"
#include "RunningBrowsers.h"
#include "toolkit/ToolScreen.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <functional>

class APFSScanViewController;
class FullDiskAccessViewController;
class RightBgView;

class InternetViewController : public QObject,
                               public ToolScreen,
                               public InternetEngineDelegate,
                               public BroTableViewDataSource,
                               public CloseBrowerVCDelegate {
    Q_OBJECT
public:
    enum class Panel { Start, Loading, Result, End };

    explicit InternetViewController(QObject* parent = nullptr);
    ~InternetViewController() override;

    // ToolScreen
    QWidget* view() override;
    bool stopRunningWork(int timeoutMs) override;

    // Button actions.
    void checkOpenBrower();
    void cleanButtonAction();
    void backHomeButtonAction();
    void cleanEndBackHomeButtonAction();

    // Starts discovery after the access check.
    void getBrowserArr();
    // 2 full access, 1 the data exists but cannot be read, 0 no data there.
    int getAuthorizationStatus() const;
    // Closes the browsers recorded in allOpenId and waits for them (bounded);
    // `done` gets those still running after the wait.
    void doAction(std::function<void(QList<platform::RunningProcess>)> done);
    // Runs the cleaners on a worker (the Safari notice first, on this thread);
    // browsers whose processes in `stillRunning` did not exit are left as
    // they are. The end panel shows once the last item is done.
    void cleanBrowerFiles(const QList<platform::RunningProcess>& stillRunning = {});
    // Shows the chosen browser's name.
    void changeDetail();

    // CloseBrowerVCDelegate
    void closeBrowerButtonAction() override;

    // BroTableViewDataSource
    int numberOfRowsInTableView(BroTableView* tableView) override;
    void willDisplayCell(BroTableView* tableView, const QString& column, int row, BrowerImageAndTextCell* text,
                         BrowerButtonCell* button) override;
    bool shouldSelectRow(BroTableView* tableView, int row) override;
    void selectBrower(BroTableView* tableView) override;

    // InternetEngineDelegate
    void reloadLists() override;
    void reloadItemList() override;
    void setCleanButtonEnabled(bool enabled) override;

    // State, for the main window and tests.
    Panel currentPanel() const;
    InternetEngine& engine() { return engine_; }
    const InternetPanes& panes() const { return panes_; }
    int broSelectIndex() const { return broSelectIndex_; }
    QList<platform::RunningProcess> allOpenId() const { return allOpenId_; }
    bool isClose() const { return isClose_; }
    CloseBrowerViewController* closeBroVC() const { return closeBroVC_; }
    APFSScanViewController* apfsScanVC() const { return apfsScanVC_; }
    BrowserCloser* closer() const { return closer_; }

    // Seams: where running processes come from (not owned; the system's by
    // default), and the platform's answer to "is the browsers' data shielded".
    void setProcessList(platform::ProcessList* list);
    void setAccessCheck(std::function<int()> check) { accessCheck_ = std::move(check); }

signals:
    void scanFinished();
    void cleanFinished();

private:
    void showDialog(QWidget* dialogView, const std::function<void(StatusAttachedWindow*)>& bind);
    void onScanned();
    void setBusy(bool busy);
    BrowerObjPtr browserAt(int row) const;
    BrowerObjPtr itemAt(int row) const;

    QPointer<RightBgView> view_;
    InternetPanes panes_;
    InternetEngine engine_;
    platform::ProcessList* processes_ = nullptr;
    BrowserCloser* closer_ = nullptr;
    int broSelectIndex_ = 0;
    QList<platform::RunningProcess> allOpenId_;
    // The processes closed for each browser node before a clean.
    QHash<const BrowerObj*, QList<qint64>> pidsOfNode_;
    bool isClose_ = false;
    CloseBrowerViewController* closeBroVC_ = nullptr;
    APFSScanViewController* apfsScanVC_ = nullptr;
    std::function<int()> accessCheck_;
};
