#include "ZZLanguage.h"

#include "platform/gui/Language.h"

void ZZSetLanguage(const QString& language)
{
    if (language.isNull())
        return;
    // Whatever was asked, the one translation there is: Simplified Chinese.
    // toolkit::setUpApplicationLook() installed it before the first widget
    // and said so when it is missing; this only makes sure of the locale.
    platform::useSimplifiedChinese();
}
