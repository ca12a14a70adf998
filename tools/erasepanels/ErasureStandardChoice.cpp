#include "ErasureStandardChoice.h"

#include "core/ErasureStandards.h"
#include "platform/Defaults.h"

namespace standardchoice {

void storeErasureStandard(int index)
{
    platform::defaults::setInteger(QStringLiteral("EraserTimes"), erasureStandardPasses(index));
    platform::defaults::setInteger(QStringLiteral("EraserTimesTag"), index);
}

QString labelForTagText(const QString& tagText)
{
    if (tagText == QString::number(kPassCountOnlyTag))
        return passCountLabel(platform::defaults::integerForKey(QStringLiteral("EraserTimes")));
    for (int i = 0; i < erasureStandardCount(); ++i)
        if (tagText == QString::number(i))
            return erasureStandardLabel(i);
    return erasureStandardLabel(0);
}

QString chosenStandardLabel()
{
    const int tag = platform::defaults::integerForKey(QStringLiteral("EraserTimesTag"));
    const int index = (tag >= 0 && tag < erasureStandardCount()) || tag == kPassCountOnlyTag ? tag : 0;
    return erasureLabelForPasses(index, platform::defaults::integerForKey(QStringLiteral("EraserTimes")));
}

const QStringList& levelChoices()
{
    static const QStringList choices{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                                     QStringLiteral("7"), QStringLiteral("35")};
    return choices;
}

void storeEraserLevel(const QString& levelText)
{
    const int passes = levelText.toInt();
    platform::defaults::setInteger(QStringLiteral("EraserTimes"), passes);
    // The standard goes with the count, so that what the confirmation, the
    // progress and the history name is what is written.
    const int current = platform::defaults::integerForKey(QStringLiteral("EraserTimesTag"));
    const int index = erasureStandardWithPasses(passes, current);
    platform::defaults::setInteger(QStringLiteral("EraserTimesTag"), index >= 0 ? index : kPassCountOnlyTag);
}

} // namespace standardchoice
