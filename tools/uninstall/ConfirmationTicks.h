#pragma once
// The confirmation tree's ticks apart from its drawing: one group per chosen
// item (the item first, then its related files), the ticked members in the
// order ticked, the three-state box of a group, and group sizes. Main thread
// only.

#include "AMAppItem.h"

#include <QList>
#include <QString>

class ConfirmationTicks {
public:
    // Every member starts ticked, group by group, except documents the user
    // downloaded, which are listed but left for the user to tick.
    explicit ConfirmationTicks(const QList<AMAppItemList>& groups = {});

    const QList<AMAppItemList>& groups() const { return groups_; }
    // The ticked members in the order they will be removed.
    const AMAppItemList& selectDeletePath() const { return selectDeletePath_; }
    bool isTicked(const AMAppItemPtr& item) const;
    bool hasTicks() const { return !selectDeletePath_.isEmpty(); }

    enum class GroupState { None, Some, All };
    // None also for an empty group.
    GroupState groupState(int group) const;
    // "checkbox_yes", "checkbox_election" or "checkbox_no".
    QString groupImageName(int group) const;
    QString memberImageName(const AMAppItemPtr& item) const;

    // A group's box: a fully ticked group is unticked whole; otherwise its
    // unticked members are ticked, each appended at the end of the order.
    void toggleGroup(int group);
    // A member's box: unticks it, or appends it at the end of the order.
    void toggleMember(const AMAppItemPtr& item);

    // The members' size texts read back to bytes and summed, as size text.
    static QString groupSize(const AMAppItemList& group);

    // Forgets every group and tick (the run has ended).
    void clear();

private:
    QList<AMAppItemList> groups_;
    AMAppItemList selectDeletePath_;
};
