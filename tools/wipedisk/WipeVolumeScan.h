#pragma once
// The disk wipe's own list of mounted volumes: what "/Volumes" holds (the
// platform's mounted volumes, each with its device's kernel name), the disk
// utility's facts of each device, one VolumeObj per volume, and the choice of
// one row. No window: the screen draws what this holds.
//
// Threads: WipeVolumeList and WipeVolumeScanner belong to the main thread; a
// scan's worker builds its records apart and hands them over on the main
// queue in one piece.

#include "core/VolumeObj.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <atomic>
#include <functional>
#include <memory>

namespace wipescan {

// Decimal size text: "%.0f byte" below 1,000, then KB, MB, GB with two
// decimals, TB from 10^12.
QString byteToSizeWithByte(quint64 bytes);

// Every run of characters outside 0x00–0x7F becomes one blank.
QString removeSpecialCharactersFromString(const QString& text);
// Every U+0000 removed.
QString removeNullCharactersFromString(const QString& text);

// The device node of a record: its root device, else its path, under /dev
// when the path names no folder.
QString deviceNodeOf(const VolumeObj& v);

// The disk utility's facts ("info -plist") of one device, asked by device
// ("/dev/sdb1" or "sdb1") as one argument, through CVolumeMgr::EUGetDiskInfo;
// empty when the utility has no answer. Blocks; call it on a worker.
QVariantMap getDisjInfo(const QString& device);

// The record of one volume from its facts: "Untitled" for an empty name,
// "/dev/<DeviceIdentifier>" when there is no "DeviceNode", and the container's
// free space (type "APFS") for an APFS volume that reports none of its own.
// Null when there are no facts, no "VolumeName", or the name is "EFI".
VolumeObjPtr volumeFromFacts(const QVariantMap& facts);

// Images of a row: the radio button, and the volume's kind.
QString radioImageFor(const VolumeObj& row, const VolumeObjPtr& selected);
QString volumeImageFor(const VolumeObj& row);
// "<free> / <total>"
QString sizeTextFor(const VolumeObj& row);

} // namespace wipescan

// The listed volumes and the chosen one.
class WipeVolumeList {
public:
    const QList<VolumeObjPtr>& allVolumeArr() const { return allVolumeArr_; }
    void setAllVolumeArr(const QList<VolumeObjPtr>& volumes) { allVolumeArr_ = volumes; }
    void clear() { allVolumeArr_.clear(); }

    // Adds the volume of device `bsdName` to `list`, unless a listed record is
    // already called `bsdName`, the facts name a listed volume again (same
    // name and device), or they make no record. `facts` is asked only when
    // needed. Answers whether a record was added.
    static bool getVolumeAllObjWithVolumeName(QList<VolumeObjPtr>& list, const QString& bsdName,
                                              const std::function<QVariantMap(const QString&)>& facts);

    // The chosen volume. A rescan replaces the records; retakeChoice then
    // moves the choice to the new record of the same volume.
    VolumeObjPtr selectVolumeObj() const { return selectVolumeObj_; }
    void setSelectVolumeObj(const VolumeObjPtr& v) { selectVolumeObj_ = v; }
    // The row of the chosen volume; -1 when none is chosen.
    int selectIndex() const { return selectIndex_; }

    // After a rescan: the choice follows the chosen volume to its new record
    // and row; when that volume is no longer listed nothing is chosen.
    // Answers whether the Wipe button is enabled.
    bool retakeChoice();
    // Whether the chosen record is one of the listed ones (not one from an
    // earlier scan, nor one of a scan still running).
    bool isChoiceListed() const;

    // The table asks to select `row`: it becomes selectIndex and is taken.
    // Answers whether the Wipe button is enabled.
    bool shouldSelectRow(int row);
    // Takes `clickedRow` (or selectIndex when it is -1) as the chosen volume
    // when that row is listed. Answers whether the Wipe button is enabled.
    bool selectVolumeButton(int clickedRow = -1);

private:
    QList<VolumeObjPtr> allVolumeArr_;
    VolumeObjPtr selectVolumeObj_;
    int selectIndex_ = -1;
};

// Runs rescans: one at a time; requests during a scan make one more scan
// when it ends.
class WipeVolumeScanner : public QObject {
    Q_OBJECT
public:
    struct Entry {
        QString mountPoint;
        QString bsdName;
    };
    using EntrySource = std::function<QList<Entry>()>;

    explicit WipeVolumeScanner(QObject* parent = nullptr);
    ~WipeVolumeScanner() override;

    // Where the entries come from; the platform's mounted volumes by default.
    void setEntrySource(EntrySource source) { source_ = std::move(source); }

    // Starts a rescan, or one more after the scan that runs; returns at once.
    // Any thread.
    void getallVolumes();
    bool isScanV() const { return isScanV_->load(); }

    // Waits (running the event loop) until no scan runs.
    bool waitForScan(int timeoutMs);

signals:
    // The spinner shows; the rows listed stay until scanFinished.
    void scanStarted();
    // The scan's records, in listing order; the spinner hides.
    void scanFinished(const QList<VolumeObjPtr>& volumes);

private:
    void startOnMain();

    EntrySource source_;
    std::shared_ptr<std::atomic<bool>> isScanV_;
    // A scan was asked for while one ran.
    std::shared_ptr<std::atomic<bool>> pending_;
};
