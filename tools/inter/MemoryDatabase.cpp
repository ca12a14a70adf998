#include "MemoryDatabase.h"

#include <QFile>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <new>
#include <sqlite3.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using Buffer = std::shared_ptr<std::vector<char>>;

// The main file's name inside the memory layer; SQLite names the journal
// and the log after it.
const char kMain[] = "/db";

struct MemFile {
    sqlite3_file base;   // first, as SQLite sees it
    Buffer data;
};

MemFile* memFile(sqlite3_file* f) { return reinterpret_cast<MemFile*>(f); }

int fileClose(sqlite3_file* f)
{
    memFile(f)->data.~Buffer();
    return SQLITE_OK;
}

int fileRead(sqlite3_file* f, void* out, int amount, sqlite3_int64 offset)
{
    const std::vector<char>& d = *memFile(f)->data;
    const sqlite3_int64 size = sqlite3_int64(d.size());
    const sqlite3_int64 have = offset >= size ? 0 : std::min<sqlite3_int64>(amount, size - offset);
    if (have > 0)
        std::memcpy(out, d.data() + offset, size_t(have));
    if (have < amount) {
        std::memset(static_cast<char*>(out) + have, 0, size_t(amount - have));
        return SQLITE_IOERR_SHORT_READ;
    }
    return SQLITE_OK;
}

int fileWrite(sqlite3_file* f, const void* in, int amount, sqlite3_int64 offset)
{
    std::vector<char>& d = *memFile(f)->data;
    try {
        if (size_t(offset + amount) > d.size())
            d.resize(size_t(offset + amount));
    } catch (const std::bad_alloc&) {
        return SQLITE_IOERR_NOMEM;
    }
    std::memcpy(d.data() + offset, in, size_t(amount));
    return SQLITE_OK;
}

int fileTruncate(sqlite3_file* f, sqlite3_int64 size)
{
    std::vector<char>& d = *memFile(f)->data;
    if (size_t(size) < d.size())
        d.resize(size_t(size));
    return SQLITE_OK;
}

int fileSync(sqlite3_file*, int) { return SQLITE_OK; }

int fileSize(sqlite3_file* f, sqlite3_int64* size)
{
    *size = sqlite3_int64(memFile(f)->data->size());
    return SQLITE_OK;
}

// One connection uses these files: there is nobody to lock against.
int fileLock(sqlite3_file*, int) { return SQLITE_OK; }
int fileCheckReservedLock(sqlite3_file*, int* out)
{
    *out = 0;
    return SQLITE_OK;
}
int fileControl(sqlite3_file*, int, void*) { return SQLITE_NOTFOUND; }
int fileSectorSize(sqlite3_file*) { return 4096; }
int fileDeviceCharacteristics(sqlite3_file*) { return 0; }

// Version 1: without shared-memory methods, which exclusive locking makes
// SQLite do without (it keeps the log's index on the heap).
const sqlite3_io_methods kFileMethods = {
    1, fileClose, fileRead, fileWrite, fileTruncate, fileSync, fileSize, fileLock, fileLock,
    fileCheckReservedLock, fileControl, fileSectorSize, fileDeviceCharacteristics,
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
};

} // namespace

struct MemoryDatabase::Files {
    sqlite3_vfs vfs{};
    sqlite3_vfs* base = nullptr;   // for time, randomness and sleeping
    std::string name;
    std::map<std::string, Buffer> byName;
};

