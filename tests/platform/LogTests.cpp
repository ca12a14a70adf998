// The log writes to standard error and nowhere else: the names of erased
// files must not end up in the system journal.

#include "TestSupport.h"

#include "platform/Log.h"
#include "platform/Process.h"

#include <QFile>
#include <QLoggingCategory>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
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

// What the calls of `body` wrote to standard error.
QByteArray standardErrorOf(const std::function<void()>& body)
{
    const QString path = nvtest::freshFolder(QStringLiteral("stderr")) + QStringLiteral("/err");
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(fd, STDERR_FILENO);
    ::close(fd);
    body();
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    ::close(saved);
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(Log, LinesGoToStandardErrorOnlyAndFileNamesOnlyWhenAskedFor)
{
    systemLogCalls = 0;
    platform::LogCapture capture;
    const QByteArray written = standardErrorOf([] {
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
    const QByteArray asked = standardErrorOf([] {
        platform::log(lcTestFiles(), platform::LogLevel::Debug, QStringLiteral("文件已重命名为: /home/u/secret.deleted"));
    });
    QLoggingCategory::setFilterRules(QString());
    EXPECT_TRUE(asked.contains("/home/u/secret.deleted"));
    EXPECT_EQ(systemLogCalls, 0);
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
