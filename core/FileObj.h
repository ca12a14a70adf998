#pragma once
// One entry of the File Eraser's list and, after flattening, one job of the
// erase queue.

#include "platform/HeldItem.h"

#include <QString>
#include <QList>
#include <QVariant>
#include <cstdint>
#include <memory>

class FileObj {
public:
    const QString& name() const { return name_; }
    void setName(const QString& v) { name_ = v; }

    // The item's icon as the desktop gives it (a QIcon held in a QVariant, so
    // the core does not depend on the GUI libraries).
    const QVariant& icon() const { return icon_; }
    void setIcon(const QVariant& v) { icon_ = v; }

    // Full path in the file system.
    const QString& url() const { return url_; }
    void setUrl(const QString& v) { url_ = v; }

    // "Folder" for a folder, else the path extension.
    const QString& type() const { return type_; }
    void setType(const QString& v) { type_ = v; }

    std::int64_t size() const { return size_; }
    void setSize(std::int64_t v) { size_ = v; }

    bool isDir() const { return isDir_; }
    void setIsDir(bool v) { isDir_ = v; }

    bool isSelect() const { return isSelect_; }
    void setIsSelect(bool v) { isSelect_ = v; }

    // "Success" / "Fail" from the erase queue; the File Eraser later writes
    // "擦除成功" / "擦除失败" on the ticked top-level items.
    const QString& failStr() const { return failStr_; }
    void setFailStr(const QString& v) { failStr_ = v; }

    bool isSymbolicLink() const { return isSymbolicLink_; }
    void setIsSymbolicLink(bool v) { isSymbolicLink_ = v; }
    // Sets the flag from the item at url(), the link itself not followed.
    void setIsSymbolicLink();

    // Where the erase queue reaches a job item from: the item the user
    // ticked (the item itself, or the folder it was listed from), and the
    // identity of the folder that held the item when the list was made. The
    // queue walks down from the ticked item without following links and
    // leaves the item when that folder is no longer the one listed. An empty
    // root means the item is reached by its path alone.
    const QString& jobRoot() const { return jobRoot_; }
    void setJobRoot(const QString& v) { jobRoot_ = v; }
    const platform::ItemIdentity& parentIdentity() const { return parentIdentity_; }
    void setParentIdentity(const platform::ItemIdentity& v) { parentIdentity_ = v; }

    bool isSSD() const { return isSSD_; }
    void setIsSSD(bool v) { isSSD_ = v; }
    // Kept for the screens that send it; the flag is never probed.
    void setIsSSD() {}

private:
    QString name_;
    QVariant icon_;
    QString url_;
    QString type_;
    std::int64_t size_ = 0;
    bool isDir_ = false;
    bool isSelect_ = false;
    QString failStr_;
    bool isSymbolicLink_ = false;
    QString jobRoot_;
    platform::ItemIdentity parentIdentity_;
    bool isSSD_ = false;
};

using FileObjPtr = std::shared_ptr<FileObj>;
using FileObjList = QList<FileObjPtr>;

// Whether the item at `path` is a symbolic link (the link itself, not followed).
bool isFileSymbolicLink(const QString& path);
