// How fast files are shredded compared with plain tools doing the same work.
//
//   erase_bench [folder] [size in MiB]
//     In-process report: a file of 512 MiB shredded with one pass and with
//     two, beside writing it once with direct I/O, three rounds, medians.
//     Aim: two passes take at most 1.10 times as long as two direct writes,
//     that is, a random pass runs at the speed of a zero pass.
//     Then seven passes (DoD 5220.22-M ECE) in a child process beside seven
//     runs of `dd if=/dev/zero of=F bs=16M oflag=direct conv=notrunc,fdatasync`
//     over a file of the same size, each a process of its own, timed, with
//     its peak resident memory as GNU time reads it from the kernel. Aims: seven passes take
//     at most 1.05 times as long as the seven dd runs, and the shred's peak
//     memory stays under twice dd's.
//
// Whole-process modes, for timing each run as a process beside its anchor
// (every run consumes one prepared item, so prepare one per run, warm-ups
// included):
//   erase_bench make-trees ROOT N    N trees ROOT/tree-K of 100 folders with
//                                    100 files of 4 KiB each
//   erase_bench queue-next ROOT      the erase queue (one pass) over the next
//                                    tree, as the File Eraser hands it over
//   erase_bench gnu-next ROOT        `find TREE -type f -exec shred -n1 -u {} +`
//                                    over the next tree, then its folders removed
//     Aim: the queue takes at most half as long per file as GNU shred.
//   erase_bench make-files ROOT N MiB  N files ROOT/file-K of random bytes
//   erase_bench shred-next ROOT P      P passes over the next file
//   erase_bench dd-next ROOT P         P runs of `dd if=/dev/zero of=F bs=16M
//                                      oflag=direct conv=notrunc,fdatasync`
//                                      over the next file, then it is removed
//     Aim: P passes at most 1.05 times as long as P dd runs (1.10 for two),
//     peak memory under twice dd's.
//
// The folders should be on the disk to measure, not a tmpfs. User defaults go
// to a folder of the benchmark's own.

#include "bench/PrivateConfig.h"
#include "core/RemoveFileAndFolder.h"
#include "core/securelyEraseFile.h"
#include "platform/Defaults.h"
#include "platform/HeldItem.h"
#include "platform/Process.h"
#include "platform/OverwriteFile.h"
#include "platform/SecureRandom.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::int64_t kChunk = 16 * 1024 * 1024;
constexpr double kTarget = 1.10;
constexpr int kManyPasses = 7;
constexpr double kManyTarget = 1.05;
constexpr double kMemoryTarget = 2.0;

struct Buffer {
    explicit Buffer(std::size_t n) : data(static_cast<char*>(platform::OverwriteFile::allocateBuffer(n))) {}
    ~Buffer() { platform::OverwriteFile::freeBuffer(data); }
    char* data;
};

// Writes a new file of `size` bytes from `buffer` with direct I/O, flushed at
// the end. Seconds taken, or -1.
double directWrite(const QString& path, std::int64_t size, const char* buffer)
{
    QElapsedTimer t;
    t.start();
    const int fd = ::open(QFile::encodeName(path).constData(), O_CREAT | O_TRUNC | O_WRONLY | O_DIRECT | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    std::int64_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, buffer, static_cast<std::size_t>(std::min(kChunk, size - done)));
        if (n <= 0) {
            ::close(fd);
            return -1;
        }
        done += n;
    }
    const bool synced = fdatasync(fd) == 0;
    ::close(fd);
    return synced ? t.nsecsElapsed() / 1e9 : -1;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double mibPerSecond(std::int64_t bytes, double seconds)
{
    return bytes / 1048576.0 / seconds;
}

// The lowest-numbered "<prefix>N" left in `root`, or "".
QString nextItem(const QString& root, const QString& prefix)
{
    QStringList names = QDir(root).entryList({prefix + QStringLiteral("*")}, QDir::AllEntries | QDir::NoDotAndDotDot);
    std::sort(names.begin(), names.end(), [&](const QString& a, const QString& b) {
        return a.mid(prefix.size()).toInt() < b.mid(prefix.size()).toInt();
    });
    return names.isEmpty() ? QString() : root + QLatin1Char('/') + names.first();
}

int makeTrees(const QString& root, int count)
{
    Buffer content(4096);
    for (int t = 0; t < count; ++t) {
        const QString tree = QStringLiteral("%1/tree-%2").arg(root).arg(t);
        for (int d = 0; d < 100; ++d) {
            const QString folder = QStringLiteral("%1/d%2").arg(tree).arg(d);
            if (!QDir().mkpath(folder))
                return 1;
            for (int f = 0; f < 100; ++f) {
                platform::secureRandomBytes(content.data, 4096);
                QFile file(QStringLiteral("%1/file%2.dat").arg(folder).arg(f));
                if (!file.open(QIODevice::WriteOnly) || file.write(content.data, 4096) != 4096)
                    return 1;
            }
        }
    }
    ::sync();
    return 0;
}

