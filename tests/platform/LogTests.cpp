// The log writes to standard error and nowhere else: the names of erased
// files must not end up in the system journal.

#include "TestSupport.h"

#include "core/DoDataBase.h"
#include "core/RemoveFileAndFolder.h"
#include "platform/Log.h"
#include "platform/Process.h"
#include "platform/Removal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QScopeGuard>
#include <atomic>
#include <cstdarg>
#include <gtest/gtest.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

// This program's own definitions stand in for the C library's: any call the
// program makes to the system log lands here and is counted.
namespace {
std::atomic<int> systemLogCalls{0};
}
extern "C" {
void openlog(const char*, int, int) { ++systemLogCalls; }
void syslog(int, const char*, ...) { ++systemLogCalls; }
void vsyslog(int, const char*, va_list) { ++systemLogCalls; }
void __syslog_chk(int, int, const char*, ...) { ++systemLogCalls; }
void __vsyslog_chk(int, int, const char*, va_list) { ++systemLogCalls; }
}

namespace {

Q_LOGGING_CATEGORY(lcTestFiles, "nullvane.test.files", QtInfoMsg)

} // namespace

TEST(Log, LinesGoToStandardErrorOnlyAndFileNamesOnlyWhenAskedFor)
{
    systemLogCalls = 0;
    platform::LogCapture capture;
    const QByteArray written = nvtest::standardErrorOf([] {
        platform::log(QStringLiteral("文件已成功删除"));
        platform::log(lcTestFiles(), platform::LogLevel::Debug, QStringLiteral("文件已重命名为: /home/u/secret.deleted"));
        platform::log(lcTestFiles(), platform::LogLevel::Warning, QStringLiteral("disk full"));
    });
    EXPECT_EQ(systemLogCalls, 0) << "the log reached the system log";
    EXPECT_TRUE(written.contains("文件已成功删除")) << written.constData();
    EXPECT_TRUE(written.contains("disk full"));
    EXPECT_FALSE(written.contains("secret")) << "lines naming files are off by default";
    // Tests see every line, whatever its level.
    EXPECT_TRUE(capture.contains(QStringLiteral("/home/u/secret.deleted")));

    QLoggingCategory::setFilterRules(QStringLiteral("nullvane.*.debug=true"));
    const QByteArray asked = nvtest::standardErrorOf([] {
        platform::log(lcTestFiles(), platform::LogLevel::Debug, QStringLiteral("文件已重命名为: /home/u/secret.deleted"));
    });
    QLoggingCategory::setFilterRules(QString());
    EXPECT_TRUE(asked.contains("/home/u/secret.deleted"));
    EXPECT_EQ(systemLogCalls, 0);
}

// A user's day with the program: files and a folder shredded (one of them gone
// before its turn), the history written, opened and a record deleted, a disk
// wipe recorded. At the default level standard error names none of it; asked
// for, the same steps name the files, so the steps do reach lines that name them.
TEST(Log, TheDefaultLevelNamesNoErasedFileNoRecordAndNoVolume)
{
    struct EndWatch : RemoveFileAndFolderDelegate {
        std::atomic<int> ends{0};
        void removeObjEnd(const FileObjList&) override { ++ends; }
    };
    const QStringList secrets{QStringLiteral("报告-999-0"), QStringLiteral("薪水表"), QStringLiteral("私人相册"),
                              QStringLiteral("已不在的草稿"), QStringLiteral("保险箱卷")};
    auto run = [&secrets] {
        const QString dir = nvtest::freshFolder(QStringLiteral("erase"));
        auto record = [](const QString& path, bool isDir) {
            auto f = std::make_shared<FileObj>();
            f->setUrl(path);
            f->setIsDir(isDir);
            f->setSize(isDir ? 0 : QFileInfo(path).size());
            return f;
        };
        EXPECT_TRUE(nvtest::writeFile(dir + QStringLiteral("/报告-999-0.docx"), "draft"));
        EXPECT_TRUE(nvtest::writeFile(dir + QStringLiteral("/私人相册/薪水表.xlsx"), "numbers"));
        const FileObjList list{record(dir + QStringLiteral("/报告-999-0.docx"), false),
                               record(dir + QStringLiteral("/私人相册/薪水表.xlsx"), false),
                               record(dir + QStringLiteral("/私人相册"), true),
                               record(dir + QStringLiteral("/已不在的草稿.txt"), false)};
        EndWatch watch;
        RemoveFileAndFolder queue;
        queue.setDelegate(&watch);
        queue.benginToTraskWithArr(list);
        EXPECT_TRUE(nvtest::pumpUntil([&] { return watch.ends > 0; }, 60000));
        EXPECT_FALSE(QFileInfo::exists(dir + QStringLiteral("/报告-999-0.docx")));

        DoDataBase* store = DoDataBase::returnDoDataBase();
        store->writePlistForHistoryWithArr(list);
        store->writeWipeVolumesOrFree(secrets.last(), QStringLiteral("擦除成功"), false);
        const HistoryRecords all = store->getAllData();
        EXPECT_FALSE(all.isEmpty());
        store->deleteDataWithKey(all.lastKey());
        for (const QString& key : store->getAllData().keys())
            store->deleteDataWithKey(key);
    };

    const QString all = QString::fromUtf8(nvtest::standardErrorOf(run));
    for (const QString& secret : secrets)
        EXPECT_FALSE(all.contains(secret)) << secret << " is named at the default level:\n" << all;

    QLoggingCategory::setFilterRules(QStringLiteral("nullvane.*.debug=true"));
    const QString asked = QString::fromUtf8(nvtest::standardErrorOf(run));
    QLoggingCategory::setFilterRules(QString());
    EXPECT_TRUE(asked.contains(secrets.first())) << asked;
}

