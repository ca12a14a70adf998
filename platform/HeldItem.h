#pragma once
// Items of a tree the user chose, reached through held folder handles.
//
// A folder is opened once and every later step on what it holds (listing,
// opening, renaming, removing) acts relative to that handle. Folders below a
// chosen item are opened one component at a time without following links,
// and a folder's identity (device and inode) is compared with the one seen
// when the tree was listed: a folder swapped for a link, or for another
// folder, between the listing and the item's turn is never entered.
//
// Plain values owning descriptors; use one object on one thread at a time.

#include "FileAttributes.h"

#include <QList>
#include <QString>
#include <cstdint>
#include <utility>
#include <vector>

namespace platform {

// Which file an item is: its device and inode. Zero means "not known".
struct ItemIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool known() const { return device != 0 || inode != 0; }
    friend bool operator==(const ItemIdentity&, const ItemIdentity&) = default;
};

// An open folder.
class HeldFolder {
public:
    HeldFolder() = default;
    ~HeldFolder();
    HeldFolder(HeldFolder&& other) noexcept;
    HeldFolder& operator=(HeldFolder&& other) noexcept;
    HeldFolder(const HeldFolder&) = delete;
    HeldFolder& operator=(const HeldFolder&) = delete;

    // The folder at `path`. The links on the way are the user's own choice
    // and are followed; with `noFollowLast` the folder itself must not be a link.
    static HeldFolder open(const QString& path, bool noFollowLast = false);
    // The folder `name` inside this one; a link is never followed.
    HeldFolder child(const QString& name) const;

    bool isValid() const { return fd_ >= 0; }
    int error() const { return error_; } // errno of the failed open
    int fd() const { return fd_; }
    ItemIdentity identity() const { return identity_; }

    struct Entry {
        QString name;
        bool isFolder = false; // a real folder, not a link to one
        bool isSymLink = false;
        std::int64_t size = 0;
    };
    // What the folder holds, in the order the file system gives; "." and ".." left out.
    QList<Entry> entries() const;

private:
    // Takes the descriptor an open returned (or -1 with errno set).
    static HeldFolder adopt(int fd);

    int fd_ = -1;
    int error_ = 0;
    ItemIdentity identity_;
};

// One item inside a held parent folder, known by its name there.
class HeldItem {
public:
    HeldItem() = default;

    // The item at `path`, its parent opened by path.
    static HeldItem byPath(const QString& path);

    // The item at `path`, which is `root` itself or lies below it. The
    // root's parent is opened by path, the root and every folder below it one
    // component at a time without following links. When `parent` is known,
    // the folder reached must be that one; otherwise the result is invalid
    // with ESTALE and nothing is touched.
    static HeldItem below(const QString& root, const QString& path, ItemIdentity parent);

    bool isValid() const { return parent_.isValid() && !name_.isEmpty(); }
    int error() const { return error_; }
    const QString& path() const { return path_; }  // for messages only
    const QString& name() const { return name_; }
    const HeldFolder& parent() const { return parent_; }
    int parentFd() const { return parent_.fd(); }

    // Facts about the item itself (a link is not followed).
    ItemInfo info() const;
    bool exists() const;

    // Renames `from` to `to`, both names within the parent, never replacing
    // an item that already has the new name. The item then goes by `to` when
    // `from` was its name. On failure `error` gets the reason.
    bool renameWithin(const QString& from, const QString& to, QString* error = nullptr);

    // Removes the item's name (a file, link or other non-folder), or the
    // empty folder with `folder`. On failure errno is set.
    bool remove(bool folder = false) const;

    // The unlock step: clears the immutable and append-only flags where
    // permitted (answers whether the item is free of them) ...
    bool clearImmutableFlags() const;
    // ... and sets permission bits; a link is never followed.
    bool setPermissions(unsigned mode) const;

    // Whether the user may remove the item from its folder (write and search
    // permission on the parent, sticky bit respected).
    bool isDeletable() const;
    // Whether the item could be opened for writing now: 0, or the errno of
    // the refusal. Nothing is written and links are not followed.
    int probeWritable() const;

private:
    HeldFolder parent_;
    QString name_;
    QString path_;
    int error_ = 0;
};

// The volumes a run changed, each held through a folder on it, so that the
// run can end by flushing just those (syncfs) instead of every file system
// of the machine.
class TouchedVolumes {
public:
    TouchedVolumes() = default;
    ~TouchedVolumes();
    TouchedVolumes(const TouchedVolumes&) = delete;
    TouchedVolumes& operator=(const TouchedVolumes&) = delete;

    // Notes the volume `folder` lies on (a folder of a volume noted already
    // adds nothing).
    void add(const HeldFolder& folder);
    int count() const { return static_cast<int>(held_.size()); }
    // Flushes every noted volume to its medium and lets go of them. Answers
    // whether every flush worked.
    bool syncAll();

private:
    std::vector<std::pair<std::uint64_t, int>> held_; // device, descriptor
};

} // namespace platform