class EndWait : public RemoveFileAndFolderDelegate {
public:
    void removeObjEnd(const FileObjList& done) override
    {
        std::lock_guard lock(mutex);
        count = static_cast<int>(done.size());
        ended = true;
        wake.notify_all();
    }
    std::mutex mutex;
    std::condition_variable wake;
    bool ended = false;
    int count = 0;
};

// The queue over the next tree: every folder ticked, its files before it.
int queueNext(const QString& root)
{
    const QString tree = nextItem(root, QStringLiteral("tree-"));
    if (tree.isEmpty())
        return 2;
    FileObjList jobs;
    for (const QString& d : QDir(tree).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString folder = tree + QLatin1Char('/') + d;
        const platform::HeldFolder held = platform::HeldFolder::open(folder);
        for (const platform::HeldFolder::Entry& e : held.entries()) {
            auto job = std::make_shared<FileObj>();
            job->setUrl(folder + QLatin1Char('/') + e.name);
            job->setSize(e.size);
            job->setJobRoot(folder);
            job->setParentIdentity(held.identity());
            jobs << job;
        }
        auto job = std::make_shared<FileObj>();
        job->setUrl(folder);
        job->setIsDir(true);
        job->setJobRoot(folder);
        job->setParentIdentity(platform::HeldFolder::open(tree).identity());
        jobs << job;
    }
    platform::defaults::setInteger(QStringLiteral("EraserTimes"), 1);
    EndWait end;
    RemoveFileAndFolder queue;
    queue.setDelegate(&end);
    queue.benginToTraskWithArr(jobs);
    std::unique_lock lock(end.mutex);
    end.wake.wait(lock, [&] { return end.ended; });
    lock.unlock();
    QDir().rmdir(tree);
    return end.count == jobs.size() && !QFile::exists(tree) ? 0 : 1;
}

