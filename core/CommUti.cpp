#include "CommUti.h"

#include "BundleSettings.h"
#include "SizeText.h"

#include "platform/Locations.h"

#include <QFile>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const QString kFontLight = QStringLiteral("FontLight");
const QString kFontRegular = QStringLiteral("FontRegular");
const QString kFontBold = QStringLiteral("FontBold");

QString fontName(const QString& key)
{
    const QVariant v = BundleSettings::value(key);
    return v.metaType().id() == QMetaType::QString ? v.toString() : QString();
}

// The logical size the folder walk counts for one item: a file's data, a
// link's own text; devices, pipes and sockets hold no data.
qint64 itemSize(const struct stat& st)
{
    if (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode))
        return static_cast<qint64>(st.st_size);
    return 0;
}

bool isDotOrDotDot(const char* name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Depth first over open directory streams; each stream reads its entries in
// large blocks, and every entry is examined relative to its folder's
// descriptor, so no path is ever resolved twice and no link is followed.
qint64 folderSize(int folderFd)
{
    DIR* top = fdopendir(folderFd);
    if (!top) {
        close(folderFd);
        return 0;
    }
    std::vector<DIR*> stack{top};
    qint64 sum = 0;
    while (!stack.empty()) {
        DIR* current = stack.back();
        const dirent* entry = readdir(current);
        if (!entry) {
            // End of the folder, or a read error: keep what was counted.
            closedir(current);
            stack.pop_back();
            continue;
        }
        if (isDotOrDotDot(entry->d_name))
            continue;
        const int parentFd = dirfd(current);
        struct stat st;
        if (fstatat(parentFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (!S_ISDIR(st.st_mode)) {
            sum += itemSize(st);
            continue;
        }
        const int childFd = openat(parentFd, entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (childFd < 0)
            continue; // unreadable, replaced by a link meanwhile, or out of descriptors
        if (DIR* child = fdopendir(childFd))
            stack.push_back(child);
        else
            close(childFd);
    }
    return sum;
}

QStringList mapped(const QStringList& locations)
{
    QStringList out;
    out.reserve(locations.size());
    for (const QString& l : locations)
        out << platform::mapLocation(l);
    return out;
}

} // namespace

void CommUti::writLightFont(const QString& name) { BundleSettings::setValue(kFontLight, name); }
void CommUti::writRegularFont(const QString& name) { BundleSettings::setValue(kFontRegular, name); }
void CommUti::writBoldFont(const QString& name) { BundleSettings::setValue(kFontBold, name); }
QString CommUti::getLightFontName() { return fontName(kFontLight); }
QString CommUti::getRegularFontName() { return fontName(kFontRegular); }
QString CommUti::getBoldFontName() { return fontName(kFontBold); }

QString CommUti::convertVolSpace(qint64 bytes)
{
    const quint64 count = static_cast<quint64>(bytes);
    const double b = static_cast<double>(count);
    if (count < 1'000'000)
        return sizetext::twoDecimals(b / 1e3, "KB");
    if (count < 1'000'000'000)
        return sizetext::twoDecimals(b / 1e6, "MB");
    return sizetext::twoDecimals(b / 1e9, "GB");
}

QString CommUti::longlongDiskSize(qint64 bytes)
{
    return sizetext::byteToTeraText(static_cast<double>(bytes));
}

quint64 CommUti::volSpaceFromString(const QString& text)
{
    if (text.isEmpty())
        return 0;
    const float number = sizetext::leadingFloat(text.left(qMax<qsizetype>(0, text.size() - 3)));
    if (number == 0.0f)
        return 0;
    const double n = number;
    if (text.endsWith(QLatin1String("KB")))
        return sizetext::toByteCount(n > 0 ? n * 1000.0 : n);
    if (text.endsWith(QLatin1String("MB")))
        return sizetext::toByteCount(n * 1'000'000.0);
    if (text.endsWith(QLatin1String("GB")))
        return sizetext::toByteCount(n * 1'000'000'000.0);
    if (text.endsWith(QLatin1String("TB")))
        return sizetext::toByteCount(n * static_cast<double>(sizetext::kTeraAsFloat));
    return 0;
}

qint64 CommUti::sizeOfFileRef(const QString& path)
{
    if (path.isEmpty())
        return 0;
    const QByteArray native = QFile::encodeName(path);
    struct stat st;
    if (lstat(native.constData(), &st) != 0)
        return 0;
    if (!S_ISDIR(st.st_mode))
        return itemSize(st);
    const int fd = open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return 0;
    return folderSize(fd);
}

QStringList CommUti::applicationPaths()
{
    return mapped({QStringLiteral("~/Applications"), QStringLiteral("/Applications"),
                   QStringLiteral("/Network/Applications"), QStringLiteral("/Developer/Applications")});
}

QStringList CommUti::widgetPaths()
{
    return mapped({QStringLiteral("~/Library/Widgets"), QStringLiteral("/Library/Widgets")});
}

QStringList CommUti::pluginPaths()
{
    static const char* const kSubFolders[] = {
        "Address Book Plug-Ins", "Contextual Menu Items", "Dictionaries", "iTunes", "Spotlight",
        "Screen Savers", "QuickLook", "QuickTime", "Internet Plug-Ins", "Safari",
    };
    QStringList locations;
    for (const QString& library : {QStringLiteral("~/Library"), QStringLiteral("/Library")})
        for (const char* sub : kSubFolders)
            locations << library + QLatin1Char('/') + QLatin1String(sub);
    locations << QStringLiteral("~/Library/Input Methods") << QStringLiteral("/Library/Input Methods");
    return mapped(locations);
}
