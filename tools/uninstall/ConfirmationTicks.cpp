#include "ConfirmationTicks.h"

#include "core/CommUti.h"
#include "toolkit/ImageCache.h"

ConfirmationTicks::ConfirmationTicks(const QList<AMAppItemList>& groups) : groups_(groups)
{
    for (const AMAppItemList& group : groups_)
        for (const AMAppItemPtr& item : group)
            if (item && !item->isUserDocument && !selectDeletePath_.contains(item))
                selectDeletePath_.append(item);
}

bool ConfirmationTicks::isTicked(const AMAppItemPtr& item) const
{
    return item && selectDeletePath_.contains(item);
}

ConfirmationTicks::GroupState ConfirmationTicks::groupState(int group) const
{
    if (group < 0 || group >= groups_.size() || groups_.at(group).isEmpty())
        return GroupState::None;
    int ticked = 0;
    for (const AMAppItemPtr& item : groups_.at(group))
        ticked += isTicked(item) ? 1 : 0;
    if (ticked == 0)
        return GroupState::None;
    return ticked == groups_.at(group).size() ? GroupState::All : GroupState::Some;
}

QString ConfirmationTicks::groupImageName(int group) const
{
    switch (groupState(group)) {
    case GroupState::All:
        return toolkit::imageName("checkbox_yes");
    case GroupState::Some:
        return toolkit::imageName("checkbox_election");
    case GroupState::None:
        break;
    }
    return toolkit::imageName("checkbox_no");
}

QString ConfirmationTicks::memberImageName(const AMAppItemPtr& item) const
{
    return isTicked(item) ? toolkit::imageName("checkbox_yes") : toolkit::imageName("checkbox_no");
}

void ConfirmationTicks::toggleGroup(int group)
{
    if (group < 0 || group >= groups_.size())
        return;
    const AMAppItemList& members = groups_.at(group);
    if (groupState(group) == GroupState::All) {
        for (const AMAppItemPtr& item : members)
            selectDeletePath_.removeAll(item);
        return;
    }
    for (const AMAppItemPtr& item : members)
        if (item && !isTicked(item))
            selectDeletePath_.append(item);
}

void ConfirmationTicks::toggleMember(const AMAppItemPtr& item)
{
    if (!item)
        return;
    if (!selectDeletePath_.removeOne(item))
        selectDeletePath_.append(item);
}

QString ConfirmationTicks::groupSize(const AMAppItemList& group)
{
    quint64 total = 0;
    for (const AMAppItemPtr& item : group)
        if (item)
            total += CommUti::volSpaceFromString(item->size);
    return CommUti::convertVolSpace(static_cast<qint64>(total));
}

void ConfirmationTicks::clear()
{
    groups_.clear();
    selectDeletePath_.clear();
}
