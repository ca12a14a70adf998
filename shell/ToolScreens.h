#pragma once
// Where the main window gets its five tool screens. Each make function
// creates the real screen of its tool once that tool's library is part of
// the program; until then it gives an empty screen of the right kind, so
// the tabs, the slide and the quit clean-up already work around it.

#include "toolkit/ToolScreen.h"

#include <QPointer>
#include <memory>

class ToolScreenFactory {
public:
    virtual ~ToolScreenFactory() = default;
    virtual std::unique_ptr<ToolScreen> makeFileEraser();
    virtual std::unique_ptr<WipeDiskToolScreen> makeWipeDisk();
    virtual std::unique_ptr<ToolScreen> makeUninstall();
    virtual std::unique_ptr<ToolScreen> makeInternet();
    virtual std::unique_ptr<VolumeToolScreen> makeRepairDisk();
};

// A tool screen that is not built yet: its dark backdrop and nothing else.
class EmptyToolScreen : public ToolScreen {
public:
    EmptyToolScreen();
    ~EmptyToolScreen() override;
    QWidget* view() override { return view_; }

private:
    QPointer<QWidget> view_;
};

class EmptyVolumeToolScreen : public VolumeToolScreen {
public:
    EmptyVolumeToolScreen();
    ~EmptyVolumeToolScreen() override;
    QWidget* view() override { return view_; }
    void getallVolumes() override {}

private:
    QPointer<QWidget> view_;
};

class EmptyWipeDiskToolScreen : public WipeDiskToolScreen {
public:
    EmptyWipeDiskToolScreen();
    ~EmptyWipeDiskToolScreen() override;
    QWidget* view() override { return view_; }
    void getallVolumes() override {}
    void loadBaseView() override {}
    void changeFormatOrFreeSpaceView(int) override {}
    void endAppRemoveFolder() override {}

private:
    QPointer<QWidget> view_;
};
