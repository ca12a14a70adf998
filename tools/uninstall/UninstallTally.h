#pragma once
// Counting a removal run's outcomes: the percentage the progress bar shows,
// the bytes freed, and the message at the end, which says whether every
// ticked item is gone. Main thread only.

#include "AMAppItem.h"

#include <QSet>
#include <QStringList>
#include <QString>

class UninstallTally {
public:
    // A new run of `count` items.
    void start(int count);

    struct Step {
        int percent = 0;      // outcomes so far × 100 / items, rounded down
        bool finished = false; // every item has reported
    };
    // One outcome. A removed item adds its measured size once per path (a
    // path listed twice is freed once) and once per package (two menu
    // entries of one package free it once).
    Step record(const AMAppItemPtr& item, bool removed);

    int allSelectCount() const { return allSelectCount_; }
    int deleteCount() const { return deleteCount_; }
    quint64 totalSize() const { return totalSize_; }
    bool isFail() const { return isFail_; }
    bool finished() const { return allSelectCount_ > 0 && deleteCount_ >= allSelectCount_; }

    // The end view's text for what has been counted.
    // Reasons the packaging gave for failures follow the message, one a line.
    QString endMessage() const;
    static QString endMessage(quint64 freedBytes, bool someFailed);

private:
    int allSelectCount_ = 0;
    int deleteCount_ = 0;
    quint64 totalSize_ = 0;
    bool isFail_ = false;
    QSet<QString> freedPaths_;
    QSet<QString> freedPackages_;
    QStringList reasons_;
};
