#include "UninstallFixtures.h"

#include "TestSupport.h"
#include "platform/Locations.h"
#include "platform/Process.h"
#include "platform/PropertyList.h"
#include "tools/uninstall/AsMDeleteExecutor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char kFakePkexec[] = R"(#!/bin/sh
# Stands in for pkexec: notes each call, then answers as the test asked, one
# answer per call (grant once the answers run out).
echo "$*" >> "$FAKE_PKEXEC_LOG"
n=$(wc -l < "$FAKE_PKEXEC_LOG")
mode=$(sed -n "${n}p" "$FAKE_PKEXEC_ANSWERS" 2>/dev/null)
case "$mode" in
  cancel) exit 126 ;;
  refuse) exit 127 ;;
  vanish) echo ready; exit 0 ;;
  slow) sleep 1 ;;
esac
# Granted: the privileged side has the rights the user lacked.
if [ -n "$FAKE_PKEXEC_UNLOCK" ]; then
  chattr -i "$FAKE_PKEXEC_UNLOCK" 2>/dev/null
  chmod u+w "$FAKE_PKEXEC_UNLOCK"
fi
while [ $# -gt 1 ]; do
  case "$1" in --*) shift ;; *) break ;; esac
done
exec "$@"
)";

} // namespace

namespace fx {

QString at(const QString& location)
{
    return platform::mapLocation(location);
}

void resetRoot()
{
    const QString root = platform::rootPrefix();
    if (root.isEmpty() || !root.startsWith(nvtest::sandbox()))
        return; // never anything outside the sandbox
    QDir(root).removeRecursively();
    QDir().mkpath(root);
}

QString makeFolder(const QString& path)
{
    QDir().mkpath(path);
    return path;
}

QString makeBundle(const QString& path, const QVariantMap& info, bool withInfo)
{
    makeFolder(path + QStringLiteral("/Contents/MacOS"));
    if (withInfo)
        platform::plist::writeFile(path + QStringLiteral("/Contents/Info.plist"), info);
    return path;
}

QVariantMap appInfo(const QString& name, const QString& identifier, const QString& version)
{
    QVariantMap info;
    if (!name.isEmpty())
        info.insert(QStringLiteral("CFBundleName"), name);
    if (!identifier.isEmpty())
        info.insert(QStringLiteral("CFBundleIdentifier"), identifier);
    if (!version.isEmpty())
        info.insert(QStringLiteral("CFBundleShortVersionString"), version);
    return info;
}

QString makeFile(const QString& path, qint64 size)
{
    nvtest::writeFile(path, QByteArray(int(size), 'x'));
    return path;
}

QStringList pathsOf(const AMAppItemList& items)
{
    QStringList out;
    for (const AMAppItemPtr& item : items)
        out << item->path;
    return out;
}

QStringList namesOf(const AMAppItemList& items)
{
    QStringList out;
    for (const AMAppItemPtr& item : items)
        out << item->name;
    return out;
}

StandAloneApp makeStandAloneApp(const QString& id, qint64 programSize, qint64 entrySize)
{
    StandAloneApp app;
    app.program = makeFile(at(QStringLiteral("~/Applications/%1.AppImage").arg(id)), programSize);
    // Exec names the program as the user's desktop sees it, without the test root.
    QByteArray text = QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2/Applications/%1.AppImage\n")
                          .arg(id, platform::homeFolder())
                          .toUtf8();
    if (text.size() + 2 <= entrySize)
        text += '#' + QByteArray(int(entrySize - text.size() - 2), '-') + '\n';
    app.entry = at(QStringLiteral("~/.local/share/applications/%1.desktop").arg(id));
    nvtest::writeFile(app.entry, text);
    EXPECT_EQ(QFileInfo(app.entry).size(), entrySize) << "the entry's lines need more room";
    return app;
}

RemovalReport removeThroughExecutor(const AMAppItemList& items)
{
    struct Delegate : AsMDeleteExecutorDelegate {
        void deleteRelatedFile(const AMAppItemPtr& item) override { report.removed << item; }
        void deleteRelatedFileFail(const AMAppItemPtr& item) override { report.failed << item; }
        RemovalReport report;
    } delegate;
    AsMDeleteExecutor executor;
    executor.setDelegate(&delegate);
    executor.executeDelete(items);
    EXPECT_TRUE(nvtest::pumpUntil(
        [&] { return delegate.report.removed.size() + delegate.report.failed.size() == items.size(); }, 120000));
    return delegate.report;
}

UninstallTally tallyOf(const RemovalReport& report)
{
    UninstallTally tally;
    tally.start(int(report.removed.size() + report.failed.size()));
    for (const AMAppItemPtr& item : report.removed)
        tally.record(item, true);
    for (const AMAppItemPtr& item : report.failed)
        tally.record(item, false);
    return tally;
}

FolderLock::FolderLock(const QString& folder) : folder_(folder)
{
    if (nvtest::isRoot())
        locked_ = platform::runProcess(QStringLiteral("chattr"), {QStringLiteral("+i"), folder_}).succeeded();
    else
        locked_ = chmod(QFile::encodeName(folder_).constData(), 0555) == 0;
}

FolderLock::~FolderLock()
{
    unlock();
}

void FolderLock::unlock()
{
    if (!locked_)
        return;
    if (nvtest::isRoot())
        platform::runProcess(QStringLiteral("chattr"), {QStringLiteral("-i"), folder_});
    chmod(QFile::encodeName(folder_).constData(), 0755);
    locked_ = false;
}

FakePkexec::FakePkexec() : base_(nvtest::freshFolder(QStringLiteral("pkexec")))
{
    const QString script = base_ + QStringLiteral("/fake-pkexec");
    nvtest::writeFile(script, kFakePkexec);
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("NULLVANE_PKEXEC", QFile::encodeName(script));
    qputenv("FAKE_PKEXEC_LOG", QFile::encodeName(base_ + QStringLiteral("/calls")));
    qputenv("FAKE_PKEXEC_ANSWERS", QFile::encodeName(base_ + QStringLiteral("/answers")));
    qunsetenv("FAKE_PKEXEC_UNLOCK");
    qunsetenv("NULLVANE_REMOVE_HELPER");
}

FakePkexec::~FakePkexec()
{
    for (const char* var : {"NULLVANE_PKEXEC", "FAKE_PKEXEC_LOG", "FAKE_PKEXEC_ANSWERS", "FAKE_PKEXEC_UNLOCK",
                            "NULLVANE_REMOVE_HELPER"})
        qunsetenv(var);
}

void FakePkexec::answer(const QStringList& modes)
{
    nvtest::writeFile(base_ + QStringLiteral("/answers"), modes.join(QLatin1Char('\n')).toUtf8() + '\n');
}

void FakePkexec::unlockOnGrant(const QString& folder)
{
    qputenv("FAKE_PKEXEC_UNLOCK", QFile::encodeName(folder));
}

QStringList FakePkexec::calls() const
{
    QFile f(base_ + QStringLiteral("/calls"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace fx