namespace {

bool writeScript(const QString& path, const QByteArray& body)
{
    return nvtest::writeFile(path, "#!/bin/sh\n" + body)
           && QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

} // namespace

// What a child prints may name the user's files: the desktop's opener says it
// found no launcher for one, rm in the privileged removal helper names what it
// could not remove. At the default level none of it reaches our standard
// error; it is logged as names.
TEST(Log, WhatChildrenPrintNamesNoFileAtTheDefaultLevel)
{
    const QString secret = QStringLiteral("测试文件-机密");
    const QString folder = nvtest::freshFolder(QStringLiteral("children"));
    const QString opener = folder + QStringLiteral("/opener");
    ASSERT_TRUE(writeScript(opener, "echo \"xdg-open: Unable to detect a launcher for 'file:///home/u/$1'\" >&2\n"
                                    "echo \"opening $1\"\n"));
    const QString helper = folder + QStringLiteral("/helper");
    ASSERT_TRUE(writeScript(helper, "echo \"rm: cannot remove '/home/u/" + secret.toUtf8() + "': Operation not permitted\" >&2\n"
                                    "echo ready\ncat >/dev/null\n"));
    const QByteArray savedHelper = qgetenv("NULLVANE_REMOVE_HELPER");
    qputenv("NULLVANE_REMOVE_HELPER", QFile::encodeName(helper));
    auto restore = qScopeGuard([&] { qputenv("NULLVANE_REMOVE_HELPER", savedHelper); });

    const auto run = [&](platform::LogCapture& capture) {
        EXPECT_TRUE(platform::startDetached(opener, {secret}));
        EXPECT_TRUE(nvtest::pumpUntil([&] { return capture.contains(QStringLiteral("opening ") + secret); }));
        platform::PrivilegedRemover remover;
        if (geteuid() == 0 || !qEnvironmentVariableIsEmpty("NULLVANE_PKEXEC")) {
            EXPECT_EQ(remover.acquire(), platform::PrivilegedRemover::Start::Granted);
            remover.release();
            EXPECT_TRUE(nvtest::pumpUntil([&] { return capture.contains(QStringLiteral("cannot remove")); }));
        }
    };
    platform::LogCapture capture;
    const QString quiet = QString::fromUtf8(nvtest::standardErrorOf([&] { run(capture); }));
    EXPECT_FALSE(quiet.contains(secret)) << quiet;
    EXPECT_TRUE(capture.contains(QStringLiteral("Unable to detect a launcher for 'file:///home/u/") + secret));

    QLoggingCategory::setFilterRules(QStringLiteral("nullvane.*.debug=true"));
    platform::LogCapture asked;
    const QString named = QString::fromUtf8(nvtest::standardErrorOf([&] { run(asked); }));
    QLoggingCategory::setFilterRules(QString());
    EXPECT_TRUE(named.contains(secret)) << named;
}

// What a child prints may name the user's files: it is held in memory, never
// in a file system on a disk, and once logged it is dropped and cannot grow
// again under a program the child left running.
TEST(Log, WhatAChildPrintsStaysOffTheDisks)
{
    platform::OutputFile output;
    struct statfs where {};
    ASSERT_EQ(fstatfs(output.fd(), &where), 0);
    EXPECT_EQ(where.f_type, TMPFS_MAGIC);
    const QByteArray line = "cannot open /home/u/测试文件\n";
    ASSERT_EQ(write(output.fd(), line.constData(), size_t(line.size())), line.size());
    platform::LogCapture capture;
    output.logText(QStringLiteral("child"));
    EXPECT_TRUE(capture.contains(QStringLiteral("测试文件")));
    EXPECT_LT(write(output.fd(), line.constData(), size_t(line.size())), 0);
    struct stat after {};
    ASSERT_EQ(fstat(output.fd(), &after), 0);
    EXPECT_EQ(after.st_size, 0);
}

// The built program and its helpers do not import the system-log or journal
// calls at all.
TEST(Log, TheProgramsImportNoSystemLogCalls)
{
    if (platform::findProgram(QStringLiteral("nm")).isEmpty())
        GTEST_SKIP() << "nm (binutils) is not installed";
    const QStringList programs = QStringLiteral(NULLVANE_TEST_PROGRAMS).split(QLatin1Char('|'), Qt::SkipEmptyParts);
    ASSERT_FALSE(programs.isEmpty());
    for (const QString& program : programs) {
        SCOPED_TRACE(program.toStdString());
        ASSERT_TRUE(QFile::exists(program));
        const auto r = platform::runProcess(QStringLiteral("nm"), {QStringLiteral("-D"), QStringLiteral("--undefined-only"), program});
        ASSERT_TRUE(r.succeeded()) << r.standardError.constData();
        const QString imports = QString::fromUtf8(r.standardOutput);
        EXPECT_FALSE(imports.contains(QStringLiteral("syslog"))) << imports;
        EXPECT_FALSE(imports.contains(QStringLiteral("openlog")));
        EXPECT_FALSE(imports.contains(QStringLiteral("sd_journal")));
    }
}
