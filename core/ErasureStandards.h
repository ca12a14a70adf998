#pragma once
// The eight erasure standards the user picks from, in the order the pickers
// show them. The chosen index lives in the user default "EraserTimesTag", the
// pass count handed to the erase queue in "EraserTimes".

#include <QString>

// How many standards there are (8).
int erasureStandardCount();

// The label exactly as shown, with its "(擦除N次)" suffix; an empty text for an
// index outside 0 to count - 1.
QString erasureStandardLabel(int index);

// The pass count stored when the standard at `index` is picked. Any index
// that names no multi-pass standard (0 to 2, negative, too large) gives 1.
int erasureStandardPasses(int index);
