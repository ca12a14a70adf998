#pragma once
// The texts and decisions of a File Eraser run apart from its panes: the
// elapsed-time text, the progress count and bar value, and what the end of a
// run makes of the list.

#include "core/FileObj.h"

#include <QString>

namespace eraserun {

// "H:MM:SS" for a tick count in seconds: hours without a leading zero,
// minutes and seconds with two digits (90 gives "0:01:30").
QString elapsedTimeText(int seconds);

// "%d 文件中的 %d 个" filled with the number of job items and the number
// handled so far.
QString progressCountText(int total, int handled);

// The bar's fraction for a queue percentage: percent / 100, never below 0.1
// and never above 1.
double progressBarValue(float percent);

inline const QString kMarkSuccess = QStringLiteral("擦除成功");
inline const QString kMarkFailure = QStringLiteral("擦除失败");
inline const QString kCancelNote = QStringLiteral("用户取消了操作。");

struct RunEnd {
    // The failure pane instead of the success pane.
    bool showFailure = false;
    // The user cancelled ("用户取消了操作。" on the failure pane).
    bool cancelled = false;
    // The ticked items of the list, in list order, each marked "擦除成功"
    // when the queue erased it (for a folder: it and everything handled
    // inside it succeeded) and nothing is left at its path, else "擦除失败".
    // Written to the erase history as one record.
    FileObjList marked;
    // The unticked items, which stay listed until the result pane is left.
    FileObjList remaining;
};

// The end of a run over `list` (the screen's list at the end), given the
// queue's done list. The failure pane shows when the user cancelled, the
// queue reported a rights failure, any handled item failed, or any ticked
// item was not erased.
RunEnd finishEraseRun(const FileObjList& list, const FileObjList& doneList, bool cancelled, bool rightsFailure);

} // namespace eraserun
