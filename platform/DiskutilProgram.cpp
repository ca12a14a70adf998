#include "DiskutilProgram.h"

#include "Locations.h"

namespace platform {

QString diskutilProgram()
{
    const QString substitute = qEnvironmentVariable("NULLVANE_DISKUTIL");
    if (!substitute.isEmpty())
        return substitute;
    return helperProgram(QStringLiteral("diskutil"));
}

} // namespace platform
