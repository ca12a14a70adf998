#pragma once
// What a free-space fill changes on a volume beyond its own files, and how a
// fill that never reached its end (kill -9, a crash, power lost) is settled
// afterwards.
//
// A root fill lends itself ext4's reserved clusters and makes a fill folder at
// the volume's root. Before either happens it writes a record of the volume and
// of the value it is about to lend, and holds a lock on that record for as long
// as the fill runs. The next start of the program or of the disk utility
// settles every record whose lock nobody holds: the reserve goes back, and the
// fill folder is removed, on that very volume only.
//
// Threads: any; a record and a loan belong to one thread at a time.

#include <QString>

namespace platform {

class VolumeRoot;

// The record of one fill on one volume (a file under
// "/var/lib/nullvane/fills", mapped; named after the device's kernel name,
// with "@" and the volume's UUID once set aside for a volume not mounted).
class FillRecord {
public:
    FillRecord() = default;
    // Closes the handle and so lets go of the lock; the record stays on disk
    // unless end() removed it.
    ~FillRecord();
    FillRecord(const FillRecord&) = delete;
    FillRecord& operator=(const FillRecord&) = delete;

    // Before the fill folder `folderName` is made at the root of `volume`:
    // takes the volume's record (settling first what an earlier fill that died
    // there left, or keeping its record aside when that was another volume),
    // writes it to the medium and keeps it locked. False, with nothing held,
    // when not root, `volume` is a bind mount of one of the volume's folders
    // rather than its root, the volume tells no UUID, the record cannot be
    // written or another process fills the same device.
    bool begin(const VolumeRoot& volume, const QString& folderName);
    bool isHeld() const { return fd_ >= 0; }

    // Before the reserve is set to 0: the value to give back, on the medium
    // before this returns true.
    bool noteLent(long long reserved);
    // The reserve has been given back.
    void noteGivenBack();

    // The fill folder is gone and nothing is lent: the record is removed.
    void end();

    // Where records are kept.
    static QString folder();

private:
    bool write();

    int fd_ = -1;
    QString path_;
    QString kernelName_, mountPoint_, folderName_, uuid_;
    int mountId_ = -1;
    unsigned long long deviceNumber_ = 0;
    long long lent_ = -1;
};

// As root on ext4, the clusters the file system keeps back for its own
// emergencies (sysfs "reserved_clusters") are lent to the caller: set to 0
// until giveBack(), which the destructor also does. Nothing happens elsewhere,
// nor on the file system that holds "/", whose other writers need the reserve.
class ReservedClustersLoan {
public:
    ReservedClustersLoan() = default;
    ~ReservedClustersLoan() { giveBack(); }
    ReservedClustersLoan(const ReservedClustersLoan&) = delete;
    ReservedClustersLoan& operator=(const ReservedClustersLoan&) = delete;

    // `kernelName` is the device's ("loop3", "sdb1"). With a `record`, the
    // value is noted there before it is lent, and nothing is lent when it
    // cannot be. True when lent.
    bool lend(const QString& kernelName, FillRecord* record = nullptr);
    void giveBack();
    bool isLent() const { return !file_.isEmpty(); }

    // The sysfs file of a device (tests look at it).
    static QString sysfsFile(const QString& kernelName);
    // The value there, -1 when it cannot be read.
    static long long readReserved(const QString& kernelName);

private:
    QString file_;
    long long saved_ = -1;
    FillRecord* record_ = nullptr;
};

// At the start of the program and of the disk utility, as root: settles the
// record of every fill that is no longer running, on the volume it was made
// on and on no other: a mount of the volume's root (never a bind mount of one
// of its folders) on the device the record names, with the file-system UUID
// the record holds. A clone of the volume on another device is another
// volume, and the mount id, device number and mount point all come back for
// the next volume mounted on the same device and folder. The reserve is given
// back while the fill's own mount still holds it at 0; the fill folder is
// removed from that volume, wherever its root is mounted now. A record is
// dropped only once both are done; while its volume's root is not mounted, it
// is kept for a later start. One that names no UUID is dropped, touching
// nothing. Answers how many records were settled.
int settleKilledFills();

} // namespace platform
