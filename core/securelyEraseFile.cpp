#include "securelyEraseFile.h"

#include "platform/HeldItem.h"
#include "platform/Log.h"
#include "platform/OverwriteFile.h"
#include "platform/SecureRandom.h"

#include <algorithm>
#include <cerrno>

namespace {

Q_LOGGING_CATEGORY(lcErase, "nullvane.core.erase", QtInfoMsg)

constexpr int kMaxPasses = 5;
constexpr int kNameLength = 15;

QString randomName()
{
    QString name;
    name.reserve(kNameLength);
    for (int i = 0; i < kNameLength; ++i)
        name += QChar(u'a' + static_cast<char16_t>(platform::randomUniform(26)));
    return name;
}

// Overwrites the whole length `passes` times. Each pass is on the medium
// before the next one starts.
bool overwrite(platform::OverwriteFile& file, char* buffer, std::int64_t length, int passes,
               const EraseObserver& observer)
{
    for (int pass = 0; pass < passes; ++pass) {
        if (!file.rewind())
            return false;
        std::int64_t offset = 0;
        while (offset < length) {
            const std::int64_t chunk = std::min(length - offset, kEraseChunkSize);
            // The buffer starts out zeroed, which is the first pass's pattern.
            if (pass > 0 && !platform::secureRandomBytes(buffer, static_cast<std::size_t>(chunk)))
                return false;
            const std::int64_t written = file.write(buffer, chunk);
            if (written <= 0)
                return false;
            if (observer.chunkWritten)
                observer.chunkWritten(pass, offset, QByteArrayView(buffer, written));
            offset += written;
        }
        // A pass that did not reach the medium is not a pass.
        if (!file.finishPass())
            return false;
        if (observer.passFinished)
            observer.passFinished(pass);
    }
    return true;
}

} // namespace

bool securelyEraseFile(const QString& path, int passes)
{
    return securelyEraseFile(path, passes, EraseObserver{});
}

bool securelyEraseFile(const QString& path, int passes, const EraseObserver& observer)
{
    platform::HeldItem item = platform::HeldItem::byPath(path);
    return securelyEraseFile(item, passes, observer);
}

bool securelyEraseFile(platform::HeldItem& item, int passes, const EraseObserver& observer)
{
    if (!item.exists()) {
        platform::log(QStringLiteral("文件不存在"));
        return false;
    }
    const platform::ItemInfo info = item.info();
    if (!info.exists) {
        platform::log(QStringLiteral("获取文件属性失败: %1").arg(qt_error_string(info.error ? info.error : ENOENT)));
        return false;
    }

    // A link holds no data of its own, and what it points to was not given to
    // us: the link is renamed and removed like a file, its target untouched.
    // (Linux keeps no user attributes on links, and their times and modes
    // mean nothing.)
    if (!info.isSymLink) {
        const std::int64_t length = info.size;
        platform::OverwriteFile file;
        if (!file.open(item)) {
            platform::log(QStringLiteral("无法打开文件进行写入"));
            return false;
        }
        char* buffer = static_cast<char*>(platform::OverwriteFile::allocateBuffer(kEraseChunkSize));
        if (!buffer)
            return false;
        const int count = std::clamp(passes, 1, kMaxPasses);
        const bool overwritten = overwrite(file, buffer, length, count, observer);
        if (overwritten)
            file.truncate(0);
        platform::OverwriteFile::freeBuffer(buffer);
        if (!overwritten)
            return false;
        // On the open file itself: the name may no longer lead to it.
        if (!file.clearExtendedAttributes()) {
            platform::log(QStringLiteral("扩展属性删除失败"));
            return false;
        }
        file.setTimesToEpoch();
        file.setMode(0600);
        file.close();
    }

    // Every name stands in the held folder: the renames and the removal
    // cannot land anywhere else, whatever happens to the path meanwhile.
    const QString first = randomName();
    const QString second = randomName();
    QString error;
    if (!item.renameWithin(item.name(), first, &error)) {
        platform::log(QStringLiteral("移动文件到 tmp1 失败: %1").arg(error));
        return false;
    }
    if (!item.renameWithin(first, second, &error)) {
        platform::log(QStringLiteral("移动文件到 tmp2 失败: %1").arg(error));
        return false;
    }
    const QString finalName = second + QStringLiteral(".deleted");
    if (!item.renameWithin(second, finalName, &error)) {
        platform::log(QStringLiteral("文件重命名失败: %1").arg(error));
        return false;
    }
    platform::log(lcErase(), platform::LogLevel::Debug, QStringLiteral("文件已重命名为: %1").arg(item.path()));

    if (!item.remove()) {
        platform::log(QStringLiteral("删除文件失败: %1").arg(qt_error_string(errno)));
        return false;
    }
    platform::log(QStringLiteral("文件已成功删除"));
    return true;
}
