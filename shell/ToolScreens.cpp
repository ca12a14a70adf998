#include "ToolScreens.h"

#include "tools/fileeraser/FileEraserViewController.h"
#include "tools/inter/InternetViewController.h"
#include "tools/repairdisk/RepairDiskViewController.h"
#include "tools/uninstall/UninstallViewController.h"
#include "tools/wipedisk/WipeDiskViewController.h"

std::unique_ptr<ToolScreen> ToolScreenFactory::makeFileEraser()
{
    return std::make_unique<FileEraserViewController>();
}

std::unique_ptr<WipeDiskToolScreen> ToolScreenFactory::makeWipeDisk()
{
    return std::make_unique<WipeDiskViewController>();
}

std::unique_ptr<ToolScreen> ToolScreenFactory::makeUninstall()
{
    return std::make_unique<UninstallViewController>();
}

std::unique_ptr<ToolScreen> ToolScreenFactory::makeInternet()
{
    return std::make_unique<InternetViewController>();
}

std::unique_ptr<VolumeToolScreen> ToolScreenFactory::makeRepairDisk()
{
    return std::make_unique<RepairDiskViewController>();
}
