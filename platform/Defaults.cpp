#include "Defaults.h"

#include "Locations.h"
#include "Log.h"

#include <QFile>
#include <QFileInfo>

#include <QMutex>
#include <QSettings>
#include <QStringDecoder>
#include <QStandardPaths>

namespace platform::defaults {
namespace {

QMutex mutex;

// The file is named per call: tests point the config folder elsewhere.
QString settingsFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/Corvel/Nullvane.conf");
}

// Whether the text of one value, as it stands after "=", reads to its end:
// a quote left open or a backslash at the end of the line makes the reader
// run on into the lines that follow and swallow them.
bool valueReadsWhole(QByteArrayView value)
{
    bool quoted = false;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == '\\') {
            if (++i == value.size())
                return false;
        } else if (value[i] == '"') {
            quoted = !quoted;
        }
    }
    return !quoted;
}

// Whether every line of the file is read into a value the reader keeps. Qt
// reports a broken section header, but passes over a line without "=",
// bytes that are not UTF-8, a quote left open, a key given twice and a value
// it cannot decode without a word; the file's next write would then lose
// them. Blank lines, comments, section headers and "key=value" lines are
// what a file of ours holds.
//
// A key is given twice also in two spellings: "%44iskName" is "DiskName",
// "a\\b" at the top is "b" under "[a]", and a key at the top is the same key
// under "[General]". Only the reader's own decoding knows them all, so each
// "key=value" line must have become a key of its own there.
bool readsWhole(const QString& file, const QSettings& settings)
{
    if (settings.status() == QSettings::FormatError)
        return false;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return true; // nothing there to lose
    QByteArray bytes = f.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3); // a byte-order mark an editor may add
    if (bytes.contains('\0'))
        return false;
    QStringDecoder utf8(QStringDecoder::Utf8);
    [[maybe_unused]] const QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return false;

    qsizetype keyLines = 0;
    int invalidWritten = 0;
    for (const QByteArray& raw : bytes.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#'))
            continue;
        if (line.startsWith('[')) {
            if (!line.endsWith(']'))
                return false;
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0)
            return false;
        const QByteArray key = line.left(equals).trimmed();
        const QByteArray value = line.mid(equals + 1).trimmed();
        if (key.isEmpty() || !valueReadsWhole(value))
            return false;
        ++keyLines;
        if (value == "@Invalid()")
            ++invalidWritten; // written so on purpose: an empty value
    }
    const QStringList read = settings.allKeys();
    if (read.size() < keyLines)
        return false; // one key's earlier value is read over by a later one
    int invalidRead = 0;
    for (const QString& key : read)
        if (!settings.value(key).isValid())
            ++invalidRead;
    return invalidRead <= invalidWritten;
}

// A file that does not read whole would be rewritten with only the keys the
// reader understood, and whatever else it held would be gone: it is put
// aside first, as it is ("Nullvane.conf.damaged", or
// "Nullvane.conf.2.damaged" and on when that is taken), so that the user's
// values, in their order, can still be recovered by hand. A fresh file
// begins.
void setDamagedFileAside(const QString& file)
{
    {
        const QSettings probe(file, QSettings::IniFormat);
        if (readsWhole(file, probe))
            return;
    }
    QString aside = file + QStringLiteral(".damaged");
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
        aside = QStringLiteral("%1.%2.damaged").arg(file).arg(n);
    if (QFile::rename(file, aside))
        platform::log(QStringLiteral("设置文件已损坏，已另存为 %1").arg(aside));
    else
        platform::log(QStringLiteral("设置文件已损坏，无法另存: %1").arg(file));
}

} // namespace

QVariant value(const QString& key)
{
    QMutexLocker lock(&mutex);
    QSettings settings(settingsFile(), QSettings::IniFormat);
    return settings.value(key);
}

void setValue(const QString& key, const QVariant& v)
{
    QMutexLocker lock(&mutex);
    const QString file = settingsFile();
    setDamagedFileAside(file);
    QSettings settings(file, QSettings::IniFormat);
    if (!readsWhole(file, settings))
        return; // could not be put aside: never written over
    settings.setValue(key, v);
    settings.sync();
}

int integerForKey(const QString& key)
{
    bool ok = false;
    const int n = value(key).toInt(&ok);
    return ok ? n : 0;
}

void setInteger(const QString& key, int v)
{
    setValue(key, v);
}

void remove(const QString& key)
{
    QMutexLocker lock(&mutex);
    const QString file = settingsFile();
    setDamagedFileAside(file);
    QSettings settings(file, QSettings::IniFormat);
    if (!readsWhole(file, settings))
        return;
    settings.remove(key);
    settings.sync();
}

} // namespace platform::defaults
