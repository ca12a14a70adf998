#pragma once
// The application's life: first-run defaults and font names, the single
// instance, the language, the main window, the update probe, the menu's
// actions, and the clean-up on every road out.

#include "Lifeline.h"

#include <QObject>
#include <QPointer>
#include <memory>

class AboutViewController;
class MainWindowController;
class ToolScreenFactory;
class UpdateViewController;

namespace platform {
class SingleInstance;
}

class AppDelegate : public QObject {
    Q_OBJECT
public:
    explicit AppDelegate(QObject* parent = nullptr);
    ~AppDelegate() override;

    static constexpr const char* kBundleIdentifier = "com.corvel.nullvane";
    // The interface fonts, stored by name for every screen.
    static constexpr const char* kRegularFont = "Noto Sans CJK SC Regular";
    static constexpr const char* kLightFont = "Noto Sans CJK SC Light";
    static constexpr const char* kBoldFont = "Noto Sans CJK SC Bold";

    // First-run defaults and the font names.
    void awakeFromNib();

    // Start-up. False when another copy runs: it was asked to come forward,
    // and this process ends (status 0) without showing anything.
    bool applicationDidFinishLaunching();

    // True when another copy of `bundleIdentifier` runs (it was asked to come
    // forward); this copy then runs nothing.
    bool checkAppDuplicateAndBringToFrontWithBundle(const QString& bundleIdentifier);

    // Platform-initiated end (log-out, a signal, the last window): clean-up,
    // then the main window goes.
    void applicationWillTerminate();

    // Menu actions.
    void exitApp();
    void aboutAction();
    void checkUpdateAction();
    void userGuideMenuAction();
    void supportCenterAction();
    void onlineHelp();
    void FixUnrecognizedDriveMenu();

    // The launch probe: run on a worker; asks for the update dialog only when
    // a newer build is published and the network answers.
    void toCheckUpdate();

    MainWindowController* mainWin() const { return mainWin_.get(); }
    AboutViewController* aboutWC() const { return aboutWC_.get(); }
    UpdateViewController* updateVC() const { return updateVC_.get(); }

    // Tests make the main window with tool screens of their own.
    void setToolScreenFactory(ToolScreenFactory* factory) { factory_ = factory; }
    // Tests take the dialogs without a modal run.
    void setRunsDialogsModally(bool modal) { runsModally_ = modal; }

signals:
    // The application is to end with this status.
    void quitRequested(int status);

private:
    void openNamedLink(const QString& key);
    void fillApplicationMenu();
    void cleanUpForQuit();
    template <typename Controller>
    void showDialog(std::unique_ptr<Controller>& slot);

    std::unique_ptr<MainWindowController> mainWin_;
    std::unique_ptr<AboutViewController> aboutWC_;
    std::unique_ptr<UpdateViewController> updateVC_;
    std::unique_ptr<platform::SingleInstance> instance_;
    ToolScreenFactory* factory_ = nullptr;
    bool runsModally_ = true;
    bool cleanedUp_ = false;
    Lifeline lifeline_{this};
};
