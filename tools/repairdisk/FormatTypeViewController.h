#pragma once
// The format picker: one hover row per file system our disk utility can make
// here ("ExFAT", "MS-DOS FAT32", "ext4"); a click reports the row's number,
// the pointer's arrival and departure go to the host.

#include "toolkit/TextListDropDown.h"

using FormatTypeVCDelegate = toolkit::TextListDropDownDelegate;

class FormatTypeViewController : public toolkit::TextListDropDown {
    Q_OBJECT
public:
    explicit FormatTypeViewController(QObject* parent = nullptr);
};
