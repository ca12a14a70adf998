#pragma once
// The File Eraser's list apart from its drawing: the user's top-level choices
// in display order, how paths are added, the ticks and their counters, the
// sort order, the texts of the table's cells, and the flat job list an erase
// run hands to the erase queue.

#include "core/FileObj.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <atomic>
#include <functional>

class FileEraserList {
public:
    // The icon of an item (a QIcon in a QVariant); the screen passes the
    // desktop's, tests pass nothing.
    using IconProvider = std::function<QVariant(const QString& path, bool isDir)>;
    // Whether a path lies on an NTFS volume.
    using NtfsTest = std::function<bool(const QString& path)>;

    // Size text: "%.0f byte" up to 999, then "%.2f KB", "%.2f MB", "%.2f GB"
    // and from 10^12 "%.2f TB" (decimal units, single-precision quotient).
    static QString byteToSizeWithByte(quint64 bytes);

    // A list item for `path`, nothing looked up but the item itself (a link
    // is never followed): name, path, "Folder" or the extension, the size on
    // disk (0 for a link, which holds no data of its own), the ticked state.
    static FileObjPtr buildFileObj(const QString& path, bool isDir, const IconProvider& icons = {});

    // Whether the path names a real folder (not a link to one).
    static bool isRealFolder(const QString& path);

    // The extension of a name as written ("a.tar.gz" -> "gz"; ".bashrc" and
    // "README" have none).
    static QString pathExtension(const QString& name);

    struct AddOutcome {
        int added = 0;
        bool stoppedAtRoot = false;   // "/" was among the paths and ended the add
        QStringList refusedNtfs;      // paths refused because they lie on NTFS
        bool wholeAddRefused = false; // the first path lay on NTFS: nothing was added
    };

    // Adds the chosen or dropped paths in order. The first path on NTFS
    // refuses the whole add; later paths on NTFS are refused one by one; "/"
    // ends the add (items before it stay); a path already listed is skipped.
    AddOutcome addPaths(const QStringList& paths, const NtfsTest& isNtfs, const IconProvider& icons = {});

    const FileObjList& valueArr() const { return valueArr_; }
    int count() const { return static_cast<int>(valueArr_.size()); }
    bool isEmpty() const { return valueArr_.isEmpty(); }
    FileObjPtr at(int row) const;
    void clear() { valueArr_.clear(); }
    void replaceAll(const FileObjList& items) { valueArr_ = items; }

    // --- ticks and counters ---
    int tickedCount() const;
    // 0 nothing ticked, 1 some, 2 all (an empty list counts as nothing).
    int returnSelectAllState() const;

    struct CountText {
        QString text;
        int boldStart = -1;  // where the ticked count stands in `text`, -1 for none
        int boldLength = 0;
    };
    // "已选择: %d/%d 个文件" with the ticked count marked for bold, or
    // "总: %d 个文件" when nothing is ticked.
    CountText selectCountText() const;
    // The select-all button's title for a state: "取消全选" when all are
    // ticked, else "全选".
    static QString selectAllTitle(int state);

    // Flips the tick of one row; false for a row outside the list.
    bool flipTick(int row);
    // Unticks everything when all are ticked, else ticks everything. Returns
    // the new state; an empty list stays as it is (0).
    int setAllSelectOrNoSelect();

    // --- sorting ---
    // Kind 0 by name, anything else by size; direction 0 ascending, else
    // descending. Equal keys keep their order.
    void sortBy(int kind, int direction);

    // --- the table's texts ---
    enum Column { NameColumn, PathColumn, SizeColumn, TypeColumn };
    // What the cell shows: the name, the path, "--" for a folder or the size
    // text, the type.
    static QString cellText(const FileObj& item, Column column);
    // The cell's tooltip: as shown, but none for a folder's size.
    static QString toolTip(const FileObj& item, Column column);

    // --- the erase run ---
    // The flat job list of the ticked items in display order: a folder's
    // contents depth-first before the folder itself. A symbolic link is an
    // item of its own and never entered; every real folder is expanded,
    // whatever its name. A path comes at most once, even when a listed item
    // lies inside another listed folder. Reads only the file system and this
    // list, so it may run on a worker over a copy (tickedCopy); a `stop` set
    // meanwhile ends the walk early with what was found so far.
    FileObjList flatJobList(const IconProvider& icons = {}, const std::atomic<bool>* stop = nullptr) const;

    // A list of copies of the ticked items (no icons), that shares nothing
    // with this one: what a worker may read while the screen keeps its list.
    FileEraserList tickedCopy() const;

private:
    FileObjList valueArr_;
};
