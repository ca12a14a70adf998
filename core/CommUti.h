#pragma once
// Shared helpers of the screens: the three interface font names, size texts,
// folder sizes and the folders the uninstaller searches.

#include <QString>
#include <QStringList>
#include <QtGlobal>

class CommUti {
public:
    // The interface fonts, stored by name in the bundle settings file under
    // "FontLight", "FontRegular" and "FontBold". The getters give a null text
    // when the key or the file is missing.
    static void writLightFont(const QString& fontName);
    static void writRegularFont(const QString& fontName);
    static void writBoldFont(const QString& fontName);
    static QString getLightFontName();
    static QString getRegularFontName();
    static QString getBoldFontName();

    // "%0.2f KB" from 0 (500 bytes is 0.50 KB), "%0.2f MB" from 1,000,000,
    // "%0.2f GB" from 1,000,000,000. A negative count is read as unsigned.
    static QString convertVolSpace(qint64 bytes);

    // "%.0f byte" up to 999 (negative counts too), then KB, MB, GB, and
    // "%0.2f TB" from 1,000,000,000,000.
    static QString longlongDiskSize(qint64 bytes);

    // A size text back to bytes: the number before the last three characters
    // times the unit of the text's ending ("KB", "MB", "GB", "TB"); any other
    // ending, a number of 0 or an empty text give 0.
    static quint64 volSpaceFromString(const QString& text);

    // Bytes of a file, or of all files in a folder tree. Symbolic links are
    // never followed (a link counts its own length), unreadable entries are
    // skipped, and a missing path gives 0.
    static qint64 sizeOfFileRef(const QString& path);

    // Where applications, widgets and plug-ins are looked for, mapped to real
    // paths.
    static QStringList applicationPaths();
    static QStringList widgetPaths();
    static QStringList pluginPaths();
};
