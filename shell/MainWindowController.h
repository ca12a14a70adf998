#pragma once
// The main window: a left column of six tool tabs and a 730 × 580 tool area
// in which one of five tool screens shows at a time. The screens are created
// once and live as long as the window; a click on a tab slides the old
// screen out downwards and the new one in from the top over half a second.
// A running tool locks the tabs through canChangeType; the quit clean-up
// reaches the disk wipe through removeFolderInWipeVolumes.

#include "CustemTypeButtonView.h"
#include "Lifeline.h"
#include "ToolScreens.h"

#include "toolkit/TabBarView.h"
#include "toolkit/ToolScreen.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <memory>

class BaseWindow;
class MainLeftBgView;
class QMenu;
class QWidget;
class TCImageButton;

class MainWindowController : public QObject,
                             public CustemTypeButtonViewDelegate,
                             public TabBarVDelegate,
                             public MainWindowHost {
    Q_OBJECT
public:
    // `factory` makes the tool screens (null: the program's own); it is used
    // during construction only.
    explicit MainWindowController(ToolScreenFactory* factory = nullptr, QObject* parent = nullptr);
    ~MainWindowController() override;

    static constexpr int kWindowWidth = 960;
    static constexpr int kWindowHeight = 580;
    static constexpr int kColumnWidth = 230;
    // How long quitting waits, in all, for tools to stop a run in progress.
    static constexpr int kQuitWaitMs = 5000;

    BaseWindow* window() const { return window_; }

    // The menu behind the title bar's menu button; the application fills it.
    QMenu* applicationMenu() const { return applicationMenu_; }
    TCImageButton* menuButton() const { return menuButton_; }

    // CustemTypeButtonViewDelegate: a tab was clicked.
    void mouseClickAction(int tag) override;
    // MainWindowHost: locks (NO) or unlocks (YES) all six tabs.
    void canChangeType(bool enabled) override;
    // TabBarVDelegate: the title bar's close button, before the window closes.
    void closeWindowAction() override;

    // At quit: stops a tool run in progress (waiting at most kQuitWaitMs for
    // its worker), then has the disk wipe delete a fill folder it left.
    void removeFolderInWipeVolumes();
    // Whether the quit clean-up has run.
    bool hasCleanedUp() const { return cleanedUp_; }

    // Brings the window forward, restored and showing its content.
    void bringToFront();

    int indexSelectView() const { return indexSelectView_; }

    TabBarView* tabBarView = nullptr;
    MainLeftBgView* leftView = nullptr;
    QWidget* rightView = nullptr;
    QWidget* FileEraserBaseView = nullptr;
    QWidget* wipeHddBaseView = nullptr;
    QWidget* diskReparBaseView = nullptr;
    QWidget* uninstallBaseView = nullptr;
    QWidget* interBaseView = nullptr;
    QList<QWidget*> allBaseViewArr;

    CustemTypeButtonView* eraseFile = nullptr;
    CustemTypeButtonView* wipeHardDevice = nullptr;
    CustemTypeButtonView* wipeFreeSpace = nullptr;
    CustemTypeButtonView* diskReper = nullptr;
    CustemTypeButtonView* uninstall = nullptr;
    CustemTypeButtonView* internetCleanup = nullptr;
    QList<CustemTypeButtonView*> allTypeButArr;

    std::unique_ptr<ToolScreen> fileEraserVC;
    std::unique_ptr<WipeDiskToolScreen> wipeDiskVC;
    std::unique_ptr<ToolScreen> uninstallVC;
    std::unique_ptr<ToolScreen> internetVC;
    std::unique_ptr<VolumeToolScreen> repairDiskVC;

private:
    void awakeFromNib(ToolScreenFactory& factory);
    void buildWindow();
    QWidget* makeContainer(bool visibleAtStart);
    void hostView(ToolScreen& tool, QWidget* container);
    void addFileEraserView(ToolScreenFactory& factory);
    void addWipeDiskView(ToolScreenFactory& factory);
    void addUninstallView(ToolScreenFactory& factory);
    void addInternetView(ToolScreenFactory& factory);
    void addRepairDiskVC(ToolScreenFactory& factory);
    void getallVolumesForRepair();
    void addTypeButton();
    CustemTypeButtonView* createTypeButtonWithName(const QString& name, const QString& iconImage,
                                                   const QString& selIconImage, int tag, const QRect& frame);
    void slide(QWidget* from, QWidget* to);
    void finishRunningSlide();
    QList<ToolScreen*> tools() const;

    BaseWindow* window_ = nullptr;
    QMenu* applicationMenu_ = nullptr;
    TCImageButton* menuButton_ = nullptr;
    int indexSelectView_ = 0;
    bool cleanedUp_ = false;
    struct Move {
        QPointer<QWidget> view;
        QRect end;
    };
    QList<Move> runningSlide_;
    Lifeline lifeline_{this};
};
