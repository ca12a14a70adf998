#pragma once
// The interface language. The screens' texts are Chinese already; this makes
// everything Qt draws by itself (file pickers, message boxes, standard
// buttons, number and date formats) Simplified Chinese too.

#include <QString>

// A null language does nothing; any other makes the process "zh-Hans".
void ZZSetLanguage(const QString& language);
