#pragma once
// Settings accessors and small shared services: the unseen-history flags, the
// chosen erasure standard's label, size texts read back, the OS version, the
// network probe and the progress log hook.

#include "ErasureStandards.h"

#include <QString>
#include <QtGlobal>

class PublicUtilities {
public:
    // Any key of the bundle settings file ("WipeFileHistory", "USERNAME", ...)
    // as text; a null text when the key is missing.
    static QString getUpDataHistoryStr(const QString& key);
    static void writeUpDataHistoryStr(const QString& key, const QString& value);

    // The label of what "EraserTimes" runs, by the standard chosen in
    // "EraserTimesTag" (erasureLabelForPasses); an index outside 0–7 other
    // than kPassCountOnlyTag, with one pass, gives
    // "HMG Infosec Standard 5 擦除1次".
    static QString getEraserTimes();
    // What a run starting now goes by: getEraserTimes() and the pass count
    // of "EraserTimes" (at least 1), read together.
    static ErasureRunStandard getEraserStandard();

    // A size text back to bytes: the number before the last two characters
    // times the unit of the text's ending ("KB" only for a number above 0,
    // "MB", "GB", "TB"), in single precision; anything else gives 0.
    static quint64 volSpaceFromString(const QString& text);

    // major × 100 + minor (10.14 gives 1014). Here always 1500, so screens take
    // their newest branches.
    static int getSystemVersion();
    // Each pointer may be null.
    static void getSystemVersionMajor(unsigned* major, unsigned* minor, unsigned* bugFix);
    // The composition getSystemVersion uses: 10 and 9 give 1009.
    static int systemVersionNumber(unsigned major, unsigned minor);

    // One GET of the maker's home page (the "HomePage" link of the bundle
    // settings file), bypassing caches, 5 s at most; true when any data came
    // back. Blocks the calling thread.
    static bool isCanBeUseNetWork();

    // Receives the progress lines of the file eraser and the disk wipe and
    // deliberately does nothing with them.
    static void writeFileWithTab(const QString& line);

    // Key of the probe address inside "Link".
    static QString homePageLinkKey();
    static constexpr int kNetworkProbeTimeoutMs = 5000;
};
