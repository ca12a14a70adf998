#pragma once
// How the pickers store and show the chosen erasure standard. The table of
// standards is core/ErasureStandards.h; the choice lives in the user
// defaults "EraserTimesTag" (index) and "EraserTimes" (pass count), and
// every read goes to the defaults.

#include <QString>
#include <QStringList>

namespace standardchoice {

// A standard was picked: "EraserTimes" = its pass count (1 for any index
// that names no multi-pass standard), "EraserTimesTag" = the index.
void storeErasureStandard(int index);

// The label a confirmation dialog shows for a tag text: "0" … "7" give that
// standard's label, kPassCountOnlyTag's text the label of the stored pass
// count, anything else the first standard's.
QString labelForTagText(const QString& tagText);

// The label of what runs: the stored "EraserTimesTag" read as above, taken
// with the stored "EraserTimes" by erasureLabelForPasses, so a standard
// stored beside another count is not named.
QString chosenStandardLabel();

// The pass counts the pass-count panel offers, as its buttons' identifiers.
const QStringList& levelChoices();

// The pass-count panel's Save: "EraserTimes" = the integer value of the
// ticked text, and "EraserTimesTag" a standard of that many passes: the
// chosen one when it has them, else the first in the table that has them,
// else kPassCountOnlyTag (labelled by the count alone).
void storeEraserLevel(const QString& levelText);

} // namespace standardchoice
