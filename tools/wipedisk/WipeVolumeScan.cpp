#include "WipeVolumeScan.h"

#include "core/CVolumeMgr.h"
#include "core/SizeText.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/VolumesFolder.h"
#include "toolkit/ImageCache.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QRegularExpression>
#include <QThread>

namespace wipescan {

QString byteToSizeWithByte(quint64 bytes)
{
    return sizetext::byteToTeraText(static_cast<double>(bytes));
}

QString removeSpecialCharactersFromString(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("[^\\x{0}-\\x{7F}]+"));
    if (!pattern.isValid()) {
        platform::log(QStringLiteral("Error creating regular expression: %1").arg(pattern.errorString()));
        return text;
    }
    QString out = text;
    return out.replace(pattern, QStringLiteral(" "));
}

QString removeNullCharactersFromString(const QString& text)
{
    QString out = text;
    return out.remove(QChar(0));
}

QString deviceNodeOf(const VolumeObj& v)
{
    if (!v.volRootDir().isEmpty())
        return v.volRootDir();
    const QString p = v.volumePath();
    if (p.isEmpty() || p.startsWith(QLatin1Char('/')))
        return p;
    return QStringLiteral("/dev/") + p;
}

QVariantMap getDisjInfo(const QString& device)
{
    // The volume manager asks for /dev/<identifier>.
    QString identifier = device;
    if (identifier.startsWith(QLatin1String("/dev/")))
        identifier = identifier.mid(5);
    return CVolumeMgr().EUGetDiskInfo(identifier);
}

VolumeObjPtr volumeFromFacts(const QVariantMap& facts)
{
    if (facts.isEmpty() || !facts.contains(QStringLiteral("VolumeName")))
        return nullptr;
    QString name = facts.value(QStringLiteral("VolumeName")).toString();
    if (name == QLatin1String("EFI"))
        return nullptr;
    if (name.isEmpty())
        name = QStringLiteral("Untitled");

    auto v = std::make_shared<VolumeObj>();
    v->setVolumeName(name);
    const quint64 total = facts.value(QStringLiteral("TotalSize")).toULongLong();
    v->setVolumeTotalSize(byteToSizeWithByte(total));
    v->setVolumeTotalSizeNum(static_cast<std::int64_t>(total));
    QString type = facts.value(QStringLiteral("FilesystemName")).toString();
    quint64 freeBytes = facts.value(QStringLiteral("FreeSpace")).toULongLong();
    if (type.toLower().contains(QLatin1String("apfs")) && freeBytes == 0) {
        freeBytes = facts.value(QStringLiteral("APFSContainerFree")).toULongLong();
        type = QStringLiteral("APFS");
    }
    v->setVolumeType(type);
    v->setVolumeFreeSize(byteToSizeWithByte(freeBytes));
    v->setVolumeFreeSizeNum(static_cast<std::int64_t>(freeBytes));
    QString node = facts.value(QStringLiteral("DeviceNode")).toString();
    if (node.isEmpty())
        node = QStringLiteral("/dev/") + facts.value(QStringLiteral("DeviceIdentifier")).toString();
    v->setVolRootDir(node);
    v->setVolumePath(node);
    v->setVolumeMountPoint(facts.value(QStringLiteral("MountPoint")).toString());
    v->setBusProtocol(facts.value(QStringLiteral("BusProtocol")).toString());
    v->setBCanEject(facts.value(QStringLiteral("Ejectable")).toBool());
    v->setIsWritable(facts.value(QStringLiteral("Writable"), true).toBool());
    v->setParentWholeDisk(facts.value(QStringLiteral("ParentWholeDisk")).toString());
    v->setDiskUUID(facts.value(QStringLiteral("DiskUUID")).toString());
    v->setVolumeUUID(facts.value(QStringLiteral("VolumeUUID")).toString());
    return v;
}

QString radioImageFor(const VolumeObj& row, const VolumeObjPtr& selected)
{
    return selected && row.volumePath() == selected->volumePath() ? toolkit::imageName("radiobutton_sel")
                                                                 : toolkit::imageName("radiobutton_no");
}

QString volumeImageFor(const VolumeObj& row)
{
    if (row.bCanEject())
        return toolkit::imageName("ic_usb");
    if (row.volumeMountPoint() == QLatin1String("/"))
        return toolkit::imageName("ic_os");
    return toolkit::imageName("ic_disk");
}

