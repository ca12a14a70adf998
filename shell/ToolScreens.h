#pragma once
// Where the main window gets its five tool screens, one make function per
// tool. Tests derive from the factory to hand the window a screen of their own.

#include "toolkit/ToolScreen.h"

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
