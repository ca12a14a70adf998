#pragma once
// Writes an NTFS volume's label through the NTFS library itself. ntfslabel
// reads every argument that begins with "-" as an option and has no way to be
// told otherwise, so a name such as "-rf" could not be given to it as a name.
//
// The volume must not be mounted: it is opened for this process alone. Any
// thread; blocks while the volume is opened, written and closed.

#include <QString>

namespace diskutil {

// Sets the label of the NTFS volume on `node` to `label` (at most 128 UTF-16
// units; the caller cuts it). False, with the reason in `error`, when the
// volume cannot be opened or written.
bool writeNtfsLabel(const QString& node, const QString& label, QString* error);

} // namespace diskutil
