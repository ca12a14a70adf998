#pragma once
// The eight erasure standards the user picks from, in the order the pickers
// show them. The chosen index lives in the user default "EraserTimesTag", the
// pass count handed to the erase queue in "EraserTimes".

#include <QString>

// The standard a run goes by, taken once as it starts: the label its panes
// and its history record name, and the pass count it overwrites with. A
// choice saved while the run goes on is the next run's.
struct ErasureRunStandard {
    QString label;
    int passes = 1;
};

// How many standards there are (8).
int erasureStandardCount();

// The label exactly as shown, with its "(擦除N次)" suffix; an empty text for an
// index outside 0 to count - 1.
QString erasureStandardLabel(int index);

// The pass count stored when the standard at `index` is picked. Any index
// that names no multi-pass standard (0 to 2, negative, too large) gives 1.
int erasureStandardPasses(int index);

// The standard that overwrites `passes` times: `current` when it does, else
// the first in the table that does; -1 when none does. A count below 1 is
// taken as 1, as the erase queue takes it.
int erasureStandardWithPasses(int passes, int current);

// What "EraserTimesTag" holds when the pass count was chosen on its own and
// no standard overwrites that many times. It lies outside the table, so a
// reader that knows only the table takes it as any other unknown index; the
// label is then made from "EraserTimes" (passCountLabel).
constexpr int kPassCountOnlyTag = 99;

// The label of a pass count no standard stands for: "自定义 (擦除N次)", N at
// least 1. It names the count and no standard.
QString passCountLabel(int passes);

// The label of what overwrites `passes` times (below 1 taken as 1) when the
// chosen standard is `index`: that standard's label when it has that count,
// else the first standard's that has it, else passCountLabel. A standard
// whose label names another count is never given: the pass count is what
// runs, and a choice stored by an older panel may disagree with it.
QString erasureLabelForPasses(int index, int passes);
