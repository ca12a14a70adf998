#include "ToolScreens.h"

#include "toolkit/RightBgView.h"

#if __has_include("tools/fileeraser/FileEraserViewController.h")
#include "tools/fileeraser/FileEraserViewController.h"
#define NULLVANE_HAS_FILEERASER 1
#endif
#if __has_include("tools/wipedisk/WipeDiskViewController.h")
#include "tools/wipedisk/WipeDiskViewController.h"
#define NULLVANE_HAS_WIPEDISK 1
#endif
#if __has_include("tools/uninstall/UninstallViewController.h")
#include "tools/uninstall/UninstallViewController.h"
#define NULLVANE_HAS_UNINSTALL 1
#endif
#if __has_include("tools/inter/InternetViewController.h")
#include "tools/inter/InternetViewController.h"
#define NULLVANE_HAS_INTER 1
#endif
#if __has_include("tools/repairdisk/RepairDiskViewController.h")
#include "tools/repairdisk/RepairDiskViewController.h"
#define NULLVANE_HAS_REPAIRDISK 1
#endif


namespace {

// The view belongs to its container once shown; deleting it here only when
// nobody took it over.
void dropView(QWidget* view)
{
    if (view && !view->parent())
        delete view;
}

} // namespace

EmptyToolScreen::EmptyToolScreen() : view_(new RightBgView) {}
EmptyToolScreen::~EmptyToolScreen() { dropView(view_); }
EmptyVolumeToolScreen::EmptyVolumeToolScreen() : view_(new RightBgView) {}
EmptyVolumeToolScreen::~EmptyVolumeToolScreen() { dropView(view_); }
EmptyWipeDiskToolScreen::EmptyWipeDiskToolScreen() : view_(new RightBgView) {}
EmptyWipeDiskToolScreen::~EmptyWipeDiskToolScreen() { dropView(view_); }

std::unique_ptr<ToolScreen> ToolScreenFactory::makeFileEraser()
{
#ifdef NULLVANE_HAS_FILEERASER
    return std::make_unique<FileEraserViewController>();
#else
    return std::make_unique<EmptyToolScreen>();
#endif
}

std::unique_ptr<WipeDiskToolScreen> ToolScreenFactory::makeWipeDisk()
{
#ifdef NULLVANE_HAS_WIPEDISK
    return std::make_unique<WipeDiskViewController>();
#else
    return std::make_unique<EmptyWipeDiskToolScreen>();
#endif
}

std::unique_ptr<ToolScreen> ToolScreenFactory::makeUninstall()
{
#ifdef NULLVANE_HAS_UNINSTALL
    return std::make_unique<UninstallViewController>();
#else
    return std::make_unique<EmptyToolScreen>();
#endif
}

std::unique_ptr<ToolScreen> ToolScreenFactory::makeInternet()
{
#ifdef NULLVANE_HAS_INTER
    return std::make_unique<InternetViewController>();
#else
    return std::make_unique<EmptyToolScreen>();
#endif
}

std::unique_ptr<VolumeToolScreen> ToolScreenFactory::makeRepairDisk()
{
#ifdef NULLVANE_HAS_REPAIRDISK
    return std::make_unique<RepairDiskViewController>();
#else
    return std::make_unique<EmptyVolumeToolScreen>();
#endif
}
