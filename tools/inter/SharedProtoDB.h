#pragma once
// Chromium's "shared_proto_db": a LevelDB store beside "History" where
// several features keep records under keys that start with the feature's
// number. Its download records ("21_download,<guid>") bring deleted
// downloads back into History the next time Chromium starts, so cleaning the
// download history removes them too, and only them.
// Any thread; one call opens and closes the store.

#include <QString>
#include <QStringList>
#include <optional>

namespace SharedProtoDB {

// The store of the profile whose "History" is at `historyPath`.
QString folderOfHistory(const QString& historyPath);

// The guids of the download records. Read into memory and opened there, so
// the browser's files are never changed by looking and nothing is written
// to any disk. Empty when there is no store; nothing when it cannot be read
// (or is a link).
std::optional<QStringList> downloadGuids(const QString& folder);

// Deletes every download record, leaving every other record. true when none
// is left (or there is no store); false when the store could not be read,
// opened (the browser holds it) or written, in which case nothing changed.
// A store without download records is not opened, so its files stay as
// they are.
bool deleteDownloads(const QString& folder);

} // namespace SharedProtoDB