namespace {

MemoryDatabase::Files* filesOf(sqlite3_vfs* vfs) { return static_cast<MemoryDatabase::Files*>(vfs->pAppData); }

int vfsOpen(sqlite3_vfs* vfs, const char* name, sqlite3_file* f, int flags, int* outFlags)
{
    f->pMethods = nullptr;
    MemoryDatabase::Files* files = filesOf(vfs);
    Buffer data;
    try {
        if (!name || (flags & SQLITE_OPEN_DELETEONCLOSE)) {
            data = std::make_shared<std::vector<char>>();
        } else if (const auto it = files->byName.find(name); it != files->byName.end()) {
            data = it->second;
        } else if (flags & SQLITE_OPEN_CREATE) {
            data = std::make_shared<std::vector<char>>();
            files->byName.emplace(name, data);
        } else {
            return SQLITE_CANTOPEN;
        }
    } catch (const std::bad_alloc&) {
        return SQLITE_NOMEM;
    }
    new (&memFile(f)->data) Buffer(std::move(data));
    f->pMethods = &kFileMethods;
    if (outFlags)
        *outFlags = flags;
    return SQLITE_OK;
}

int vfsDelete(sqlite3_vfs* vfs, const char* name, int)
{
    filesOf(vfs)->byName.erase(name);
    return SQLITE_OK;
}

// As the disk's layer answers: an empty file does not exist.
int vfsAccess(sqlite3_vfs* vfs, const char* name, int flags, int* out)
{
    const auto& byName = filesOf(vfs)->byName;
    const auto it = byName.find(name);
    *out = it != byName.end() && (flags != SQLITE_ACCESS_EXISTS || !it->second->empty());
    return SQLITE_OK;
}

int vfsFullPathname(sqlite3_vfs*, const char* name, int size, char* out)
{
    sqlite3_snprintf(size, out, "%s", name);
    return SQLITE_OK;
}

void* vfsDlOpen(sqlite3_vfs* vfs, const char* name) { return filesOf(vfs)->base->xDlOpen(filesOf(vfs)->base, name); }
void vfsDlError(sqlite3_vfs* vfs, int size, char* out) { filesOf(vfs)->base->xDlError(filesOf(vfs)->base, size, out); }
void (*vfsDlSym(sqlite3_vfs* vfs, void* lib, const char* symbol))(void)
{
    return filesOf(vfs)->base->xDlSym(filesOf(vfs)->base, lib, symbol);
}
void vfsDlClose(sqlite3_vfs* vfs, void* lib) { filesOf(vfs)->base->xDlClose(filesOf(vfs)->base, lib); }
int vfsRandomness(sqlite3_vfs* vfs, int size, char* out) { return filesOf(vfs)->base->xRandomness(filesOf(vfs)->base, size, out); }
int vfsSleep(sqlite3_vfs* vfs, int micro) { return filesOf(vfs)->base->xSleep(filesOf(vfs)->base, micro); }
int vfsCurrentTime(sqlite3_vfs* vfs, double* now) { return filesOf(vfs)->base->xCurrentTime(filesOf(vfs)->base, now); }
int vfsGetLastError(sqlite3_vfs*, int, char*) { return 0; }
int vfsCurrentTimeInt64(sqlite3_vfs* vfs, sqlite3_int64* now)
{
    sqlite3_vfs* base = filesOf(vfs)->base;
    if (base->iVersion >= 2 && base->xCurrentTimeInt64)
        return base->xCurrentTimeInt64(base, now);
    double days = 0;
    const int rc = base->xCurrentTime(base, &days);
    *now = sqlite3_int64(days * 86400000.0);
    return rc;
}

struct FileState {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtime{};
    bool operator==(const FileState& o) const
    {
        return exists == o.exists && dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec
               && mtime.tv_nsec == o.mtime.tv_nsec;
    }
};

FileState stateOf(const QByteArray& path)
{
    struct stat st {};
    if (lstat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    return {true, st.st_dev, st.st_ino, st.st_size, st.st_mtim};
}

enum class Read { Done, Missing, Failed };

// The whole regular file (not through a link) into `out`.
Read readWhole(const QByteArray& path, std::vector<char>& out)
{
    const int fd = open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT || errno == ELOOP ? Read::Missing : Read::Failed;
    struct stat st {};
    Read result = Read::Done;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        result = Read::Failed;
    } else {
        try {
            out.assign(size_t(st.st_size), 0);
            size_t done = 0;
            for (;;) {
                if (done == out.size())
                    out.resize(done + 65536);   // grown since: read to its end
                const ssize_t n = ::read(fd, out.data() + done, out.size() - done);
                if (n < 0 && errno == EINTR)
                    continue;
                if (n < 0) {
                    result = Read::Failed;
                    break;
                }
                if (n == 0)
                    break;
                done += size_t(n);
            }
            out.resize(done);
        } catch (const std::bad_alloc&) {
            result = Read::Failed;
        }
    }
    close(fd);
    return result;
}

std::atomic<unsigned> vfsNumber{0};

} // namespace