QString sizeTextFor(const VolumeObj& row)
{
    return QStringLiteral("%1 / %2").arg(row.volumeFreeSize(), row.volumeTotalSize());
}

} // namespace wipescan

// ---------------------------------------------------------------- list

bool WipeVolumeList::getVolumeAllObjWithVolumeName(QList<VolumeObjPtr>& list, const QString& bsdName,
                                                   const std::function<QVariantMap(const QString&)>& facts)
{
    for (const VolumeObjPtr& v : list)
        if (v->volumeName() == bsdName)
            return false;
    const QVariantMap info = facts(bsdName);
    VolumeObjPtr record = wipescan::volumeFromFacts(info);
    if (!record)
        return false;
    // The same device reached twice (two mount points, a bind mount) is one
    // volume, whatever its name.
    for (const VolumeObjPtr& v : list)
        if (v->volumePath() == record->volumePath())
            return false;
    list << record;
    return true;
}

bool WipeVolumeList::retakeChoice()
{
    selectIndex_ = -1;
    if (!selectVolumeObj_)
        return false;
    const VolumeObjPtr chosen = selectVolumeObj_;
    selectVolumeObj_ = nullptr;
    for (qsizetype row = 0; row < allVolumeArr_.size(); ++row) {
        const VolumeObjPtr& v = allVolumeArr_.at(row);
        if (v && isSameVolume(*v, *chosen)) {
            selectVolumeObj_ = v;
            selectIndex_ = static_cast<int>(row);
            return true;
        }
    }
    return false;
}

bool WipeVolumeList::isChoiceListed() const
{
    return selectVolumeObj_ && allVolumeArr_.contains(selectVolumeObj_);
}

bool WipeVolumeList::shouldSelectRow(int row)
{
    selectIndex_ = row;
    return selectVolumeButton(-1);
}

bool WipeVolumeList::selectVolumeButton(int clickedRow)
{
    const int row = clickedRow >= 0 ? clickedRow : selectIndex_;
    if (row < 0 || row >= allVolumeArr_.size())
        return false;
    selectVolumeObj_ = allVolumeArr_.at(row);
    return selectVolumeObj_ != nullptr;
}

// ---------------------------------------------------------------- scanner

WipeVolumeScanner::WipeVolumeScanner(QObject* parent)
    : QObject(parent)
    , source_([] {
        QList<Entry> out;
        for (const platform::VolumesFolderEntry& e : platform::volumesFolderEntries())
            out.append({e.mountPoint, e.bsdName});
        return out;
    })
    , isScanV_(std::make_shared<std::atomic<bool>>(false))
    , pending_(std::make_shared<std::atomic<bool>>(false))
{
}

WipeVolumeScanner::~WipeVolumeScanner() = default;

void WipeVolumeScanner::getallVolumes()
{
    // Noted before the try: a scan ending meanwhile then sees it and runs
    // once more, so a mount during a scan is never left out of the list.
    pending_->store(true);
    bool expected = false;
    if (!isScanV_->compare_exchange_strong(expected, true))
        return;
    pending_->store(false);
    if (platform::dispatch::isMainThread()) {
        startOnMain();
        return;
    }
    const QPointer<WipeVolumeScanner> self(this);
    platform::dispatch::main([self] {
        if (self)
            self->startOnMain();
    });
}

void WipeVolumeScanner::startOnMain()
{
    emit scanStarted();
    const QPointer<WipeVolumeScanner> self(this);
    const EntrySource source = source_;
    const auto flag = isScanV_;
    const auto pending = pending_;
    platform::dispatch::global(platform::dispatch::Priority::Default, [self, source, flag, pending] {
        QList<VolumeObjPtr> found;
        for (const Entry& e : source()) {
            QString name = e.bsdName;
            name = name.remove(QChar(0)).trimmed();
            if (name.isEmpty() || e.mountPoint == QLatin1String("(null)") || e.mountPoint.endsWith(QLatin1String("/.DS_Store")))
                continue;
            WipeVolumeList::getVolumeAllObjWithVolumeName(found, name, wipescan::getDisjInfo);
        }
        platform::dispatch::main([self, flag, pending, found] {
            flag->store(false);
            if (!self)
                return;
            emit self->scanFinished(found);
            // Asked for while this scan ran: it may have missed a change.
            if (self && pending->load())
                self->getallVolumes();
        });
    });
}

bool WipeVolumeScanner::waitForScan(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (isScanV_->load()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QEventLoop loop;
        loop.processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}