int gnuNext(const QString& root)
{
    const QString tree = nextItem(root, QStringLiteral("tree-"));
    if (tree.isEmpty())
        return 2;
    const auto r = platform::runProcess(QStringLiteral("find"),
                                        {tree, QStringLiteral("-type"), QStringLiteral("f"), QStringLiteral("-exec"),
                                         QStringLiteral("shred"), QStringLiteral("-n1"), QStringLiteral("-u"),
                                         QStringLiteral("{}"), QStringLiteral("+")});
    for (const QString& d : QDir(tree).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        QDir().rmdir(tree + QLatin1Char('/') + d);
    QDir().rmdir(tree);
    return r.succeeded() && !QFile::exists(tree) ? 0 : 1;
}

int makeFiles(const QString& root, int count, std::int64_t size)
{
    QDir().mkpath(root);
    Buffer content(kChunk);
    platform::secureRandomBytes(content.data, kChunk);
    for (int i = 0; i < count; ++i)
        if (directWrite(QStringLiteral("%1/file-%2").arg(root).arg(i), size, content.data) < 0)
            return 1;
    return 0;
}

QStringList ddArguments(const QString& file)
{
    return {QStringLiteral("if=/dev/zero"), QStringLiteral("of=") + file, QStringLiteral("bs=16M"),
            QStringLiteral("oflag=direct"), QStringLiteral("conv=notrunc,fdatasync"),
            QStringLiteral("count=%1").arg((QFileInfo(file).size() + kChunk - 1) / kChunk),
            QStringLiteral("status=none")};
}

int shredNext(const QString& root, int passes)
{
    const QString file = nextItem(root, QStringLiteral("file-"));
    if (file.isEmpty())
        return 2;
    return securelyEraseFile(file, passes) ? 0 : 1;
}

int ddNext(const QString& root, int passes)
{
    const QString file = nextItem(root, QStringLiteral("file-"));
    if (file.isEmpty())
        return 2;
    for (int i = 0; i < passes; ++i)
        if (!platform::runProcess(QStringLiteral("dd"), ddArguments(file)).succeeded())
            return 1;
    return QFile::remove(file) ? 0 : 1;
}

// A child process as the kernel accounts it. Started through GNU time, a
// small process of its own: a child started straight from this one would be
// charged this process's own peak memory too (the kernel carries the memory
// of the process it was started from into the peak). peakKiB is 0 where
// /usr/bin/time is missing.
struct ChildRun {
    bool ok = false;
    double seconds = 0;
    long peakKiB = 0;
};

ChildRun runChild(const QString& program, const QStringList& arguments, const QString& scratch)
{
    const bool measured = QFileInfo(QStringLiteral("/usr/bin/time")).isExecutable();
    const QString report = scratch + QStringLiteral("/peak.txt");
    QStringList all{program};
    all << arguments;
    if (measured)
        all = QStringList{QStringLiteral("/usr/bin/time"), QStringLiteral("-f"), QStringLiteral("%M"),
                          QStringLiteral("-o"), report} + all;
    std::vector<QByteArray> bytes;
    for (const QString& a : all)
        bytes.push_back(QFile::encodeName(a));
    std::vector<char*> argv;
    for (QByteArray& b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    QElapsedTimer t;
    t.start();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return {};
    int status = 0;
    if (waitpid(pid, &status, 0) != pid)
        return {};
    ChildRun run{WIFEXITED(status) && WEXITSTATUS(status) == 0, t.nsecsElapsed() / 1e9, 0};
    QFile peak(report);
    if (measured && peak.open(QIODevice::ReadOnly))
        run.peakKiB = peak.readAll().trimmed().split('\n').last().toLong();
    QFile::remove(report);
    return run;
}

// Seven passes in a child of this program beside seven dd runs over a file
// of the same size, three rounds; prints the medians and the peaks.
int manyPasses(const QString& folder, std::int64_t size, const char* content)
{
    const QString target = folder + QStringLiteral("/target.bin");
    const QString self = QCoreApplication::applicationFilePath();
    std::vector<double> shredTimes, ddTimes, ratios;
    long shredPeak = 0, ddPeak = 0;
    std::printf("\n%d passes in a child process beside %d dd runs\n", kManyPasses, kManyPasses);
    for (int round = 1; round <= 3; ++round) {
        if (directWrite(target, size, content) < 0)
            return 1;
        double dd = 0;
        for (int i = 0; i < kManyPasses; ++i) {
            const ChildRun r = runChild(QStringLiteral("dd"), ddArguments(target), folder);
            if (!r.ok) {
                std::fprintf(stderr, "dd failed\n");
                return 1;
            }
            dd += r.seconds;
            ddPeak = std::max(ddPeak, r.peakKiB);
        }
        const ChildRun shred = runChild(self, {QStringLiteral("shred"), target, QString::number(kManyPasses)}, folder);
        if (!shred.ok || QFile::exists(target)) {
            std::fprintf(stderr, "round %d: the %d-pass shred failed\n", round, kManyPasses);
            return 1;
        }
        shredPeak = std::max(shredPeak, shred.peakKiB);
        shredTimes.push_back(shred.seconds);
        ddTimes.push_back(dd);
        ratios.push_back(shred.seconds / dd);
        std::printf("round %d: %d dd runs %.3f s, shred %d passes %.3f s, ratio %.3f\n", round, kManyPasses, dd,
                    kManyPasses, shred.seconds, shred.seconds / dd);
    }
    const double ratio = median(ratios);
    const double memory = ddPeak > 0 ? double(shredPeak) / ddPeak : 0;
    std::printf("  %d dd runs          %7.3f s  %8.1f MiB/s\n", kManyPasses, median(ddTimes),
                mibPerSecond(kManyPasses * size, median(ddTimes)));
    std::printf("  shred, %d passes    %7.3f s  %8.1f MiB/s written\n", kManyPasses, median(shredTimes),
                mibPerSecond(kManyPasses * size, median(shredTimes)));
    std::printf("  ratio %d passes / %d dd runs  %.3f (target at most %.2f: %s)\n", kManyPasses, kManyPasses, ratio,
                kManyTarget, ratio <= kManyTarget ? "met" : "missed");
    if (ddPeak > 0)
        std::printf("  peak memory: shred %.1f MiB, dd %.1f MiB, ratio %.2f (target under %.1f: %s)\n",
                    shredPeak / 1024.0, ddPeak / 1024.0, memory, kMemoryTarget, memory < kMemoryTarget ? "met" : "missed");
    else
        std::printf("  peak memory: not measured (/usr/bin/time, of Debian's package time, is missing)\n");
    return 0;
}

int runMode(const QStringList& args)
{
    const QString mode = args.value(0);
    const QString root = args.value(1);
    if (root.isEmpty())
        return 2;
    if (mode == QLatin1String("make-trees"))
        return makeTrees(root, args.value(2, QStringLiteral("6")).toInt());
    if (mode == QLatin1String("queue-next"))
        return queueNext(root);
    if (mode == QLatin1String("gnu-next"))
        return gnuNext(root);
    if (mode == QLatin1String("make-files"))
        return makeFiles(root, args.value(2, QStringLiteral("6")).toInt(),
                         args.value(3, QStringLiteral("512")).toLongLong() * 1024 * 1024);
    if (mode == QLatin1String("shred-next"))
        return shredNext(root, args.value(2, QStringLiteral("2")).toInt());
    if (mode == QLatin1String("dd-next"))
        return ddNext(root, args.value(2, QStringLiteral("2")).toInt());
    // One given file, for the report's child runs.
    if (mode == QLatin1String("shred"))
        return securelyEraseFile(root, args.value(2, QStringLiteral("1")).toInt()) ? 0 : 1;
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    // The pass count is a user default: this program keeps its own.
    const bench::PrivateConfig config;
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (!args.isEmpty() && !args.first().at(0).isDigit() && !args.first().startsWith(QLatin1Char('/')))
        return runMode(args);
    QString folder = qEnvironmentVariable("NULLVANE_BENCH_DIR", QStringLiteral("/var/tmp"));
    std::int64_t size = 512LL * 1024 * 1024;
    if (argc > 1)
        folder = QString::fromLocal8Bit(argv[1]);
    if (argc > 2)
        size = std::max(1LL, std::atoll(argv[2])) * 1024 * 1024;

    QTemporaryDir work(folder + QStringLiteral("/nullvane-erase-bench-XXXXXX"));
    if (!work.isValid()) {
        std::fprintf(stderr, "cannot make a folder in %s\n", qPrintable(folder));
        return 1;
    }
    const QString target = work.path() + QStringLiteral("/target.bin");
    const QString plain = work.path() + QStringLiteral("/plain.bin");

    // Random content for the files that get written, so that a disk that
    // compresses or skips zeros gains nothing.
    Buffer content(kChunk);
    if (!content.data || !platform::secureRandomBytes(content.data, kChunk)) {
        std::fprintf(stderr, "cannot prepare the write buffer\n");
        return 1;
    }

    std::printf("folder %s, file %.0f MiB\n", qPrintable(work.path()), size / 1048576.0);
    std::vector<double> writes, one, two, zeroPass, randomPass, ratioOne, ratioTwo;
    for (int round = 1; round <= 3; ++round) {
        const double w = directWrite(plain, size, content.data);
        QFile::remove(plain);

        if (directWrite(target, size, content.data) < 0) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(target));
            return 1;
        }
        QElapsedTimer t;
        t.start();
        const bool ok1 = securelyEraseFile(target, 1);
        const double s1 = t.nsecsElapsed() / 1e9;

        if (directWrite(target, size, content.data) < 0)
            return 1;
        std::vector<double> passEnds;
        EraseObserver watch;
        watch.passFinished = [&](int) { passEnds.push_back(t.nsecsElapsed() / 1e9); };
        t.restart();
        const bool ok2 = securelyEraseFile(target, 2, watch);
        const double s2 = t.nsecsElapsed() / 1e9;

        if (w <= 0 || !ok1 || !ok2 || passEnds.size() != 2) {
            std::fprintf(stderr, "round %d failed (direct write %.3f s, shred %d/%d)\n", round, w, ok1, ok2);
            return 1;
        }
        writes.push_back(w);
        one.push_back(s1);
        two.push_back(s2);
        zeroPass.push_back(passEnds[0]);
        randomPass.push_back(passEnds[1] - passEnds[0]);
        ratioOne.push_back(s1 / w);
        ratioTwo.push_back(s2 / (2 * w));
        std::printf("round %d: direct write %.3f s, shred 1 pass %.3f s, shred 2 passes %.3f s "
                    "(zeros %.3f s, random %.3f s)\n",
                    round, w, s1, s2, passEnds[0], passEnds[1] - passEnds[0]);
    }

    const double w = median(writes);
    std::printf("\nmedians of 3 rounds\n");
    std::printf("  direct write       %7.3f s  %8.1f MiB/s\n", w, mibPerSecond(size, w));
    std::printf("  shred, 1 pass      %7.3f s  %8.1f MiB/s\n", median(one), mibPerSecond(size, median(one)));
    std::printf("  shred, 2 passes    %7.3f s  %8.1f MiB/s written\n", median(two), mibPerSecond(2 * size, median(two)));
    std::printf("    zero pass        %7.3f s  %8.1f MiB/s\n", median(zeroPass), mibPerSecond(size, median(zeroPass)));
    std::printf("    random pass      %7.3f s  %8.1f MiB/s\n", median(randomPass), mibPerSecond(size, median(randomPass)));
    std::printf("  ratio 1 pass / one direct write     %.2f\n", median(ratioOne));
    const double r2 = median(ratioTwo);
    std::printf("  ratio 2 passes / two direct writes  %.2f (target at most %.2f: %s)\n", r2, kTarget,
                r2 <= kTarget ? "met" : "missed");
    return manyPasses(work.path(), size, content.data);
}
