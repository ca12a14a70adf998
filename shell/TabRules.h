#pragma once
// What a click on one of the six tool tabs does, decided apart from the
// widgets. Tags: 0 File Eraser, 1 Wipe Volume, 2 Wipe Free Space, 3 Disk
// tools, 4 App uninstaller, 5 Browser cleaner. The two wipe tabs share the
// disk wipe's screen in two modes.

constexpr int kTabCount = 6;
constexpr int kContainerCount = 5;

// The tool container a tab shows: 0, 1, 1, 2, 3, 4; -1 for no tab.
int containerIndexForTag(int tag);

struct TabClickPlan {
    bool ignored = true;        // nothing happens at all
    bool rescanWipe = false;    // the disk wipe rescans its volumes first
    int wipeMode = 0;           // 1 or 2: the disk wipe switches to that tab's mode
    bool rescanRepair = false;  // the Disk tools rescan their volumes
    bool slide = false;         // the containers slide
    int fromContainer = -1;
    int toContainer = -1;
};

// The plan for a click on `clicked` while `current` is selected.
TabClickPlan planTabClick(int current, int clicked);
