#include "ZZLanguage.h"

#include "platform/Log.h"
#include "platform/gui/Language.h"

void ZZSetLanguage(const QString& language)
{
    if (language.isNull())
        return;
    // Whatever was asked, the one translation there is: Simplified Chinese.
    if (!platform::useSimplifiedChinese())
        platform::log(QStringLiteral("Qt's Chinese translation is missing; its own dialogs stay in English"));
}
