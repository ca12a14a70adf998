#include "PublicUtilities.h"

#include <algorithm>

#include "BundleSettings.h"
#include "ErasureStandards.h"
#include "SizeText.h"

#include "platform/Defaults.h"
#include "platform/Network.h"

namespace {

// What this system reports itself as to the screens: 15.0.0.
constexpr unsigned kMajor = 15;
constexpr unsigned kMinor = 0;
constexpr unsigned kBugFix = 0;

} // namespace

QString PublicUtilities::getUpDataHistoryStr(const QString& key)
{
    const QVariant v = BundleSettings::value(key);
    return v.isValid() ? v.toString() : QString();
}

void PublicUtilities::writeUpDataHistoryStr(const QString& key, const QString& value)
{
    BundleSettings::setValue(key, value);
}

QString PublicUtilities::getEraserTimes()
{
    const int tag = platform::defaults::integerForKey(QStringLiteral("EraserTimesTag"));
    const int passes = std::max(1, platform::defaults::integerForKey(QStringLiteral("EraserTimes")));
    if ((tag < 0 || tag >= erasureStandardCount()) && tag != kPassCountOnlyTag && passes == 1)
        return QStringLiteral("HMG Infosec Standard 5 擦除1次");
    return erasureLabelForPasses(tag, passes);
}

ErasureRunStandard PublicUtilities::getEraserStandard()
{
    return {getEraserTimes(), std::max(1, platform::defaults::integerForKey(QStringLiteral("EraserTimes")))};
}

quint64 PublicUtilities::volSpaceFromString(const QString& text)
{
    if (text.isEmpty())
        return 0;
    const float number = sizetext::leadingFloat(text.left(qMax<qsizetype>(0, text.size() - 2)));
    float bytes = 0.0f;
    if (text.endsWith(QLatin1String("KB")))
        bytes = number > 0.0f ? number * 1000.0f : number;
    else if (text.endsWith(QLatin1String("MB")))
        bytes = number * 1'000'000.0f;
    else if (text.endsWith(QLatin1String("GB")))
        bytes = number * 1'000'000'000.0f;
    else if (text.endsWith(QLatin1String("TB")))
        bytes = number * sizetext::kTeraAsFloat;
    else
        return 0;
    return sizetext::toByteCount(static_cast<double>(bytes));
}

int PublicUtilities::getSystemVersion()
{
    unsigned major = 0, minor = 0;
    getSystemVersionMajor(&major, &minor, nullptr);
    return systemVersionNumber(major, minor);
}

void PublicUtilities::getSystemVersionMajor(unsigned* major, unsigned* minor, unsigned* bugFix)
{
    if (major)
        *major = kMajor;
    if (minor)
        *minor = kMinor;
    if (bugFix)
        *bugFix = kBugFix;
}

int PublicUtilities::systemVersionNumber(unsigned major, unsigned minor)
{
    return static_cast<int>(major * 100 + minor);
}

QString PublicUtilities::homePageLinkKey()
{
    return QStringLiteral("HomePage");
}

bool PublicUtilities::isCanBeUseNetWork()
{
    const QString address = BundleSettings::links().value(homePageLinkKey()).toString();
    if (address.isEmpty())
        return false;
    const platform::net::Response r = platform::net::get(address, kNetworkProbeTimeoutMs);
    return !r.body.isEmpty();
}

void PublicUtilities::writeFileWithTab(const QString& line)
{
    Q_UNUSED(line);
}
