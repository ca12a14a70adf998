#pragma once
// The erase history as the viewer shows and exports it: the runs newest
// first, the texts of a row's three cells, and the exported XHTML page.

#include "core/DoDataBase.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace historyexport {

// The record keys, newest first (plain text comparison, descending).
QStringList sortedKeys(const HistoryRecords& records);

// Whether a row is the header row the history store writes first in every
// run ("Items", "Erasure Algorithm", "Result").
bool isHeaderRow(const HistoryRow& row);

struct CellTexts {
    QString name;   // "项目" in the header row, else the item
    QString type;   // "擦除标准", else the standard's label
    QString state;  // "结果", else the result
};
CellTexts cellTexts(const HistoryRow& row);

// "擦除历史(%@)" with the moment written like a record key.
QString proposedFileName(const QDateTime& moment);

// `path` with ".html" added unless it already ends in it (in any case).
QString withHtmlSuffix(const QString& path);

// The XHTML 1.0 Transitional page of one run: its key in the date row, then
// one table row per stored row (the header row with class "title"). Every
// text is escaped, so names with markup in them show as text.
QString historyHtmlPage(const QString& key, const QList<HistoryRow>& rows);

// Writes the page atomically in UTF-8. False, with `error` filled, when the
// file cannot be written; nothing is left behind then.
bool writeHistoryHtml(const QString& path, const QString& page, QString* error = nullptr);

} // namespace historyexport
