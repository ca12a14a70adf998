#include "UpdateManifest.h"

#include "core/BundleSettings.h"
#include "core/EULinkUrl.h"
#include "platform/Log.h"
#include "platform/Network.h"
#include "platform/PropertyList.h"

namespace {

// A manifest is a few hundred bytes; anything far larger is not one.
constexpr qsizetype kMaxManifestBytes = 256 * 1024;

bool isWholeNumber(const QVariant& v, qint64* out)
{
    switch (v.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        *out = v.toLongLong();
        return true;
    case QMetaType::QString: {
        bool ok = false;
        *out = v.toString().trimmed().toLongLong(&ok);
        return ok;
    }
    default:
        return false;
    }
}

} // namespace

qint64 manifestVersionCheck(const QVariant& manifest)
{
    if (manifest.typeId() != QMetaType::QVariantMap)
        return 0;
    const QVariantMap map = manifest.toMap();
    const auto it = map.constFind(QStringLiteral("VersionCheck"));
    if (it == map.constEnd())
        return 0;
    qint64 n = 0;
    return isWholeNumber(*it, &n) ? n : -1;
}

VersionDiff compareManifest(const QVariant& manifest, qint64 localVersion)
{
    VersionDiff diff;
    if (manifest.typeId() != QMetaType::QVariantMap)
        return diff;
    const QVariantMap map = manifest.toMap();
    const qint64 published = manifestVersionCheck(manifest);
    if (published <= localVersion)
        return diff;
    const QVariant version = map.value(QStringLiteral("Version"));
    if (version.typeId() != QMetaType::QString || version.toString().trimmed().isEmpty())
        return diff;

    diff.haveUpdate = true;
    diff.version = version.toString();
    for (int i = 1; i <= kMaxChangeLines; ++i) {
        const QVariant line = map.value(QString::number(i));
        if (line.typeId() != QMetaType::QString)
            break;
        diff.lines << line.toString();
    }
    return diff;
}

QVariant parseManifest(const QByteArray& bytes)
{
    if (bytes.isEmpty() || bytes.size() > kMaxManifestBytes)
        return {};
    return platform::plist::fromData(bytes);
}

qint64 localVersionCheck()
{
    qint64 n = 0;
    return isWholeNumber(BundleSettings::value(QStringLiteral("VersionCheck")), &n) ? n : 0;
}

QVariant fetchManifest(int timeoutMs)
{
    const QString address = EULinkUrl::GetUrl(QStringLiteral("IniURL"));
    if (address.isEmpty())
        return {};
    const platform::net::Response r = platform::net::get(address, timeoutMs);
    if (!r.finished || r.httpStatus < 200 || r.httpStatus > 299) {
        platform::logNames(QStringLiteral("update manifest not fetched: %1").arg(r.error));
        return {};
    }
    return parseManifest(r.body);
}
