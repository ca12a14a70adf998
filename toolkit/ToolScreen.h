#pragma once
// How the main window and the five tool screens it hosts see each other.
// The main window creates each screen once, puts its view into a container
// of the 730 × 580 tool area and keeps it for its whole life; a screen that
// runs long work locks the tabs through its host meanwhile.

#include <QWidget>

// The main window as a tool screen sees it (the screens' `superDelegate`).
class MainWindowHost {
public:
    virtual ~MainWindowHost() = default;
    // NO greys out all six tabs so clicks on them are ignored; YES undoes it.
    virtual void canChangeType(bool enabled) = 0;
};

// One tool screen.
class ToolScreen {
public:
    virtual ~ToolScreen() = default;

    // The screen's view; the main window makes it a child of its container.
    virtual QWidget* view() = 0;

    // The host the screen reports to; the main window sets it on the File
    // Eraser and the disk wipe.
    virtual void setSuperDelegate(MainWindowHost* host) { (void)host; }

    // At quit: asks a run in progress to stop and waits at most `timeoutMs`
    // for its worker. Answers whether no worker is left running.
    virtual bool stopRunningWork(int timeoutMs)
    {
        (void)timeoutMs;
        return true;
    }
};

// A screen with a volume list the main window asks to rescan (the disk wipe
// on entering its tabs, the Disk tools on every entry). A rescan returns at
// once and may be asked from any thread.
class VolumeToolScreen : public ToolScreen {
public:
    virtual void getallVolumes() = 0;
};

// The disk wipe's screen, which serves the Wipe Volume and Wipe Free Space
// tabs in two modes.
class WipeDiskToolScreen : public VolumeToolScreen {
public:
    // Set-up, once, after the host is set.
    virtual void loadBaseView() = 0;
    // 1 for the Wipe Volume tab, 2 for the Wipe Free Space tab.
    virtual void changeFormatOrFreeSpaceView(int tag) = 0;
    // At quit: deletes a free-space fill folder left on a volume.
    virtual void endAppRemoveFolder() = 0;
};