MemoryDatabase::MemoryDatabase() : files_(std::make_unique<Files>()) {}

MemoryDatabase::~MemoryDatabase()
{
    sqlite3_close(db_);
    if (!files_->name.empty())
        sqlite3_vfs_unregister(&files_->vfs);
}

bool MemoryDatabase::needsMemory(const QString& path)
{
    const QByteArray file = QFile::encodeName(path);
    for (const char* suffix : {"-journal", "-wal"}) {
        const FileState companion = stateOf(file + suffix);
        if (companion.exists && companion.size > 0)
            return true;
    }
    // Bytes 18 and 19 of the header are the read and write versions: 2 in
    // write-ahead-log mode.
    std::vector<char> header(20);
    const int fd = open(file.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool wal = ::read(fd, header.data(), header.size()) == ssize_t(header.size()) && header[18] == 2
                     && header[19] == 2;
    close(fd);
    return wal;
}

std::unique_ptr<MemoryDatabase> MemoryDatabase::read(const QString& path)
{
    std::unique_ptr<MemoryDatabase> m(new MemoryDatabase);
    Files& files = *m->files_;
    const QByteArray file = QFile::encodeName(path);
    const std::string main = kMain;

    // The browser may write while we read: read again until the main file
    // stayed the same over a whole reading.
    bool settled = false;
    for (int attempt = 0; attempt < 5 && !settled; ++attempt) {
        files.byName.clear();
        const FileState before = stateOf(file);
        if (!before.exists)
            return nullptr;
        auto data = std::make_shared<std::vector<char>>();
        if (readWhole(file, *data) != Read::Done)
            return nullptr;
        files.byName.emplace(main, data);
        for (const char* suffix : {"-journal", "-wal"}) {
            auto companion = std::make_shared<std::vector<char>>();
            const Read r = readWhole(file + suffix, *companion);
            if (r == Read::Failed)
                return nullptr;
            if (r == Read::Done)
                files.byName.emplace(main + suffix, companion);
        }
        settled = stateOf(file) == before;
    }
    if (!settled)
        return nullptr;

    files.name = "nullvane-memory-" + std::to_string(++vfsNumber);
    files.base = sqlite3_vfs_find(nullptr);
    if (!files.base)
        return nullptr;
    sqlite3_vfs& vfs = files.vfs;
    vfs.iVersion = 2;
    vfs.szOsFile = int(sizeof(MemFile));
    vfs.mxPathname = 512;
    vfs.zName = files.name.c_str();
    vfs.pAppData = &files;
    vfs.xOpen = vfsOpen;
    vfs.xDelete = vfsDelete;
    vfs.xAccess = vfsAccess;
    vfs.xFullPathname = vfsFullPathname;
    vfs.xDlOpen = vfsDlOpen;
    vfs.xDlError = vfsDlError;
    vfs.xDlSym = vfsDlSym;
    vfs.xDlClose = vfsDlClose;
    vfs.xRandomness = vfsRandomness;
    vfs.xSleep = vfsSleep;
    vfs.xCurrentTime = vfsCurrentTime;
    vfs.xGetLastError = vfsGetLastError;
    vfs.xCurrentTimeInt64 = vfsCurrentTimeInt64;
    if (sqlite3_vfs_register(&vfs, 0) != SQLITE_OK) {
        files.name.clear();
        return nullptr;
    }
    // Read-write, so a hot journal can be rolled back (in memory). Exclusive
    // locking before the first read keeps the log's index on the heap rather
    // than in a shared-memory file; temporary tables stay in memory too.
    if (sqlite3_open_v2(kMain, &m->db_, SQLITE_OPEN_READWRITE, files.name.c_str()) != SQLITE_OK
        || sqlite3_exec(m->db_, "PRAGMA locking_mode=EXCLUSIVE; PRAGMA temp_store=MEMORY", nullptr, nullptr, nullptr)
               != SQLITE_OK)
        return nullptr;
    return m;
}
