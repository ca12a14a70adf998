#include "FormatTypeViewController.h"

#include "RepairDiskRules.h"

FormatTypeViewController::FormatTypeViewController(QObject* parent)
    : toolkit::TextListDropDown(repairdisk::formatTypes(), 200, parent)
{
}
