#include "TabRules.h"

namespace {

bool isWipeTab(int tag) { return tag == 1 || tag == 2; }

} // namespace

int containerIndexForTag(int tag)
{
    if (tag < 0 || tag >= kTabCount)
        return -1;
    return tag <= 1 ? tag : tag - 1;
}

TabClickPlan planTabClick(int current, int clicked)
{
    TabClickPlan plan;
    if (clicked == current || containerIndexForTag(clicked) < 0 || containerIndexForTag(current) < 0)
        return plan;
    plan.ignored = false;
    if (isWipeTab(clicked)) {
        plan.rescanWipe = !isWipeTab(current);
        plan.wipeMode = clicked;
        if (isWipeTab(current))
            return plan; // same screen, other mode: no slide
    }
    plan.rescanRepair = clicked == 3;
    plan.slide = true;
    plan.fromContainer = containerIndexForTag(current);
    plan.toContainer = containerIndexForTag(clicked);
    return plan;
}
